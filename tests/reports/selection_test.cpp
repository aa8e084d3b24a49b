// The report selection engine: the equipment walk, the counted categories, the figures by date
// mode, and the analysis's per-unit and income figures.

#include <gtest/gtest.h>

#include <vector>

#include "reports/analysis.h"
#include "reports/engine_fixture.h"
#include "reports/selection.h"

namespace koreq::reports {
namespace {

using test::ReportEngineTest;

Date day(int y, int m, int d) {
  return *Date::fromYmd(y, m, d);
}

class SelectionTest : public ReportEngineTest {
 protected:
  std::vector<std::string> walk(const data::EqLimits& f, SelectionRules rules,
                                std::vector<suite::LimitRow> ud = {}) {
    Selection s(f, rules, reportframe::EquipmentUdLimits(std::move(ud)));
    EquipmentWalk w(ctx(), s);
    std::vector<std::string> ids;
    while (const data::EqHeader* e = w.next()) ids.push_back(e->EquipmentID.str());
    return ids;
  }
  using Ids = std::vector<std::string>;
  static constexpr SelectionRules kOpen{.blankToOpen = true, .categoriesNeedClass = true};
  static constexpr SelectionRules kClosed{};
};

TEST_F(SelectionTest, TheEquipmentWalk) {
  equipment("A-1", "Dozer");
  equipment("B-2", "Dozer", false);
  equipment("C-3");
  equipment("D-4", "Loader", true, "YES");
  equipment("E-5", "Excavator");

  data::EqLimits f;
  // A range that is not selected bounds nothing, whatever its ends hold.
  f.EquipmentFrom = "C-3";
  f.EquipmentTo = "A-1";
  EXPECT_EQ(walk(f, kClosed), (Ids{"A-1", "C-3", "D-4", "E-5"}));
  f.IncludeInactive = 1;
  EXPECT_EQ(walk(f, kClosed), (Ids{"A-1", "B-2", "C-3", "D-4", "E-5"}));
  f.IncludeInactive = 0;

  f.SelectedEquipment = 1;
  f.EquipmentFrom = "B";
  f.EquipmentTo = "";
  EXPECT_EQ(walk(f, kOpen), (Ids{"C-3", "D-4", "E-5"}));  // the analysis: open upwards
  EXPECT_EQ(walk(f, kClosed), Ids{});                     // the summary: nothing passes
  f.EquipmentFrom = "C-3";
  f.EquipmentTo = "D-4";
  EXPECT_EQ(walk(f, kClosed), (Ids{"C-3", "D-4"}));
  f.SelectedEquipment = 0;

  f.SelectedClass = 1;
  f.ClassFrom = "Dozer";
  f.ClassTo = "Excavator";
  EXPECT_EQ(walk(f, kClosed), (Ids{"A-1", "E-5"}));
  f.ClassTo = "";
  EXPECT_EQ(walk(f, kOpen), (Ids{"A-1", "D-4", "E-5"}));
  EXPECT_EQ(walk(f, kClosed), Ids{});
  f.SelectedClass = 0;

  // A user-defined-field limit typed in lower case matches the field in upper case.
  EXPECT_EQ(walk(f, kClosed, {{1, 1, "yes"}}), Ids{"D-4"});
  EXPECT_EQ(walk(f, kClosed, {{1, 1, "yes"}, {2, 16, "ignored"}}), Ids{"D-4"});
}

TEST_F(SelectionTest, TheCountedCategories) {
  data::EqHeader dozer, unclassed;
  dozer.ClassCode = "Dozer";
  data::EqLimits f;
  auto counted = [&](const data::EqHeader& eq, SelectionRules rules) {
    Selection s(f, rules, reportframe::EquipmentUdLimits({}));
    std::string out;
    for (const char* c : {".I", ".R", ".N", "FUEL", "OIL", "TIRES"})
      if (s.countsCategory(eq, category("X", c))) out += std::string(out.empty() ? "" : " ") + c;
    return out;
  };
  EXPECT_EQ(counted(dozer, kOpen), "FUEL OIL TIRES");  // the special ones never
  f.SelectedCategory = 1;
  f.CategoryFrom = "FUEL";
  f.CategoryTo = "OIL";
  EXPECT_EQ(counted(dozer, kOpen), "FUEL OIL");
  f.CategoryTo = "";
  EXPECT_EQ(counted(dozer, kOpen), "FUEL OIL TIRES");
  EXPECT_EQ(counted(dozer, kClosed), "");
  f.SelectedCategory = 0;
  // With a class limit the analysis counts no category of equipment without a class.
  f.SelectedClass = 1;
  f.ClassTo = "Z";
  EXPECT_EQ(counted(dozer, kOpen), "FUEL OIL TIRES");
  EXPECT_EQ(counted(unclassed, kOpen), "");
  EXPECT_EQ(counted(unclassed, kClosed), "FUEL OIL TIRES");
}

class FiguresTest : public ReportEngineTest {
 protected:
  void SetUp() override {
    ReportEngineTest::SetUp();
    data::Control control;
    control.RecordID = 1;
    control.CurrentFiscalPeriod = 15;
    add(control);
    for (int p = 12; p <= 15; ++p) {
      data::GlFiscal g;
      g.FiscalPeriod = static_cast<std::uint16_t>(p);
      g.PeriodDate = p == 12 ? day(2023, 12, 31) : day(2024, p - 12, 28);
      add(g);
    }
    data::EqHeader e;
    e.RecordID = 1;
    e.EquipmentID = "X-1";
    e.CumulativeInternalUnits = Decimal(600);
    e.CumulativeInternalIncome = Decimal(6000);
    e.CumulativeRentalUnits = Decimal(100);
    e.CumulativeRentalIncome = Decimal(1500);
    e.CumulativeNonProductiveUnits = Decimal(20);
    add(e);
    eq_ = e;
    fuel_ = category("X-1", "FUEL");
    fuel_.CumulativeUnitUsed = Decimal(100);
    fuel_.CumulativeAmount = Decimal(500);
    add(fuel_);
    data::EqPriorC year;
    year.RecordID = 1;
    year.EquipmentID = "X-1";
    year.CostCategory = "FUEL";
    year.Year = 2024;
    year.Units = Decimal(60);
    year.Amount = Decimal(300);
    add(year);
    // Dec 2023, then January to March 2024.
    const int units[] = {40, 20, 25, 15};
    for (int p = 12; p <= 15; ++p) {
      data::EqPriorCM m;
      m.RecordID = p;
      m.EquipmentID = "X-1";
      m.CostCategory = "FUEL";
      m.Year = static_cast<std::int16_t>(p == 12 ? 2023 : 2024);
      m.FiscalPeriod = static_cast<std::int16_t>(p);
      m.Units = Decimal(units[p - 12]);
      m.Amount = Decimal(units[p - 12] * 5);
      add(m);
    }
    data::EqPrior py;
    py.RecordID = 1;
    py.EquipmentID = "X-1";
    py.Year = 2024;
    py.InternalUnits = Decimal(300);
    py.InternalIncome = Decimal(3000);
    add(py);
    data::EqPriorM pm;
    pm.RecordID = 1;
    pm.EquipmentID = "X-1";
    pm.Year = 2024;
    pm.FiscalPeriod = 15;
    pm.InternalUnits = Decimal(50);
    pm.InternalIncome = Decimal(500);
    pm.RentalUnits = Decimal(10);
    pm.RentalIncome = Decimal(150);
    add(pm);
  }

  void ledger(const char* code, Date date, const char* cd, int units, int amount) {
    data::GlTrans t;
    t.RecordID = ++ids_;
    t.SubsidiaryCode = std::string("X-1       ") + code;
    t.CostCategory = code;
    t.TransDate = date;
    t.CreditDebit = cd;
    t.SubsidiaryQuantity = Decimal(units);
    t.Amount = Decimal(amount);
    add(t);
  }

  FigureReader reader(int mode, int asOf = 0) {
    data::EqLimits f;
    f.SelectedDates = static_cast<std::uint8_t>(mode);
    f.FPTo = Decimal(asOf);
    f.DateFrom = day(2024, 2, 1);
    f.DateTo = day(2024, 2, 29);
    return FigureReader(ctx(), analysisDates(ctx(), f));
  }

  data::EqHeader eq_;
  data::EqCost fuel_;
};

void expectFigure(const Figure& f, int units, int amount) {
  EXPECT_EQ(f.units, Decimal(units));
  EXPECT_EQ(f.amount, Decimal(amount));
}

TEST_F(FiguresTest, AllTakesTheCurrentPeriodOfTheCompany) {
  FigureReader all = reader(0, 13);  // the stored "as of" period does not count
  EXPECT_EQ(all.dates().period, 15);
  EXPECT_EQ(all.dates().asOf, day(2024, 3, 28));
  EXPECT_EQ(all.dates().year, 2024);
  const CategoryFigures c = all.category(fuel_);
  expectFigure(c.cumulative, 100, 500);
  expectFigure(c.year, 60, 300);
  expectFigure(c.month, 15, 75);
  const EquipmentFigures e = all.equipment(eq_);
  EXPECT_EQ(e.cumulative.internalIncome, Decimal(6000));
  EXPECT_EQ(e.year.internalUnits, Decimal(300));
  EXPECT_EQ(e.month.rentalIncome, Decimal(150));
  // A category without prior records: zeros in its year and month.
  const CategoryFigures none = all.category(category("X-1", "OIL"));
  expectFigure(none.year, 0, 0);
  expectFigure(none.month, 0, 0);
}

TEST_F(FiguresTest, AsOfTakesTheLaterPeriodsOut) {
  FigureReader asOf = reader(2, 13);
  const CategoryFigures c = asOf.category(fuel_);
  // February and March come out of the cumulative and, being of 2024, of the year.
  expectFigure(c.cumulative, 60, 300);
  expectFigure(c.year, 20, 100);
  expectFigure(c.month, 20, 100);
  // The equipment's income lines: the later periods come out of the cumulative only.
  const EquipmentFigures e = asOf.equipment(eq_);
  EXPECT_EQ(e.cumulative.internalUnits, Decimal(550));
  EXPECT_EQ(e.cumulative.internalIncome, Decimal(5500));
  EXPECT_EQ(e.cumulative.rentalIncome, Decimal(1350));
  EXPECT_EQ(e.cumulative.nonProductiveUnits, Decimal(20));
  EXPECT_EQ(e.year.internalUnits, Decimal(300));
  EXPECT_EQ(e.month.internalUnits, Decimal(0));  // no EQPRIORM record of period 13

  // As of December 2023: the year column is 2023's, which has no year record.
  const CategoryFigures dec = reader(2, 12).category(fuel_);
  expectFigure(dec.cumulative, 40, 200);
  expectFigure(dec.year, 0, 0);
  expectFigure(dec.month, 40, 200);
}

TEST_F(FiguresTest, RangeSumsTheLedgerLinesOfTheRange) {
  ledger("FUEL", day(2024, 1, 31), "D", 99, 999);  // before
  ledger("FUEL", day(2024, 2, 1), "D", 10, 50);
  ledger("FUEL", day(2024, 2, 10), "C", 2, 10);
  ledger("FUEL", day(2024, 2, 29), "D", 1, 5);
  ledger("FUEL", day(2024, 3, 1), "D", 99, 999);  // after
  ledger("OIL", day(2024, 2, 2), "D", 7, 70);
  ledger(".I", day(2024, 2, 5), "C", 6, 60);
  ledger(".I", day(2024, 2, 6), "D", 1, 10);
  ledger(".R", day(2024, 2, 7), "C", 3, 45);
  FigureReader range = reader(1);
  const CategoryFigures c = range.category(fuel_);
  expectFigure(c.cumulative, 9, 45);
  expectFigure(c.year, 0, 0);
  expectFigure(c.month, 0, 0);
  const EquipmentFigures e = range.equipment(eq_);
  EXPECT_EQ(e.cumulative.internalUnits, Decimal(5));
  EXPECT_EQ(e.cumulative.internalIncome, Decimal(50));
  EXPECT_EQ(e.cumulative.rentalUnits, Decimal(3));
  EXPECT_EQ(e.cumulative.rentalIncome, Decimal(45));
}

TEST(AnalysisFigures, PerUnitValuesAndTheIncomeBlock) {
  CategoryFigures fuel;
  fuel.cumulative = {Decimal(40), Decimal(130)};
  EquipmentFigures eq;
  eq.cumulative.internalUnits = Decimal(600);
  eq.cumulative.rentalUnits = Decimal(100);
  const auto usage = categoryPerUnit(fuel, eq, PerUnit::UsageUnits);
  EXPECT_EQ(usage[0], Decimal::parse("17.50"));
  EXPECT_EQ(usage[1], Decimal());  // no year quantity: 0.00, not an error
  EXPECT_EQ(categoryPerUnit(fuel, eq, PerUnit::Dollars)[0], Decimal::parse("3.25"));

  IncomeFigure in;
  in.internalUnits = Decimal(600);
  in.internalIncome = Decimal(6000);
  in.rentalUnits = Decimal(100);
  in.rentalIncome = Decimal(1500);
  in.nonProductiveUnits = Decimal(50);
  const IncomeColumn c = incomeColumn(in, Decimal(3000));
  EXPECT_EQ(c.internalRate, Decimal(10));
  EXPECT_EQ(c.rentalRate, Decimal(15));
  EXPECT_EQ(c.totalQuantity, Decimal(750));
  EXPECT_EQ(c.totalIncome, Decimal(7500));
  EXPECT_EQ(c.netProfit, Decimal(4500));
  EXPECT_EQ(c.incomePerUnit, Decimal(10));
  EXPECT_EQ(c.profitPerUnit, Decimal(6));
  EXPECT_EQ(c.costPerUnit, Decimal(4));
  // No units at all: every per-unit figure 0.00.
  const IncomeColumn none = incomeColumn({}, Decimal(3000));
  EXPECT_EQ(none.netProfit, Decimal(-3000));
  EXPECT_EQ(none.incomePerUnit, Decimal());
  EXPECT_EQ(none.profitPerUnit, Decimal());
  EXPECT_EQ(none.costPerUnit, Decimal());
}

}  // namespace
}  // namespace koreq::reports
