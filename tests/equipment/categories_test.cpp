#include "equipment/categories.h"

#include <sqlite3.h>

#include <map>
#include <set>

#include "equipment/engine/equipment_records.h"
#include "equipment_fixture.h"
#include "suite/casemode.h"

namespace koreq::equipment::test {
namespace {

using ui::headless::kScenarioPassed;

class CategoryTest : public EquipmentTest {
 protected:
  CategoryTest() { registerCategoryProcedures(registry, shared); }

  void applyThroughTheList(const char* answer) {
    ASSERT_TRUE(desktop.call(ctx, "BrowseEQCode"));
    port.queueAnswer(answer);
    user.press("?APPLYTOALL");
  }
  const ui::ScriptedPort::Shown& lastMessage() const { return port.shown().back(); }
};

TEST_F(CategoryTest, ApplyToAllAddsOnlyMissingCategoriesWithTheirDefaults) {
  const int equipment = records(data::EqHeader::def());
  const auto before = costKeys();
  ASSERT_LT(static_cast<int>(before.size()), equipment * 12);  // the demo leaves gaps

  // "No" (the first button) ends it.
  applyThroughTheList("&No");
  EXPECT_EQ(lastMessage().caption, "Confirm Apply to All");
  EXPECT_EQ(lastMessage().text, kApplyToAllConfirm);
  EXPECT_EQ(lastMessage().buttons, "&No|&Yes");
  EXPECT_EQ(lastMessage().icon, ui::Icon::Question);
  EXPECT_EQ(costKeys(), before);

  user.press("Apply to All");  // nothing queued: the first button, "&No"
  EXPECT_EQ(costKeys(), before);

  port.queueAnswer("&Yes");
  user.press("?APPLYTOALL");
  auto& list = static_cast<CategoryBrowse&>(*desktop.top());
  const ApplyToAllResult r = list.lastApply();
  EXPECT_FALSE(r.refused);
  EXPECT_EQ(r.failed, 0);
  EXPECT_EQ(r.added, equipment * 12 - static_cast<int>(before.size()));
  EXPECT_EQ(lastMessage().caption, "Process Complete");
  EXPECT_EQ(lastMessage().text, "New categories were added to " +
                                    std::to_string(r.equipmentUpdated) +
                                    " existing|equipment records.");
  EXPECT_GT(r.equipmentUpdated, 1);
  EXPECT_FALSE(port.waitCursor());

  const auto after = costKeys();
  EXPECT_EQ(static_cast<int>(after.size()), equipment * 12);
  for (const auto& [key, n] : after) EXPECT_EQ(n, 1) << key;  // no duplicates

  // Existing records kept their own values; new ones name their equipment and category (their
  // defaults are the engine's test).
  data::FileAccess f(session.store(), data::EqCost::def(), session.errors());
  ASSERT_EQ(f.fetch("KeyRecordID", {data::Value(padRight("DT-204", 10) + "DEPREC")}),
            data::kNoError);
  EXPECT_NE(data::valueToText(f.get("EQC:ControlCredit")), "1620");
  for (const auto& [key, n] : after) {
    if (before.count(key)) continue;
    ASSERT_EQ(f.fetch("KeyRecordID", {data::Value(key)}), data::kNoError);
    EXPECT_EQ(padRight(data::valueToText(f.get("EQC:EquipmentID")), 10) +
                  data::valueToText(f.get("EQC:CostCategory")),
              key);
  }

  // A second run finds nothing to add.
  port.queueAnswer("&Yes");
  user.press("?APPLYTOALL");
  EXPECT_EQ(lastMessage().text, "No new categories were added to existing|equipment records.");
  EXPECT_EQ(costKeys(), after);
}

// After a run that left ZZ-100 without categories and ZZ-200 without FUEL.
TEST_F(CategoryTest, TheListReportsTheCategoriesItCouldNotAdd) {
  ASSERT_EQ(applyCategoriesToAll(ctx).failed, 0);  // the demo's gaps filled
  addRefusedTrailers();
  ASSERT_EQ(applyCategoriesToAll(ctx).failed, 13);

  // Only ZZ-100's FUEL refused now: the list counts what was written and says what was not.
  sql("DROP TRIGGER refuse", "DROP TRIGGER refuse ON eqcost");
  sql("CREATE TRIGGER refuse BEFORE INSERT ON EQCOST WHEN NEW.EquipmentID = 'ZZ-100' AND "
      "NEW.CostCategory = 'FUEL' BEGIN SELECT RAISE(ABORT, 'refused'); END",
      "CREATE TRIGGER refuse BEFORE INSERT ON eqcost FOR EACH ROW WHEN (NEW.\"EquipmentID\" = "
      "'ZZ-100' AND NEW.\"CostCategory\" = 'FUEL') EXECUTE FUNCTION refuse()");
  applyThroughTheList("&Yes");
  auto& list = static_cast<CategoryBrowse&>(*desktop.top());
  EXPECT_EQ(list.lastApply().added, 12);
  EXPECT_EQ(list.lastApply().failed, 1);
  EXPECT_EQ(lastMessage().text,
            "New categories were added to 2 existing|equipment records.||One category could not "
            "be added to its equipment.");
  EXPECT_EQ(lastMessage().icon, ui::Icon::Exclamation);
  EXPECT_EQ(costKeys().count(padRight("ZZ-100", 10) + "FUEL"), 0u);
  EXPECT_EQ(costKeys().count(padRight("ZZ-100", 10) + "OIL"), 1u);
  EXPECT_EQ(costKeys().count(padRight("ZZ-200", 10) + "FUEL"), 1u);
}

TEST_F(CategoryTest, ListAndSearchScenario) {
  addCategory("WASH", "Washing");
  ASSERT_EQ(runScenario("categories_browse.scenario"), kScenarioPassed) << transcript.str();
  data::FileAccess f(session.store(), data::EqCode::def(), session.errors());
  EXPECT_NE(f.fetch("KeyCategoryID", {data::Value(std::string("WASH"))}), data::kNoError);
  EXPECT_EQ(f.fetch("KeyCategoryID", {data::Value(std::string("FUEL"))}), data::kNoError);
}

TEST_F(CategoryTest, FormScenario) {
  ASSERT_EQ(runScenario("categories_form.scenario"), kScenarioPassed) << transcript.str();
  data::FileAccess f(session.store(), data::EqCode::def(), session.errors());
  ASSERT_EQ(f.fetch("KeyCategoryID", {data::Value(std::string("WASH"))}), data::kNoError);
  EXPECT_EQ(data::valueToText(f.get("EQD:DefaultExpenseControl")), "6120");
  EXPECT_EQ(data::valueToText(f.get("EQD:DefaultUnit")), "Each");
  EXPECT_EQ(data::valueToText(f.get("EQD:ScheduleType")), "E");
  EXPECT_EQ(f.get("EQD:Meter"), data::Value(std::int64_t{500}));  // kept while hidden
  EXPECT_EQ(f.get("EQD:Interval"), data::Value(std::int64_t{3}));
}

TEST_F(CategoryTest, SelectModeViewAndStoredTypes) {
  addCategory("ODD", "Odd type", "X");
  // Select mode: no Apply to All; Select leaves the category in the buffer.
  ctx.g.GlobalRequest = 4;
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQCode"));
  EXPECT_EQ(user.property("?APPLYTOALL", "visible"), "0");
  EXPECT_EQ(user.property("?SELECT", "visible"), "1");
  user.select("?BROWSE:1", "ODD");
  user.press("&Select");
  EXPECT_EQ(ctx.g.GlobalResponse, 1);
  EXPECT_EQ(data::valueToText(ctx.file(data::EqCode::def()).get("EQD:CategoryID")), "ODD");

  // An unknown type letter shows as None and is stored as N on save.
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQCode"));
  user.select("?BROWSE:1", "ODD");
  user.press("&Change");
  EXPECT_EQ(user.property("?LOC:ScheduleType", "value"), "None");
  EXPECT_EQ(user.property("?EQD:Meter", "visible"), "0");
  user.press("OK");
  data::FileAccess f(session.store(), data::EqCode::def(), session.errors());
  ASSERT_EQ(f.fetch("KeyCategoryID", {data::Value(std::string("ODD"))}), data::kNoError);
  EXPECT_EQ(data::valueToText(f.get("EQD:ScheduleType")), "N");
  user.close();

  // View: read-only, its own title, OK only closes.
  ctx.g.GlobalRequest = 6;
  ASSERT_TRUE(desktop.call(ctx, "UpdateEQCode"));
  EXPECT_EQ(user.title(), "View Record");
  EXPECT_EQ(user.property("?EQD:Description", "readonly"), "1");
  user.press("OK");
  EXPECT_EQ(desktop.top(), nullptr);

  // A direct delete request of a category in use is refused by the form as well.
  ctx.file(data::EqCode::def()).fetch("KeyCategoryID", {data::Value(std::string("FUEL"))});
  ctx.g.GlobalRequest = 3;
  ASSERT_TRUE(desktop.call(ctx, "UpdateEQCode"));
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
  EXPECT_EQ(lastMessage().caption, "Cannot Delete Category");
}

TEST_F(CategoryTest, DescriptionCaseModeIsKeptPerField) {
  ctx.g.GlobalRequest = 1;
  ASSERT_TRUE(desktop.call(ctx, "UpdateEQCode"));
  auto& form = static_cast<CategoryForm&>(*desktop.top());
  // A blank expense account takes the company's default when it gets the focus; a filled one
  // keeps its own.
  user.focus("?EQD:DefaultExpenseControl");
  EXPECT_EQ(user.property("?EQD:DefaultExpenseControl", "value"), "6130");
  user.type("?EQD:DefaultExpenseControl", "6110");
  user.focus("?EQD:Description");
  user.focus("?EQD:DefaultExpenseControl");
  EXPECT_EQ(user.property("?EQD:DefaultExpenseControl", "value"), "6110");
  EXPECT_EQ(form.descriptionCase(), CaseMode::Def);
  // The menu marks the current mode; a new one is applied and stored.
  port.queueMenu(3);
  user.key("?EQD:Description", "Ctrl+Click");
  EXPECT_NE(port.log().back().find("\u2022  small text"), std::string::npos) << port.log().back();
  EXPECT_EQ(form.descriptionCase(), CaseMode::Upr);
  EXPECT_EQ(suite::GETCASE(ctx, "000EQD:Description"), "UPR");
  user.type("?EQD:Description", "pressure washing");
  EXPECT_EQ(user.property("?EQD:Description", "value"), "PRESSURE WASHING");
  user.close();

  // The next form opens with the stored mode.
  ctx.g.GlobalRequest = 1;
  ASSERT_TRUE(desktop.call(ctx, "UpdateEQCode"));
  EXPECT_EQ(static_cast<CategoryForm&>(*desktop.top()).descriptionCase(), CaseMode::Upr);
  // No choice, or the same mode, stores nothing new.
  port.queueMenu(0);
  user.key("?EQD:Description", "Ctrl+Click");
  EXPECT_EQ(suite::GETCASE(ctx, "000EQD:Description"), "UPR");
  port.queueMenu("Capitalized Text");
  user.key("?EQD:Description", "Ctrl+Click");
  EXPECT_EQ(suite::GETCASE(ctx, "000EQD:Description"), "CAP");
}

TEST_F(CategoryTest, TrainingVideoSendToHelpAndTypeAhead) {
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQCode"));
  EXPECT_EQ(shared.autoEntry.controls("BrowseEQCode"), std::vector<std::string>{"?CodeLocator"});

  ctx.g.REPORTFILTER = "kept";
  user.press("Play training video");
  ASSERT_EQ(port.opened().size(), 1u);
  EXPECT_EQ(std::filesystem::path(port.opened().front()),
            suite::defaultHelpFolder() / "training" / "EQCatEnt.htm");
  EXPECT_TRUE(std::filesystem::is_regular_file(port.opened().front()));
  EXPECT_EQ(ctx.g.REPORTFILTER, "kept");
  EXPECT_EQ(user.property("?CLOSE", "focus"), "1");  // Tab after the video

  port.queueMenu("Copy to Clipboard");
  user.press("Send List Contents To...");
  EXPECT_EQ(port.clipboard().substr(0, 72),
            "Equipment Maintenance Categories\nCategory ID\tDescription\nDEPREC\tDeprecia");
  port.setClipboard("");
  port.queueMenu("Send List Contents To...");
  port.queueMenu("Copy to Clipboard");
  user.key("?BROWSE:1", "RightClick");
  EXPECT_NE(port.clipboard().find("UNDERCAR\tUndercarriage\n"), std::string::npos);

  user.press("Help");
  EXPECT_EQ(port.helpShown().back(), "html/EC_Cost_Categories.htm");

  // The Insert key runs the form; its Help shows the form's topic.
  user.key("?BROWSE:1", "Insert");
  EXPECT_EQ(user.title(), "Adding a Cost Category");
  user.press("Help");
  EXPECT_EQ(port.helpShown().back(),
            "html/EC_Cost_Categories.htm#ec_insert_or_change_a_cost_category");
  EXPECT_EQ(shared.autoEntry.controls("UpdateEQCode"),
            (std::vector<std::string>{"?EQD:CategoryID", "?EQD:DefaultExpenseControl",
                                      "?EQD:DefaultUnit", "?EQD:Description"}));
  // Cancel adds nothing.
  user.press("Cancel");
  EXPECT_EQ(user.property("?BROWSE:1", "rows"), "12");
}

TEST_F(CategoryTest, ADuplicateCategoryIsRefusedAndTheFormStaysOpen) {
  ctx.g.GlobalRequest = 1;
  ASSERT_TRUE(desktop.call(ctx, "UpdateEQCode"));
  user.type("?EQD:CategoryID", "FUEL");
  user.type("?EQD:Description", "Second fuel");
  user.press("OK");
  EXPECT_EQ(user.title(), "Adding a Cost Category");  // still open
  ASSERT_TRUE(session.errors().last());
  EXPECT_NE(session.errors().last()->message.find("Inserting EQCode"), std::string::npos);
  user.press("Cancel");
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
  EXPECT_EQ(records(data::EqCode::def()), 12);
}

// Renaming a category that equipment carries used to leave every EQCOST record of it without
// its description. Who carries it, and the message's wording, are the engine's tests.
TEST_F(CategoryTest, TheCodeOfACategoryInUseCannotBeChanged) {
  addCategory("ZZCAT", "Not carried yet");
  const int fuel = equipmentCarrying(ctx, "FUEL");

  ASSERT_TRUE(desktop.call(ctx, "BrowseEQCode"));
  user.select("?BROWSE:1", "FUEL");
  user.press("&Change");
  user.type("?EQD:CategoryID", "DIESEL");
  EXPECT_EQ(lastMessage().caption, "Cannot Change Category");
  EXPECT_EQ(lastMessage().text, "The code of cost category FUEL cannot be changed: " +
                                    std::to_string(fuel) + " pieces of equipment carry it.");
  EXPECT_EQ(user.property("?EQD:CategoryID", "value"), "FUEL");
  EXPECT_EQ(user.property("?EQD:CategoryID", "focus"), "1");
  user.type("?EQD:Description", "Fuel and oil");
  user.press("OK");  // the rest of the record may change
  EXPECT_EQ(equipmentCarrying(ctx, "FUEL"), fuel);

  // Carried by none, the code may change.
  user.select("?BROWSE:1", "ZZCAT");
  user.press("&Change");
  user.type("?EQD:CategoryID", "ZZNEW");
  user.press("OK");
  data::FileAccess code(session.store(), data::EqCode::def(), session.errors());
  EXPECT_EQ(code.fetch("KeyCategoryID", {data::Value(std::string("ZZNEW"))}), data::kNoError);
}

}  // namespace
}  // namespace koreq::equipment::test
