#include "reports/print_analysis.h"

#include <array>

#include "data/access.h"
#include "frame/context.h"
#include "frame/registry.h"
#include "reportframe/format_rules.h"
#include "reportframe/limit_lines.h"
#include "reports/analysis.h"
#include "runtime/picture.h"
#include "runtime/text.h"

namespace koreq::reports {

namespace {

constexpr const char* kTitle = "Equipment Analysis";
constexpr const char* kFirstLimitLine = "Equipment Costing > Reports > Analysis Reports";
constexpr const char* kColumnNames[kColumns] = {"Cum", "Year", "Month"};

// Export figures: grouped, two places, no leading blanks.
std::string figure(const Decimal& d) {
  return trimLeft(formatPicture("@n-19.2", d));
}

std::string shortDate(Date d) {
  return trimLeft(formatPicture("@d1", d));
}

std::string quantityAnalysisText(const data::EqLimits& f) {
  return f.QuantityAnalysis == "D" ? "Dollar Amount per Cost Unit" : "Usage Units per Cost Unit";
}

// "first to last", "first" when both are the same, "from first" when the analysis leaves the
// upper bound open, "All" when the range is not selected or open at both ends.
std::string rangeText(bool selected, std::string_view from, std::string_view to) {
  const std::string a = clipped(from), b = clipped(to);
  if (!selected || (a.empty() && b.empty())) return "All";
  if (a == b) return a;
  if (b.empty()) return "from " + a;
  if (a.empty()) return "up to " + b;
  return a + " to " + b;
}

std::string joined(const std::vector<std::string>& fields) {
  std::string out;
  for (std::size_t i = 0; i < fields.size(); ++i) out += (i ? "\t" : "") + fields[i];
  return out;
}

std::int64_t equipmentCount(frame::Context& ctx) {
  data::Access<data::EqHeader> eq(ctx.store(), ctx.errors());
  return eq.records();
}

// What both analysis reports share: the format's selection and dates, the limit lines.
class AnalysisBase : public reportframe::ReportBody {
 public:
  AnalysisBase(frame::Context& ctx, SelectionRules rules) : ctx_(ctx), rules_(rules), names_(ctx) {}

  std::int64_t total() const override { return total_; }

 protected:
  // Sets up the run; false when REPORTFILTER does not name the format in the buffer.
  bool start(reportframe::Report& report, const std::string& reportType,
             std::vector<std::string> ownAfterDate) {
    data::EqLimits& f = ctx_.rec<data::EqLimits>();
    if (clipped(ctx_.g.REPORTFILTER.str()) != std::to_string(f.LimitID)) return false;
    reportframe::resolveFloatingRange(f, ctx_.today());
    if (f.Orientation == "L") report.setLandscape();
    selection_ = std::make_unique<Selection>(Selection::read(ctx_, f, rules_));
    dates_ = analysisDates(ctx_, f);
    figures_ = std::make_unique<FigureReader>(ctx_, dates_);
    walk_ = std::make_unique<EquipmentWalk>(ctx_, *selection_);
    total_ = equipmentCount(ctx_);

    const auto ud = reportframe::EquipmentUdLimits::read(ctx_, f.LimitID);
    std::vector<std::string> after = std::move(ownAfterDate);
    for (const std::string& line : ud.lines(ctx_)) after.push_back(line);
    ctx_.g.RPTLIMITQ = reportframe::formatLimitLines(
        f, kFirstLimitLine, {"Report Type: " + reportType}, dateLimitLine(f, dates_), after);
    return true;
  }

  bool range() const { return dates_.mode == DateMode::Range; }
  std::vector<std::string>& rx() { return ctx_.g.RXQUEUE; }

  // Hides the controls of a column group: their names begin with `prefix`.
  static void hideColumn(reportframe::Report& report, const std::string& prefix) {
    for (const reportframe::BandDef& band : report.def().bands)
      for (const reportframe::ControlDef& c : band.controls)
        if (c.name.rfind(prefix, 0) == 0) report.control(c.name).hidden = true;
  }

  frame::Context& ctx_;
  SelectionRules rules_;
  CategoryNames names_;
  std::unique_ptr<Selection> selection_;
  AnalysisDates dates_;
  std::unique_ptr<FigureReader> figures_;
  std::unique_ptr<EquipmentWalk> walk_;
  std::int64_t total_ = 0;
};

// The counted categories of an equipment, in key order.
std::vector<data::EqCost> countedCategories(frame::Context& ctx, const Selection& selection,
                                            const data::EqHeader& eq) {
  data::Access<data::EqCost> costs(ctx.store(), ctx.errors());
  costs.setRange(*data::EqCost::def().key("KeyEquipmentID"), {eq.EquipmentID.str()});
  std::vector<data::EqCost> out;
  for (;;) {
    const int rc = costs.next();
    if (rc == data::kRecordNotFound) break;
    if (rc != data::kNoError) throw data::StoreError(rc, costs.lastErrorText());
    if (selection.countsCategory(eq, costs.rec())) out.push_back(costs.rec());
  }
  return out;
}

// ---- PrintEQAnalysis ------------------------------------------------------------------------

class UsageCostAnalysis final : public AnalysisBase {
 public:
  explicit UsageCostAnalysis(frame::Context& ctx)
      : AnalysisBase(ctx, {.blankToOpen = true, .categoriesNeedClass = true}) {}

  void begin(reportframe::Report& report) override {
    for (const char* c : kColumnNames)
      report.setValue(std::string("LOC:") + c + "Heading", std::string());
    report.setValue("LOC:PerUnitHeading", std::string("$/Unit"));
    clearLine(report);
    if (!start(report, "Usage / Cost Analysis", {})) return;
    const data::EqLimits& f = ctx_.rec<data::EqLimits>();
    perUnit_ = f.QuantityAnalysis == "D" ? PerUnit::Dollars : PerUnit::UsageUnits;
    perUnitHeading_ = perUnit_ == PerUnit::Dollars ? "$/Unit" : "Use/Unit";
    report.setValue("LOC:PerUnitHeading", perUnitHeading_);
    if (range()) {
      hideColumn(report, "?Year");
      hideColumn(report, "?Month");
    } else {
      // "As of" heads the columns with the period's date; "All" with today.
      const Date d = dates_.mode == DateMode::AsOf ? dates_.asOf : ctx_.today();
      const std::string monthDay = formatPicture("@d4", d);
      report.setValue("LOC:CumHeading", "Cumulative As Of " + trimLeft(formatPicture("@d2", d)));
      report.setValue("LOC:YearHeading",
                      "Year (" + std::to_string(d.isEmpty() ? 0 : d.year()) + ")");
      report.setValue("LOC:MonthHeading", "Month (" + monthDay.substr(0, monthDay.find(' ')) + ")");
    }
    parameters_ = {
        "Equipment ID: " +
            rangeText(f.SelectedEquipment == 1, f.EquipmentFrom.str(), f.EquipmentTo.str()),
        "Cost Categories: " +
            rangeText(f.SelectedCategory == 1, f.CategoryFrom.str(), f.CategoryTo.str()),
        "Equipment Classes: " + rangeText(f.SelectedClass == 1, f.ClassFrom.str(), f.ClassTo.str()),
        "Report Type: Usage / Cost Analysis",
        "Quantity Analysis Type: " + quantityAnalysisText(f),
        "Date Range: " + dateRangeText(f)};
    running_ = true;
  }

  bool next(reportframe::Report& report) override {
    if (!running_) return false;
    const data::EqHeader* eq = walk_->next();
    if (!eq) return false;
    equipment(report, *eq);
    return true;
  }

  std::optional<std::vector<std::string>> exportParameters() const override { return parameters_; }

 private:
  std::string dateRangeText(const data::EqLimits& f) const {
    switch (dates_.mode) {
      case DateMode::Range:
        return shortDate(f.DateFrom) + " to " + shortDate(f.DateTo);
      case DateMode::AsOf:
        return "As Of " + trimLeft(formatPicture("@d2", dates_.asOf));
      case DateMode::All:
        break;
    }
    return "All";
  }

  void clearLine(reportframe::Report& report) {
    for (const char* v : {"LOC:EquipmentID", "LOC:EquipmentDescription", "LOC:Category",
                          "LOC:CategoryDescription", "LOC:UnitName", "LOC:IncomeLabel"})
      report.setValue(v, std::string());
  }

  void setColumns(
      reportframe::Report& report, const std::string& band,
      std::initializer_list<std::pair<const char*, std::array<Decimal, kColumns>>> values) {
    for (const auto& [kind, v] : values)
      for (int i = 0; i < kColumns; ++i)
        report.setValue(std::string("LOC:") + kColumnNames[i] + band + kind, v[i]);
  }

  void equipment(reportframe::Report& report, const data::EqHeader& eq) {
    const EquipmentFigures income = figures_->equipment(eq);
    std::array<Decimal, kColumns> costs{};
    bool printed = false;
    report.setValue("LOC:EquipmentID", eq.EquipmentID.str());
    report.setValue("LOC:EquipmentDescription", eq.Description.str());
    for (const data::EqCost& c : countedCategories(ctx_, *selection_, eq)) {
      if (!printed) heading(report, eq);
      printed = true;
      const CategoryFigures fig = figures_->category(c);
      const auto per = categoryPerUnit(fig, income, perUnit_);
      const std::string& description = names_.description(c.CostCategory.str());
      report.setValue("LOC:Category", c.CostCategory.str());
      report.setValue("LOC:CategoryDescription", description);
      report.setValue("LOC:UnitName", c.UnitName.str());
      const std::array<Decimal, kColumns> units{fig.cumulative.units, fig.year.units,
                                                fig.month.units};
      const std::array<Decimal, kColumns> amounts{fig.cumulative.amount, fig.year.amount,
                                                  fig.month.amount};
      setColumns(report, "Category", {{"Quantity", units}, {"Amount", amounts}, {"PerUnit", per}});
      report.print("category");
      for (int i = 0; i < kColumns; ++i) costs[i] += amounts[i];
      std::vector<std::string> line{c.CostCategory.str(), description, c.UnitName.str()};
      for (int i = 0; i < kColumns; ++i) {
        line.push_back(figure(units[i]));
        line.push_back(figure(amounts[i]));
        line.push_back(figure(per[i]));
      }
      rx().push_back(joined(line));
    }
    if (!printed) {
      if (!selection_->classes().selected && anyCategoryPrinted_) {
        report.print("noCategories");
        rx().push_back("No cost categories");
      }
      return;
    }
    anyCategoryPrinted_ = true;
    setColumns(report, "Total", {{"Cost", costs}});
    report.print("totalCosts");
    rx().push_back("\tTotal Costs:\t\t\t" + figure(costs[0]) + "\t\t" + figure(costs[1]) + "\t\t" +
                   figure(costs[2]));
    spacer(report);

    const IncomeFigure* in[kColumns] = {&income.cumulative, &income.year, &income.month};
    std::array<IncomeColumn, kColumns> block;
    for (int i = 0; i < kColumns; ++i) block[i] = incomeColumn(*in[i], costs[i]);
    incomeLine(report, "Internal Income:", block, in, true);
    incomeLine(report, "Rental Income:", block, in, false);
    std::array<Decimal, kColumns> idle;
    for (int i = 0; i < kColumns; ++i) idle[i] = in[i]->nonProductiveUnits;
    setColumns(report, "NonProductive", {{"Units", idle}});
    report.print("nonProductive");
    rx().push_back("\tNon Productive:\t\t" + figure(idle[0]) + "\t\t\t" + figure(idle[1]) +
                   "\t\t\t" + figure(idle[2]));

    auto pick = [&](Decimal IncomeColumn::*m) {
      return std::array<Decimal, kColumns>{block[0].*m, block[1].*m, block[2].*m};
    };
    setColumns(report, "Block",
               {{"TotalQuantity", pick(&IncomeColumn::totalQuantity)},
                {"TotalIncome", pick(&IncomeColumn::totalIncome)},
                {"IncomePerUnit", pick(&IncomeColumn::incomePerUnit)},
                {"NetProfit", pick(&IncomeColumn::netProfit)},
                {"ProfitPerUnit", pick(&IncomeColumn::profitPerUnit)},
                {"CostPerUnit", pick(&IncomeColumn::costPerUnit)}});
    report.print("incomeBlock");
    std::string total = "\tTotal Income:\t", profit = "\tNet Profit:\t\t",
                cost = "\tCost per hour:\t\t\t";
    for (int i = 0; i < kColumns; ++i) {
      total += "\t" + figure(block[i].totalQuantity) + "\t" + figure(block[i].totalIncome) + "\t" +
               figure(block[i].incomePerUnit);
      profit += std::string(i ? "\t\t" : "\t") + figure(block[i].netProfit) + "\t" +
                figure(block[i].profitPerUnit);
      cost += std::string(i ? "\t\t\t" : "\t") + figure(block[i].costPerUnit);
    }
    rx().push_back(total);
    rx().push_back(profit);
    rx().push_back(cost);
    spacer(report);
  }

  void incomeLine(reportframe::Report& report, const char* label,
                  const std::array<IncomeColumn, kColumns>& block, const IncomeFigure* const* in,
                  bool internal) {
    std::array<Decimal, kColumns> units, amounts, rates;
    std::string line = std::string("\t") + label + "\t";
    for (int i = 0; i < kColumns; ++i) {
      units[i] = internal ? in[i]->internalUnits : in[i]->rentalUnits;
      amounts[i] = internal ? in[i]->internalIncome : in[i]->rentalIncome;
      rates[i] = internal ? block[i].internalRate : block[i].rentalRate;
      line += "\t" + figure(units[i]) + "\t" + figure(amounts[i]) + "\t" + figure(rates[i]);
    }
    report.setValue("LOC:IncomeLabel", std::string(label));
    setColumns(report, "Income", {{"Units", units}, {"Amount", amounts}, {"Rate", rates}});
    report.print("incomeLine");
    rx().push_back(line);
  }

  void heading(reportframe::Report& report, const data::EqHeader& eq) {
    report.print("equipmentHeader");
    rx().push_back(eq.EquipmentID.str() + " " + eq.Description.str());
    rx().push_back("\t\t\t____Cumulative____\t\t\t____Year to Date____\t\t\t____Month to Date____");
    rx().push_back("Type\tDescription\tUnits\tQuantity\tAmount\t" + perUnitHeading_ +
                   "\tQuantity\tAmount\t" + perUnitHeading_ + "\tQuantity\tAmount\t" +
                   perUnitHeading_);
  }

  void spacer(reportframe::Report& report) {
    report.print("spacer");
    rx().push_back("");
  }

  PerUnit perUnit_ = PerUnit::Dollars;
  std::string perUnitHeading_ = "$/Unit";
  std::vector<std::string> parameters_;
  bool running_ = false;
  bool anyCategoryPrinted_ = false;
};

// ---- PrintEQAnalysis1 -----------------------------------------------------------------------

class CostSummary final : public AnalysisBase {
 public:
  explicit CostSummary(frame::Context& ctx) : AnalysisBase(ctx, {}) {}

  void begin(reportframe::Report& report) override {
    for (const char* v : {"LOC:EquipmentID", "LOC:EquipmentDescription", "LOC:VIN", "LOC:License"})
      report.setValue(v, std::string());
    showTotals(report);
    const data::EqLimits& f = ctx_.rec<data::EqLimits>();
    if (!start(report, "Cost Summary Report",
               {"Quantity Analysis Type: " + quantityAnalysisText(f)}))
      return;
    if (range()) {
      for (const char* c : {"?MtdHeading", "?YtdHeading", "?CumHeading", "?YtdCostHeading",
                            "?CumCostHeading", "?YearCost", "?CumulativeCost", "?YearTotal",
                            "?CumulativeTotal", "?YearTotalRule", "?CumulativeTotalRule"})
        report.control(c).hidden = true;
      rx().push_back("ID\tDescription\tVIN\tLicense\tInternal Rate\tRental Rate\tCost");
    } else {
      rx().push_back(
          "ID\tDescription\tVIN\tLicense\tInternal Rate\tRental Rate\tMTD Cost\tYTD Cost\t"
          "Cumulative Cost");
    }
    running_ = true;
  }

  bool next(reportframe::Report& report) override {
    if (!running_) return false;
    const data::EqHeader* eq = walk_->next();
    if (!eq) return false;
    Decimal month, year, cumulative;
    for (const data::EqCost& c : countedCategories(ctx_, *selection_, *eq)) {
      const CategoryFigures fig = figures_->category(c);
      month += fig.month.amount;
      year += fig.year.amount;
      cumulative += fig.cumulative.amount;
    }
    monthTotal_ += month;
    yearTotal_ += year;
    cumulativeTotal_ += cumulative;
    ++printed_;
    // With a range its one cost stands in the first cost column.
    report.setValue("LOC:EquipmentID", eq->EquipmentID.str());
    report.setValue("LOC:EquipmentDescription", eq->Description.str());
    report.setValue("LOC:VIN", eq->VIN.str());
    report.setValue("LOC:License", eq->VehicleLicense.str());
    report.setValue("LOC:MonthCost", range() ? cumulative : month);
    report.setValue("LOC:YearCost", year);
    report.setValue("LOC:CumulativeCost", cumulative);
    report.setValue("LOC:InternalRate", eq->InternalBillingRate);
    report.setValue("LOC:RentalRate", eq->RentalBillingRate);
    report.print("detail");
    std::vector<std::string> line{
        eq->EquipmentID.str(),    eq->Description.str(),           eq->VIN.str(),
        eq->VehicleLicense.str(), figure(eq->InternalBillingRate), figure(eq->RentalBillingRate)};
    if (range()) {
      line.push_back(figure(cumulative));
    } else {
      line.push_back(figure(month));
      line.push_back(figure(year));
      line.push_back(figure(cumulative));
    }
    rx().push_back(joined(line));
    return true;
  }

  void end(reportframe::Report& report) override {
    if (!running_ || printed_ == 0) return;
    showTotals(report);
    report.print("totals");
    rx().push_back("\t\t\t\t\tTotals:\t" + (range()
                                                ? figure(cumulativeTotal_)
                                                : figure(monthTotal_) + "\t" + figure(yearTotal_) +
                                                      "\t" + figure(cumulativeTotal_)));
  }

 private:
  void showTotals(reportframe::Report& report) {
    report.setValue("LOC:MonthTotal", range() ? cumulativeTotal_ : monthTotal_);
    report.setValue("LOC:YearTotal", yearTotal_);
    report.setValue("LOC:CumulativeTotal", cumulativeTotal_);
  }

  Decimal monthTotal_, yearTotal_, cumulativeTotal_;
  std::int64_t printed_ = 0;
  bool running_ = false;
};

}  // namespace

std::string dateLimitLine(const data::EqLimits& f, const AnalysisDates& dates) {
  switch (dates.mode) {
    case DateMode::Range:
      if (f.DateFrom == f.DateTo && !reportframe::hasFloatingRange(f))
        return "Date: " + shortDate(f.DateFrom);
      return "Dates from " + shortDate(f.DateFrom) + " to " + shortDate(f.DateTo);
    case DateMode::AsOf:
      return "As Of " + trimLeft(formatPicture("@d2", dates.asOf));
    case DateMode::All:
      break;
  }
  return {};
}

reportframe::ReportProcedure printEqAnalysisProcedure() {
  return {frame::kPrintEQAnalysis, frame::kPrintEQAnalysis, kTitle, "Equipment Analysis.pdf",
          &data::EqCost::def()};
}

std::unique_ptr<reportframe::ReportBody> printEqAnalysisBody(frame::Context& ctx) {
  return std::make_unique<UsageCostAnalysis>(ctx);
}

reportframe::ReportProcedure printEqAnalysis1Procedure() {
  return {frame::kPrintEQAnalysis1, frame::kPrintEQAnalysis1, kTitle, "Equipment Cost Summary.pdf",
          &data::EqCost::def()};
}

std::unique_ptr<reportframe::ReportBody> printEqAnalysis1Body(frame::Context& ctx) {
  return std::make_unique<CostSummary>(ctx);
}

}  // namespace koreq::reports
