// koreq windows: every registered procedure that opens a window, with the smallest size its
// window can be given, in logical pixels. The windows open offscreen on a scratch demo company
// (settings in a scratch folder too), so nothing of the user's is read or written.

#include <unistd.h>
#include <QApplication>
#include <QLayout>

#include <sstream>

#include "app/commands.h"
#include "app/loaded_module.h"
#include "data/company.h"
#include "data/records.h"
#include "frame/context.h"
#include "frame/tempfolder.h"
#include "runtime/text.h"
#include "ui/model/desktop.h"
#include "ui/qt/offscreen.h"
#include "ui/qt/qt_desktop.h"
#include "ui/qt/qt_window.h"
#include "windows/BROWSELIMLISTUD.h"

namespace koreq::cli {

namespace fs = std::filesystem;

namespace {

class ScratchFolder {
 public:
  ScratchFolder() : path_(frame::processTempFolder() / ("windows-" + std::to_string(::getpid()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

}  // namespace

int runWindows(Invocation& inv, const ParsedArgs&) {
  if (!inv.demoMaker()) throw CommandError("this program cannot make the demo company");
  ScratchFolder scratch;
  frame::Session session(data::Company::create(scratch.path() / "company"), inv.clock(),
                         inv.options().user);
  std::ostringstream quiet;
  inv.demoMaker()(session, quiet);
  session.g.INIPATH = (scratch.path() / "settings").string();
  session.g.CONTROLPATH = session.g.INIPATH;
  LoadedModule module;
  module.attach(session);

  ui::qt::GuiApplication app(true);
  frame::Context ctx(session);
  ui::ScriptedPort port;  // nobody answers: the first button, every other dialog cancelled
  ui::Desktop desktop(port, module.registry());
  module.equip(desktop);
  ui::qt::QtDesktop view(desktop);
  view.setRememberGeometry(false);
  view.setClockTimers(false);

  for (const std::string& name : module.registry().names()) {
    // The arguments the suite's limit list and drop-list editor need, and a record for the
    // forms to show.
    ctx.g.GlobalRequest = 0;
    ctx.g.REPORTFILTER = name == windows::BROWSELIMLISTUD::kName ? "EQHeaderUD" : "EQH Class Code";
    ctx.g.KORFIELD = "EQLimits";
    ctx.g.DECIMALVARIABLE = Decimal(std::int64_t{1});
    data::FileAccess& eq = ctx.file(data::EqHeader::def());
    eq.set(eq.def().primaryKey());
    eq.next();
    try {
      desktop.call(ctx, name);
    } catch (const std::exception& e) {
      inv.err() << "koreq: " << name << ": " << e.what() << "\n";
    }
    QApplication::processEvents();
    ui::qt::QtWindow* shown = nullptr;
    for (ui::Procedure* p : desktop.windows())
      if (!shown && upper(p->name()) == upper(name)) shown = view.window(*p);
    if (!shown) shown = view.top();
    if (shown) {
      shown->layout()->activate();
      QSize least = shown->minimumSizeHint().expandedTo(shown->minimumSize());
      inv.out() << name << " " << least.width() << "x" << least.height() << "\n";
    }
    desktop.closeAll(ui::Desktop::Unsaved::Discard);
    QApplication::processEvents();
  }
  return 0;
}

}  // namespace koreq::cli
