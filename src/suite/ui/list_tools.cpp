#include "suite/ui/list_tools.h"

#include <fstream>

#include "data/output_file.h"
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

TextTable listContents(const ui::Control& list, const std::string& title) {
  ui::ListModel& m = modelOf(list);
  m.loadCompletely();
  TextTable t;
  t.title = title;
  for (int c = 0; c < list.columnCount(); ++c) {
    t.headers.push_back(ui::withoutAmpersand(list.header(c)));
    const auto& cols = list.def().columns;
    const std::string picture =
        c < static_cast<int>(cols.size()) ? cols[static_cast<std::size_t>(c)].picture : "";
    t.numeric.push_back(!picture.empty() &&
                        PictureSpec::parse(picture).kind == PictureSpec::Kind::Number);
  }
  for (std::int64_t r = 0; r < m.rowCount(); ++r) {
    std::vector<std::string> cells;
    for (int c = 0; c < m.columnCount(); ++c) cells.push_back(trimmed(m.cell(r, c)));
    t.rows.push_back(std::move(cells));
  }
  return t;
}

std::string listContentsText(const ui::Control& list, const std::string& title) {
  const TextTable t = listContents(list, title);
  std::string out = t.title + "\n";
  for (std::size_t c = 0; c < t.headers.size(); ++c) out += (c ? "\t" : "") + t.headers[c];
  out += "\n";
  for (const auto& row : t.rows) {
    for (std::size_t c = 0; c < row.size(); ++c) out += (c ? "\t" : "") + row[c];
    out += "\n";
  }
  return out;
}

bool sendListContents(ui::UserPort& port, const ui::Control& list, const std::string& title) {
  const int where = port.popupMenu(
      "Copy to &Clipboard|Save as &Text File...|Save as &CSV File...|Save as E&xcel Workbook...");
  if (where == 1) {
    port.setClipboard(listContentsText(list, title));
    return true;
  }
  if (where < 2 || where > 4) return false;
  ui::FileDialog d;
  d.title = "Send List Contents To";
  d.filter = where == 2   ? "Text files (*.txt)|*.txt|All files (*.*)|*.*"
             : where == 3 ? "CSV files (*.csv)|*.csv|All files (*.*)|*.*"
                          : "Excel workbooks (*.xlsx)|*.xlsx|All files (*.*)|*.*";
  d.save = true;
  std::vector<std::string> chosen = port.chooseFiles(d);
  if (chosen.empty()) return false;
  std::string why;
  bool ok = false;
  if (where == 2) {
    ok = data::writeOutputFile(chosen.front(), listContentsText(list, title), &why);
  } else if (where == 3) {
    ok = writeCsv(chosen.front(), listContents(list, title), &why);
  } else {
    ok = writeXlsx(chosen.front(), listContents(list, title), &why);
  }
  if (!ok)
    port.message("The list could not be written to " + chosen.front() + ".|" + why,
                 "Send List Contents", ui::Icon::Exclamation);
  return ok;
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
