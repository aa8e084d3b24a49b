#include "equipment/engine/cost_rules.h"

#include <chrono>

#include "equipment/engine/engine_fixture.h"
#include "runtime/text.h"

namespace koreq::equipment::test {
namespace {

TEST(ScheduleText, FollowsTheTypeLetter) {
  EXPECT_EQ(scheduleText("B", "Miles", 5000, "Months", 6), "Every 6 Months or 5000 Miles");
  EXPECT_EQ(scheduleText("M", "Hours", 250, "Months", 6), "Every 250 Hours");
  EXPECT_EQ(scheduleText("E", "Miles", 5000, "Days", 90), "Every 90 Days");
  // Plain whole numbers: no padding, no separators; zero is written too.
  EXPECT_EQ(scheduleText("M", "Miles", 40000, "", 0), "Every 40000 Miles");
  EXPECT_EQ(scheduleText("E", "", 0, "Months", 0), "Every 0 Months");
  for (const char* other : {"N", "", " ", "b", "X"})
    EXPECT_EQ(scheduleText(other, "Miles", 5000, "Months", 6), "None") << '"' << other << '"';
  // Never longer than the list's 60 characters.
  EXPECT_EQ(scheduleText("B", std::string(40, 'x'), 1, std::string(40, 'y'), 2).size(), 60u);
}

using CategoryTest = DemoCompanyTest;

TEST_F(CategoryTest, ANewCategoryGoesToEveryPieceActiveOrNot) {
  ASSERT_EQ(applyCategoriesToAll(ctx).failed, 0);
  addEquipment("ZZ-900", "Retired trailer", false);
  addCategory("WASH", "Washing");
  const int equipment = records(data::EqHeader::def());
  ApplyToAllResult r = applyCategoriesToAll(ctx);
  // WASH for everyone, and all twelve for the new trailer.
  EXPECT_EQ(r.equipmentUpdated, equipment);
  EXPECT_EQ(r.added, equipment + 12);
  EXPECT_EQ(applyToAllMessage(r), "New categories were added to " + std::to_string(equipment) +
                                      " existing|equipment records.");
  EXPECT_EQ(costKeys().count(padRight("ZZ-900", 10) + "WASH"), 1u);

  // One piece of equipment lacking one category.
  addEquipment("ZZ-901", "Another trailer");
  r = applyCategoriesToAll(ctx);
  EXPECT_EQ(r.equipmentUpdated, 1);
  EXPECT_EQ(r.added, 13);
  EXPECT_EQ(applyToAllMessage(r), "New categories were added to one existing|equipment record.");
}

TEST_F(CategoryTest, ApplyToAllWithNoEquipmentOrNoTransaction) {
  sql("DELETE FROM EQHEADER");
  const auto before = costKeys();
  ApplyToAllResult r = applyCategoriesToAll(ctx);
  EXPECT_EQ(r.equipmentUpdated, 0);
  EXPECT_EQ(r.added, 0);
  EXPECT_EQ(applyToAllMessage(r), "No new categories were added to existing|equipment records.");
  EXPECT_EQ(costKeys(), before);

  // Another workstation holds the company: nothing is written, rather than work without a
  // transaction.
  addEquipment("ZZ-100", "Lone trailer");
  {
    auto other = where.otherStation();
    ASSERT_TRUE(other->begin(std::chrono::milliseconds(1000)));
    r = applyCategoriesToAll(ctx, std::chrono::milliseconds(0));
    other->rollback();
  }
  EXPECT_TRUE(r.refused);
  EXPECT_EQ(r.added, 0);
  EXPECT_EQ(costKeys(), before);
}

TEST_F(CategoryTest, FailedInsertsAreCountedOutAndReported) {
  ASSERT_EQ(applyCategoriesToAll(ctx).failed, 0);  // the demo's gaps filled
  addRefusedTrailers();
  const std::size_t errorsBefore = session.errors().history().size();
  ApplyToAllResult r = applyCategoriesToAll(ctx);
  // ZZ-100 got nothing and does not count; ZZ-200 got all but FUEL.
  EXPECT_EQ(r.added, 11);
  EXPECT_EQ(r.failed, 13);
  EXPECT_EQ(r.equipmentUpdated, 1);
  EXPECT_EQ(session.errors().history().size() - errorsBefore, 13u);
  EXPECT_NE(session.errors().history().back().message.find("Inserting EQCost"), std::string::npos)
      << session.errors().history().back().message;
  EXPECT_EQ(applyToAllMessage(r),
            "New categories were added to one existing|equipment record.||13 categories could "
            "not be added to their equipment.");
  EXPECT_EQ(costKeys().count(padRight("ZZ-200", 10) + "OIL"), 1u);
  EXPECT_EQ(costKeys().count(padRight("ZZ-200", 10) + "FUEL"), 0u);
}

// The form copies these when a category is chosen; Apply to All for every record it adds.
TEST_F(CategoryTest, ACategoryHandsOnItsDefaultsAndNothingElse) {
  data::FileAccess code(session.store(), data::EqCode::def(), session.errors());
  data::FileAccess cost(session.store(), data::EqCost::def(), session.errors());
  ASSERT_EQ(cost.fetch("KeyRecordID", {data::Value(costRecordId("DT-201", "TIRES"))}),
            data::kNoError);
  ASSERT_TRUE(cost.put("EQC:UnitName", std::string("Set")));  // edited on screen
  const std::vector<data::Value> before = cost.values();

  ASSERT_EQ(code.fetch("KeyCategoryID", {data::Value(std::string("PM-B"))}), data::kNoError);
  copyCategoryDefaults(code, cost);
  EXPECT_EQ(cost.text("EQC:UnitName"), "Each");
  EXPECT_EQ(cost.text("EQC:ControlDebit"), "6160");
  EXPECT_EQ(cost.text("EQC:ControlCredit"), "2000");
  EXPECT_EQ(scheduleText(cost), "Every 6 Months or 1000 Hours");

  // Blank and zero defaults replace what was there too; the record's own fields stay.
  ASSERT_EQ(code.fetch("KeyCategoryID", {data::Value(std::string("UNDERCAR"))}), data::kNoError);
  copyCategoryDefaults(code, cost);
  EXPECT_EQ(cost.text("EQC:ControlDebit"), "6195");
  EXPECT_EQ(cost.text("EQC:ScheduleType"), "N");
  EXPECT_EQ(cost.get("EQC:Meter"), data::Value(std::int64_t{0}));
  EXPECT_EQ(cost.text("EQC:MeterName"), "");
  for (const char* own : {"EQC:RecordID", "EQC:EquipmentID", "EQC:CostCategory",
                          "EQC:LastServiceMeter", "EQC:LastServiceDate", "EQC:CumulativeAmount"})
    EXPECT_EQ(cost.get(own), before[static_cast<std::size_t>(data::EqCost::def().fieldIndex(own))])
        << own;
  EXPECT_EQ(cost.get("EQC:LastServiceMeter"), data::Value(std::int64_t{4790}));

  // Apply to All's new records carry them as well.
  addEquipment("ZZ-100", "New trailer");
  applyCategoriesToAll(ctx);
  ASSERT_EQ(cost.fetch("KeyRecordID", {data::Value(costRecordId("ZZ-100", "PM-B"))}),
            data::kNoError);
  EXPECT_EQ(cost.text("EQC:ControlDebit"), "6160");
  EXPECT_EQ(scheduleText(cost), "Every 6 Months or 1000 Hours");
}

using CostRowsTest = DemoCompanyTest;

Decimal money(const char* text) {
  return *Decimal::parse(text);
}

TEST_F(CostRowsTest, TheCategoriesOfOnePieceInCategoryOrderWithDescriptionAndSchedule) {
  std::vector<CostRow> rows = readCostRows(ctx, "DT-201");
  ASSERT_EQ(rows.size(), 11u);
  auto line = [&](std::size_t i) {
    return data::valueToText(costField(rows[i], "EQC:CostCategory")) + "|" + rows[i].description +
           "|" + rows[i].schedule;
  };
  EXPECT_EQ(line(0), "DEPREC|Depreciation|None");
  EXPECT_EQ(line(2), "HYDR|Hydraulic System Service|Every 2000 Hours");
  EXPECT_EQ(line(4), "INSUR|Insurance|Every 12 Months");
  EXPECT_EQ(line(8), "PM-B|Preventive Maint. B (Major)|Every 6 Months or 1000 Hours");
  for (const CostRow& r : rows)
    EXPECT_EQ(costField(r, "EQC:EquipmentID"), data::Value(std::string("DT-201")));
  EXPECT_EQ(costField(rows[0], "EQC:NoSuchField"), data::Value());

  // A category no longer in the list shows without a description; an ID is a whole ID, cut to
  // its ten characters.
  addRecord(data::EqCost::def(), {{"EQC:EquipmentID", std::string("DT-201")},
                                  {"EQC:CostCategory", std::string("GONE")},
                                  {"EQC:RecordID", costRecordId("DT-201", "GONE")}});
  rows = readCostRows(ctx, "DT-201    and more");
  ASSERT_EQ(rows.size(), 12u);
  EXPECT_EQ(line(2), "GONE||None");
  EXPECT_TRUE(readCostRows(ctx, "DT-20").empty());
  EXPECT_TRUE(readCostRows(ctx, "").empty());
}

TEST_F(CostRowsTest, CategoryCostsOfAYearAndPeriodWithTheirTotals) {
  auto fuel = [](const CategoryCosts& c) { return c.byPosition.at(c.rows[1].position); };
  // March 2024 (period 15): this year's costs, nothing posted in the month yet.
  CategoryCosts c = categoryCosts(ctx, "DT-201", 2024, 15);
  ASSERT_EQ(c.rows.size(), 11u);
  ASSERT_EQ(costField(c.rows[1], "EQC:CostCategory"), data::Value(std::string("FUEL")));
  EXPECT_EQ(fuel(c).yearUnits, money("702.00"));
  EXPECT_EQ(fuel(c).yearAmount, money("2473.20"));
  EXPECT_TRUE(fuel(c).monthAmount.isZero());
  const PeriodCost hydr = c.byPosition.at(c.rows[2].position);  // never posted
  EXPECT_TRUE(hydr.yearUnits.isZero() && hydr.yearAmount.isZero() && hydr.monthUnits.isZero());
  EXPECT_EQ(c.year, money("10244.42"));
  EXPECT_TRUE(c.month.isZero());
  // The cumulative total is the exact sum of the records' own.
  Decimal cumulative;
  for (const CostRow& r : c.rows) cumulative += decimalOf(costField(r, "EQC:CumulativeAmount"));
  EXPECT_EQ(c.cumulative, cumulative);
  EXPECT_EQ(c.cumulative, money("51379.68"));

  // June 2023 (period 6): the year and month follow; the cumulative figures do not.
  c = categoryCosts(ctx, "DT-201", 2023, 6);
  EXPECT_EQ(fuel(c).yearUnits, money("3447.00"));
  EXPECT_EQ(fuel(c).yearAmount, money("12189.19"));
  EXPECT_EQ(fuel(c).monthUnits, money("310.50"));
  EXPECT_EQ(fuel(c).monthAmount, money("1102.28"));
  EXPECT_EQ(c.year, money("41135.26"));
  EXPECT_EQ(c.month, money("2576.24"));
  EXPECT_EQ(c.cumulative, money("51379.68"));

  // A period's record is read under its own year only; a year without one shows zeros.
  addRecord(data::EqPriorCM::def(), {{"EQPCM:EquipmentID", std::string("DT-201")},
                                     {"EQPCM:CostCategory", std::string("FUEL")},
                                     {"EQPCM:Year", std::int64_t{2023}},
                                     {"EQPCM:FiscalPeriod", std::int64_t{15}},
                                     {"EQPCM:Amount", Decimal(999)}});
  sql("DELETE FROM EQPRIORC WHERE EquipmentID = 'DT-201' AND CostCategory = 'FUEL' AND Year = "
      "2024",
      "DELETE FROM eqpriorc WHERE \"EquipmentID\" = 'DT-201' AND \"CostCategory\" = 'FUEL' AND "
      "\"Year\" = 2024");
  c = categoryCosts(ctx, "DT-201", 2024, 15);
  EXPECT_TRUE(fuel(c).yearAmount.isZero() && fuel(c).yearUnits.isZero());
  EXPECT_TRUE(c.month.isZero());
  EXPECT_EQ(c.year, money("7771.22"));

  // Equipment without categories: no rows, zero totals.
  addEquipment("ZZ-100", "Bare trailer");
  c = categoryCosts(ctx, "ZZ-100", 2024, 15);
  EXPECT_TRUE(c.rows.empty());
  EXPECT_TRUE(c.cumulative.isZero() && c.year.isZero() && c.month.isZero());
}

}  // namespace
}  // namespace koreq::equipment::test
