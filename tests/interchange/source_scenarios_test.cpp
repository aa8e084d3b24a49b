// The import source windows' scenarios (source_*.scenario of this folder) on a copy of the demo
// company, with the records of the JSON file of the same name when there is one: each must pass
// headless, and the real widgets must give the same transcript line for line.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/cli.h"
#include "app/loaded_module.h"
#include "demo/demo_company.h"
#include "support/temp_dir.h"
#include "ui/headless/scenario.h"
#include "ui/qt/gui_scenario.h"
#include "ui/qt/offscreen.h"

namespace koreq::interchange::test {
namespace {

namespace fs = std::filesystem;

class SourceScenarios : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tmp_ = new ::koreq::test::TempDir;
    ::setenv("XDG_CONFIG_HOME", (tmp_->path / "config").c_str(), 1);
    app_ = new ui::qt::GuiApplication(true);
    frame::Session s(data::Company::create(tmp_->path / "demo"), clock_, "ADM");
    std::ostringstream quiet;
    demo::makeDemoCompany(s, quiet);
  }
  static void TearDownTestSuite() {
    delete app_;
    delete tmp_;
  }

  // The transcript of one run on a fresh copy of the demo company, and whether it passed.
  std::pair<int, std::string> play(const fs::path& file, bool gui) {
    cli::LoadedModule module;
    fs::path dir = tmp_->path / ("run" + std::to_string(++runs_));
    fs::create_directories(dir);
    fs::copy(tmp_->path / "demo", dir / "co");
    fs::path records = fs::path(file).replace_extension(".json");
    if (fs::exists(records)) {
      std::ostringstream out, err;
      EXPECT_EQ(cli::runCli({"--data", (dir / "co").string(), "load", records.string()}, out, err),
                0)
          << err.str();
    }
    frame::Session s(data::Company::open(dir / "co"), clock_, "ADM");
    s.g.INIPATH = (dir / "settings").string();
    module.attach(s);
    struct Driver : ui::qt::GuiScenarioDriver {
      Driver(cli::LoadedModule& m, bool g) : module(m), gui(g) {}
      std::unique_ptr<ui::headless::ScriptedUser> user(ui::Desktop& d) override {
        module.equip(d);
        return gui ? GuiScenarioDriver::user(d) : ui::headless::ScenarioDriver().user(d);
      }
      ui::UserPort& port(ui::ScriptedPort& script) override {
        return gui ? GuiScenarioDriver::port(script) : script;
      }
      cli::LoadedModule& module;
      bool gui;
    } driver(module, gui);
    std::ifstream in(file);
    std::ostringstream out;
    int rc = ui::headless::runScenario(s, module.registry(), in, out, &driver);
    return {rc, out.str()};
  }

  static inline ::koreq::test::TempDir* tmp_ = nullptr;
  static inline ui::qt::GuiApplication* app_ = nullptr;
  static inline FixedClock clock_{*Date::fromYmd(2024, 3, 15)};
  int runs_ = 0;
};

TEST_F(SourceScenarios, EachPassesHeadlessAndGivesTheSameTranscriptThroughTheWidgets) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(KOREQ_INTERCHANGE_TEST_DIR))
    if (e.path().extension() == ".scenario" &&
        e.path().filename().string().rfind("source_", 0) == 0)
      files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    auto [rc, headless] = play(file, false);
    EXPECT_EQ(rc, ui::headless::kScenarioPassed) << headless;
    auto [guiRc, gui] = play(file, true);
    EXPECT_EQ(guiRc, rc);
    EXPECT_EQ(gui, headless);
  }
}

}  // namespace
}  // namespace koreq::interchange::test
