#include "suite/ui/lookups.h"

#include "equipment_fixture.h"

namespace koreq::equipment::test {
namespace {

using ui::headless::kScenarioPassed;

TEST_F(EquipmentTest, TheSiblingSelectListsSelectAndCancel) {
  ASSERT_EQ(runScenario("lookups.scenario"), kScenarioPassed) << transcript.str();
}

TEST_F(EquipmentTest, SelectJobByNamePutsTheChosenLineFirst) {
  const std::vector<std::string> lines = {"2122 - County Road 14 Widening",
                                          "2130 - Hillcrest School Parking Lot",
                                          "2108 - Maple Street Reconstruction"};
  ctx.g.RXQUEUE = lines;
  ctx.g.GlobalRequest = 4;
  ASSERT_TRUE(desktop.call(ctx, "SELECTJOBBYNAME"));
  EXPECT_EQ(user.title(), "Select a Job by Name");
  EXPECT_EQ(user.property("?LIST1", "row", "2"), "2130|Hillcrest School Parking Lot");
  user.type("?LOCATOR", "map");  // by name
  EXPECT_EQ(user.property("?LIST1", "current"), "3");
  user.type("?LOCATOR", "213");  // no name starts so: by ID
  EXPECT_EQ(user.property("?LIST1", "current"), "2");
  user.sort("?LIST1", "Job Name");  // the line stays with its row
  user.type("?SEARCHTEXT", "road");
  EXPECT_EQ(user.property("?LIST1", "current"), "1");
  user.press("&Select");
  EXPECT_EQ(desktop.depth(), 0u);
  EXPECT_EQ(ctx.g.GlobalResponse, 1);
  EXPECT_EQ(ctx.g.RXQUEUE, (std::vector<std::string>{lines[0], lines[1], lines[2]}));

  ctx.g.RXQUEUE = lines;
  ASSERT_TRUE(desktop.call(ctx, "SELECTJOBBYNAME"));
  user.activate("?LIST1", "Maple Street Reconstruction");
  EXPECT_EQ(ctx.g.GlobalResponse, 1);
  EXPECT_EQ(ctx.g.RXQUEUE, (std::vector<std::string>{lines[2], lines[0], lines[1]}));

  ctx.g.RXQUEUE = lines;
  ASSERT_TRUE(desktop.call(ctx, "SELECTJOBBYNAME"));
  user.select("?LIST1", "2");
  user.press("&Close");
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
  EXPECT_EQ(ctx.g.RXQUEUE, lines);
  // An empty queue: nothing to choose, Select does nothing.
  ctx.g.RXQUEUE.clear();
  ASSERT_TRUE(desktop.call(ctx, "SELECTJOBBYNAME"));
  user.press("&Select");
  EXPECT_EQ(desktop.depth(), 1u);
  user.close();
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
}

TEST_F(EquipmentTest, ALookupOpensOnThePrimedRecordOrTheNextOne) {
  ctx.rec<data::GlMaster>().Account = "6125";  // between 6120 and 6130
  ctx.g.GlobalRequest = 4;
  ASSERT_TRUE(desktop.call(ctx, "BROWSEGLMASTER"));
  EXPECT_EQ(user.property("?BROWSE:1", "row", user.property("?BROWSE:1", "current")),
            "6130|Equipment Repairs|E");
  user.close();
  ctx.rec<data::GlMaster>().Account = "9999";  // past the last: the last
  ASSERT_TRUE(desktop.call(ctx, "BROWSEGLMASTER"));
  EXPECT_EQ(user.property("?BROWSE:1", "current"), user.property("?BROWSE:1", "rows"));
  user.close();
  // A job without cost codes lists none; Select then leaves the buffer and answers nothing.
  ctx.rec<data::JcCost>().JobID = "0000";
  ctx.g.GlobalRequest = 4;
  ASSERT_TRUE(desktop.call(ctx, "BROWSEJCCOST"));
  EXPECT_EQ(user.property("?BROWSE:1", "rows"), "0");
  user.press("&Select");
  EXPECT_EQ(desktop.depth(), 1u);
  user.close();
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
  EXPECT_EQ(ctx.rec<data::JcCost>().JobID, "0000");
}

TEST_F(EquipmentTest, EveryRegisteredProcedureOpensAndCloses) {
  for (const char* name :
       {"BrowseEQHeader", "BrowseEQHeaderAlias", "BROWSEGLMASTER", "BROWSEGLFISCAL",
        "BROWSEJCHEADER", "BROWSEJCCOST", "SELECTJOBBYNAME", "BROWSEPREMP", "BROWSEPRCERT"}) {
    ctx.g.GlobalRequest = 4;
    ASSERT_TRUE(desktop.call(ctx, name)) << name;
    EXPECT_EQ(desktop.top()->name(), name);
    user.close();
    EXPECT_EQ(desktop.depth(), 0u) << name;
    EXPECT_EQ(ctx.g.GlobalResponse, 2) << name;
  }
  // A missing training page is reported, not opened.
  ui::ScriptedPort quiet;
  EXPECT_FALSE(suite::playTraining(quiet, folder.path, "EQEnt"));
  EXPECT_TRUE(quiet.opened().empty());
  EXPECT_EQ(quiet.shown().back().caption, "Training Video");
  EXPECT_NE(quiet.shown().back().text.find("File not found"), std::string::npos);
}

}  // namespace
}  // namespace koreq::equipment::test
