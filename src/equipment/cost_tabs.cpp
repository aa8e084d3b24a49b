// The equipment form's "Cost Categories" tab (what each category cost, cumulative, for a fiscal
// year and a fiscal month, against the equipment's income) and its "Service Schedule" tab (the
// categories' schedules and last services). Both list the equipment's EQCOST records and run
// UpdateEQCost on them; after it closes both lists are read again.

#include <map>

#include "data/records.h"
#include "equipment/cost_form.h"
#include "equipment/equipment_form.h"
#include "runtime/picture.h"
#include "suite/ui/list_tools.h"
#include "windows/UpdateEQCost.h"
#include "windows/UpdateEQHeader.h"

namespace koreq::equipment {

namespace win = windows::UpdateEQHeader;

namespace {

constexpr int kCostTab = 3;
constexpr int kServiceTab = 4;
constexpr ui::Colour kRed = 0xFF0000;

constexpr const char* kCostPosted =
    "Costs have been posted to this cost category.  It cannot be |deleted at this time.";

Decimal decimal(const data::FileAccess& f, std::string_view field) {
  return decimalOf(f.get(field));
}

// Every list of the equipment's categories on the form, read again.
void refillCostLists(EquipmentForm& form) {
  for (const char* name : {win::CATEGORYLIST, win::LIST_2})
    if (ui::Control* c = form.findControl(name))
      if (auto* m = dynamic_cast<CostListModel*>(c->list()); m && m->refill) m->refill();
}

// Runs UpdateEQCost on the highlighted row of a tab's list, or on a new record of the equipment
// (which need not be saved yet: its categories are keyed by its ID alone).
void runCostForm(EquipmentForm& form, const CostListModel& list, ui::Request request) {
  data::FileAccess& cost = form.ctx().file(data::EqCost::def());
  if (request == ui::Request::Insert) {
    cost.clear();
    cost.put("EQC:EquipmentID", form.equipmentId());
  } else {
    if (!loadCost(form.ctx(), list.currentPosition())) return;
    if (request == ui::Request::Delete &&
        form.message(kConfirmDelete, "Confirm Delete", ui::Icon::Question, "&Yes|&No", 2) != 1)
      return;
  }
  form.call(windows::UpdateEQCost::kName, request,
            [&form](ui::Response) { refillCostLists(form); });
}

std::string listTitle(EquipmentForm& form, const std::string& what) {
  return what + " for Equipment: " + form.equipmentId() + " - " +
         form.primary().text("EQH:Description");
}

// What the two tabs share: a list of the equipment's categories with Insert, Change, Delete and
// Send List Contents buttons, refilled whenever its tab is shown.
class CostListPart : public FormPart {
 public:
  struct Names {
    const char* list;
    const char* insert;
    const char* change;
    const char* remove;
    const char* sendTo;
    int tab;
    const char* title;    // of the rows sent
    const char* chooser;  // the control that picks what the list shows
  };

  CostListPart(EquipmentForm& form, const Names& names) : FormPart(form), names_(names) {}

  void init() override {
    ui::Control& l = form().control(names_.list);
    list_ = std::make_unique<CostListModel>(l.def().columns);
    list_->refill = [this] { fill(); };
    l.setList(list_.get());
    fill();
  }

  bool accepted(ui::Control& c) override {
    if (c.is(names_.insert)) {
      runCostForm(form(), *list_, ui::Request::Insert);
    } else if (c.is(names_.change)) {
      runCostForm(form(), *list_, ui::Request::Change);
    } else if (c.is(names_.remove)) {
      remove();
    } else if (c.is(names_.sendTo)) {
      if (list_->rowCount() > 0)
        suite::sendListContents(form().port(), form().control(names_.list),
                                listTitle(form(), names_.title));
    } else {
      return false;
    }
    return true;
  }

  bool rowActivated(ui::Control& c) override {
    if (!c.is(names_.list)) return false;
    if (form().request() != ui::Request::View) runCostForm(form(), *list_, ui::Request::Change);
    return true;
  }

  void tabShown(int tab) override {
    if (tab != names_.tab) return;
    // Choosing what to look at is no change of the record: it stays open in a view too.
    if (ui::Control* c = names_.chooser ? form().findControl(names_.chooser) : nullptr)
      c->setReadonly(false);
    fill();
  }

 protected:
  CostListModel& list() const { return *list_; }
  const Names& names() const { return names_; }

  // The rows read again, the highlight kept on the record the form left in the buffer.
  virtual void fill() { show(readCostRows(form().ctx(), form().equipmentId())); }
  void show(const std::vector<CostRow>& rows) {
    list_->fill(
        rows, [this](const CostRow& r, const std::string& use) { return cell(r, use); },
        form().ctx().file(data::EqCost::def()).position());
    updateButtons();
  }
  virtual data::Value cell(const CostRow& r, const std::string& use) const {
    if (use == "EQD:Description") return r.description;
    return costField(r, use);
  }
  virtual void remove() { runCostForm(form(), *list_, ui::Request::Delete); }

 private:
  void updateButtons() {
    // A record shown only for viewing has its categories shown only for viewing too.
    const bool edit = form().request() != ui::Request::View;
    const bool rows = list_->rowCount() > 0;
    form().control(names_.insert).setEnabled(edit);
    form().control(names_.change).setEnabled(edit && rows);
    form().control(names_.remove).setEnabled(edit && rows);
    form().control(names_.sendTo).setEnabled(rows);
  }

  Names names_;
  std::unique_ptr<CostListModel> list_;
};

// ---- Service Schedule -------------------------------------------------------------------------

constexpr CostListPart::Names kServiceNames = {
    win::LIST_2,        win::SERVICEINSERT, win::SERVICECHANGE, win::SERVICEDELETE,
    win::SERVICESENDTO, kServiceTab,        "Service Schedule", win::SERVICELOCATOR};

class ServiceScheduleTab final : public CostListPart {
 public:
  explicit ServiceScheduleTab(EquipmentForm& form) : CostListPart(form, kServiceNames) {}

  bool accepted(ui::Control& c) override {
    if (!c.is(win::SERVICELOCATOR)) return CostListPart::accepted(c);
    const std::int64_t row = list().locateCategory(trimLeft(c.text()));
    if (row >= 0 && row != list().current()) {
      list().setCurrent(row);
      form().post(ui::EventKind::NewSelection, &form().control(names().list));
    }
    return true;
  }

 protected:
  data::Value cell(const CostRow& r, const std::string& use) const override {
    if (use == "Schedule") return r.schedule;
    return CostListPart::cell(r, use);
  }
};

// ---- Cost Categories ----------------------------------------------------------------------------

constexpr CostListPart::Names kCostNames = {
    win::CATEGORYLIST, win::COSTINSERT, win::COSTCHANGE,   win::COSTDELETE,
    win::COSTSENDTO,   kCostTab,        "Cost Categories", win::LOC_FiscalPeriodDescription};

class CostCategoriesTab final : public CostListPart {
 public:
  explicit CostCategoriesTab(EquipmentForm& form) : CostListPart(form, kCostNames) {
    form.bindLocal("LOC:FiscalPeriodDescription", periodDescription_);
    form.bindLocal("LOC:TotalCumulative", totalCumulative_);
    form.bindLocal("LOC:TotalYTD", totalYtd_);
    form.bindLocal("LOC:TotalMTD", totalMtd_);
    form.bindLocal("LOC:TotalIncomeCumQty", incomeCumQty_);
    form.bindLocal("LOC:TotalIncomeCumAmt", incomeCumAmt_);
    form.bindLocal("LOC:TotalIncomeYTDQty", incomeYtdQty_);
    form.bindLocal("LOC:TotalIncomeYTDAmt", incomeYtdAmt_);
    form.bindLocal("LOC:TotalIncomeMTDQty", incomeMtdQty_);
    form.bindLocal("LOC:TotalIncomeMTDAmt", incomeMtdAmt_);
    form.bindLocal("LOC:CumProfit", cumProfit_);
    form.bindLocal("LOC:YTDProfit", ytdProfit_);
    form.bindLocal("LOC:MTDProfit", mtdProfit_);
  }

  void init() override {
    readPeriods();
    period_ = form().ctx().session().g.CURRENTFISCALPERIOD;
    if (period_ == 0) period_ = companyPeriod();
    readPeriod();
    incomeTotals();
    readPriorIncome();
    CostListPart::init();
  }

  bool accepted(ui::Control& c) override {
    if (c.is(win::LOC_FiscalPeriodDescription)) {
      newSelection(c);
      return true;
    }
    return CostListPart::accepted(c);
  }

  bool newSelection(ui::Control& c) override {
    if (!c.is(win::LOC_FiscalPeriodDescription)) return false;
    const int item = c.selectedItem();
    if (item < 1 || item > static_cast<int>(periods_.size())) return true;
    const Period& p = periods_[static_cast<std::size_t>(item - 1)];
    if (p.number == period_) return true;
    period_ = p.number;
    year_ = p.date.isEmpty() ? 0 : p.date.year();
    periodDescription_ = p.description;
    showHeaders(p.date);
    readPriorIncome();
    fill();
    form().display();
    return true;
  }

  std::int64_t period() const { return period_; }
  int year() const { return year_; }

 protected:
  void fill() override {
    form().port().setWaitCursor(true);
    costs_ = categoryCosts(form().ctx(), form().equipmentId(), year_, period_);
    totalCumulative_ = costs_.cumulative;
    totalYtd_ = costs_.year;
    totalMtd_ = costs_.month;
    cumProfit_ = incomeCumAmt_ - totalCumulative_;
    ytdProfit_ = incomeYtdAmt_ - totalYtd_;
    mtdProfit_ = incomeMtdAmt_ - totalMtd_;
    for (auto [name, profit] :
         {std::pair{win::LOC_CumProfit, cumProfit_}, std::pair{win::LOC_YTDProfit, ytdProfit_},
          std::pair{win::LOC_MTDProfit, mtdProfit_}})
      form().control(name).setColour(profit.isNegative() ? std::optional<ui::Colour>(kRed)
                                                         : std::nullopt);
    show(costs_.rows);  // the rows the figures were read with
    form().port().setWaitCursor(false);
    form().display();
  }

  data::Value cell(const CostRow& r, const std::string& use) const override {
    auto it = costs_.byPosition.find(r.position);
    const PeriodCost f = it == costs_.byPosition.end() ? PeriodCost{} : it->second;
    if (use == "LOC:YearUnits") return f.yearUnits;
    if (use == "LOC:YearAmount") return f.yearAmount;
    if (use == "LOC:MonthUnits") return f.monthUnits;
    if (use == "LOC:MonthAmount") return f.monthAmount;
    return CostListPart::cell(r, use);
  }

  // Posted costs keep their category.
  void remove() override {
    if (!loadCost(form().ctx(), list().currentPosition())) return;
    if (!decimal(form().ctx().file(data::EqCost::def()), "EQC:CumulativeAmount").isZero()) {
      form().port().beep();
      form().message(kCostPosted, "Cannot Delete", ui::Icon::Exclamation);
      return;
    }
    CostListPart::remove();
  }

 private:
  struct Period {
    std::int64_t number = 0;
    std::string description;
    Date date;
  };
  void readPeriods() {
    data::FileAccess f(form().ctx().store(), data::GlFiscal::def(), form().ctx().errors());
    f.set(*data::GlFiscal::def().key("KeyFiscalPeriodDown"));
    std::vector<ui::ItemDef> items;
    while (f.next() == data::kNoError) {
      Period p{std::get<std::int64_t>(f.get("GLF:FiscalPeriod")), f.text("GLF:Description"),
               std::get<Date>(f.get("GLF:PeriodDate"))};
      items.push_back({p.description, data::Value(p.description)});
      periods_.push_back(std::move(p));
    }
    form().control(win::LOC_FiscalPeriodDescription).setItems(std::move(items));
  }

  // The suite's current period, for a host that has not put it in CURRENTFISCALPERIOD.
  std::int64_t companyPeriod() const {
    data::FileAccess f(form().ctx().store(), data::Control::def(), form().ctx().errors());
    f.set(data::Control::def().primaryKey());
    if (f.next() != data::kNoError) return 0;
    return std::get<std::int64_t>(f.get("CTRL:CurrentFiscalPeriod"));
  }

  void readPeriod() {
    data::FileAccess f(form().ctx().store(), data::GlFiscal::def(), form().ctx().errors());
    if (f.fetch("KeyFiscalPeriodUp", {data::Value(period_)}) != data::kNoError) {
      periodDescription_ = "";
      year_ = 0;
      return;
    }
    periodDescription_ = f.text("GLF:Description");
    const Date d = std::get<Date>(f.get("GLF:PeriodDate"));
    year_ = d.isEmpty() ? 0 : d.year();
  }

  // The equipment's cumulative income: taken once, from the record as it opened.
  void incomeTotals() {
    const data::FileAccess& h = form().primary();
    incomeCumQty_ = sum(h, {"EQH:CumulativeInternalUnits", "EQH:CumulativeRentalUnits",
                            "EQH:CumulativeNonProductiveUnits"});
    incomeCumAmt_ = sum(h, {"EQH:CumulativeInternalIncome", "EQH:CumulativeRentalIncome"});
  }

  // The equipment's prior-period income of the selected year and period; a missing record shows
  // as zeros. The period record is read under the selected year too: the same period number
  // cannot belong to two years, and the key starts with the year. The year's and the month's
  // income totals are those records' own, so the profits never mix two periods.
  void readPriorIncome() {
    frame::Context& ctx = form().ctx();
    const data::Value id(form().equipmentId());
    data::FileAccess& y = ctx.file(data::EqPrior::def());
    if (y.fetch("KeyEquipmentYear", {id, data::Value(std::int64_t{year_})}) != data::kNoError)
      y.clear();
    data::FileAccess& m = ctx.file(data::EqPriorM::def());
    if (m.fetch("KeyEquipmentYearPeriod",
                {id, data::Value(std::int64_t{year_}), data::Value(period_)}) != data::kNoError)
      m.clear();
    incomeYtdQty_ = sum(y, {"EQP:InternalUnits", "EQP:RentalUnits", "EQP:NonProductiveUnits"});
    incomeYtdAmt_ = sum(y, {"EQP:InternalIncome", "EQP:RentalIncome"});
    incomeMtdQty_ = sum(m, {"EQPM:InternalUnits", "EQPM:RentalUnits", "EQPM:NonProductiveUnits"});
    incomeMtdAmt_ = sum(m, {"EQPM:InternalIncome", "EQPM:RentalIncome"});
  }

  static Decimal sum(const data::FileAccess& f, std::initializer_list<const char*> fields) {
    Decimal s;
    for (const char* field : fields) s += decimal(f, field);
    return s;
  }

  // The year-to-date columns are headed by the year, the month-to-date ones by the month.
  void showHeaders(Date date) {
    std::string month = formatPicture("@d4", date);
    if (std::size_t blank = month.find(' '); blank != std::string::npos) month.resize(blank);
    const std::string year = date.isEmpty() ? std::string() : std::to_string(date.year());
    ui::Control& l = form().control(names().list);
    const auto& columns = l.def().columns;
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const std::string& group = columns[i].group;
      if (!l.startsGroup(static_cast<int>(i))) continue;
      if (group == "Year to Date" && !year.empty())
        l.setGroupHeader(static_cast<int>(i), year);
      else if (group == "Month to Date" && !month.empty())
        l.setGroupHeader(static_cast<int>(i), month);
    }
    // The totals below are of the same year and month.
    if (!year.empty()) form().control(win::YEARTOTALS).setText(year);
    if (!month.empty()) form().control(win::MONTHTOTALS).setText(month);
  }

  std::vector<Period> periods_;
  std::int64_t period_ = 0;
  int year_ = 0;
  CategoryCosts costs_;
  Str<15> periodDescription_;
  Decimal totalCumulative_, totalYtd_, totalMtd_;
  Decimal incomeCumQty_, incomeCumAmt_, incomeYtdQty_, incomeYtdAmt_, incomeMtdQty_, incomeMtdAmt_;
  Decimal cumProfit_, ytdProfit_, mtdProfit_;
};

}  // namespace

std::unique_ptr<FormPart> makeCostCategoriesTab(EquipmentForm& form) {
  return std::make_unique<CostCategoriesTab>(form);
}

std::unique_ptr<FormPart> makeServiceScheduleTab(EquipmentForm& form) {
  return std::make_unique<ServiceScheduleTab>(form);
}

}  // namespace koreq::equipment
