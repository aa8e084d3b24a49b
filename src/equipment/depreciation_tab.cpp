#include "equipment/depreciation_tab.h"

#include "depreciation/store_schedule.h"
#include "equipment/equipment_form.h"
#include "frame/registry.h"
#include "windows/UPDATEGLDEPR.h"
#include "windows/UpdateEQHeader.h"

namespace koreq::equipment {

namespace win = windows::UpdateEQHeader;

namespace {

constexpr const char* kCaptionSuffix = " Depreciation Schedule";
constexpr const char* kNoEquipmentId = "Equipment ID is Required";
constexpr const char* kTooLarge =
    "The purchase value less the salvage value is too large to depreciate.";
constexpr const char* kPrintQuestion = "Please indicate the items desired on the printout.";
constexpr const char* kPrintCaption = "Fixed Asset Printing";

// The by-month list's hidden last cell: the row's record number, to find it again.
constexpr std::size_t kRecordIdCell = 4;

// The by-month rows: the date column reads as month and year but sorts as a date.
class MonthListModel final : public ui::QueueListModel {
 public:
  using ui::QueueListModel::QueueListModel;
  std::string cell(std::int64_t row, int column) const override {
    if (column != 0) return ui::QueueListModel::cell(row, column);
    const data::Value v = cellValue(row, column);
    const auto* d = std::get_if<Date>(&v);
    return d ? monthYearText(*d) : std::string();
  }
};

// The wait cursor for as long as the object lives, however the work ends.
class WaitCursor {
 public:
  explicit WaitCursor(ui::UserPort& port) : port_(port) { port_.setWaitCursor(true); }
  ~WaitCursor() { port_.setWaitCursor(false); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  ui::UserPort& port_;
};

class DepreciationGroup final : public FormPart {
 public:
  explicit DepreciationGroup(EquipmentForm& form)
      : FormPart(form),
        months_(form.control(win::DEPRMONTHLIST).def().columns),
        years_(form.control(win::DEPRYEARLIST).def().columns) {}

  void init() override {
    form().control(win::DEPRMONTHLIST).setList(&months_);
    form().control(win::DEPRYEARLIST).setList(&years_);
    saleSeen_ = form().record().SaleDate;
    // Viewing writes nothing: the months can only be looked at.
    if (viewing())
      for (const char* c : {win::CALCULATE, win::DEPRINSERT, win::DEPRDELETE})
        form().control(c).disable();
    showMethod();
    // Built afresh, so the summary is always this equipment's, never the one shown last.
    refreshYearSummary();
    fillMonths();
  }

  bool accepted(ui::Control& c) override {
    if (c.is(win::CALCULATE)) {
      calculate(true);
    } else if (c.is(win::PRINTDEPRECIATIONSCHEDULE)) {
      print();
    } else if (c.is(win::EQH_DepreciationMethod)) {
      if (form().acceptingAll()) return true;
      showMethod();
      refreshYearSummary();
      fillMonths();
    } else if (c.is(win::EQH_UD1DepreciationDesc)) {
      showMethod();
    } else if (c.is(win::DEPRINSERT)) {
      editRow(ui::Request::Insert);
    } else if (c.is(win::DEPRCHANGE)) {
      editRow(viewing() ? ui::Request::View : ui::Request::Change);
    } else if (c.is(win::DEPRDELETE)) {
      editRow(ui::Request::Delete);
    } else if (c.is(win::EQH_SaleDate)) {
      saleDateAccepted();
      return false;
    } else if (c.is(win::CALSALE)) {
      // The calendar fills the entry after this event, without an Accepted event of its own.
      calendarPending_ = true;
      return false;
    } else {
      return false;
    }
    return true;
  }

  bool selected(ui::Control& c) override {
    if (c.is(win::EQH_SaleDate)) {
      // What the entry holds as the user enters it: leaving it unchanged recalculates nothing.
      saleSeen_ = form().record().SaleDate;
      calendarPending_ = false;
    }
    return false;
  }

  bool rowActivated(ui::Control& c) override {
    if (!c.is(win::DEPRMONTHLIST)) return false;
    editRow(viewing() ? ui::Request::View : ui::Request::Change);
    return true;
  }

 private:
  int method() const { return form().record().DepreciationMethod; }
  bool viewing() const { return form().request() == ui::Request::View; }

  void saleDateAccepted() {
    const Date now = form().record().SaleDate;
    if (calendarPending_) {
      saleSeen_ = now;
      calendarPending_ = false;
    }
    const bool changed = now != saleSeen_;
    saleSeen_ = now;
    if (changed && !form().acceptingAll()) calculate(false);
  }

  // The rows are keyed by the equipment ID: without one they would belong to nobody.
  bool haveEquipmentId(bool tell) {
    if (!form().equipmentId().empty()) return true;
    if (tell) form().message(kNoEquipmentId, "Required Field", ui::Icon::Information);
    return false;
  }

  void reportReadError(const data::StoreError& e) {
    form().ctx().errors().report(e.code(), std::string(e.what()) + " Reading GLDepr");
  }

  // The schedule report of the equipment on the form. The question offers the schedule alone
  // until the graph report (PrintFixedAssetGraphs) is there to print the graphs beside it.
  void print() {
    if (form().message(kPrintQuestion, kPrintCaption, ui::Icon::Question, "Schedule|Cancel") != 1)
      return;
    // The record as it stands goes to the file first. A new record is not on file until OK
    // (an update could only fail), and a viewed one is never written; the report prints the
    // record buffer either way.
    if (form().request() == ui::Request::Change) form().ctx().file(data::EqHeader::def()).update();
    form().call(frame::kPrintFixedAssets, [this](ui::Response) {
      auto& g = form().ctx().session().g;
      if (g.PrintPreview == 0) g.PrintPreview = 1;
    });
  }

  void showMethod() {
    const std::string name = form().record().UD1DepreciationDesc.str();
    ui::Control& radio = form().control(win::EQH_DepreciationMethod);
    std::vector<ui::ItemDef> items = radio.items();
    if (items.size() >= kCustomMethod && items[kCustomMethod - 1].text != customMethodText(name)) {
      items[kCustomMethod - 1].text = customMethodText(name);
      radio.setItems(std::move(items));
    }
    form().control(win::DEPRGROUP).setText(depreciationCaption(method(), name));
  }

  // CalculateSchedule on the record as it stands on the form, saved or not.
  void calculate(bool pressed) {
    if (!haveEquipmentId(pressed)) return;
    {
      WaitCursor wait(form().port());
      try {
        if (depreciation::calculateSchedule(form().ctx(), form().record()).refused)
          form().message(data::refusedText(form().ctx().store()), "Depreciation Schedule",
                         ui::Icon::Exclamation);
      } catch (const data::StoreError& e) {
        reportReadError(e);
      } catch (const DecimalOverflow&) {
        form().message(kTooLarge, "Depreciation Schedule", ui::Icon::Exclamation);
      }
    }
    refreshYearSummary();
    fillMonths();
  }

  void refreshYearSummary() {
    summary().clear();
    if (!form().equipmentId().empty()) {
      try {
        summary() = depreciation::refreshYearSummary(form().ctx(), form().record());
      } catch (const data::StoreError& e) {
        reportReadError(e);
      }
    }
    yearMethod_ = yearListMethod(method(), yearMethod_);
    std::vector<ui::QueueListModel::Row> rows;
    for (const auto& y : summary()) {
      const YearColumns p = shownYearColumns(y, yearMethod_);
      rows.push_back({{std::int64_t{y.year}, p.beginValue, p.annualCharge}, {}, {}});
    }
    years_.setRows(std::move(rows));
  }

  // The stored months of this equipment in key order; the highlight goes to the row numbered
  // `keep`, else stays at the same place.
  void fillMonths(std::optional<std::int64_t> keep = std::nullopt) {
    const std::int64_t at = months_.current();
    std::vector<ui::QueueListModel::Row> rows;
    std::int64_t found = -1;
    const std::string id = form().equipmentId();
    if (!id.empty()) {
      data::Access<data::GlDepr> f(form().ctx().store(), form().ctx().errors());
      f.setRange(*data::GlDepr::def().key("KeyEquipmentID"), {id});
      while (f.next() == data::kNoError) {
        const data::GlDepr& r = f.rec();
        const depreciation::MethodPair p = shownMonthPair(r, method());
        if (keep && r.RecordID == *keep) found = static_cast<std::int64_t>(rows.size());
        rows.push_back(
            {{r.Date, p.amount, p.value, r.ActualAmount, std::int64_t{r.RecordID}}, {}, {}});
      }
    }
    months_.setRows(std::move(rows));
    if (found < 0 && at >= 0) found = std::min(at, months_.rowCount() - 1);
    if (found >= 0) months_.setCurrent(found);
  }

  // Runs UPDATEGLDEPR on the highlighted month (or a new one), then shows what it wrote.
  void editRow(ui::Request request) {
    if (!haveEquipmentId(true)) return;
    auto& rows = form().ctx().access<data::GlDepr>();
    if (request != ui::Request::Insert) {
      const std::int64_t at = months_.current();
      if (at < 0) return;
      const data::Value id = months_.row(at).cells.at(kRecordIdCell);
      if (rows.fetch("KeyRecordID", {id}) != data::kNoError) {
        fillMonths();  // another user removed it meanwhile
        return;
      }
      if (request == ui::Request::Delete &&
          form().message("Are you sure you want to delete the highlighted record?",
                         "Confirm Delete", ui::Icon::Question, "&Yes|&No", 2) != 1)
        return;
    }
    form().call(windows::UPDATEGLDEPR::kName, request, [this, request](ui::Response r) {
      std::optional<std::int64_t> keep;
      if (r == ui::Response::Completed && request != ui::Request::Delete)
        keep = form().ctx().rec<data::GlDepr>().RecordID;
      refreshYearSummary();
      fillMonths(keep);
      form().display();
    });
  }

  MonthListModel months_;
  ui::QueueListModel years_;
  // Module-wide, so that the graph windows draw the equipment on screen.
  std::vector<depreciation::YearSummaryEntry>& summary() const {
    return form().shared().yearSummary;
  }
  int yearMethod_ = kStraightLine;
  Date saleSeen_;
  bool calendarPending_ = false;
};

}  // namespace

std::string customMethodText(std::string_view customName) {
  const std::string name = clipped(customName);
  return name.empty() ? "Custom" : name;
}

std::string depreciationCaption(int method, std::string_view customName) {
  switch (method) {
    case kStraightLine:
      return std::string("Straight Line") + kCaptionSuffix;
    case kSumOfYearsDigits:
      return std::string("Sum of Years' Digits") + kCaptionSuffix;
    case kDecliningBalance:
      return std::string("Double Rate Declining Balance") + kCaptionSuffix;
    case kCustomMethod:
      return customMethodText(customName) + kCaptionSuffix;
    default:
      return "Depreciation Schedule";
  }
}

depreciation::MethodPair shownMonthPair(const data::GlDepr& row, int method) {
  switch (method) {
    case kStraightLine:
      return {row.SLAmount, row.SLValue};
    case kSumOfYearsDigits:
      return {row.SYAmount, row.SYValue};
    case kDecliningBalance:
      return {row.DDBAmount, row.DDBValue};
    case kCustomMethod:
      return {row.UD1Amount, row.UD1Value};
    default:
      return {row.UD2Amount, row.UD2Value};
  }
}

int yearListMethod(int method, int shown) {
  return method >= kStraightLine && method <= kDecliningBalance ? method : shown;
}

YearColumns shownYearColumns(const depreciation::YearSummaryEntry& y, int method) {
  switch (method) {
    case kSumOfYearsDigits:
      return {y.syBeginValue, y.syAnnualCharge};
    case kDecliningBalance:
      return {y.ddbBeginValue, y.ddbAnnualCharge};
    default:
      return {y.slBeginValue, y.slAnnualCharge};
  }
}

std::string monthYearText(Date d) {
  if (d.isEmpty()) return {};
  std::string month = std::to_string(d.month());
  if (month.size() < 2) month.insert(0, " ");
  return month + "/" + std::to_string(d.year());
}

std::unique_ptr<FormPart> makeDepreciationGroup(EquipmentForm& form) {
  return std::make_unique<DepreciationGroup>(form);
}

}  // namespace koreq::equipment
