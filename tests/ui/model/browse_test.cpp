#include "ui/model/browse_procedure.h"

#include <cstdio>

#include "ui/headless/scripted_user.h"
#include "ui/model/form_procedure.h"
#include "ui/ui_fixture.h"

namespace koreq::ui {
namespace {

const WindowDef& browseDef() {
  static const WindowDef d = parseWindowDef(R"({
    "name": "TestBrowse", "title": "Equipment File Maintenance",
    "controls": [
      {"kind": "entry", "name": "?EQUIPMENTLOCATOR", "picture": "@s20"},
      {"kind": "list", "name": "?BROWSE:1", "columns": [
        {"header": "Equipment ID", "use": "EQH:EquipmentID", "picture": "@s10"},
        {"header": "Description", "use": "EQH:Description", "picture": "@s40"},
        {"header": "Class Code", "use": "EQH:ClassCode & ''", "picture": "@s30"}]},
      {"kind": "button", "name": "?INSERT:2", "text": "&Insert", "action": "insert"},
      {"kind": "button", "name": "?CHANGE:2", "text": "&Change", "action": "change"},
      {"kind": "button", "name": "?DELETE:2", "text": "&Delete", "action": "delete"},
      {"kind": "check", "name": "?SHOWACTIVE", "text": "Show Active Equipment",
       "use": "ShowActive"},
      {"kind": "button", "name": "?SELECT", "text": "&Select", "action": "select"},
      {"kind": "prompt", "text": "Show Inactive Equipment", "for": "?SHOWINACTIVE"},
      {"kind": "check", "name": "?SHOWINACTIVE", "use": "ShowInactive"},
      {"kind": "button", "name": "?CLOSE", "text": "Close", "action": "close"}
    ]})",
                                            "TestBrowse.json");
  return d;
}

class TestBrowse : public BrowseProcedure {
 public:
  explicit TestBrowse(frame::Context& ctx)
      : BrowseProcedure(ctx, "TestBrowse", data::EqHeader::def(), browseDef()) {
    bindLocal("ShowActive", showActive);
    bindLocal("ShowInactive", showInactive);
  }
  void init() override {
    setSortOrder(*data::EqHeader::def().key("EQH:KeyEquipmentID"));
    setFilter("((ShowActive AND EQH:Active) OR (ShowInactive AND ~EQH:Active))");
    addResetField("ShowActive");
    addResetField("ShowInactive");
    setLocator("?EQUIPMENTLOCATOR");
    setFormProcedure("UpdateThing");
    setRowStyle([](const data::FileAccess& row) {
      RowStyle s;
      if (std::get<std::int64_t>(row.get("EQH:Active")) == 0) {
        s.foreground = 0x008000;
        s.selectedForeground = 0x00FF00;
      }
      return s;
    });
  }
  std::uint8_t showActive = 1, showInactive = 1;
};

const WindowDef& formDef() {
  static const WindowDef d = parseWindowDef(R"({
    "name": "UpdateThing", "controls": [
      {"kind": "prompt", "text": "Equipment ID:"},
      {"kind": "entry", "name": "?EQH:EquipmentID", "use": "EQH:EquipmentID", "required": true},
      {"kind": "prompt", "text": "Description:"},
      {"kind": "entry", "name": "?EQH:Description", "use": "EQH:Description"},
      {"kind": "check", "name": "?EQH:Active", "text": "Active", "use": "EQH:Active"},
      {"kind": "button", "name": "?OK", "text": "&OK", "action": "ok"},
      {"kind": "button", "name": "?CANCEL", "text": "&Cancel", "action": "cancel"}
    ]})",
                                            "UpdateThing.json");
  return d;
}

class ThingForm : public FormProcedure {
 public:
  ThingForm(frame::Context& ctx, std::vector<std::string>* log)
      : FormProcedure(ctx, "UpdateThing", data::EqHeader::def(), formDef()), log_(*log) {}
  void init() override {
    log_.push_back("form request " + std::to_string(static_cast<int>(request())) + " on " +
                   std::get<std::string>(primary().get("EQH:EquipmentID")));
  }

 private:
  std::vector<std::string>& log_;
};

class BrowseTest : public test::UiTest {
 protected:
  BrowseTest() {
    registerWindow(registry, "UpdateThing",
                   [this](frame::Context& c) { return std::make_unique<ThingForm>(c, &log); });
    registerWindow<TestBrowse>(registry, "TestBrowse");
  }
  void addSample() {
    addEquipment("TRK-02", "Dump truck", true, "Trucks");
    addEquipment("CAB-01", "Cab tractor", false, "Tractors");
    addEquipment("EXC-01", "Excavator", true, "Diggers");
    addEquipment("SAW-01", "Slab saw", false);
  }
  TestBrowse& open(Request r = Request::None) {
    ctx.g.GlobalRequest = static_cast<int>(r);
    EXPECT_TRUE(desktop.call(ctx, "TestBrowse"));
    return static_cast<TestBrowse&>(*desktop.top());
  }
  std::string rows() {
    std::string out;
    Control& list = user.find("?BROWSE:1");
    for (std::int64_t r = 0; list.list()->ensureRow(r); ++r)
      out += (out.empty() ? "" : " ") + std::get<std::string>(list.list()->cellValue(r, 0));
    return out;
  }
  std::vector<std::string> log;
  headless::ScriptedUser user{desktop};
};

TEST_F(BrowseTest, ALargeListOpensWithOnePageAndFetchesTheRestOnDemand) {
  {
    data::Transaction t(session.store(), std::chrono::seconds(5));
    char id[16];
    for (int i = 1; i <= 3000; ++i) {
      std::snprintf(id, sizeof id, "E-%04d", i);
      addEquipment(id, std::string("Machine ") + id, i % 3 != 0);
    }
    t.commit();
  }
  TestBrowse& b = open();
  ViewListModel& m = b.list();
  EXPECT_EQ(m.rowCount(), 100);
  EXPECT_TRUE(m.canFetchMore());
  EXPECT_EQ(user.property("?BROWSE:1", "loaded"), "100");
  EXPECT_EQ(user.property("?BROWSE:1", "row", "1"), "E-0001|Machine E-0001|");
  EXPECT_EQ(user.property("?BROWSE:1", "current"), "1");
  m.fetchMore();
  EXPECT_EQ(m.rowCount(), 200);
  // Row 1500 is fetched when asked for, not before.
  EXPECT_EQ(user.property("?BROWSE:1", "row", "1500"), "E-1500|Machine E-1500|");
  EXPECT_EQ(m.rowCount(), 1500);
  EXPECT_EQ(user.property("?BROWSE:1", "rows"), "3000");
  EXPECT_FALSE(m.canFetchMore());
  // The filter reads its bound names: the inactive ones (every third) go, a page at a time.
  user.check("?SHOWINACTIVE", false);
  EXPECT_EQ(m.rowCount(), 100);
  EXPECT_EQ(user.property("?BROWSE:1", "row", "3"), "E-0004|Machine E-0004|");
  EXPECT_EQ(user.property("?BROWSE:1", "rows"), "2000");
  // The locator finds a row far down the list, fetching up to it.
  user.check("?SHOWINACTIVE", true);
  user.type("?EQUIPMENTLOCATOR", "e-2500");
  EXPECT_EQ(user.property("?BROWSE:1", "current"), "2500");
  EXPECT_GE(m.rowCount(), 2500);
  EXPECT_LT(m.rowCount(), 3000);
  // A key sort reads lazily, descending too (backward).
  user.sort("?BROWSE:1", "Equipment ID");
  EXPECT_TRUE(m.sortAscending());
  EXPECT_EQ(m.rowCount(), 100);
  EXPECT_EQ(user.property("?BROWSE:1", "row", "1"), "E-0001|Machine E-0001|");
  user.sort("?BROWSE:1", "Equipment ID");
  EXPECT_FALSE(m.sortAscending());
  EXPECT_EQ(m.rowCount(), 100);
  EXPECT_EQ(user.property("?BROWSE:1", "row", "1"), "E-3000|Machine E-3000|");
}

TEST_F(BrowseTest, ResetFieldsRefilterAtOnce) {
  addSample();
  TestBrowse& b = open();
  EXPECT_EQ(rows(), "CAB-01 EXC-01 SAW-01 TRK-02");
  user.check("Show Inactive Equipment", false);
  EXPECT_EQ(b.showInactive, 0);
  EXPECT_EQ(rows(), "EXC-01 TRK-02");
  user.check("Show Active Equipment", false);
  EXPECT_EQ(rows(), "");  // both off: empty
  EXPECT_EQ(user.property("?BROWSE:1", "rows"), "0");
  EXPECT_EQ(user.property("?BROWSE:1", "current"), "0");
  user.check("?SHOWINACTIVE", true);
  EXPECT_EQ(rows(), "CAB-01 SAW-01");
  // Inactive rows are green, lime when highlighted.
  EXPECT_EQ(b.list().style(0).foreground, 0x008000u);
  EXPECT_EQ(b.list().style(0).selectedForeground, 0x00FF00u);
  user.check("?SHOWACTIVE", true);
  EXPECT_FALSE(b.list().style(1).foreground);  // EXC-01 is active: default colours
  // A change made by code counts the same once the event is handled.
  user.select("?BROWSE:1", "TRK-02");
  b.showActive = 0;
  user.focus("?SHOWACTIVE");
  EXPECT_EQ(rows(), "CAB-01 SAW-01");
}

TEST_F(BrowseTest, LocatorIsIncrementalAndCaseInsensitive) {
  addSample();
  open();
  user.type("?EQUIPMENTLOCATOR", "s");
  EXPECT_EQ(user.property("?BROWSE:1", "current"), "3");  // SAW-01
  user.type("?EQUIPMENTLOCATOR", "ca");
  EXPECT_EQ(user.property("?BROWSE:1", "current"), "1");
  user.type("?EQUIPMENTLOCATOR", "D");  // between CAB and EXC: the next one
  EXPECT_EQ(user.property("?BROWSE:1", "current"), "2");
  user.type("?EQUIPMENTLOCATOR", "zz");  // past the end: the last row
  EXPECT_EQ(user.property("?BROWSE:1", "current"), "4");
  // After a header sort the locator works on that column.
  user.sort("?BROWSE:1", "Description");
  EXPECT_EQ(rows(), "CAB-01 TRK-02 EXC-01 SAW-01");
  user.type("?EQUIPMENTLOCATOR", "ex");
  EXPECT_EQ(user.property("?BROWSE:1", "row", user.property("?BROWSE:1", "current")),
            "EXC-01|Excavator|Diggers");
}

TEST_F(BrowseTest, HeaderClicksSortByThatColumn) {
  addSample();
  TestBrowse& b = open();
  user.sort("?BROWSE:1", "Description");
  EXPECT_EQ(rows(), "CAB-01 TRK-02 EXC-01 SAW-01");
  EXPECT_EQ(b.list().sortColumn(), 1);
  user.sort("?BROWSE:1", "Description");  // again: reversed
  EXPECT_EQ(rows(), "SAW-01 EXC-01 TRK-02 CAB-01");
  user.sort("?BROWSE:1", "3");  // an expression column (a field name without prefix)
  EXPECT_EQ(rows(), "SAW-01 EXC-01 CAB-01 TRK-02");
  // Sorting keeps the filter.
  user.check("?SHOWINACTIVE", false);
  EXPECT_EQ(rows(), "EXC-01 TRK-02");
  EXPECT_THROW(user.sort("?BROWSE:1", "Colour"), UiError);
}

TEST_F(BrowseTest, SelectModeAnswersWithTheHighlightedRecord) {
  addSample();
  TestBrowse& b = open(Request::Select);
  EXPECT_EQ(user.property("?SELECT", "visible"), "1");
  user.select("?BROWSE:1", "3");
  ctx.file(data::EqHeader::def()).clear();
  user.press("Select");
  EXPECT_EQ(desktop.depth(), 0u);
  EXPECT_EQ(ctx.g.GlobalResponse, 1);
  EXPECT_EQ(ctx.file(data::EqHeader::def()).get("EQH:EquipmentID"),
            data::Value(std::string("SAW-01")));
  (void)b;

  open(Request::Select);
  user.close();
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
  open(Request::Select);
  user.press("Close");
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
  // A double click selects too.
  open(Request::Select);
  user.activate("?BROWSE:1", "EXC-01");
  EXPECT_EQ(ctx.g.GlobalResponse, 1);
  EXPECT_EQ(ctx.file(data::EqHeader::def()).get("EQH:EquipmentID"),
            data::Value(std::string("EXC-01")));
  // Without the select request the Select button is hidden and Close leaves GlobalResponse.
  open();
  EXPECT_EQ(user.property("?SELECT", "visible"), "0");
  user.close();
  EXPECT_EQ(ctx.g.GlobalResponse, 0);
}

TEST_F(BrowseTest, InsertChangeAndDeleteRunTheFormAndRefresh) {
  addSample();
  open();
  user.press("Insert");
  ASSERT_EQ(desktop.top()->name(), "UpdateThing");
  EXPECT_EQ(log.back(), "form request 1 on ");
  user.type("Equipment ID", "BUL-01");
  user.type("Description", "Bulldozer");
  user.check("Active", true);
  user.press("OK");
  EXPECT_EQ(desktop.top()->name(), "TestBrowse");
  EXPECT_EQ(rows(), "BUL-01 CAB-01 EXC-01 SAW-01 TRK-02");
  EXPECT_EQ(user.property("?BROWSE:1", "current"), "1");  // on the new record

  user.select("?BROWSE:1", "EXC-01");
  user.activate("?BROWSE:1", "EXC-01");  // a double click changes
  EXPECT_EQ(log.back(), "form request 2 on EXC-01");
  user.type("Description", "Big excavator");
  user.press("OK");
  EXPECT_EQ(user.property("?BROWSE:1", "row", "3"), "EXC-01|Big excavator|Diggers");
  EXPECT_EQ(user.property("?BROWSE:1", "current"), "3");

  user.select("?BROWSE:1", "SAW-01");
  port.queueAnswer("&No");
  user.press("Delete");
  EXPECT_EQ(port.shown().back().text, "Are you sure you want to delete the highlighted record?");
  EXPECT_EQ(port.shown().back().caption, "Confirm Delete");
  EXPECT_EQ(log.back(), "form request 2 on EXC-01");  // the form did not run
  port.queueAnswer("&Yes");
  user.key("?BROWSE:1", "Delete");  // the Delete key presses Delete
  EXPECT_EQ(log.back(), "form request 3 on SAW-01");
  EXPECT_EQ(rows(), "BUL-01 CAB-01 EXC-01 TRK-02");
  EXPECT_EQ(user.property("?BROWSE:1", "current"), "4");  // the row that took its place

  // A cancelled form changes nothing, and the list stays where it was.
  user.select("?BROWSE:1", "CAB-01");
  user.key("?BROWSE:1", "Insert");
  user.press("Cancel");
  EXPECT_EQ(rows(), "BUL-01 CAB-01 EXC-01 TRK-02");
  EXPECT_EQ(user.property("?BROWSE:1", "current"), "2");
}

}  // namespace
}  // namespace koreq::ui
