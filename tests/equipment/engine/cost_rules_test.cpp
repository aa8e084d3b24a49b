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
  addEquipment("ZZ-100", "Refused trailer");
  addEquipment("ZZ-200", "Half refused trailer");
  // The file refuses ZZ-100's records and ZZ-200's FUEL.
  // (On the server a refusing trigger would end the whole change: the row is left out instead,
  // which the store reports as a refused insert just the same.)
  sql("CREATE TRIGGER refuse BEFORE INSERT ON EQCOST WHEN NEW.EquipmentID = 'ZZ-100' OR "
      "(NEW.EquipmentID = 'ZZ-200' AND NEW.CostCategory = 'FUEL') BEGIN SELECT RAISE(ABORT, "
      "'refused'); END",
      "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RETURN NULL; "
      "END$$; CREATE TRIGGER refuse BEFORE INSERT ON eqcost FOR EACH ROW WHEN "
      "(NEW.\"EquipmentID\" = 'ZZ-100' OR (NEW.\"EquipmentID\" = 'ZZ-200' AND "
      "NEW.\"CostCategory\" = 'FUEL')) EXECUTE FUNCTION refuse()");
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

}  // namespace
}  // namespace koreq::equipment::test
