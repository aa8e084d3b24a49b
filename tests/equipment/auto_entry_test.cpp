#include "equipment/auto_entry.h"

#include "ui/headless/scripted_user.h"
#include "ui/model/procedure.h"
#include "ui/ui_fixture.h"

namespace koreq::equipment {
namespace {

using V = std::vector<std::string>;

class AutoEntryTest : public ui::test::UiTest {
 protected:
  std::int64_t stored() { return ctx.access<data::AutoEntryRecord>().records(); }
  AutoEntry ae;
};

TEST_F(AutoEntryTest, RemembersCompletesMostUsedFirstWithoutRegardToCase) {
  ae.registerControl("UpdateEQHeader", "?EQH:Description");
  ae.registerControl("UpdateEQHeader", "?EQH:Location");
  ae.setStatus(1);

  EXPECT_TRUE(ae.remember(ctx, "UpdateEQHeader", "?EQH:Description", "Excavator"));
  EXPECT_TRUE(ae.remember(ctx, "UpdateEQHeader", "?EQH:Description", "Dump truck"));
  clock.set(*Date::fromYmd(2024, 3, 16), Time::fromHms(9, 0));
  EXPECT_TRUE(ae.remember(ctx, "UpdateEQHeader", "?EQH:Description", "Dozer"));
  EXPECT_TRUE(ae.remember(ctx, "updateeqheader", "?eqh:description", "Dump truck  "));
  EXPECT_TRUE(ae.remember(ctx, "UpdateEQHeader", "?EQH:Location", "Depot"));
  EXPECT_EQ(stored(), 4);  // the second "Dump truck" counted, not added

  // Most used first; equal uses: the latest used first.
  EXPECT_EQ(ae.completions(ctx, "UpdateEQHeader", "?EQH:Description", "d"),
            (V{"Dump truck", "Dozer"}));
  EXPECT_EQ(ae.completions(ctx, "UPDATEEQHEADER", "?EQH:DESCRIPTION", "DU"), V{"Dump truck"});
  EXPECT_EQ(ae.completions(ctx, "UpdateEQHeader", "?EQH:Description", ""),
            (V{"Dump truck", "Dozer", "Excavator"}));
  EXPECT_TRUE(ae.completions(ctx, "UpdateEQHeader", "?EQH:Description", "Dump trucks").empty());
  // Per control and per section.
  EXPECT_EQ(ae.completions(ctx, "UpdateEQHeader", "?EQH:Location", "D"), V{"Depot"});
  EXPECT_TRUE(ae.completions(ctx, "UpdateEQCode", "?EQH:Description", "D").empty());

  data::Access<data::AutoEntryRecord> a(ctx.store(), ctx.errors());
  ASSERT_EQ(a.fetch("KeyValue", {data::Value("UPDATEEQHEADER"), data::Value("?EQH:DESCRIPTION"),
                                 data::Value("Dump truck")}),
            data::kNoError);
  EXPECT_EQ(a.rec().Uses, 2);
  EXPECT_EQ(a.rec().LastUsed, *Date::fromYmd(2024, 3, 16));

  // Kept in the company: a fresh object sees them once on.
  AutoEntry other;
  EXPECT_TRUE(other.completions(ctx, "UpdateEQHeader", "?EQH:Description", "").empty());
  other.setStatus(1);
  EXPECT_EQ(other.completions(ctx, "UpdateEQHeader", "?EQH:Description", "ex"), V{"Excavator"});
}

TEST_F(AutoEntryTest, NothingRememberedWhenOffUnregisteredOrBlank) {
  ae.registerControl("UpdateEQHeader", "?EQH:Description");
  EXPECT_FALSE(ae.remember(ctx, "UpdateEQHeader", "?EQH:Description", "Excavator"));  // off
  ae.setStatus(1);
  EXPECT_FALSE(ae.remember(ctx, "UpdateEQHeader", "?EQH:VIN", "1234"));
  EXPECT_FALSE(ae.remember(ctx, "BrowseEQHeader", "?EQH:Description", "Excavator"));
  EXPECT_FALSE(ae.remember(ctx, "UpdateEQHeader", "?EQH:Description", "   "));
  EXPECT_EQ(stored(), 0);
  // A value longer than the field is kept cut to 100 characters, leading blanks dropped.
  EXPECT_TRUE(ae.remember(ctx, "UpdateEQHeader", "?EQH:Description", "  " + std::string(120, 'x')));
  EXPECT_EQ(ae.completions(ctx, "UpdateEQHeader", "?EQH:Description", "x"),
            V{std::string(100, 'x')});
  ae.setStatus(0);
  EXPECT_TRUE(ae.completions(ctx, "UpdateEQHeader", "?EQH:Description", "x").empty());
}

TEST_F(AutoEntryTest, ToggleSwitchesAndReinitialises) {
  ae.registerControl("UpdateEQHeader", "?EQH:Description");
  registerToggleAutoEntry(registry, ae);
  session.g.DATAPATH = (folder.path / "co").string() + "   ";
  session.g.AutoEntry = 1;
  ASSERT_TRUE(desktop.call(ctx, "ToggleAutoEntryEQ"));
  EXPECT_TRUE(ae.on());
  EXPECT_EQ(ae.dataFile(), folder.path / "co" / "AutoEntry.dat");
  EXPECT_TRUE(ae.remember(ctx, "UpdateEQHeader", "?EQH:Description", "Grader"));
  session.g.AutoEntry = 0;
  ASSERT_TRUE(desktop.call(ctx, "ToggleAutoEntryEQ"));
  EXPECT_FALSE(ae.on());
  EXPECT_EQ(ae.initialisations(), 2);
  EXPECT_FALSE(ae.remember(ctx, "UpdateEQHeader", "?EQH:Description", "Paver"));
  EXPECT_EQ(stored(), 1);
}

const ui::WindowDef& formDef() {
  static const ui::WindowDef d = ui::parseWindowDef(R"({
    "name": "UpdateThing", "title": "Thing",
    "controls": [
      {"kind": "prompt", "text": "Description:"},
      {"kind": "entry", "name": "?EQH:Description", "use": "LOC:Description", "picture": "@s40"},
      {"kind": "prompt", "text": "Location:"},
      {"kind": "entry", "name": "?EQH:Location", "use": "LOC:Location", "picture": "@s10"},
      {"kind": "button", "name": "?GO", "text": "&Go"}
    ]})",
                                                    "UpdateThing.json");
  return d;
}

class Thing : public ui::Procedure {
 public:
  Thing(frame::Context& ctx, AutoEntry& ae) : Procedure(ctx, "UpdateThing", formDef()) {
    bindLocal("LOC:Description", description);
    bindLocal("LOC:Location", location);
    ae.registerControl(name(), "?EQH:Description");
  }
  // A hook that skips the standard handling does not stop the value being remembered.
  void accepted(ui::Control&) override { cycle(); }
  Str<40> description;
  Str<10> location;
};

TEST_F(AutoEntryTest, AcceptedEntriesOfAWindowAreRemembered) {
  ui::headless::ScriptedUser user(desktop);
  desktop.setAutoEntry(&ae);
  ae.setStatus(1);
  auto& w = static_cast<Thing&>(desktop.open(std::make_unique<Thing>(ctx, ae)));
  user.type("Description:", "Wheel loader");
  user.type("Location:", "Yard");  // not registered
  user.press("?GO");
  user.type("Description:", "wheel loader");
  user.type("Description:", "Wheel loader");
  EXPECT_EQ(w.description, "Wheel loader");
  EXPECT_EQ(stored(), 2);
  EXPECT_EQ(ae.completions(w, w.control("?EQH:Description"), "WH"),
            (V{"Wheel loader", "wheel loader"}));
  EXPECT_TRUE(ae.completions(w, w.control("?EQH:Location"), "").empty());

  ae.setStatus(0);
  user.type("Description:", "Grader");
  EXPECT_EQ(stored(), 2);
  desktop.setAutoEntry(nullptr);
  ae.setStatus(1);
  user.type("Description:", "Paver");  // no service on the desktop
  EXPECT_EQ(stored(), 2);
}

}  // namespace
}  // namespace koreq::equipment
