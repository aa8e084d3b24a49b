// koreq without a command: the desktop program.

#include <QApplication>

#include "app/commands.h"
#include "app/host_window.h"
#include "ui/qt/offscreen.h"

namespace koreq::cli {

int runHost(Invocation& inv) {
  ui::qt::GuiApplication app;
  frame::ModuleSetup setup;
  setup.commandLine = inv.options().switches;
  setup.traceStream = &inv.err();
  LoadedModule module(std::move(setup));
  HostWindow window(inv, module, inv.options().data);
  window.show();
  return app.app().exec();
}

}  // namespace koreq::cli
