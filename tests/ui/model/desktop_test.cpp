#include <thread>

#include "ui/headless/scripted_user.h"
#include "ui/model/form_procedure.h"
#include "ui/ui_fixture.h"

namespace koreq::ui {
namespace {

const WindowDef& callerDef() {
  static const WindowDef d = parseWindowDef(R"({
    "name": "Caller", "title": "Caller",
    "controls": [
      {"kind": "button", "name": "?INSERT", "text": "&Insert", "key": "Insert"},
      {"kind": "button", "name": "?PLAIN", "text": "&Plain"},
      {"kind": "button", "name": "?MISSING", "text": "&Missing"},
      {"kind": "button", "name": "?CLOSE", "text": "Close", "action": "close"}
    ]})",
                                            "Caller.json");
  return d;
}

const WindowDef& thingFormDef() {
  static const WindowDef d = parseWindowDef(R"({
    "name": "UpdateThing", "title": "Thing",
    "controls": [
      {"kind": "prompt", "text": "Equipment ID:"},
      {"kind": "entry", "name": "?EQH:EquipmentID", "use": "EQH:EquipmentID", "required": true},
      {"kind": "prompt", "text": "Description:"},
      {"kind": "entry", "name": "?EQH:Description", "use": "EQH:Description"},
      {"kind": "button", "name": "?OK", "text": "&OK", "action": "ok"},
      {"kind": "button", "name": "?CANCEL", "text": "&Cancel", "action": "cancel"}
    ]})",
                                            "UpdateThing.json");
  return d;
}

class Caller : public Procedure {
 public:
  Caller(frame::Context& ctx, std::vector<std::string>* log)
      : Procedure(ctx, "Caller", callerDef()), log_(*log) {}
  void accepted(Control& c) override {
    if (c.is("?INSERT"))
      call("UpdateThing", Request::Insert, [this](Response r) {
        log_.push_back("form answered " + std::to_string(static_cast<int>(r)) + ", top " +
                       desktop().top()->name() + ", error name " + ctx().errors().procedure());
      });
    if (c.is("?PLAIN"))
      call("PlainProcedure", Request::Change, [this](Response r) {
        log_.push_back("plain answered " + std::to_string(static_cast<int>(r)));
      });
    if (c.is("?MISSING"))
      call("NotThere", Request::Change, [this](Response r) {
        log_.push_back("missing answered " + std::to_string(static_cast<int>(r)));
      });
  }

 private:
  std::vector<std::string>& log_;
};

class ThingForm : public FormProcedure {
 public:
  explicit ThingForm(frame::Context& ctx)
      : FormProcedure(ctx, "UpdateThing", data::EqHeader::def(), thingFormDef()) {}
};

class DesktopTest : public test::UiTest {
 protected:
  DesktopTest() {
    registerWindow<ThingForm>(registry, "UpdateThing");
    registry.add("PlainProcedure", [this](frame::Context& c) {
      log.push_back("plain ran with request " + std::to_string(c.g.GlobalRequest));
      c.g.GlobalResponse = 1;
    });
    registerWindow(registry, "Caller",
                   [this](frame::Context& c) { return std::make_unique<Caller>(c, &log); });
  }
  std::vector<std::string> log;
  headless::ScriptedUser user{desktop};
};

TEST_F(DesktopTest, ACalledWindowIsModalAndItsCallerGoesOnWhenItCloses) {
  ASSERT_TRUE(desktop.call(ctx, "Caller"));
  Procedure& caller = *desktop.top();
  EXPECT_EQ(caller.name(), "Caller");
  user.press("Insert");
  ASSERT_EQ(desktop.depth(), 2u);
  EXPECT_EQ(desktop.top()->name(), "UpdateThing");
  EXPECT_EQ(desktop.top()->request(), Request::Insert);
  EXPECT_EQ(ctx.errors().procedure(), "UpdateThing");
  EXPECT_TRUE(log.empty());  // the continuation waits for the form
  // The caller takes no input while the form is open.
  EXPECT_THROW(caller.userPress(caller.control("?PLAIN")), UiError);
  user.type("Equipment ID", "X1");
  user.press("OK");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "form answered 1, top Caller, error name Caller");
  EXPECT_EQ(desktop.top(), &caller);
  // The Insert key on the caller presses its Insert button; Cancel answers 2.
  user.key("?PLAIN", "Insert");
  user.press("Cancel");
  EXPECT_EQ(log.back(), "form answered 2, top Caller, error name Caller");
  user.press("Close");
  EXPECT_EQ(desktop.depth(), 0u);
  EXPECT_EQ(ctx.errors().procedure(), "");
}

TEST_F(DesktopTest, AProcedureWithoutAWindowAnswersAtOnce) {
  desktop.call(ctx, "Caller");
  user.press("Plain");
  EXPECT_EQ(log, (std::vector<std::string>{"plain ran with request 2", "plain answered 1"}));
  user.press("Missing");
  EXPECT_EQ(log.back(), "missing answered 2");
  EXPECT_EQ(lastMessage(), "The procedure NotThere is not available.");
  EXPECT_EQ(port.shown().back().caption, "Missing Procedure");
  EXPECT_FALSE(desktop.call(ctx, "NotThere"));
}

TEST_F(DesktopTest, AWindowThatClosesAsItOpensStillAnswersItsCaller) {
  addEquipment("GONE", "To be deleted");
  desktop.call(ctx, "Caller");
  std::vector<Response> got;
  desktop.top()->call("UpdateThing", Request::Delete, [&](Response r) { got.push_back(r); });
  // Called outside a user action the desktop settles when the call ends.
  EXPECT_EQ(got, std::vector<Response>{Response::Completed});
  EXPECT_EQ(desktop.top()->name(), "Caller");
  desktop.closeAll();
  EXPECT_EQ(desktop.depth(), 0u);
}

TEST_F(DesktopTest, RegisteredWindowsNeedADesktopOnTheirThread) {
  EXPECT_EQ(Desktop::current(), &desktop);
  std::string error;
  std::thread t([&] {
    frame::Context other(session);
    try {
      registry.call(other, "UpdateThing");
    } catch (const UiError& e) {
      error = e.what();
    }
  });
  t.join();
  EXPECT_EQ(error, "no desktop on this thread to open UpdateThing on");
  {
    ScriptedPort p2;
    Desktop inner(p2, registry);
    EXPECT_EQ(Desktop::current(), &inner);
  }
  EXPECT_EQ(Desktop::current(), &desktop);
}

const WindowDef& keysDef() {
  static const WindowDef d = parseWindowDef(R"({
    "name": "Keys", "title": "Keys", "help": "html/EC_Equipment.htm",
    "controls": [
      {"kind": "prompt", "text": "Amount:"},
      {"kind": "entry", "name": "?AMOUNT", "use": "LOC:Amount", "picture": "@n-12.2"},
      {"kind": "button", "name": "?GO", "text": "&Go", "default": true},
      {"kind": "button", "name": "?SEARCH", "text": "...", "key": "F2"},
      {"kind": "button", "name": "?HELP", "text": "&Help", "action": "help"}
    ]})",
                                            "Keys.json");
  return d;
}

class Keys : public Procedure {
 public:
  explicit Keys(frame::Context& ctx, std::vector<std::string>* log)
      : Procedure(ctx, "Keys", keysDef()), log_(*log) {
    bindLocal("LOC:Amount", amount);
  }
  void init() override { setTimer(500); }
  void accepted(Control& c) override { log_.push_back("accepted " + c.name()); }
  void selected(Control& c) override { log_.push_back("selected " + c.name()); }
  void alertKey(Control& c, Key k) override {
    log_.push_back(std::string("key ") + keyName(k) + " in " + c.name());
  }
  void timer() override { log_.push_back("timer"); }
  void kill() override { log_.push_back("kill"); }
  Decimal amount;

 private:
  std::vector<std::string>& log_;
};

TEST_F(DesktopTest, KeysTimerAndHelp) {
  auto& w = static_cast<Keys&>(desktop.open(std::make_unique<Keys>(ctx, &log)));
  EXPECT_EQ(w.timerInterval(), 500);
  user.tick();
  EXPECT_EQ(log.back(), "timer");
  log.clear();
  // Enter in an entry commits it and presses the default button.
  user.focus("Amount");
  w.userEdit(w.control("?AMOUNT"), "12.5");
  user.key("Amount", "Enter");
  EXPECT_EQ(w.amount, *Decimal::parse("12.5"));
  EXPECT_EQ(log,
            (std::vector<std::string>{"selected ?AMOUNT", "key Enter in ?AMOUNT", "accepted ?GO"}));
  // A key bound to a button presses it from anywhere in the window.
  log.clear();
  user.key("Amount", "F2");
  EXPECT_EQ(log, (std::vector<std::string>{"key F2 in ?AMOUNT", "accepted ?SEARCH"}));
  // F1 and the Help button show the window's help topic.
  user.key("Amount", "F1");
  user.press("Help");
  EXPECT_EQ(port.helpShown(),
            (std::vector<std::string>{"html/EC_Equipment.htm", "html/EC_Equipment.htm"}));
  // Escape closes; kill runs once.
  log.clear();
  user.key("Amount", "Escape");
  EXPECT_EQ(desktop.depth(), 0u);
  EXPECT_EQ(log, (std::vector<std::string>{"key Escape in ?AMOUNT", "kill"}));
}

const WindowDef& lookupDef() {
  static const WindowDef d = parseWindowDef(R"({
    "name": "Lookups", "title": "Lookups",
    "controls": [
      {"kind": "sheet", "name": "?SHEET", "controls": [
        {"kind": "tab", "name": "?TAB1", "text": "&General", "controls": [
          {"kind": "prompt", "text": "&Name:"},
          {"kind": "entry", "name": "?NAME", "use": "LOC:Name"},
          {"kind": "button", "name": "?SAVE1", "text": "&Save"},
          {"kind": "check", "name": "?ACTIVE", "text": "&Active", "use": "LOC:Active"}
        ]},
        {"kind": "tab", "name": "?TAB2", "text": "&Other", "controls": [
          {"kind": "button", "name": "?SAVE2", "text": "Save"},
          {"kind": "prompt", "text": "* Notes:", "for": "?NOTES"},
          {"kind": "string", "text": "explains the notes"},
          {"kind": "text", "name": "?NOTES", "use": "LOC:Notes"},
          {"kind": "button", "name": "?HIDDEN", "text": "&Secret", "hidden": true}
        ]}
      ]},
      {"kind": "button", "name": "?GO1", "text": "&Go"},
      {"kind": "button", "name": "?GO2", "text": "G&o"},
      {"kind": "radio", "name": "?KIND", "text": "Kind", "use": "LOC:Kind",
       "items": [{"text": "&Internal", "value": 1}, {"text": "&Rental", "value": 2}]}
    ]})",
                                            "Lookups.json");
  return d;
}

class Lookups : public Procedure {
 public:
  explicit Lookups(frame::Context& ctx) : Procedure(ctx, "Lookups", lookupDef()) {
    bindLocal("LOC:Name", name);
    bindLocal("LOC:Active", active);
    bindLocal("LOC:Notes", notes);
    bindLocal("LOC:Kind", kind);
  }
  Str<20> name;
  std::uint8_t active = 0;
  std::string notes;
  std::int32_t kind = 1;
};

std::string failure(const std::function<void()>& f) {
  try {
    f();
  } catch (const UiError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST_F(DesktopTest, ControlsAreFoundByNameCaptionOrPrompt) {
  auto& w = static_cast<Lookups&>(desktop.open(std::make_unique<Lookups>(ctx)));
  EXPECT_EQ(&user.find("?name"), &w.control("?NAME"));
  EXPECT_EQ(&user.find("Name"), &w.control("?NAME"));  // by its prompt
  EXPECT_EQ(&user.find("&Name:"), &w.control("?NAME"));
  EXPECT_EQ(&user.find("Active"), &w.control("?ACTIVE"));
  // "Save" is on both tabs: the tab shown wins.
  EXPECT_EQ(&user.find("Save"), &w.control("?SAVE1"));
  // A prompt linked with "for" and a required mark; found on a tab not shown.
  EXPECT_EQ(&user.find("Notes"), &w.control("?NOTES"));
  user.choose("?SHEET", "Other");
  EXPECT_EQ(&user.find("&Save"), &w.control("?SAVE2"));
  EXPECT_EQ(failure([&] { user.find("Go"); }), "\"Go\" is ambiguous in window Lookups: ?GO1, ?GO2");
  EXPECT_EQ(failure([&] { user.find("Secret"); }), "no control \"Secret\" in window Lookups");
  EXPECT_EQ(failure([&] { user.find("?NOPE"); }), "window Lookups has no control ?NOPE");
  EXPECT_EQ(failure([&] { user.find("explains the notes"); }),
            "no control \"explains the notes\" in window Lookups");
  // Bound locals take what the user does.
  user.type("Name", "Smith");
  EXPECT_EQ(w.name, "Smith");
  user.check("Active", true);
  EXPECT_EQ(w.active, 1);
  EXPECT_EQ(user.property("Active", "checked"), "1");
  user.choose("Kind", "Rental");
  EXPECT_EQ(w.kind, 2);
  EXPECT_EQ(user.property("Kind", "value"), "2");
  EXPECT_EQ(failure([&] { user.choose("Kind", "Leased"); }), "Kind has no item \"Leased\"");
  EXPECT_EQ(failure([&] { user.press("?HIDDEN"); }), "cannot press Secret: it is hidden");
  w.control("?SAVE2").disable();
  EXPECT_EQ(failure([&] { user.press("?SAVE2"); }), "cannot press Save: it is disabled");
  EXPECT_EQ(user.property("?SAVE2", "enabled"), "0");
  EXPECT_EQ(failure([&] { user.press("Name"); }), "cannot press Name: it is a entry");
  EXPECT_EQ(failure([&] { user.property("Name", "flavour"); }), "unknown property flavour");
  w.control("?NAME").setColour(0x008000);
  EXPECT_EQ(user.property("?NAME", "color"), "008000");
  user.close();
  EXPECT_EQ(failure([&] { user.find("Name"); }), "no window is open");
}

}  // namespace
}  // namespace koreq::ui
