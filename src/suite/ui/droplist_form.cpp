#include "suite/ui/droplist_form.h"

#include "data/records.h"
#include "runtime/picture.h"
#include "suite/droplist.h"
#include "ui/model/desktop.h"
#include "windows/BROWSELIMLISTUD.h"
#include "windows/UPDATEDROPLIST.h"
#include "windows/UPDATELIMLISTUD.h"

namespace koreq::suite {

namespace dropWin = windows::UPDATEDROPLIST;
namespace limitList = windows::BROWSELIMLISTUD;
namespace limitForm = windows::UPDATELIMLISTUD;

namespace {

std::int64_t whole(const data::Value& v) {
  if (auto n = std::get_if<std::int64_t>(&v)) return *n;
  if (auto d = std::get_if<Decimal>(&v)) return d->toLong();
  return 0;
}

}  // namespace

int findValueNoCase(const std::vector<std::string>& values, std::string_view value) {
  const std::string want = upper(clip(value));
  for (std::size_t i = 0; i < values.size(); ++i)
    if (upper(clip(values[i])) == want) return static_cast<int>(i);
  return -1;
}

// ---- UPDATEDROPLIST ---------------------------------------------------------------------------

DropListEditor::DropListEditor(frame::Context& ctx)
    : ui::Procedure(ctx, dropWin::kName), rows_(control(dropWin::LIST).def().columns) {
  bindLocal("LOC:Entry", entry_);
}

void DropListEditor::init() {
  setResponse(ui::Response::Cancelled);
  // The list name is a DPL:FieldName: what the file can hold of it is the list.
  listName_ = clipped(cutToChars(trimLeft(ctx().g.REPORTFILTER.str()), 20));
  control(dropWin::LIST).setList(&rows_);
  if (listName_.empty()) {
    message("No list was named to edit.", "Edit a List", ui::Icon::Exclamation);
    close();
    return;
  }
  setTitle("Edit the list: " + listName_);
  fill({});
  select(dropWin::LOC_Entry);
}

void DropListEditor::fill(const std::string& highlight) {
  std::vector<std::string> values = dropListValues(ctx(), listName_);
  std::vector<ui::QueueListModel::Row> rows;
  rows.reserve(values.size());
  for (const std::string& v : values) rows.push_back({{data::Value(v)}, {}, {}});
  rows_.setRows(std::move(rows));
  if (!highlight.empty()) {
    // Key order is not the user's order of letters: find it without regard to case.
    int at = findValueNoCase(values, highlight);
    if (at >= 0) rows_.setCurrent(at);
  }
  const bool any = rows_.rowCount() > 0;
  control(dropWin::CHANGE).setEnabled(any);
  control(dropWin::DELETE).setEnabled(any);
}

std::string DropListEditor::highlighted() const {
  std::int64_t r = rows_.current();
  if (r < 0 || r >= rows_.rowCount()) return {};
  return data::valueToText(rows_.row(r).cells[0]);
}

std::string DropListEditor::typed() const {
  return clipped(trimLeft(entry_.str()));
}

void DropListEditor::add() {
  const std::string value = typed();
  if (value.empty()) {
    message("Type the value to add in the Value box.", "Add to the List", ui::Icon::Information);
    select(dropWin::LOC_Entry);
    return;
  }
  std::vector<std::string> values = dropListValues(ctx(), listName_);
  int at = findValueNoCase(values, value);
  if (at >= 0) {
    message("\"" + values[static_cast<std::size_t>(at)] + "\" is already in the list.",
            "Add to the List", ui::Icon::Information);
    rows_.setCurrent(at);
    select(dropWin::LOC_Entry);
    return;
  }
  // A failed write has been reported through the error object.
  if (!addDropListValue(ctx(), listName_, value)) return;
  changed_ = true;
  setResponse(ui::Response::Completed);
  entry_ = "";
  fill(value);
  select(dropWin::LOC_Entry);
}

void DropListEditor::change() {
  const std::string from = highlighted();
  if (from.empty()) return;
  const std::string to = typed();
  if (to.empty()) {
    message("Type the new text of \"" + from + "\" in the Value box.", "Change a Value",
            ui::Icon::Information);
    select(dropWin::LOC_Entry);
    return;
  }
  if (to == from) return;
  std::vector<std::string> values = dropListValues(ctx(), listName_);
  int at = findValueNoCase(values, to);
  // Changing only the case of the value itself is a change; becoming another value is not.
  if (at >= 0 && upper(values[static_cast<std::size_t>(at)]) != upper(from)) {
    message("\"" + values[static_cast<std::size_t>(at)] + "\" is already in the list.",
            "Change a Value", ui::Icon::Information);
    select(dropWin::LOC_Entry);
    return;
  }
  if (!renameDropListValue(ctx(), listName_, from, to)) return;
  changed_ = true;
  setResponse(ui::Response::Completed);
  entry_ = "";
  fill(to);
  select(dropWin::LIST);
}

void DropListEditor::remove() {
  const std::string value = highlighted();
  if (value.empty()) return;
  const std::int64_t at = rows_.current();
  if (message("Are you sure you want to delete \"" + value + "\"|from the list " + listName_ + "?",
              "Confirm Delete", ui::Icon::Question, "&Yes|&No", 2) != 1)
    return;
  if (!removeDropListValue(ctx(), listName_, value)) return;
  changed_ = true;
  setResponse(ui::Response::Completed);
  if (sameText(entry_.str(), value)) entry_ = "";
  fill({});
  // The highlight stays in place: on the value that followed, or the new last one.
  if (rows_.rowCount() > 0) rows_.setCurrent(std::min(at, rows_.rowCount() - 1));
  select(dropWin::LIST);
}

void DropListEditor::accepted(ui::Control& c) {
  if (c.is(dropWin::ADD)) {
    add();
  } else if (c.is(dropWin::CHANGE)) {
    change();
  } else if (c.is(dropWin::DELETE)) {
    remove();
  } else if (c.is(dropWin::LIST)) {
    // Enter or a double click takes the value into the entry to be changed.
    if (keyCode() == ui::Key::DoubleClick || keyCode() == ui::Key::Enter) {
      entry_ = highlighted();
      select(dropWin::LOC_Entry);
    }
  }
}

void DropListEditor::newSelection(ui::Control& c) {
  if (c.is(dropWin::LIST)) entry_ = highlighted();
}

// ---- BROWSELIMLISTUD --------------------------------------------------------------------------

LimitListBrowse::LimitListBrowse(frame::Context& ctx)
    : ui::Procedure(ctx, limitList::kName), rows_(control(dropWin::LIST).def().columns) {}

void LimitListBrowse::init() {
  setResponse(ui::Response::Cancelled);
  control(dropWin::LIST).setList(&rows_);
  tag_ = clipped(ctx().g.KORFIELD.str());
  fileName_ = clipped(ctx().g.REPORTFILTER.str());
  const Decimal number = ctx().g.DECIMALVARIABLE;
  valid_ = !tag_.empty() && !fileName_.empty() && number > Decimal() &&
           number.toLong() <= std::int64_t{UINT32_MAX};
  if (!valid_) {
    message("No report format was named whose limits to edit.", "User Defined Limits",
            ui::Icon::Exclamation);
    close();
    return;
  }
  limitId_ = static_cast<std::uint32_t>(number.toLong());
  prompts_ = userDefinedPrompts(ctx());
  // The report format's title names the list when the caller left the format in its buffer.
  std::string title = "User Defined Limits";
  data::FileAccess& limits = ctx().file(data::EqLimits::def());
  if (tag_ == "EQLimits" && whole(limits.get("EQLM:LimitID")) == limitId_) {
    std::string report = limits.text("EQLM:ReportTitle");
    if (!report.empty()) title += " for " + report;
  }
  setTitle(title);
  fill(0);
  select(dropWin::LIST);
}

void LimitListBrowse::fill(std::int64_t highlightId) {
  std::vector<ui::QueueListModel::Row> rows;
  std::int64_t at = -1;
  for (const LimitRow& r : limitRows(ctx(), tag_, limitId_, fileName_)) {
    const bool known = r.fieldNumber >= 1 && r.fieldNumber <= kUserDefinedFields;
    // A row of a number outside 1 to 15 limits nothing; it is listed so it can be put right.
    std::string prompt = known ? prompts_[static_cast<std::size_t>(r.fieldNumber - 1)]
                               : std::string("(no such field)");
    if (r.recordId == highlightId) at = static_cast<std::int64_t>(rows.size());
    rows.push_back({{data::Value(std::int64_t{r.fieldNumber}), data::Value(prompt),
                     data::Value(r.value), data::Value(r.recordId)},
                    {},
                    {}});
  }
  rows_.setRows(std::move(rows));
  if (at >= 0) rows_.setCurrent(at);
  updateButtons();
}

void LimitListBrowse::updateButtons() {
  const bool any = rows_.rowCount() > 0;
  control(dropWin::CHANGE).setEnabled(any);
  control(dropWin::DELETE).setEnabled(any);
}

bool LimitListBrowse::loadCurrent() {
  const std::int64_t r = rows_.current();
  if (r < 0 || r >= rows_.rowCount()) return false;
  // The record's number rides in a cell past the columns, so a header sort keeps it.
  const data::Value id = rows_.row(r).cells[3];
  data::FileAccess& f = ctx().file(data::LimList::def());
  if (f.fetch("KeyRecordID", {id}) == data::kNoError) return true;
  message("The highlighted limit is no longer there; the list is read again.",
          "User Defined Limits", ui::Icon::Information);
  fill(0);
  return false;
}

void LimitListBrowse::ask(ui::Request request) {
  if (request != ui::Request::Insert) {
    if (!loadCurrent()) return;
    if (request == ui::Request::Delete &&
        message("Are you sure you want to delete the highlighted limit?", "Confirm Delete",
                ui::Icon::Question, "&Yes|&No", 2) != 1)
      return;
  }
  const std::int64_t at = rows_.current();
  call(limitForm::kName, request, [this, at, request](ui::Response r) {
    const bool done = r == ui::Response::Completed;
    if (done) setResponse(ui::Response::Completed);
    // A saved row gets the highlight; otherwise it stays where it was.
    const std::int64_t id = done && request != ui::Request::Delete
                                ? whole(ctx().file(data::LimList::def()).get("LL:RecordID"))
                                : 0;
    fill(id);
    if (id == 0 && at > 0 && rows_.rowCount() > 0)
      rows_.setCurrent(std::min(at, rows_.rowCount() - 1));
    select(dropWin::LIST);
  });
}

void LimitListBrowse::accepted(ui::Control& c) {
  if (c.is(limitList::INSERT)) {
    ask(ui::Request::Insert);
  } else if (c.is(dropWin::CHANGE)) {
    ask(ui::Request::Change);
  } else if (c.is(dropWin::DELETE)) {
    ask(ui::Request::Delete);
  } else if (c.is(dropWin::LIST)) {
    if (keyCode() == ui::Key::DoubleClick || keyCode() == ui::Key::Enter) ask(ui::Request::Change);
  }
}

// ---- UPDATELIMLISTUD --------------------------------------------------------------------------

LimitForm::LimitForm(frame::Context& ctx)
    : ui::FormProcedure(ctx, limitForm::kName, data::LimList::def()) {}

void LimitForm::init() {
  setTitleByRequest("Adding a User Defined Limit", "Changing a User Defined Limit",
                    "View a User Defined Limit");
  std::vector<std::string> prompts = userDefinedPrompts(ctx());
  std::vector<ui::ItemDef> items;
  for (int i = 1; i <= kUserDefinedFields; ++i)
    items.push_back({std::to_string(i) + " - " + prompts[static_cast<std::size_t>(i - 1)],
                     data::Value(std::int64_t{i})});
  control(limitForm::LL_FieldNumber).setItems(std::move(items));
  if (request() == ui::Request::Insert) {
    // The new row belongs to the format the list shows.
    primary().put("LL:Tag", clipped(ctx().g.KORFIELD.str()));
    primary().put("LL:LimitID", std::int64_t{ctx().g.DECIMALVARIABLE.toLong()});
    primary().put("LL:FileName", clipped(ctx().g.REPORTFILTER.str()));
    primary().put("LL:FieldNumber", std::int64_t{1});
  }
}

void LimitForm::completed() {
  const std::int64_t n = whole(primary().get("LL:FieldNumber"));
  if (n < 1 || n > kUserDefinedFields) {
    message("Choose one of the fifteen user-defined fields.", "User Defined Limit",
            ui::Icon::Exclamation);
    cycle();
    select(limitForm::LL_FieldNumber);
  }
}

// ---- Registration -----------------------------------------------------------------------------

void registerDropListForms(frame::ProcedureRegistry& registry) {
  ui::registerWindow<DropListEditor>(registry, dropWin::kName);
  ui::registerWindow<LimitListBrowse>(registry, limitList::kName);
  ui::registerWindow<LimitForm>(registry, limitForm::kName);
}

}  // namespace koreq::suite
