// koreq play [--gui] SCENARIO: runs a scenario file against the company and writes its
// transcript. Headless it drives the window model; with --gui the same script drives the real
// widgets (offscreen without a display) and gives the same transcript.

#include <fstream>

#include "app/commands.h"
#include "app/loaded_module.h"
#include "frame/context.h"
#include "reportframe/gui_app.h"
#include "ui/headless/scenario.h"
#include "ui/qt/gui_scenario.h"
#include "ui/qt/offscreen.h"

namespace koreq::cli {

namespace {

// The scenario's desktop gets the services of the module, as the desktop program's do.
template <typename Driver>
class Equipped : public Driver {
 public:
  explicit Equipped(LoadedModule& module) : module_(module) {}
  std::unique_ptr<ui::headless::ScriptedUser> user(ui::Desktop& desktop) override {
    module_.equip(desktop);
    return Driver::user(desktop);
  }

 private:
  LoadedModule& module_;
};

}  // namespace

int runPlay(Invocation& inv, const ParsedArgs& args) {
  const std::string& file = args.positional.at(0);
  std::ifstream script(file);
  if (!script) throw CommandError("cannot read the scenario " + file);
  std::unique_ptr<frame::Session> session = inv.openSession();
  frame::ModuleSetup setup;
  setup.commandLine = inv.options().switches;
  setup.traceStream = &inv.err();
  LoadedModule module(std::move(setup));
  module.attach(*session);
  int rc = 0;
  if (args.flag("gui")) {
    ui::qt::GuiApplication app;
    Equipped<ui::qt::GuiScenarioDriver> driver(module);
    rc = ui::headless::runScenario(*session, module.registry(), script, inv.out(), &driver);
  } else {
    // Reports draw their pages with Qt GUI's painter, offscreen.
    reportframe::ReportApplication reports;
    Equipped<ui::headless::ScenarioDriver> driver(module);
    rc = ui::headless::runScenario(*session, module.registry(), script, inv.out(), &driver);
  }
  inv.out().flush();
  switch (rc) {
    case ui::headless::kScenarioPassed:
      return 0;
    case ui::headless::kScenarioBadScript:
      inv.err() << "koreq: play: " << file << " is not a valid scenario (see the transcript)\n";
      return 2;
    default:
      inv.err() << "koreq: play: " << file << " failed (see the transcript)\n";
      return 1;
  }
}

}  // namespace koreq::cli
