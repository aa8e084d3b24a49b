// Every scenario of this folder on a copy of the demo company, as the program loads the module:
// it must pass headless, and the real widgets must give the same transcript line for line. The
// files a scenario names stand in a folder of its own (the working folder while it plays).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/loaded_module.h"
#include "demo/demo_company.h"
#include "support/temp_dir.h"
#include "ui/headless/scenario.h"
#include "ui/qt/gui_scenario.h"
#include "ui/qt/offscreen.h"

namespace koreq::interchange::test {
namespace {

namespace fs = std::filesystem;

class Scenarios : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tmp_ = new koreq::test::TempDir;
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

  struct Run {
    int rc = -1;
    std::string transcript;
    fs::path folder;  // where the scenario's files were written
  };

  Run play(const fs::path& file, bool gui) {
    cli::LoadedModule module;
    Run run;
    run.folder = tmp_->path / ("run" + std::to_string(++runs_));
    fs::create_directories(run.folder / "files");
    fs::copy(tmp_->path / "demo", run.folder / "co");
    frame::Session s(data::Company::open(run.folder / "co"), clock_, "ADM");
    s.g.INIPATH = (run.folder / "settings").string();
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
    const fs::path was = fs::current_path();
    fs::current_path(run.folder / "files");
    std::ifstream in(file);
    std::ostringstream out;
    run.rc = ui::headless::runScenario(s, module.registry(), in, out, &driver);
    fs::current_path(was);
    run.transcript = out.str();
    run.folder /= "files";
    return run;
  }

  static inline koreq::test::TempDir* tmp_ = nullptr;
  static inline ui::qt::GuiApplication* app_ = nullptr;
  static inline FixedClock clock_{*Date::fromYmd(2024, 3, 15)};
  int runs_ = 0;
};

std::vector<std::string> lines(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::string> out;
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

TEST_F(Scenarios, EveryScenarioPassesHeadlessAndGivesTheSameTranscriptThroughTheWidgets) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(KOREQ_INTERCHANGE_TEST_DIR))
    if (e.path().extension() == ".scenario") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    Run headless = play(file, false);
    EXPECT_EQ(headless.rc, ui::headless::kScenarioPassed) << headless.transcript;
    Run gui = play(file, true);
    EXPECT_EQ(gui.rc, headless.rc);
    EXPECT_EQ(gui.transcript, headless.transcript);

    if (file.stem() == "export_batch") {
      // What the export dialog wrote, and did not write; the lines themselves are the engine's.
      for (const Run* r : {&headless, &gui}) {
        EXPECT_EQ(lines(r->folder / "batch1.txt").size(), 8u);
        EXPECT_EQ(lines(r->folder / "again.txt").size(), 8u);
        EXPECT_FALSE(fs::exists(r->folder / "missing"));
        EXPECT_FALSE(fs::exists(r->folder / "nothing.txt"));
        EXPECT_FALSE(fs::exists(r->folder.parent_path() / "co" / "Export.txt"));
      }
    }
  }
}

}  // namespace
}  // namespace koreq::interchange::test
