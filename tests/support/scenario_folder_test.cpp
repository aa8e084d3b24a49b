// Every scenario of a test folder (KOREQ_SCENARIO_DIR) on a copy of the demo company (with the
// records of the JSON file of the same name, when there is one), as the program loads the
// module: it must pass headless, and the real widgets must give the same transcript line for
// line. "$HERE" in a scenario stands for its folder, where the files it reads are kept; it plays
// in a folder of its own, where the files it writes land.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/cli.h"
#include "app/loaded_module.h"
#include "demo/demo_company.h"
#include "support/temp_dir.h"
#include "ui/headless/scenario.h"
#include "ui/qt/gui_scenario.h"
#include "ui/qt/offscreen.h"

namespace koreq::test {
namespace {

namespace fs = std::filesystem;

using TempFolder = TempDir;

class Scenarios : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tmp_ = new TempFolder;
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

  // Plays a scenario on a fresh copy of the demo company with the module freshly loaded (what the
  // entry form remembers lasts as long as the module); the transcript and whether it passed.
  std::pair<int, std::string> play(const fs::path& file, bool gui) {
    cli::LoadedModule module_;
    fs::path dir = tmp_->path / ("run" + std::to_string(++runs_));
    fs::create_directories(dir);
    fs::copy(tmp_->path / "demo", dir / "co");
    // Records a scenario needs beyond the demo company's (other users' marks) stand beside it.
    fs::path records = fs::path(file).replace_extension(".json");
    if (fs::exists(records)) {
      std::ostringstream out, err;
      EXPECT_EQ(cli::runCli({"--data", (dir / "co").string(), "load", records.string()}, out, err),
                0)
          << err.str();
    }
    frame::Session s(data::Company::open(dir / "co"), clock_, "ADM");
    s.g.INIPATH = (dir / "settings").string();
    module_.attach(s);
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
    } driver(module_, gui);
    std::ifstream source(file);
    std::string text((std::istreambuf_iterator<char>(source)), std::istreambuf_iterator<char>());
    const std::string here = fs::path(file).parent_path().string();
    for (std::size_t at = text.find("$HERE"); at != std::string::npos; at = text.find("$HERE", at))
      text.replace(at, 5, here);
    std::istringstream in(text);
    std::ostringstream out;
    fs::create_directories(dir / "files");
    const fs::path was = fs::current_path();
    fs::current_path(dir / "files");
    int rc = ui::headless::runScenario(s, module_.registry(), in, out, &driver);
    fs::current_path(was);
    // Full paths name the run's own folder; the two runs of a scenario differ only there.
    std::string transcript = out.str();
    const std::string run = dir.string();
    for (std::size_t at = transcript.find(run); at != std::string::npos;
         at = transcript.find(run, at))
      transcript.replace(at, run.size(), "$RUN");
    return {rc, transcript};
  }

  static inline TempFolder* tmp_ = nullptr;
  static inline ui::qt::GuiApplication* app_ = nullptr;
  static inline FixedClock clock_{*Date::fromYmd(2024, 3, 15)};
  int runs_ = 0;
};

TEST_F(Scenarios, EveryScenarioPassesHeadlessAndGivesTheSameTranscriptThroughTheWidgets) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(KOREQ_SCENARIO_DIR))
    if (e.path().extension() == ".scenario") files.push_back(e.path());
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
}  // namespace koreq::test
