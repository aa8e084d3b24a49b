#include "interchange/import_window.h"

#include <filesystem>

#include "data/store.h"
#include "interchange/engine/file_folders.h"
#include "runtime/text.h"
#include "ui/model/desktop.h"
#include "usagelog/engine/record_rows.h"
#include "windows/ImportEQLog.h"
#include "windows/ImportEQLogErrors.h"
#include "windows/UpdateEQLogImport.h"

namespace koreq::interchange {

namespace importWin = windows::ImportEQLog;
namespace errorsWin = windows::ImportEQLogErrors;

namespace {

constexpr const char* kFileFilter = "Text Files|*.txt|All Files|*.*";
constexpr const char* kCaption = "Import Equipment Logs";

ui::ColumnDef columnFor(const FieldCode& code) {
  ui::ColumnDef c;
  c.header = code.heading;
  c.use = std::string(1, code.code);
  switch (code.field) {
    case LineField::StartMeter:
    case LineField::EndMeter:
    case LineField::Units:
      c.picture = "@n-15.2b";
      c.width = 12;
      break;
    case LineField::Date:
      c.picture = "@d2b";
      c.width = 10;
      break;
    case LineField::EmployeeID:
      c.picture = "@n_5b";
      c.width = 8;
      break;
    case LineField::Comment:
      c.picture = "@s30";
      c.width = 20;
      break;
    default:
      c.picture = "@s14";
      c.width = 10;
  }
  return c;
}

data::Value valueOf(const ImportItem& item, LineField field) {
  switch (field) {
    case LineField::EquipmentID:
      return item.equipmentId.str();
    case LineField::StartMeter:
      return item.startMeter;
    case LineField::EndMeter:
      return item.endMeter;
    case LineField::Units:
      return item.units;
    case LineField::ChargeType:
      return item.chargeType.str();
    case LineField::DetailType:
      return item.detailType.str();
    case LineField::GLAccount:
      return item.glAccount.str();
    case LineField::JobID:
      return item.jobId.str();
    case LineField::CostCode:
      return item.costCode.str();
    case LineField::EquipmentCharged:
      return item.equipmentCharged.str();
    case LineField::Category:
      return item.category.str();
    case LineField::Comment:
      return item.comment.str();
    case LineField::Date:
      return item.date;
    case LineField::Location:
      return item.location.str();
    case LineField::EmployeeID:
      return std::int64_t{item.employeeId};
    case LineField::Unused:
      break;
  }
  return {};
}

}  // namespace

ImportWindow::ImportWindow(frame::Context& ctx)
    : ui::Procedure(ctx, importWin::kName),
      sourceRows_(control(importWin::SOURCELIST).def().columns),
      itemRows_(control(importWin::ITEMLIST).def().columns) {
  bindLocal("LOC:Encoding", encoding_);
}

void ImportWindow::init() {
  control(importWin::SOURCELIST).setList(&sourceRows_);
  control(importWin::ITEMLIST).setList(&itemRows_);
  std::string why;
  if (!data::allOrNothing(
          ctx().store(), [this](std::string* w) { return ensureBuiltInSource(ctx(), w); }, &why))
    message(why, kCaption, ui::Icon::Exclamation);
  fillSources(0);
  // The window names the batch the lines will land in.
  if (const std::uint16_t batch = ctx().rec<data::EqBatch>().BatchID; batch != 0)
    setTitle(std::string(kCaption) + " - " + batchTitle(ctx(), batch));
  control(importWin::NOTE).setText(kAmountsFromRatesNote);
  select(importWin::SOURCELIST);
}

void ImportWindow::fillSources(std::int32_t highlight) {
  sources_.clear();
  std::vector<ui::QueueListModel::Row> rows;
  std::int64_t at = 0;
  for (const auto& s : usagelog::detail::readWhere<data::JcLimits>(ctx().store(), "KeyReport",
                                                                   {std::string(kImportReport)})) {
    if (s.rec.LimitID == static_cast<std::uint32_t>(highlight))
      at = static_cast<std::int64_t>(rows.size());
    rows.push_back(
        {{data::Value(s.rec.ReportTitle.str()), data::Value(s.rec.UserID.str())}, {}, {}});
    sources_.push_back(s.rec);
  }
  sourceRows_.setRows(std::move(rows));
  if (!sources_.empty()) sourceRows_.setCurrent(at);
  const bool any = !sources_.empty();
  control(importWin::CHANGE).setEnabled(any);
  control(importWin::DELETE).setEnabled(any);
  rebuildColumns();
}

const data::JcLimits* ImportWindow::highlightedSource() const {
  const std::int64_t r = sourceRows_.current();
  if (r < 0 || r >= static_cast<std::int64_t>(sources_.size())) return nullptr;
  return &sources_[static_cast<std::size_t>(r)];
}

void ImportWindow::rebuildColumns() {
  shown_.clear();
  std::vector<ui::ColumnDef> columns;
  if (const data::JcLimits* s = highlightedSource()) {
    for (const MapItem& item : walkedItems(s->FieldMap.str())) {
      const FieldCode* code = fieldCode(item.code);
      if (!code || code->field == LineField::Unused) continue;
      columns.push_back(columnFor(*code));
      shown_.push_back(code->field);
    }
  }
  // A list shows at least one column: the equipment, empty until a source says otherwise.
  if (columns.empty()) {
    columns.push_back(columnFor(fieldCode(LineField::EquipmentID)));
    shown_.push_back(LineField::EquipmentID);
  }
  itemRows_.setColumns(columns);
  control(importWin::ITEMLIST).setColumns(std::move(columns));
  showItems();
}

void ImportWindow::showItems() {
  std::vector<ui::QueueListModel::Row> rows;
  rows.reserve(items_.size());
  for (const ImportItem& item : items_) {
    ui::QueueListModel::Row r;
    r.cells.reserve(shown_.size());
    for (LineField f : shown_) r.cells.push_back(valueOf(item, f));
    rows.push_back(std::move(r));
  }
  itemRows_.setRows(std::move(rows));
  const bool any = !items_.empty();
  control(importWin::IMPORT).setEnabled(any);
  control(importWin::PREVIEW).setEnabled(!any);
}

void ImportWindow::newSelection(ui::Control& c) {
  if (c.is(importWin::SOURCELIST)) rebuildColumns();
}

void ImportWindow::accepted(ui::Control& c) {
  if (c.is(importWin::INSERT)) {
    editSource(ui::Request::Insert);
  } else if (c.is(importWin::CHANGE)) {
    editSource(ui::Request::Change);
  } else if (c.is(importWin::DELETE)) {
    editSource(ui::Request::Delete);
  } else if (c.is(importWin::PREVIEW)) {
    preview();
  } else if (c.is(importWin::IMPORT)) {
    import();
  }
}

void ImportWindow::editSource(ui::Request request) {
  const data::JcLimits* source = highlightedSource();
  if (request != ui::Request::Insert) {
    if (!source) return;
    if (request == ui::Request::Delete && source->ReportTitle.str() == kBuiltInSource) {
      message("This Import Type cannot be deleted.", "Cannot Delete", ui::Icon::Exclamation);
      return;
    }
    if (request == ui::Request::Delete &&
        message("Are you sure you want to delete the highlighted record?", "Confirm Delete",
                ui::Icon::Question, "&Yes|&No", 2) != 1)
      return;
    ctx().rec<data::JcLimits>() = *source;
  }
  const std::int32_t keep = source ? static_cast<std::int32_t>(source->LimitID) : 0;
  call(windows::UpdateEQLogImport::kName, request, [this, keep](ui::Response) {
    // A new source is the one numbered last; otherwise keep the highlight where it was.
    const auto& buffer = ctx().rec<data::JcLimits>();
    fillSources(buffer.LimitID != 0 ? static_cast<std::int32_t>(buffer.LimitID) : keep);
  });
}

void ImportWindow::preview() {
  const data::JcLimits* highlighted = highlightedSource();
  if (!highlighted) return;
  data::JcLimits source = *highlighted;
  const std::string file = clipped(source.NameFrom.str());
  std::error_code ec;
  if (file.empty() || !std::filesystem::exists(file, ec)) {
    const std::string question =
        file.empty() ? "The source " + clipped(source.ReportTitle.str()) +
                           " names no import file yet.  Do you wish to select one?"
                     : "The selected import file, " + file + " does not exist.  Do you wish to " +
                           "select a different file?";
    if (message(question, "Select New Filename", ui::Icon::Question, "&Yes|&No") != 1) return;
    const std::filesystem::path ini = settingsFile(ctx());
    ui::FileDialog d;
    d.title = "Select An Import File";
    d.filter = kFileFilter;
    d.start = dialogFolder(ini).string();
    std::vector<std::string> chosen = port().chooseFiles(d);
    if (chosen.empty()) return;
    rememberDialogFolder(ini, chosen.front());
    data::Access<data::JcLimits> a(ctx().store(), ctx().errors());
    if (a.fetch("KeyLimitID", {data::Value(std::int64_t{source.LimitID})}) != data::kNoError) {
      message("The import source no longer exists.", "Select New Filename", ui::Icon::Exclamation);
      fillSources(0);
      return;
    }
    a.rec().NameFrom = chosen.front();
    if (a.update() != data::kNoError) return;  // reported with " Saving JCLimits"
    source = a.rec();
    fillSources(static_cast<std::int32_t>(source.LimitID));
  }
  read(source);
}

void ImportWindow::read(const data::JcLimits& source) {
  rebuildColumns();
  items_.clear();
  errors_.clear();
  ImportChecker checker(ctx());
  std::string why;
  bool read = false;
  LineLayout layout = LineLayout::of(source);
  update();
  layout.encoding = encodingNamed(encoding_.str()).value_or(TextEncoding::Auto);
  ImportRead found;
  {
    port().setWaitCursor(true);
    struct Restore {
      ui::UserPort& p;
      ~Restore() { p.setWaitCursor(false); }
    } restore{port()};
    read = readImportFile(
        ctx(), checker, layout, clipped(source.NameFrom.str()),
        [this](ImportItem& item) { items_.push_back(std::move(item)); },
        [this](const ImportError& e) { errors_.push_back(e); }, &why, &found);
  }
  if (!read) {
    items_.clear();
    showItems();
    message(why, kCaption, ui::Icon::Exclamation);
    return;
  }
  std::string note = std::string("Read as ") + encodingName(found.encoding) + ".";
  if (!found.header.empty())
    note += "  Line 1 is the header, not imported: " +
            (charCount(found.header) > 60 ? cutToChars(found.header, 57) + "..." : found.header);
  control(importWin::READNOTE).setText(note);
  if (errors_.empty()) {
    askOtherCostTypes();
    return;
  }
  port().beep();
  open(std::make_unique<ImportErrorsWindow>(ctx(), errors_), [this](ui::Response r) {
    if (r != ui::Response::Completed) items_.clear();
    askOtherCostTypes();
  });
}

void ImportWindow::askOtherCostTypes() {
  ImportChecker checker(ctx());
  long charged = 0;
  for (const ImportItem& item : items_)
    if (checker.chargedToOtherCostType(item)) ++charged;
  if (charged > 0 && message(otherCostTypesQuestion(static_cast<long>(items_.size()), charged),
                             "Import Non-Equipment Cost Types?", ui::Icon::Question,
                             "&Equipment Only|&All Types") == 1)
    std::erase_if(items_, [&](const ImportItem& i) { return checker.chargedToOtherCostType(i); });
  askDuplicates();
}

void ImportWindow::askDuplicates() {
  const std::uint16_t batchId = ctx().rec<data::EqBatch>().BatchID;
  DuplicateCheck check(ctx(), batchId);
  std::vector<std::size_t> repeated;
  std::string list;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const std::string where = check.duplicateOf(items_[i]);
    if (where.empty()) continue;
    if (repeated.size() < 10)
      list +=
          "|Line " + std::to_string(items_[i].lineNumber) + ": " + duplicateText(items_[i], where);
    repeated.push_back(i);
  }
  if (!repeated.empty()) {
    if (repeated.size() > 10) list += "|and " + std::to_string(repeated.size() - 10) + " more";
    const int answer = message(std::to_string(repeated.size()) +
                                   (repeated.size() == 1 ? " line repeats" : " lines repeat") +
                                   " an entry (same equipment, date, meters and units):" + list +
                                   "||Import them again, or leave them out?",
                               "Possible Duplicates", ui::Icon::Question,
                               "&Leave Them Out|&Import Them Too|&Cancel", 1);
    if (answer == 3) {
      items_.clear();
    } else if (answer == 1) {
      for (auto it = repeated.rbegin(); it != repeated.rend(); ++it)
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(*it));
    }
  }
  showItems();
  if (!items_.empty()) select(importWin::IMPORT);
}

void ImportWindow::import() {
  const std::uint16_t batchId = ctx().rec<data::EqBatch>().BatchID;
  data::Access<data::EqBatch> batch(ctx().store(), ctx().errors());
  if (batchId == 0 ||
      batch.fetch("KeyBatchID", {data::Value(std::int64_t{batchId})}) != data::kNoError) {
    // Opened from the menu, or the batch went meanwhile: entries need a batch to land in.
    message(
        "There is no batch to import into.|Highlight the batch in Equipment Usage Log Entry "
        "and press Import there.",
        kCaption, ui::Icon::Exclamation);
    return;
  }
  ImportChecker checker(ctx());
  EntryWriter writer(ctx(), checker, batchId);
  std::string why;
  bool done = false;
  {
    port().setWaitCursor(true);
    struct Restore {
      ui::UserPort& p;
      ~Restore() { p.setWaitCursor(false); }
    } restore{port()};
    done = data::allOrNothing(
        ctx().store(),
        [&](std::string* w) {
          for (const ImportItem& item : items_)
            if (!writer.add(item, w)) return false;
          return true;
        },
        &why);
  }
  if (!done) {
    // Nothing was added: the preview stays, so the import can be tried again.
    message(why + "|Nothing was imported.", kCaption, ui::Icon::Exclamation);
    return;
  }
  items_.clear();
  showItems();
  setResponse(ui::Response::Completed);
  close();
}

// ---- The error list -----------------------------------------------------------------------------

ImportErrorsWindow::ImportErrorsWindow(frame::Context& ctx, const std::vector<ImportError>& errors)
    : ui::Procedure(ctx, errorsWin::kName), rows_(control(errorsWin::ERRORLIST).def().columns) {
  std::vector<ui::QueueListModel::Row> rows;
  rows.reserve(errors.size());
  for (const ImportError& e : errors)
    rows.push_back({{data::Value(std::int64_t{e.line}), data::Value(e.text)}, {}, {}});
  rows_.setRows(std::move(rows));
}

void ImportErrorsWindow::init() {
  setResponse(ui::Response::Cancelled);
  control(errorsWin::ERRORLIST).setList(&rows_);
  select(errorsWin::CANCEL);
}

void ImportErrorsWindow::accepted(ui::Control& c) {
  if (c.is(errorsWin::PROCEED)) {
    setResponse(ui::Response::Completed);
    close();
  } else if (c.is(errorsWin::CANCEL)) {
    close();
  }
}

void registerImportWindow(frame::ProcedureRegistry& registry) {
  ui::registerWindow(registry, importWin::kName,
                     [](frame::Context& ctx) { return std::make_unique<ImportWindow>(ctx); });
}

}  // namespace koreq::interchange
