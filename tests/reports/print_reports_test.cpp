// The analysis and maintenance bodies by the bands they print and the lines they export, on
// small companies: what the bodies add to the selection engine.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "reportframe/band_recorder.h"
#include "reportframe/report_def.h"
#include "reports/engine_fixture.h"
#include "reports/print_analysis.h"
#include "reports/print_maintenance.h"

namespace koreq::reports {
namespace {

using reportframe::BandRecorder;
using ::testing::ElementsAre;

Date day(int y, int m, int d) {
  return *Date::fromYmd(y, m, d);
}

class PrintReportsTest : public test::ReportEngineTest {
 protected:
  void SetUp() override {
    ReportEngineTest::SetUp();
    session().g.COMPANYNAME = "Test Co.";
    data::Control control;
    control.RecordID = 1;
    control.CurrentFiscalPeriod = 3;
    add(control);
    data::GlFiscal p;
    p.FiscalPeriod = 3;
    p.PeriodDate = day(2024, 3, 31);
    add(p);
    format_.LimitID = 7;
    format_.Report = "Analysis";
    format_.ReportTitle = "Test format";
    format_.QuantityAnalysis = "U";
  }

  void eq(const char* id, int internalUnits = 0, int rentalUnits = 0, const char* cls = "") {
    data::EqHeader e;
    e.RecordID = ++ids_;
    e.EquipmentID = id;
    e.Description = std::string("Unit ") + id;
    e.ClassCode = cls;
    e.Active = 1;
    e.CumulativeInternalUnits = Decimal(internalUnits);
    e.CumulativeInternalIncome = Decimal(internalUnits * 10);
    e.CumulativeRentalUnits = Decimal(rentalUnits);
    e.CumulativeRentalIncome = Decimal(rentalUnits * 20);
    e.InternalBillingRate = Decimal(10);
    add(e);
  }
  void cost(const char* id, const char* category, int units, std::int64_t amount) {
    data::EqCost c = category_(id, category);
    c.CumulativeUnitUsed = Decimal(units);
    c.CumulativeAmount = Decimal(amount);
    c.UnitName = "Gal";
    add(c);
  }
  data::EqCost category_(const char* id, const char* category) {
    return ReportEngineTest::category(id, category);
  }

  // The frame's part of a run, then the body to its end.
  void print(const reportframe::ReportProcedure& procedure,
             std::unique_ptr<reportframe::ReportBody> body) {
    ctx().rec<data::EqLimits>() = format_;
    ctx().g.REPORTFILTER = std::to_string(format_.LimitID);
    ctx().g.RXQUEUE.clear();
    ctx().g.RPTLIMITQ.clear();
    report_ =
        std::make_unique<reportframe::Report>(reportframe::reportDef(procedure.structure), pages_);
    reportframe::startRun(ctx(), procedure, *report_);
    body->begin(*report_);
    const auto& limits = ctx().g.RPTLIMITQ;
    for (std::size_t i = 0; i < 10; ++i)
      report_->setValue("LIMIT" + std::to_string(i + 1), i < limits.size() ? limits[i] : "");
    while (body->next(*report_)) {
    }
    body->end(*report_);
    report_->endReport();
    parameters_ = body->exportParameters();
  }
  std::vector<std::string> bodyNames() const {
    std::vector<std::string> out;
    for (const auto& n : pages_.names())
      if (n != "header" && n != "footer") out.push_back(n);
    return out;
  }
  const std::vector<std::string>& rx() { return ctx().g.RXQUEUE; }

  data::EqLimits format_;
  BandRecorder pages_;
  std::unique_ptr<reportframe::Report> report_;
  std::optional<std::vector<std::string>> parameters_;
};

TEST_F(PrintReportsTest, TheUsageCostAnalysis) {
  eq("0-SPECIAL");
  cost("0-SPECIAL", ".N", 5, 0);
  eq("A-1", 600, 100);
  cost("A-1", ".I", 600, 6000);
  cost("A-1", "BIG", 1, 123456789);
  cost("A-1", "FUEL", 40, 130);
  eq("B-2");
  cost("B-2", ".I", 1, 1);
  cost("B-2", ".R", 1, 1);
  print(printEqAnalysisProcedure(), printEqAnalysisBody(ctx()));

  // The all-special equipment before any category prints nothing; the one after prints "No cost
  // categories".
  EXPECT_THAT(bodyNames(), ElementsAre("equipmentHeader", "category", "category", "totalCosts",
                                       "spacer", "incomeLine", "incomeLine", "nonProductive",
                                       "incomeBlock", "spacer", "noCategories"));
  const auto header = pages_.bands("header").front();
  EXPECT_EQ(header.text("?CumHeading"), "Cumulative As Of 3/05/2024");  // "All": today
  EXPECT_EQ(header.text("?YearHeading"), "Year (2024)");
  EXPECT_EQ(header.text("?MonthHeading"), "Month (March)");
  EXPECT_EQ(header.text("?CumPerUnitHeading"), "Use/Unit");
  const auto lines = pages_.bands("category");
  // A per-unit value beyond five integer digits prints in full.
  EXPECT_EQ(lines[0].text("?CumCategoryPerUnit"), "700.00");
  EXPECT_EQ(lines[0].text("?CumCategoryAmount"), "123456789.00");
  EXPECT_EQ(lines[1].text("?CumCategoryPerUnit"), "17.50");  // (600 + 100) ÷ 40
  EXPECT_EQ(lines[1].text("?YearCategoryPerUnit"), "0.00");  // no year quantity

  EXPECT_THAT(
      rx(),
      ElementsAre(
          "Test Co.", "Equipment Analysis", "", "A-1 Unit A-1",
          "\t\t\t____Cumulative____\t\t\t____Year to Date____\t\t\t____Month to Date____",
          "Type\tDescription\tUnits\tQuantity\tAmount\tUse/Unit\tQuantity\tAmount\tUse/"
          "Unit\tQuantity\tAmount\tUse/Unit",
          "BIG\t\tGal\t1.00\t123,456,789.00\t700.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00",
          "FUEL\t\tGal\t40.00\t130.00\t17.50\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00",
          "\tTotal Costs:\t\t\t123,456,919.00\t\t0.00\t\t0.00", "",
          "\tInternal Income:\t\t600.00\t6,000.00\t10.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00",
          "\tRental Income:\t\t100.00\t2,000.00\t20.00\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00",
          "\tNon Productive:\t\t0.00\t\t\t0.00\t\t\t0.00",
          "\tTotal Income:\t\t700.00\t8,000.00\t11.43\t0.00\t0.00\t0.00\t0.00\t0.00\t0.00",
          "\tNet Profit:\t\t\t-123,448,919.00\t-176,355.60\t\t0.00\t0.00\t\t0.00\t0.00",
          "\tCost per hour:\t\t\t\t176,367.03\t\t\t0.00\t\t\t0.00", "", "No cost categories"));
  EXPECT_THAT(*parameters_,
              ElementsAre("Equipment ID: All", "Cost Categories: All", "Equipment Classes: All",
                          "Report Type: Usage / Cost Analysis",
                          "Quantity Analysis Type: Usage Units per Cost Unit", "Date Range: All"));
  EXPECT_THAT(
      ctx().g.RPTLIMITQ,
      ElementsAre("Equipment Costing > Reports > Analysis Reports", "Report Title: Test format",
                  "Report Type: Usage / Cost Analysis", "Inactive Equipment Excluded"));
}

TEST_F(PrintReportsTest, AClassLimitPrintsNoNoCostCategoriesLine) {
  eq("A-1", 1, 0, "Truck");
  cost("A-1", "FUEL", 1, 1);
  eq("B-2", 0, 0, "Truck");
  cost("B-2", ".I", 1, 1);
  format_.SelectedClass = 1;
  format_.ClassFrom = "Truck";
  print(printEqAnalysisProcedure(), printEqAnalysisBody(ctx()));
  EXPECT_EQ(pages_.bands("noCategories").size(), 0u);
  EXPECT_EQ(pages_.bands("category").size(), 1u);
  EXPECT_EQ(parameters_->at(2), "Equipment Classes: from Truck");
}

TEST_F(PrintReportsTest, AFloatingRangeShowsOnlyTheRangeColumn) {
  eq("A-1", 10, 0);
  cost("A-1", "FUEL", 40, 130);
  format_.SelectedDates = 1;
  format_.SkipEquipment = 1;
  format_.JournalType = "Minus";
  format_.RefFrom = Decimal(30);
  print(printEqAnalysisProcedure(), printEqAnalysisBody(ctx()));
  const auto line = pages_.bands("category").front();
  EXPECT_EQ(line.text("?CumCategoryAmount"), "0.00");  // no ledger lines in the range
  EXPECT_FALSE(line.shows("?YearCategoryAmount"));
  EXPECT_FALSE(line.shows("?MonthCategoryPerUnit"));
  EXPECT_FALSE(pages_.bands("header").front().shows("?YearHeading"));
  EXPECT_EQ(pages_.bands("header").front().text("?CumHeading"), "");
  EXPECT_EQ(ctx().g.RPTLIMITQ.back(), "Dates from 2/04/24 to 3/05/24");
  EXPECT_EQ(parameters_->back(), "Date Range: 2/04/24 to 3/05/24");
}

TEST_F(PrintReportsTest, TheCostSummary) {
  eq("A-1");
  cost("A-1", "FUEL", 4, 100);
  cost("A-1", ".N", 4, 50);
  eq("B-2");
  print(printEqAnalysis1Procedure(), printEqAnalysis1Body(ctx()));
  // An equipment without counted categories prints with zero costs.
  EXPECT_THAT(bodyNames(), ElementsAre("detail", "detail", "totals"));
  EXPECT_EQ(rx()[3],
            "ID\tDescription\tVIN\tLicense\tInternal Rate\tRental Rate\tMTD Cost\tYTD Cost\t"
            "Cumulative Cost");
  EXPECT_EQ(rx()[4], "A-1\tUnit A-1\t\t\t10.00\t0.00\t0.00\t0.00\t100.00");
  EXPECT_EQ(rx().back(), "\t\t\t\t\tTotals:\t0.00\t0.00\t100.00");
  EXPECT_EQ(ctx().g.RPTLIMITQ.back(), "Quantity Analysis Type: Usage Units per Cost Unit");
  EXPECT_FALSE(parameters_.has_value());  // the limit lines

  // With a range: one cost column headed "Cost", and one total.
  data::GlTrans t;
  t.RecordID = 1;
  t.SubsidiaryCode = "A-1       FUEL";
  t.TransDate = day(2024, 3, 1);
  t.CreditDebit = "D";
  t.Amount = Decimal(25);
  add(t);
  format_.SelectedDates = 1;
  format_.DateFrom = day(2024, 3, 1);
  format_.DateTo = day(2024, 3, 1);
  pages_ = {};
  print(printEqAnalysis1Procedure(), printEqAnalysis1Body(ctx()));
  const auto detail = pages_.bands("detail").front();
  EXPECT_EQ(detail.text("?MonthCost"), "25.00");
  EXPECT_FALSE(detail.shows("?YearCost"));
  EXPECT_FALSE(detail.shows("?CumulativeCost"));
  EXPECT_FALSE(pages_.bands("header").front().shows("?MtdHeading"));
  EXPECT_EQ(rx()[3], "ID\tDescription\tVIN\tLicense\tInternal Rate\tRental Rate\tCost");
  EXPECT_EQ(rx()[4], "A-1\tUnit A-1\t\t\t10.00\t0.00\t25.00");
  EXPECT_EQ(rx().back(), "\t\t\t\t\tTotals:\t25.00");
  EXPECT_EQ(ctx().g.RPTLIMITQ.at(4), "Date: 3/01/24");

  // A selected range with a blank upper bound lets nothing through.
  format_.SelectedEquipment = 1;
  format_.EquipmentFrom = "A";
  pages_ = {};
  print(printEqAnalysis1Procedure(), printEqAnalysis1Body(ctx()));
  EXPECT_FALSE(pages_.pages());
}

TEST_F(PrintReportsTest, TheMaintenanceSchedule) {
  eq("M-1");
  data::EqCost special = category_("M-1", ".I");
  special.ScheduleType = "E";
  special.Interval = 10;
  special.IntervalName = "Days";
  add(special);
  data::EqCost pm = category_("M-1", "PM-A");
  pm.ScheduleType = "M";
  pm.Meter = 250;
  pm.MeterName = "Hours";
  pm.LastServiceMeter = 100;
  add(pm);
  data::EqCost bad = category_("M-1", "PM-B");
  bad.ScheduleType = "E";
  add(bad);
  data::EqLog use;
  use.RecordID = 1;
  use.EquipmentID = "M-1";
  use.Date = day(2024, 2, 1);
  use.Units = Decimal(50);
  add(use);
  use.RecordID = 2;
  use.Date = day(2024, 2, 11);
  add(use);
  eq("N-2");  // no units per day and no usage: no meter line
  data::EqCost pm2 = category_("N-2", "PM-A");
  pm2.ScheduleType = "M";
  pm2.Meter = 250;
  pm2.MeterName = "Hours";
  add(pm2);
  format_.ReportType = "M";
  session().g.LogUserActivity = 2;
  print(printEqMaintenanceProcedure(), printEqMaintenanceBody(ctx()));

  // 100 units over 10 days: 10 a day, stored; 350 − 0 at 10 a day is due in 35 days.
  data::Access<data::EqHeader> stored(ctx().store(), ctx().errors());
  ASSERT_EQ(stored.fetch("EQH:KeyEquipmentID", {std::string("M-1")}), data::kNoError);
  EXPECT_EQ(stored.rec().UnitsPerDay, Decimal(10));
  EXPECT_THAT(bodyNames(), ElementsAre("equipmentHeader", "scheduleLine", "spacer", "spacer"));
  EXPECT_THAT(rx(),
              ElementsAre("Test Co.", "Equipment Maintenance Schedule", "", "M-1  Unit M-1",
                          "\t\t\t___ Last Service ___\t\t___ Next Service ___",
                          "Type\tDescription\tSchedule Type\tDate\tMeter Reading\tDate\tMeter "
                          "Reading\tCurrent Meter",
                          "PM-A\t\tEvery 250 Hours\t\t100\t4/09/24\t350\t0", "", ""));
  EXPECT_THAT(ctx().g.RPTLIMITQ,
              ElementsAre("Equipment Costing > Reports > Analysis Reports",
                          "Report Title: Test format", "Inactive Equipment Excluded"));

  // The improper setup prints only with "Print Transaction Detail".
  format_.PrintTransactionDetail = 1;
  pages_ = {};
  print(printEqMaintenanceProcedure(), printEqMaintenanceBody(ctx()));
  EXPECT_EQ(pages_.bands("errorLine").at(0).text("?LOC:ErrorText"),
            "This cost category schedule is invalid because of improper setup.");
  EXPECT_EQ(rx().at(7),
            "PM-B\t\tThis cost category schedule is invalid because of improper setup.");
}

}  // namespace
}  // namespace koreq::reports
