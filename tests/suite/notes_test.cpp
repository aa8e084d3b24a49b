#include "suite/notes.h"

#include <gtest/gtest.h>

#include "support/company_fixture.h"

namespace koreq::suite {
namespace {

class NotesTest : public fixture::CompanyTest {
 protected:
  std::int32_t add(const char* equipment, int day, const char* heading) {
    data::Notes n;
    n.EquipmentID = equipment;
    n.Date = *Date::fromYmd(2024, 2, day);
    n.Heading = heading;
    return addNote(ctx(), n);
  }
  std::vector<std::string> headings(const char* equipment) {
    std::vector<std::string> out;
    for (const auto& n : equipmentNotes(ctx(), equipment)) out.push_back(n.Heading.str());
    return out;
  }
};

TEST_F(NotesTest, ListedInDateOrderWithDefaultsFilled) {
  std::int32_t late = add("T1", 20, "Tyres");
  add("T1", 3, "Bought");
  add("T2", 1, "Other truck");
  data::Notes blank;
  blank.EquipmentID = "T1";
  blank.Heading = "Today";
  std::int32_t today = addNote(ctx(), blank);
  ASSERT_NE(late, 0);
  ASSERT_NE(today, 0);
  using V = std::vector<std::string>;
  EXPECT_EQ(headings("T1"), (V{"Bought", "Tyres", "Today"}));
  auto notes = equipmentNotes(ctx(), "T1");
  EXPECT_EQ(notes[2].Date, *Date::fromYmd(2024, 3, 5));
  EXPECT_EQ(notes[2].Time, Time::fromHms(14, 30, 15));
  EXPECT_EQ(notes[2].UserID, "ABC");
  EXPECT_EQ(notes[2].RecordID, today);
  EXPECT_TRUE(equipmentNotes(ctx(), "").empty());

  data::Notes changed = notes[1];
  changed.Heading = "New tyres";
  changed.Note = "All four.";
  EXPECT_TRUE(changeNote(ctx(), changed));
  EXPECT_EQ(headings("T1"), (V{"Bought", "New tyres", "Today"}));
  changed.RecordID = 9999;
  EXPECT_FALSE(changeNote(ctx(), changed));

  EXPECT_TRUE(deleteNote(ctx(), late));
  EXPECT_FALSE(deleteNote(ctx(), late));
  EXPECT_EQ(headings("T1"), (V{"Bought", "Today"}));
}

TEST_F(NotesTest, DeleteAllOfAnEquipmentFollowsTheTransaction) {
  for (int day = 1; day <= 70; ++day) add("T1", day % 28 + 1, "n");  // more than a read page
  add("T2", 1, "kept");
  data::Notes ledger;  // a ledger transaction's note: blank equipment ID
  ledger.EntityType = "GLTrans";
  ledger.EntityID = "17";
  ASSERT_NE(addNote(ctx(), ledger), 0);
  {
    data::Transaction t(ctx().store(), std::chrono::seconds(5));
    EXPECT_EQ(deleteEquipmentNotes(ctx(), "T1"), 70);
    EXPECT_TRUE(equipmentNotes(ctx(), "T1").empty());
  }  // the equipment's delete failed: the notes come back
  EXPECT_EQ(equipmentNotes(ctx(), "T1").size(), 70u);
  {
    data::Transaction t(ctx().store(), std::chrono::seconds(5));
    EXPECT_EQ(deleteEquipmentNotes(ctx(), "T1"), 70);
    t.commit();
  }
  EXPECT_TRUE(equipmentNotes(ctx(), "T1").empty());
  EXPECT_EQ(equipmentNotes(ctx(), "T2").size(), 1u);
  EXPECT_EQ(deleteEquipmentNotes(ctx(), ""), 0);
  EXPECT_EQ(ctx().access<data::Notes>().records(), 2);
}

}  // namespace
}  // namespace koreq::suite
