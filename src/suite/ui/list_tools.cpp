#include "suite/ui/list_tools.h"

#include <fstream>

#include "runtime/picture.h"
#include "ui/model/list_model.h"

namespace koreq::suite {

namespace {

std::string trimmed(std::string_view s) {
  return clipped(trimLeft(s));
}

ui::ListModel& modelOf(const ui::Control& list) {
  if (list.kind() != ui::ControlKind::List || !list.list())
    throw ui::UiError(list.name() + " is no list with rows");
  return *list.list();
}

}  // namespace

std::string listContentsText(const ui::Control& list, const std::string& title) {
  ui::ListModel& m = modelOf(list);
  m.loadCompletely();
  std::string out = title + "\n";
  for (int c = 0; c < list.columnCount(); ++c)
    out += (c ? "\t" : "") + ui::withoutAmpersand(list.header(c));
  out += "\n";
  for (std::int64_t r = 0; r < m.rowCount(); ++r) {
    for (int c = 0; c < m.columnCount(); ++c) out += (c ? "\t" : "") + trimmed(m.cell(r, c));
    out += "\n";
  }
  return out;
}

bool sendListContents(ui::UserPort& port, const ui::Control& list, const std::string& title) {
  int where = port.popupMenu("Copy to &Clipboard|Save as &Text File...");
  if (where == 1) {
    port.setClipboard(listContentsText(list, title));
    return true;
  }
  if (where != 2) return false;
  ui::FileDialog d;
  d.title = "Send List Contents To";
  d.filter = "Text files (*.txt)|*.txt|All files (*.*)|*.*";
  d.save = true;
  std::vector<std::string> chosen = port.chooseFiles(d);
  if (chosen.empty()) return false;
  std::string text = listContentsText(list, title);
  std::ofstream out(chosen.front(), std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) {
    port.message("The list could not be written to " + chosen.front() + ".", "Send List Contents",
                 ui::Icon::Exclamation);
    return false;
  }
  return true;
}

std::int64_t findRowContaining(const ui::Control& list, std::string_view text, std::int64_t after) {
  std::string want = upper(trimmed(text));
  if (want.empty()) return -1;
  ui::ListModel& m = modelOf(list);
  auto holds = [&](std::int64_t r) {
    for (int c = 0; c < m.columnCount(); ++c)
      if (upper(m.cell(r, c)).find(want) != std::string::npos) return true;
    return false;
  };
  for (std::int64_t r = after + 1; m.ensureRow(r); ++r)
    if (holds(r)) return r;
  for (std::int64_t r = 0; r <= after && m.ensureRow(r); ++r)
    if (holds(r)) return r;
  return -1;
}

}  // namespace koreq::suite
