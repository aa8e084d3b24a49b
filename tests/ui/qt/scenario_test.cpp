// One scenario, two ways: through the headless model and through the real widgets
// (`koreq play --gui`). Both give the same transcript, a failure included.

#include <QImage>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/cli.h"
#include "app/loaded_module.h"
#include "demo/demo_company.h"
#include "qt_fixture.h"
#include "ui/headless/scenario.h"
#include "ui/model/browse_procedure.h"
#include "ui/model/form_procedure.h"
#include "ui/qt/gui_scenario.h"

namespace koreq::ui::qt::test {
namespace {

const WindowDef& browseDef() {
  static const WindowDef d = parseWindowDef(R"({
    "name": "PlayBrowse", "title": "Equipment File Maintenance",
    "controls": [
      {"kind": "prompt", "text": "&Locate:"},
      {"kind": "entry", "name": "?LOCATOR", "picture": "@s20", "use": "LOC:Locator"},
      {"kind": "list", "name": "?BROWSE:1", "columns": [
        {"header": "Equipment ID", "use": "EQH:EquipmentID", "picture": "@s10"},
        {"header": "Description", "use": "EQH:Description", "picture": "@s40"}]},
      {"kind": "button", "name": "?INSERT", "text": "&Insert", "action": "insert"},
      {"kind": "button", "name": "?CHANGE", "text": "&Change", "action": "change"},
      {"kind": "button", "name": "?DELETE", "text": "&Delete", "action": "delete"},
      {"kind": "check", "name": "?SHOWINACTIVE", "text": "Show &Inactive", "use": "ShowInactive"},
      {"kind": "button", "name": "?CLOSE", "text": "Close", "action": "close"}
    ]})",
                                            "PlayBrowse.json");
  return d;
}

class PlayBrowse : public BrowseProcedure {
 public:
  explicit PlayBrowse(frame::Context& ctx)
      : BrowseProcedure(ctx, "PlayBrowse", data::EqHeader::def(), browseDef()) {
    bindLocal("ShowInactive", showInactive);
    bindLocal("LOC:Locator", locator);
  }
  void init() override {
    setSortOrder(*data::EqHeader::def().key("EQH:KeyEquipmentID"));
    setFilter("EQH:Active OR ShowInactive");
    addResetField("ShowInactive");
    setLocator("?LOCATOR");
    setFormProcedure("PlayForm");
    setPageSize(5);
  }
  std::uint8_t showInactive = 0;
  std::string locator;
};

const WindowDef& formDef() {
  static const WindowDef d = parseWindowDef(R"({
    "name": "PlayForm", "title": "Equipment", "controls": [
      {"kind": "prompt", "text": "Equipment &ID:"},
      {"kind": "entry", "name": "?EQH:EquipmentID", "use": "EQH:EquipmentID", "picture": "@s10",
       "required": true, "case": "upper"},
      {"kind": "prompt", "text": "&Description:"},
      {"kind": "entry", "name": "?EQH:Description", "use": "EQH:Description", "picture": "@s40",
       "required": true},
      {"kind": "prompt", "text": "&Purchase Value:"},
      {"kind": "entry", "name": "?EQH:PurchaseValue", "use": "EQH:PurchaseValue",
       "picture": "@n-15.2"},
      {"kind": "check", "name": "?EQH:Active", "text": "&Active", "use": "EQH:Active"},
      {"kind": "button", "name": "?OK", "text": "&OK", "action": "ok", "default": true},
      {"kind": "button", "name": "?CANCEL", "text": "&Cancel", "action": "cancel"}
    ]})",
                                            "PlayForm.json");
  return d;
}

class PlayForm : public FormProcedure {
 public:
  explicit PlayForm(frame::Context& ctx)
      : FormProcedure(ctx, "PlayForm", data::EqHeader::def(), formDef()) {}
  void init() override { setTitleByRequest("Adding Equipment", "Changing Equipment", "Viewing"); }
};

const char* kScenario = R"(# every kind of action, through whichever user plays it
call PlayBrowse
expect window title "Equipment File Maintenance"
expect ?BROWSE:1 rows 6
expect ?BROWSE:1 loaded 6
type ?LOCATOR ex-3
expect ?BROWSE:1 current 3
select ?BROWSE:1 DT-202
expect ?BROWSE:1 current 2
check "Show Inactive" 1
expect ?BROWSE:1 rows 7
activate ?BROWSE:1 EX-301
expect top PlayForm
expect window title "Changing Equipment"
type "Purchase Value" 412000
expect ?EQH:PurchaseValue text 412,000.00
check Active 0
press OK
expect top PlayBrowse
press Insert
type "Equipment ID" ld-01
type Description ""
press OK
expect caption "Required Field"
expect message "Description is Required"
type Description "Wheel loader"
press OK
expect ?BROWSE:1 rows 8
sort ?BROWSE:1 Description
expect ?BROWSE:1 row 1 "PU-102|Crew cab pickup"
show ?SHOWINACTIVE
answer No
press Delete
expect messages 2
key ?BROWSE:1 Insert
expect top PlayForm
key ?EQH:Description F1
close
snap @SNAP@
rows ?BROWSE:1
close
expect top none
)";

class Play : public RendererTest {
 protected:
  Play() {
    registerWindow<PlayBrowse>(registry, "PlayBrowse");
    registerWindow<PlayForm>(registry, "PlayForm");
  }
  void addSample(frame::Context& c) {
    putEquipment(c, "DT-201", "Dump truck");
    putEquipment(c, "DT-202", "Tri-axle dump");
    putEquipment(c, "EX-301", "Excavator");
    putEquipment(c, "EX-302", "Mini excavator");
    putEquipment(c, "PU-101", "Pickup");
    putEquipment(c, "PU-102", "Crew cab pickup");
    putEquipment(c, "SAW-01", "Slab saw");
    data::FileAccess& f = c.file(data::EqHeader::def());
    ASSERT_EQ(f.fetch("KeyEquipmentID", {std::string("EX-301")}), data::kNoError);
    f.put("EQH:Active", std::int64_t{0});
    ASSERT_EQ(f.update(), data::kNoError);
  }
  // Runs the script on a company of its own, so both runs start from the same records.
  std::pair<int, std::string> run(const std::string& script, bool gui) {
    TempFolder where;
    frame::Session s(data::Company::create(where.path / "co"), clock, "ABC");
    {
      frame::Context c(s);
      addSample(c);
    }
    std::istringstream in(script);
    std::ostringstream out;
    int rc;
    if (gui) {
      GuiScenarioDriver driver;
      rc = headless::runScenario(s, registry, in, out, &driver);
    } else {
      rc = headless::runScenario(s, registry, in, out);
    }
    return {rc, out.str()};
  }
  std::string withSnap(const std::string& png) {
    std::string s = kScenario;
    s.replace(s.find("@SNAP@"), 6, png);
    return s;
  }
};

TEST_F(Play, TheSameScenarioGivesTheSameTranscriptThroughTheWidgets) {
  const std::string png = (folder.path / "form.png").string();
  const std::string script = withSnap(png);
  auto [headlessRc, headless] = run(script, false);
  EXPECT_EQ(headlessRc, headless::kScenarioPassed) << headless;
  EXPECT_FALSE(std::filesystem::exists(png));  // nothing is drawn headless
  auto [guiRc, gui] = run(script, true);
  EXPECT_EQ(guiRc, headless::kScenarioPassed) << gui;
  EXPECT_EQ(gui, headless);
  QImage image(QString::fromStdString(png));
  ASSERT_FALSE(image.isNull());
  EXPECT_GT(image.width(), 100);
}

TEST_F(Play, AFailureIsTheSameFailureThroughTheWidgets) {
  struct Case {
    const char* script;
    const char* says;
  } cases[] = {
      // An expectation that does not hold.
      {"call PlayBrowse\npress Change\ntype \"Purchase Value\" 100\ncheck Active 1\n"
       "expect ?EQH:Active checked 0\n",
       "FAILED at line 5: expected ?EQH:Active checked \"0\", got \"1\""},
      // An entry that will not take a text.
      {"call PlayBrowse\npress Insert\ntype \"Purchase Value\" 12x\n",
       "message exclamation \"Invalid Entry\""},
      // A control of a window that is not the topmost one.
      {"call PlayBrowse\npress Insert\ncheck \"Show Inactive\" 1\n", "FAILED at line 3: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    auto [headlessRc, headless] = run(c.script, false);
    EXPECT_EQ(headlessRc, headless::kScenarioFailed);
    EXPECT_NE(headless.find(c.says), std::string::npos) << headless;
    auto [guiRc, gui] = run(c.script, true);
    EXPECT_EQ(guiRc, headless::kScenarioFailed);
    EXPECT_EQ(gui, headless);
  }
}

// The module's own windows, through every scenario their tests play: the widgets must give the
// headless transcript, line for line, whether the scenario passes or not.
TEST(PlayTheModule, EveryEquipmentScenarioGivesTheSameTranscriptThroughTheWidgets) {
  TempFolder tmp;
  FixedClock clock(*Date::fromYmd(2024, 3, 15));
  {
    frame::Session s(data::Company::create(tmp.path / "demo"), clock, "ADM");
    std::ostringstream quiet;
    demo::makeDemoCompany(s, quiet);
  }
  cli::LoadedModule module;
  std::vector<std::filesystem::path> scenarios;
  for (const auto& e : std::filesystem::directory_iterator(KOREQ_SCENARIO_DIR))
    if (e.path().extension() == ".scenario") scenarios.push_back(e.path());
  std::sort(scenarios.begin(), scenarios.end());
  ASSERT_FALSE(scenarios.empty());
  int run = 0;
  auto play = [&](const std::filesystem::path& file, bool gui) {
    // A copy of the company and a settings folder of its own for every run.
    std::filesystem::path dir = tmp.path / ("run" + std::to_string(++run));
    std::filesystem::create_directories(dir);
    std::filesystem::copy(tmp.path / "demo", dir / "co");
    frame::Session s(data::Company::open(dir / "co"), clock, "ADM");
    s.g.INIPATH = (dir / "settings").string();
    module.attach(s);
    std::ifstream in(file);
    std::ostringstream out;
    struct Equipped : GuiScenarioDriver {
      explicit Equipped(cli::LoadedModule& m) : m_(m) {}
      std::unique_ptr<headless::ScriptedUser> user(Desktop& d) override {
        m_.equip(d);
        return gui ? GuiScenarioDriver::user(d) : headless::ScenarioDriver().user(d);
      }
      UserPort& port(ScriptedPort& script) override {
        return gui ? GuiScenarioDriver::port(script) : script;
      }
      cli::LoadedModule& m_;
      bool gui = false;
    } driver(module);
    driver.gui = gui;
    headless::runScenario(s, module.registry(), in, out, &driver);
    return out.str();
  };
  for (const auto& file : scenarios) {
    SCOPED_TRACE(file.filename().string());
    std::string headless = play(file, false);
    EXPECT_NE(headless.find("call "), std::string::npos) << headless;
    EXPECT_EQ(play(file, true), headless);
  }
}

TEST(PlayCommand, RunsAScenarioFileHeadlessAndThroughTheWindows) {
  TempFolder tmp;
  const std::string data = (tmp.path / "co").string();
  ASSERT_EQ(cli({"--data", data, "init"}).rc, 0);
  auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream((tmp.path / name).string()) << text;
    return (tmp.path / name).string();
  };
  // A dispatcher with no format in use prints nothing and opens no window.
  std::string ok = write("ok.play", "request 0\ncall PrintEQListingServer\nexpect top none\n");
  CliRun headless = cli({"--data", data, "play", ok});
  EXPECT_EQ(headless.rc, 0) << headless.err;
  EXPECT_NE(headless.out.find("passed (3 commands)"), std::string::npos) << headless.out;
  CliRun gui = cli({"--data", data, "play", "--gui", ok});
  EXPECT_EQ(gui.rc, 0) << gui.err;
  EXPECT_EQ(gui.out, headless.out);
  // The network-trace switches, among the other options, reach the module; /netnolog wins.
  CliRun traced = cli({"/netlog", "--data", data, "play", ok});
  EXPECT_EQ(traced.rc, 0) << traced.err;
  EXPECT_NE(traced.err.find("network trace started"), std::string::npos) << traced.err;
  traced = cli({"--data", data, "/NETLOGERRORS", "/netnolog", "play", ok});
  EXPECT_EQ(traced.rc, 0) << traced.err;
  EXPECT_EQ(traced.err.find("network trace"), std::string::npos) << traced.err;

  std::string failing = write("fail.play", "expect global GlobalRequest 7\n");
  CliRun r = cli({"--data", data, "play", failing});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.out.find("FAILED at line 1"), std::string::npos);
  EXPECT_NE(r.err.find("failed"), std::string::npos);
  std::string bad = write("bad.play", "frobnicate now\n");
  r = cli({"--data", data, "play", "--gui", bad});
  EXPECT_EQ(r.rc, 2);
  EXPECT_NE(r.out.find("ERROR at line 1: unknown command frobnicate"), std::string::npos);
  r = cli({"--data", data, "play", (tmp.path / "missing.play").string()});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("cannot read the scenario"), std::string::npos);
  r = cli({"--data", data, "play"});
  EXPECT_EQ(r.rc, 2);
}

}  // namespace
}  // namespace koreq::ui::qt::test
