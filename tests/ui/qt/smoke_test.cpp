// Every window resource opens in the renderer, draws and closes; `koreq screenshot` writes its
// picture.

#include <QFile>
#include <QImage>
#include <QLayout>
#include <QPointer>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "app/cli.h"
#include "app/loaded_module.h"
#include "demo/demo_company.h"
#include "qt_fixture.h"
#include "ui/qt/design_preview.h"
#include "ui/qt/gui_scenario.h"

namespace koreq::ui::qt::test {
namespace {

class Smoke : public RendererTest {};

TEST_F(Smoke, EveryWindowResourceOpensDrawsAndCloses) {
  std::vector<std::string> names = windowDefNames();
  ASSERT_FALSE(names.empty());
  QtDesktop view(desktop);
  view.setRememberGeometry(false);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const WindowDef& def = windowDef(name);
    desktop.open(std::make_unique<DesignPreview>(ctx, def));
    QtWindow* w = view.top();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->windowTitle().isEmpty());
    // Every control but a tab's own page and the prompts placed beside their control has a
    // widget of its name.
    for (Control* c : desktop.top()->window().controls()) {
      if (c->kind() == ControlKind::Prompt || c->kind() == ControlKind::Tab || c->name().empty())
        continue;
      EXPECT_NE(w->widget(*c), nullptr) << c->name();
    }
    w->layout()->activate();
    QImage image = w->grab().toImage();
    EXPECT_GT(image.width(), 100);
    EXPECT_GT(image.height(), 50);
    QPointer<QtWindow> gone = w;
    desktop.closeAll();
    settle();
    EXPECT_EQ(desktop.depth(), 0u);
    EXPECT_TRUE(gone.isNull());
  }
}

// The module's own windows, each opened by its procedure on the demo company.
TEST(SmokeModule, EveryRegisteredWindowOpensOnTheDemoCompanyDrawsAndCloses) {
  TempFolder tmp;
  FixedClock clock(*Date::fromYmd(2024, 3, 15));
  frame::Session session(data::Company::create(tmp.path / "co"), clock, "ADM");
  std::ostringstream quiet;
  demo::makeDemoCompany(session, quiet);
  session.g.INIPATH = (tmp.path / "settings").string();
  cli::LoadedModule module;
  module.attach(session);
  frame::Context ctx(session);
  ScriptedPort port;
  Desktop desktop(port, module.registry());
  module.equip(desktop);
  QtDesktop view(desktop);
  view.setRememberGeometry(false);
  int opened = 0;
  for (const std::string& name : windowDefNames()) {
    if (!module.registry().has(name)) continue;
    SCOPED_TRACE(name);
    ctx.g.GlobalRequest = 0;
    // The arguments the suite's limit list and drop-list editor need to open.
    ctx.g.REPORTFILTER = name == "BROWSELIMLISTUD" ? "EQHeaderUD" : "EQH Class Code";
    ctx.g.KORFIELD = "EQLimits";
    ctx.g.DECIMALVARIABLE = Decimal(std::int64_t{1});
    ASSERT_TRUE(desktop.call(ctx, name));
    ASSERT_GE(desktop.depth(), 1u);
    QtWindow* w = view.top();
    ASSERT_NE(w, nullptr);
    w->layout()->activate();
    QImage image = w->grab().toImage();
    EXPECT_GT(image.width(), 100);
    EXPECT_GT(image.height(), 50);
    ++opened;
    desktop.closeAll();
    settle();
    EXPECT_EQ(desktop.depth(), 0u);
  }
  EXPECT_GE(opened, 5);
  EXPECT_TRUE(port.problems().empty());
}

// Every window opens whole on a 1366x768 laptop and on a 1080p screen at 150 % (1280x720
// logical pixels, less a title bar): what does not fit scrolls.
TEST(WindowsCommand, NoWindowNeedsMoreThanTheSmallestScreen) {
  cli::setDemoMaker(&demo::makeDemoCompany);
  CliRun r = cli({"--today", "2024-03-15", "windows"});
  ASSERT_EQ(r.rc, 0) << r.err;
  std::istringstream lines(r.out);
  std::string name, size;
  std::set<std::string> seen;
  while (lines >> name >> size) {
    SCOPED_TRACE(name);
    int w = 0, h = 0;
    char x = 0;
    std::istringstream(size) >> w >> x >> h;
    EXPECT_EQ(x, 'x');
    EXPECT_GT(w, 100);
    EXPECT_GT(h, 50);
    EXPECT_LE(w, 1280);
    EXPECT_LE(h, 700);
    seen.insert(name);
  }
  for (const char* window : {"BrowseEQHeader", "UpdateEQHeader", "UpdateEQCode", "BROWSEGLMASTER"})
    EXPECT_TRUE(seen.count(window)) << window;
}

TEST(ScreenshotCommand, WritesThePictureOfOneWindow) {
  TempFolder tmp;
  const std::string data = (tmp.path / "co").string();
  ASSERT_EQ(cli({"--data", data, "init"}).rc, 0);
  const std::string png = (tmp.path / "x.png").string();
  CliRun r = cli({"--data", data, "screenshot", "SearchEquipment", png});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(r.out.find("Wrote " + png), std::string::npos);
  QImage image(QString::fromStdString(png));
  ASSERT_FALSE(image.isNull());
  EXPECT_GT(image.width(), 200);
  EXPECT_GT(image.height(), 100);
  std::ifstream f(png, std::ios::binary);
  char magic[8] = {};
  f.read(magic, 8);
  EXPECT_EQ(std::string(magic + 1, 3), "PNG");

  r = cli({"--data", data, "screenshot", "NoSuchWindow", png});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("no procedure or window named NoSuchWindow"), std::string::npos);
  r = cli({"--data", data, "screenshot", "SearchEquipment", (tmp.path / "no/dir/x.png").string()});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("cannot write"), std::string::npos);
  r = cli({"--data", data, "screenshot", "SearchEquipment", png, "--request", "5"});
  EXPECT_EQ(r.rc, 2);
  r = cli({"--data", (tmp.path / "none").string(), "screenshot", "SearchEquipment", png});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("no company in"), std::string::npos);
}

TEST(ScreenshotCommand, TheProgramWritesAPngWithoutADisplay) {
  TempFolder tmp;
  const std::string data = "'" + (tmp.path / "co").string() + "'";
  const std::string png = (tmp.path / "x.png").string();
  std::string bin = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '") +
                    KOREQ_BINARY + "' --data " + data;
  ASSERT_EQ(std::system((bin + " init >/dev/null").c_str()), 0);
  ASSERT_EQ(
      std::system((bin + " screenshot SearchEquipment '" + png + "' >/dev/null 2>&1").c_str()), 0);
  EXPECT_FALSE(QImage(QString::fromStdString(png)).isNull());
  // Without a command and without a display there is no desktop program: the usage, status 2.
  EXPECT_EQ(WEXITSTATUS(std::system((bin + " >/dev/null 2>&1").c_str())), 2);
}

}  // namespace
}  // namespace koreq::ui::qt::test
