#include "interchange/source_form.h"

#include <algorithm>
#include <filesystem>

#include "data/records.h"
#include "interchange/engine/file_folders.h"
#include "interchange/engine/import_lines.h"
#include "ui/model/desktop.h"
#include "windows/UpdateEQLogImport.h"
#include "windows/UpdateEQLogImportItem.h"

namespace koreq::interchange {

namespace sourceForm = windows::UpdateEQLogImport;
namespace itemWin = windows::UpdateEQLogImportItem;

namespace {

constexpr int kLengthColumn = 2;
constexpr int kStartColumn = 3;

std::vector<ui::ItemDef> textItems(const std::vector<std::string>& texts) {
  std::vector<ui::ItemDef> items;
  for (const std::string& t : texts) items.push_back({t, data::Value(t)});
  return items;
}

}  // namespace

void openSourceForm(ui::Procedure& caller, ui::Request request, std::uint32_t limitId,
                    std::function<void(ui::Response)> then) {
  auto& sources = caller.ctx().access<data::JcLimits>();
  if (request != ui::Request::Insert &&
      sources.fetch("KeyLimitID", {data::Value(std::int64_t{limitId})}) != data::kNoError) {
    if (then) then(ui::Response::Cancelled);
    return;
  }
  caller.call(sourceForm::kName, request, std::move(then));
}

// ---- UpdateEQLogImport ------------------------------------------------------------------------

SourceForm::SourceForm(frame::Context& ctx, equipment::EquipmentShared& shared)
    : ui::FormProcedure(ctx, sourceForm::kName, data::JcLimits::def()),
      shared_(shared),
      rows_(control(sourceForm::LIST).def().columns) {
  bindLocal("LOC:Header", header_);
}

void SourceForm::prepare() {
  ui::FormProcedure::prepare();
  // The form shows the source as stored, whatever else the buffer held.
  data::FileAccess& f = primary();
  if (request() != ui::Request::Insert) f.fetch("KeyLimitID", {f.get("JCL:LimitID")});
}

void SourceForm::init() {
  data::JcLimits& s = ctx().rec<data::JcLimits>();
  setTitleByRequest(
      kSourceFormTitleInsert,
      std::string(kSourceFormTitleChange) + "  (" + clipped(s.ReportTitle.str()) + ")",
      "View Record");
  if (request() == ui::Request::Insert) {
    s.Report = kImportReport;
    s.PrintOrder = std::string(1, kCommaDelimited);
  }
  for (const char* c : {sourceForm::JCL_ReportTitle, sourceForm::JCL_NameFrom})
    shared_.autoEntry.registerControl(name(), c);
  control(sourceForm::JCL_JobTo).setItems(textItems({kDateFormats.begin(), kDateFormats.end()}));
  layout_ = SourceLayout(s.FieldMap.str());
  header_ = s.SourceFlag.str() == std::string(1, kHeaderFlag) ? 1 : 0;
  control(sourceForm::LIST).setList(&rows_);
  showFields(0);
  builtIn_ = request() != ui::Request::Insert && isBuiltInSource(s);
  if (builtIn_) {
    control(sourceForm::SOURCEGROUP).disable();
    control(sourceForm::FIELDGROUP).disable();
  }
  if (request() == ui::Request::View)
    for (const char* c :
         {sourceForm::LOOKUPFILE, sourceForm::INSERT, sourceForm::CHANGE, sourceForm::DELETE})
      control(c).disable();
}

void SourceForm::showFields(std::int64_t highlight) {
  if (highlight < 0) highlight = rows_.current();
  const bool positions = showsFieldPositions(ctx().rec<data::JcLimits>().PrintOrder.str());
  ui::Control& list = control(sourceForm::LIST);
  list.setColumnVisible(kLengthColumn, positions);
  list.setColumnVisible(kStartColumn, positions);
  std::vector<ui::QueueListModel::Row> rows;
  for (const LayoutRow& r : layout_.rows())
    rows.push_back({{data::Value(std::int64_t{r.number}), data::Value(r.contents),
                     data::Value(std::int64_t{r.length}), data::Value(std::int64_t{r.start})},
                    {},
                    {}});
  rows_.setRows(std::move(rows));
  if (rows_.rowCount() > 0)
    rows_.setCurrent(std::clamp<std::int64_t>(highlight, 0, rows_.rowCount() - 1));
  const bool any = rows_.rowCount() > 0 && request() != ui::Request::View;
  control(sourceForm::CHANGE).setEnabled(any);
  control(sourceForm::DELETE).setEnabled(any);
}

void SourceForm::accepted(ui::Control& c) {
  if (c.is(sourceForm::JCL_PrintOrder)) {
    // The choice is in JCL:PrintOrder already.
    showFields();
  } else if (c.is(sourceForm::LOOKUPFILE)) {
    chooseFile();
  } else if (c.is(sourceForm::INSERT)) {
    editField('I');
  } else if (c.is(sourceForm::CHANGE)) {
    editField('C');
  } else if (c.is(sourceForm::DELETE)) {
    removeField();
  }
}

void SourceForm::rowActivated(ui::Control& c) {
  if (c.is(sourceForm::LIST) && control(sourceForm::CHANGE).usable()) editField('C');
}

void SourceForm::editField(char action) {
  const std::int64_t row = rows_.current();
  if (action == 'I') {
    if (layout_.full()) {
      message("A line holds at most " + std::to_string(kMaxMapItems) + " fields.",
              "Field List Full", ui::Icon::Exclamation);
      return;
    }
    itemRow_ = ImportItemRow{};
  } else {
    if (row < 0 || static_cast<std::size_t>(row) >= layout_.size()) return;
    const MapItem& item = layout_.item(static_cast<std::size_t>(row));
    itemRow_ = ImportItemRow{'C', contentsOfCode(item.code), item.length};
  }
  call(itemWin::kName, action == 'I' ? ui::Request::Insert : ui::Request::Change,
       [this, row](ui::Response) {
         if (itemRow_.taken) {
           const MapItem item = itemNamed(itemRow_.contents, itemRow_.length);
           if (itemRow_.action == 'I') {
             if (layout_.append(item)) showFields(static_cast<std::int64_t>(layout_.size()) - 1);
           } else if (layout_.replace(static_cast<std::size_t>(row), item)) {
             showFields(row);
           }
         }
         select(sourceForm::LIST);
       });
}

void SourceForm::removeField() {
  const std::int64_t row = rows_.current();
  if (row < 0 || !layout_.remove(static_cast<std::size_t>(row))) return;
  showFields(row);
  select(sourceForm::LIST);
}

void SourceForm::chooseFile() {
  ui::FileDialog dialog;
  dialog.title = "Select a Filename";
  dialog.filter = "Text Files|*.txt|All Files|*.*";
  // The source's own file when it names one, else where the user last chose a file.
  const std::filesystem::path ini = settingsFile(ctx());
  const std::string named = clipped(primary().text("JCL:NameFrom"));
  dialog.start = std::filesystem::path(named).is_absolute() ? named : dialogFolder(ini).string();
  std::vector<std::string> chosen = port().chooseFiles(dialog);
  if (chosen.empty()) return;
  rememberDialogFolder(ini, chosen.front());
  std::string why;
  if (!primary().put("JCL:NameFrom", chosen.front(), &why)) {
    // A name cut to what the field holds would name another file.
    message("The name of the file chosen is too long to keep (at most 200 characters):|" +
                chosen.front(),
            "Import File Name", ui::Icon::Exclamation);
    return;
  }
  display();
  select(sourceForm::JCL_NameFrom);
}

void SourceForm::completed() {
  data::JcLimits& s = ctx().rec<data::JcLimits>();
  // Another source under the built-in one's name could never be changed or deleted again.
  if (!builtIn_ && isBuiltInSource(s)) {
    message(std::string("The name ") + kBuiltInSource +
                " belongs to the built-in source.  Please choose another name.",
            "Source Name", ui::Icon::Exclamation);
    cycle();
    select(sourceForm::JCL_ReportTitle);
    return;
  }
  // A date written in no known format would date every line today without a word.
  const bool dated =
      std::any_of(layout_.items().begin(), layout_.items().end(),
                  [](const MapItem& i) { return i.code == fieldCode(LineField::Date).code; });
  if (!builtIn_ && dated && !isDateFormat(s.JobTo.str())) {
    message(
        "Please choose the Date Field Format: the dates of the file cannot be read without "
        "it.",
        "Date Field Format", ui::Icon::Exclamation);
    cycle();
    select(sourceForm::JCL_JobTo);
    return;
  }
  if (!builtIn_) {
    if (header_ != 0)
      s.SourceFlag = std::string(1, kHeaderFlag);
    else if (s.SourceFlag.str() == std::string(1, kHeaderFlag))
      s.SourceFlag = "";
  }
  s.FieldMap = layout_.map();
}

bool SourceForm::save() {
  if (request() == ui::Request::Delete && !mayDeleteSource(ctx().rec<data::JcLimits>())) {
    message(kCannotDeleteText, kCannotDeleteCaption, ui::Icon::Exclamation);
    return false;
  }
  return ui::FormProcedure::save();
}

// ---- UpdateEQLogImportItem --------------------------------------------------------------------

ImportItemWindow::ImportItemWindow(frame::Context& ctx) : ui::Procedure(ctx, itemWin::kName) {
  bindLocal("LOC:FieldContents", contents_);
  bindLocal("LOC:FieldLength", length_);
}

void ImportItemWindow::init() {
  setResponse(ui::Response::Cancelled);
  // The row comes from the source form right below this window, in the same context.
  row_ = &alone_;
  const std::vector<ui::Procedure*> open = desktop().windows();
  if (open.size() >= 2)
    if (auto* form = dynamic_cast<SourceForm*>(open[open.size() - 2]);
        form && &form->ctx() == &ctx())
      row_ = &form->itemRow();
  row_->taken = false;
  std::vector<std::string> names;
  for (const FieldCode& c : fieldCodes()) names.push_back(c.contents);
  control(itemWin::LOC_FieldContents).setItems(textItems(names));
  contents_ = contentsOfCode(itemNamed(row_->contents, 0).code);
  length_ = row_->length;
}

bool ImportItemWindow::lengthFits() {
  if (fieldLengthFits(length_)) return true;
  message(kFieldLengthText, "Invalid Field Length", ui::Icon::Exclamation);
  select(itemWin::LOC_FieldLength);
  return false;
}

void ImportItemWindow::accepted(ui::Control& c) {
  if (c.is(itemWin::LOC_FieldLength)) {
    lengthFits();
  } else if (c.is(sourceForm::OK)) {
    // What was typed but not yet accepted counts too.
    if (!update() || !lengthFits()) {
      cycle();
      return;
    }
    row_->contents = contents_.str();
    row_->length = length_;
    row_->taken = true;
  }
}

void registerSourceForms(frame::ProcedureRegistry& registry, equipment::EquipmentShared& shared) {
  ui::registerWindow(registry, sourceForm::kName, [&shared](frame::Context& ctx) {
    return std::make_unique<SourceForm>(ctx, shared);
  });
  ui::registerWindow<ImportItemWindow>(registry, itemWin::kName);
}

}  // namespace koreq::interchange
