#include "ui/model/window_def.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace koreq::ui {
namespace {

// The first line of a parse error, for matching.
std::string parseError(const std::string& json) {
  try {
    parseWindowDef(json, "Test.json");
  } catch (const WindowDefError& e) {
    return e.what();
  }
  return "(no error)";
}

std::string window(const std::string& controls) {
  return R"({"name": "Test", "controls": [)" + controls + "]}";
}

TEST(WindowDefTest, ReadsEveryKindWithItsAttributes) {
  WindowDef w = parseWindowDef(R"({
    "name": "UpdateThing", "title": "Update the Thing File", "help": "html/x.htm#y",
    "controls": [
      {"kind": "sheet", "name": "?SHEET", "controls": [
        {"kind": "tab", "name": "?TAB1", "text": "&General", "controls": [
          {"kind": "prompt", "text": "Equipment ID:"},
          {"kind": "entry", "name": "?EQH:EquipmentID", "use": "EQH:EquipmentID",
           "picture": "@s10", "required": true, "case": "upper", "history": true,
           "lookup": "?LOOK"},
          {"kind": "button", "name": "?LOOK", "text": "...", "key": "F2"},
          {"kind": "check", "name": "?ACTIVE", "text": "Active", "on": "Y", "off": "N"},
          {"kind": "radio", "name": "?METHOD", "items": [
            {"text": "Straight Line", "value": 1}, {"text": "Half", "value": 0.5}, "Other"]}
        ]},
        {"kind": "tab", "name": "?TAB2", "text": "&List", "controls": [
          {"kind": "list", "name": "?BROWSE:1", "columns": [
            {"header": "ID", "use": "EQH:EquipmentID", "width": 10, "group": "Equipment"},
            {"header": "", "use": "Icon", "icon": true}]}
        ]}
      ]},
      {"kind": "button", "name": "?OK", "text": "&OK", "action": "OK", "default": true},
      {"kind": "button", "name": "?CAL", "action": "calendar", "for": "?EQH:EquipmentID"}
    ]})",
                               "UpdateThing.json");
  EXPECT_EQ(w.name, "UpdateThing");
  EXPECT_EQ(w.help, "html/x.htm#y");
  auto all = flatten(w);
  ASSERT_EQ(all.size(), 11u);
  std::vector<std::string> names;
  for (auto* c : all) names.push_back(c->name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"?SHEET", "?TAB1", "", "?EQH:EquipmentID", "?LOOK", "?ACTIVE",
                                      "?METHOD", "?TAB2", "?BROWSE:1", "?OK", "?CAL"}));
  const ControlDef& id = *all[3];
  EXPECT_EQ(id.kind, ControlKind::Entry);
  EXPECT_TRUE(id.required);
  EXPECT_TRUE(id.history);
  EXPECT_EQ(id.caseMode, CaseMode::Upr);
  EXPECT_EQ(id.lookup, "?LOOK");
  EXPECT_EQ(all[4]->key, Key::F2);
  EXPECT_EQ(all[5]->onValue, data::Value(std::string("Y")));
  EXPECT_EQ(all[5]->offValue, data::Value(std::string("N")));
  const ControlDef& radio = *all[6];
  ASSERT_EQ(radio.items.size(), 3u);
  EXPECT_EQ(radio.items[0].value, data::Value(std::int64_t{1}));
  EXPECT_EQ(radio.items[1].value, data::Value(*Decimal::parse("0.5")));
  EXPECT_EQ(radio.items[2].value, data::Value(std::string("Other")));
  const ControlDef& list = *all[8];
  ASSERT_EQ(list.columns.size(), 2u);
  EXPECT_EQ(list.columns[0].group, "Equipment");
  EXPECT_TRUE(list.columns[1].icon);
  EXPECT_EQ(all[9]->action, StandardAction::Ok);
  EXPECT_TRUE(all[9]->isDefault);
  EXPECT_EQ(all[10]->action, StandardAction::Calendar);
}

TEST(WindowDefTest, ErrorsNameTheFileAndTheControl) {
  EXPECT_NE(parseError("{").find("Test.json: not valid JSON"), std::string::npos);
  EXPECT_EQ(parseError("[]"), "Test.json: the file must hold one JSON object");
  EXPECT_EQ(parseError(R"({"controls": []})"), "Test.json: missing \"name\"");
  EXPECT_EQ(parseError(R"({"name": "T", "titel": "x", "controls": []})"),
            "Test.json: unknown attribute \"titel\"");
  EXPECT_EQ(parseError(window(R"({"kind": "entri", "name": "?A"})")),
            "Test.json: control #1: unknown kind \"entri\"");
  EXPECT_EQ(parseError(window(R"({"kind": "entry"})")),
            "Test.json: control #1: a entry needs a \"name\"");
  EXPECT_EQ(parseError(window(R"({"kind": "entry", "name": "A"})")),
            "Test.json: control A: control names start with \"?\"");
  EXPECT_EQ(
      parseError(window(R"({"kind": "entry", "name": "?A"}, {"kind": "button", "name": "?a"})")),
      "Test.json: control ?a: the name is used twice");
  EXPECT_EQ(parseError(window(R"({"kind": "entry", "name": "?A", "picture": "s10"})")),
            "Test.json: control ?A: a picture starts with \"@\"");
  EXPECT_EQ(parseError(window(R"({"kind": "entry", "name": "?A", "lookup": "?B"})")),
            "Test.json: control ?A: \"lookup\" names no control: ?B");
  EXPECT_EQ(parseError(window(R"({"kind": "tab", "name": "?T"})")),
            "Test.json: control ?T: a tab must be inside a sheet");
  EXPECT_EQ(parseError(window(R"({"kind": "sheet", "name": "?S", "controls": [
                                   {"kind": "entry", "name": "?E"}]})")),
            "Test.json: control ?E: a sheet holds only tabs");
  EXPECT_EQ(parseError(window(R"({"kind": "list", "name": "?L"})")),
            "Test.json: control ?L: a list needs \"columns\"");
  EXPECT_EQ(parseError(window(R"({"kind": "list", "name": "?L", "columns": [{"header": "x"}]})")),
            "Test.json: control ?L column 1: missing \"use\"");
  EXPECT_EQ(parseError(window(R"({"kind": "radio", "name": "?R"})")),
            "Test.json: control ?R: a radio group needs \"items\"");
  EXPECT_EQ(parseError(window(R"({"kind": "button", "name": "?B", "action": "calendar"})")),
            "Test.json: control ?B: a calendar button names its entry in \"for\"");
  EXPECT_EQ(parseError(window(R"({"kind": "button", "name": "?B", "action": "explode"})")),
            "Test.json: control ?B: unknown action \"explode\"");
  EXPECT_EQ(parseError(window(R"({"kind": "button", "name": "?B", "key": "F13"})")),
            "Test.json: control ?B: unknown key \"F13\"");
  EXPECT_EQ(parseError(window(R"({"kind": "entry", "name": "?E", "required": "yes"})")),
            "Test.json: control ?E: \"required\" must be true or false");
  EXPECT_EQ(parseError(window(R"({"kind": "entry", "name": "?E", "on": 1})")),
            "Test.json: control ?E: \"on\" and \"off\" belong to check boxes");
  EXPECT_EQ(parseError(window(R"({"kind": "group", "text": "G", "controls": [
                                   {"kind": "droplist", "name": "?D", "items": [{"value": 1}]}]})")),
            "Test.json: control ?D: item 1: missing \"text\"");
}

TEST(WindowDefTest, KeysByName) {
  EXPECT_EQ(keyFromName("f2"), Key::F2);
  EXPECT_EQ(keyFromName("Ctrl+H"), Key::CtrlH);
  EXPECT_EQ(keyFromName("ctrl-k"), Key::CtrlK);
  EXPECT_EQ(keyFromName("Ctrl+Click"), Key::CtrlClick);
  EXPECT_EQ(keyFromName("Insert"), Key::Insert);
  EXPECT_EQ(keyFromName("Del"), Key::Delete);
  EXPECT_EQ(keyFromName("Hyper"), Key::None);
  EXPECT_STREQ(keyName(Key::CtrlH), "Ctrl+H");
}

TEST(WindowDefTest, EmbeddedResourcesLoadByName) {
  auto names = windowDefNames();
  EXPECT_NE(std::find(names.begin(), names.end(), "SearchEquipment"), names.end());
  // Every embedded window must parse: a broken resource fails here, not in front of a user.
  for (const std::string& n : names) EXPECT_NO_THROW(windowDef(n)) << n;
  const WindowDef& a = windowDef("searchequipment");
  EXPECT_EQ(&a, &windowDef("SearchEquipment"));  // parsed once
  EXPECT_EQ(a.title, "Search the Equipment File");
  try {
    windowDef("NoSuchWindow");
    FAIL();
  } catch (const WindowDefError& e) {
    EXPECT_STREQ(e.what(), "no window resource named NoSuchWindow");
  }
}

}  // namespace
}  // namespace koreq::ui
