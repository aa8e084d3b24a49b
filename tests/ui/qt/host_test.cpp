// The desktop program: company and user, menus of the registered procedures, one thread per
// menu call.

#include <gmock/gmock.h>

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "app/cli.h"
#include "app/commands.h"
#include "app/host_menus.h"
#include "app/host_window.h"
#include "app/loaded_module.h"
#include "data/company.h"
#include "demo/demo_company.h"
#include "frame/signon.h"
#include "qt_fixture.h"
#include "reportframe/progress_window.h"
#include "runtime/ini.h"
#include "support/backend_params.h"
#include "support/demo_folder.h"

namespace koreq::ui::qt::test {
namespace {

TEST(HostMenus, EveryExportedProcedureOnceAndOnlyWhatIsRegistered) {
  const char* exported[] = {"BrowseEQHeader",
                            "BrowseEQHeaderAlias",
                            "UpdateEQHeader",
                            "ToggleAutoEntryEQ",
                            "BrowseEQCost",
                            "UpdateEQCost",
                            "BrowseEQCode",
                            "UpdateEQCode",
                            "FixedAssetGraph",
                            "PrintFixedAssets",
                            "PrintFixedAssetGraphs",
                            "CalculateEverySchedule",
                            "BrowseEQLog",
                            "UpdateEQBatch",
                            "PrintEQLogBProof",
                            "ExportEQLog",
                            "ImportEQLog",
                            "BrowseEQAnalysisLimits",
                            "BrowseEQDetailLimits",
                            "BrowseEQListingLimits",
                            "BrowseEQCategoryListLimits",
                            "PrintEQAnalysis",
                            "PrintEQAnalysis1",
                            "PrintEQDetail",
                            "PrintEQListing",
                            "PrintEQListing1",
                            "PrintEQCategoryList",
                            "PrintEQCategoryList1",
                            "PrintEQMaintenance",
                            "PrintEQAnalysisServer",
                            "PrintEQListingServer",
                            "PrintEQCategoryListServer",
                            "PrintUsageLogFM",
                            "PrintEQCategoryFM",
                            "PrintEquipmentDetailFM",
                            "PrintEquipmentListFM",
                            "PrintEQAnalysisFM"};
  std::multiset<std::string> listed;
  std::set<std::string> menus(cli::hostMenuNames().begin(), cli::hostMenuNames().end());
  for (const cli::MenuEntry& e : cli::allMenuEntries()) {
    listed.insert(e.procedure);
    EXPECT_TRUE(menus.count(e.menu)) << e.menu;
    EXPECT_FALSE(e.text.empty());
  }
  EXPECT_EQ(listed.size(), std::size(exported));
  for (const char* name : exported) EXPECT_EQ(listed.count(name), 1u) << name;

  frame::ProcedureRegistry registry;
  EXPECT_TRUE(cli::availableMenuEntries(registry).empty());
  registry.add("BrowseEQCode", [](frame::Context&) {});
  registry.add("NotOnAnyMenu", [](frame::Context&) {});
  std::vector<cli::MenuEntry> available = cli::availableMenuEntries(registry);
  ASSERT_EQ(available.size(), 1u);
  EXPECT_EQ(available[0].procedure, "BrowseEQCode");
  EXPECT_EQ(available[0].menu, "Equipment");
}

TEST(HostMenus, AccessKeysAreUniqueWithinEachMenuAndTipsSayWhatEntriesDo) {
  auto key = [](const std::string& text) {
    std::size_t at = text.find('&');
    return at + 1 < text.size() ? static_cast<char>(std::toupper(text[at + 1])) : '\0';
  };
  std::map<std::string, std::multiset<char>> keys;  // menu/submenu: the letters
  std::set<std::string> submenus;
  for (const cli::MenuEntry& e : cli::allMenuEntries()) {
    SCOPED_TRACE(e.text);
    EXPECT_NE(key(e.text), '\0');
    keys[e.menu + "/" + e.submenu].insert(key(e.text));
    if (!e.submenu.empty() && submenus.insert(e.menu + "/" + e.submenu).second)
      keys[e.menu + "/"].insert(key(e.submenu));
    EXPECT_NE(e.tip.find(' '), std::string::npos);
    EXPECT_EQ(e.tip.find(e.procedure), std::string::npos);
  }
  for (const auto& [menu, letters] : keys)
    for (char c : letters) EXPECT_EQ(letters.count(c), 1u) << menu << " &" << c;
}

// A menu entry reads as the title of the window it opens: a list by its title, a form opened
// for a new record "Add a …" for "Adding a …".
TEST(HostMenus, EachEntryReadsAsTheTitleOfTheWindowItOpens) {
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
  int checked = 0;
  for (const cli::MenuEntry& e : cli::availableMenuEntries(module.registry())) {
    SCOPED_TRACE(e.text);
    ctx.g.GlobalRequest = e.request;
    ASSERT_TRUE(desktop.call(ctx, e.procedure));
    // The window the entry opened is the lowest one: a list may ask for a record on top of it.
    const std::vector<Procedure*> open = desktop.windows();
    const Procedure* opened = open.empty() ? nullptr : open.front();
    if (dynamic_cast<const reportframe::ReportProgressWindow*>(opened)) {
      // A report opens its progress window, titled as every report's.
      EXPECT_EQ(opened->window().title(), "Generating Report");
    } else if (opened) {
      std::string text = plainCaption(e.text);
      if (text.size() > 3 && text.compare(text.size() - 3, 3, "...") == 0)
        text.resize(text.size() - 3);
      if (text.rfind("Add ", 0) == 0) text = "Adding " + text.substr(4);
      EXPECT_EQ(opened->window().title().substr(0, text.size()), text);
      ++checked;
    }
    desktop.closeAll();
  }
  EXPECT_GE(checked, 6);
}

// Which environments show the desktop program when koreq is run without a command.
TEST(HostDisplay, ADisplayOrAScreenPlatformIsNeeded) {
  struct Saved {
    std::string name;
    std::optional<std::string> value;
  };
  std::vector<Saved> saved;
  for (const char* n : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* v = std::getenv(n);
    saved.push_back({n, v ? std::optional<std::string>(v) : std::nullopt});
    ::unsetenv(n);
  }
  EXPECT_FALSE(cli::desktopDisplayAvailable());
  ::setenv("DISPLAY", ":0", 1);
  EXPECT_TRUE(cli::desktopDisplayAvailable());
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // chosen, and it draws nowhere
  EXPECT_FALSE(cli::desktopDisplayAvailable());
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  ::unsetenv("DISPLAY");
  EXPECT_TRUE(cli::desktopDisplayAvailable());
  ::unsetenv("QT_QPA_PLATFORM");
  ::setenv("WAYLAND_DISPLAY", "wayland-0", 1);
  EXPECT_TRUE(cli::desktopDisplayAvailable());
  for (const Saved& s : saved) {
    if (s.value)
      ::setenv(s.name.c_str(), s.value->c_str(), 1);
    else
      ::unsetenv(s.name.c_str());
  }
}

const WindowDef& codesDef() {
  static const WindowDef d = parseWindowDef(R"({
    "name": "HostCodes", "title": "Cost Categories",
    "controls": [
      {"kind": "prompt", "text": "&Note:"},
      {"kind": "entry", "name": "?NOTE", "use": "KORFIELD", "picture": "@s10"},
      {"kind": "button", "name": "?CLOSE", "text": "&Close", "action": "close"}]})",
                                            "HostCodes.json");
  return d;
}

class HostWindowTest : public ::testing::Test {
 protected:
  HostWindowTest() {
    EXPECT_EQ(koreq::test::makeDemoFolder(tmp.path / "co", "2024-06-14"), "");
    cli::GlobalOptions opts;
    opts.today = Date::fromYmd(2024, 6, 14);
    inv = std::make_unique<cli::Invocation>(opts, out_, err_);
    // A window procedure under an exported name, so that its menu entry appears.
    auto open = [](frame::Context& ctx) {
      return std::make_unique<Procedure>(ctx, "HostCodes", codesDef());
    };
    auto run = [open](frame::Context& ctx) { Desktop::current()->open(open(ctx)); };
    if (!module.registry().replace("BrowseEQCode", run)) module.registry().add("BrowseEQCode", run);
  }

  TempFolder tmp;
  std::ostringstream out_, err_;
  std::unique_ptr<cli::Invocation> inv;
  cli::LoadedModule module;
};

TEST_F(HostWindowTest, OpensTheCompanyAndRunsEachMenuCallOnAThreadOfItsOwn) {
  cli::HostWindow host(*inv, module, tmp.path / "co");
  host.show();
  settle();
  ASSERT_NE(host.session(), nullptr);
  EXPECT_EQ(host.findChild<QLabel*>("companyName")->text(), "Demo Contracting Co.");
  EXPECT_TRUE(host.windowTitle().contains("Demo Contracting Co."));
  // The users of the company's user file to sign on as; the command line's user first.
  auto* users = host.findChild<QComboBox*>("users");
  ASSERT_NE(users, nullptr);
  EXPECT_GT(users->count(), 1);
  EXPECT_EQ(users->currentData().toString(), "ADM");
  int other = users->currentIndex() == 0 ? 1 : 0;
  users->setCurrentIndex(other);
  emit users->activated(other);
  const std::string id = users->itemData(other).toString().toStdString();
  EXPECT_EQ(host.session()->g.USERID.str(), id);
  EXPECT_TRUE(host.findChild<QLabel*>("signedOn")->text().startsWith(QString::fromStdString(id)));
  EXPECT_EQ(QSettings().value("host/user").toString().toStdString(), id);

  // The menus hold the registered procedures, and only those.
  std::vector<cli::MenuEntry> available = cli::availableMenuEntries(module.registry());
  for (const std::string& name : cli::hostMenuNames()) {
    auto* menu = host.menuBar()->findChild<QMenu*>(QString::fromStdString(name));
    std::set<std::string> shown, expected;
    for (const cli::MenuEntry& e : available)
      if (e.menu == name) expected.insert(e.procedure);
    // A menu of parts not built yet is not there at all.
    if (expected.empty()) {
      EXPECT_EQ(menu, nullptr) << name;
      continue;
    }
    ASSERT_NE(menu, nullptr) << name;
    for (QAction* a : menu->findChildren<QAction*>())
      if (!a->objectName().isEmpty()) {
        shown.insert(a->objectName().toStdString());
        // The status bar says what an entry does, in words.
        EXPECT_TRUE(a->statusTip().contains(' ')) << a->objectName().toStdString();
      }
    EXPECT_EQ(shown, expected) << name;
  }
  EXPECT_EQ(std::count_if(available.begin(), available.end(),
                          [](const cli::MenuEntry& e) { return e.procedure == "BrowseEQCode"; }),
            1);

  // Two menu calls: two windows side by side, each with its own context.
  cli::MenuEntry entry;
  for (const cli::MenuEntry& e : available)
    if (e.procedure == "BrowseEQCode") entry = e;
  host.run(entry);
  host.run(entry);
  settle();
  EXPECT_EQ(host.openThreads(), 2u);
  std::vector<QtWindow*> windows;
  for (QtWindow* w : host.findChildren<QtWindow*>())
    if (w->isVisible()) windows.push_back(w);
  ASSERT_EQ(windows.size(), 2u);
  EXPECT_NE(&windows[0]->procedure().ctx(), &windows[1]->procedure().ctx());
  EXPECT_EQ(windows[0]->windowModality(), Qt::NonModal);
  // A thread's globals are its own.
  windows[0]->procedure().ctx().g.KORFIELD = "ONE";
  EXPECT_EQ(windows[1]->procedure().ctx().g.KORFIELD.str(), "");
  // The user cannot change while windows are open.
  EXPECT_FALSE(users->isEnabled());

  windows[0]->findChild<QPushButton*>("?CLOSE")->click();
  settle();
  EXPECT_EQ(host.openThreads(), 1u);
  host.close();  // closes the other window first
  settle();
  EXPECT_EQ(host.openThreads(), 0u);
}

// A company folder on a server opens like any other; on one that signs on by role, choosing
// another user connects anew as that user's role, with a password the server checks.
TEST_F(HostWindowTest, AServerCompanySignsEachUserOnWithTheirOwnPassword) {
  KOREQ_NEED_BACKEND(koreq::test::Backend::Postgres);
  koreq::test::BackendCompany server(koreq::test::Backend::Postgres, tmp.path / "srv");
  std::ostringstream out, err;
  ASSERT_EQ(cli::runCli({"--data", (tmp.path / "co").string(), "copy", "--to", server.conninfo(),
                         server.dir().string()},
                        out, err),
            0)
      << err.str();
  {
    cli::HostWindow host(*inv, module, server.dir());
    ASSERT_NE(host.session(), nullptr);
    EXPECT_EQ(host.findChild<QLabel*>("companyName")->text(), "Demo Contracting Co.");
    EXPECT_TRUE(host.findChild<QComboBox*>("users")->isEnabled());
  }
  const std::string prefix = server.schema() + "_";
  struct Cleanup {
    std::string prefix;
    ~Cleanup() {
      for (const char* id : {"adm", "eqv", "nop"})
        koreq::test::pgExec(koreq::test::pgTestServer(),
                            "SET client_min_messages = warning; DROP OWNED BY " + prefix + id +
                                "; DROP ROLE " + prefix + id,
                            nullptr);
      ::unsetenv("PGPASSFILE");
    }
  } cleanup{prefix};
  IniFile ini(server.dir() / data::Company::kSettingsName);
  ASSERT_TRUE(ini.set("Database", "SignOn", "Role"));
  ASSERT_TRUE(ini.set("Database", "RolePrefix", prefix));
  ASSERT_EQ(cli::runCli({"--data", server.dir().string(), "roles"}, out, err), 0) << err.str();
  ASSERT_TRUE(koreq::test::pgExec(koreq::test::pgTestServer(),
                                  "ALTER ROLE " + prefix + "adm PASSWORD 'pw'; ALTER ROLE " +
                                      prefix + "eqv PASSWORD 'right horse'",
                                  nullptr));
  if (koreq::test::pgExec(koreq::test::pgTestServer() + " user=" + prefix + "eqv password=wrong",
                          "SELECT 1", nullptr))
    GTEST_SKIP() << "the test server lets every role in without its password";
  // ADM's password in the password file; EQV's only in the user's head.
  const auto passfile = tmp.path / "pgpass";
  std::ofstream(passfile) << "*:*:*:" << prefix << "adm:pw\n";
  std::filesystem::permissions(
      passfile, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ::setenv("PGPASSFILE", passfile.c_str(), 1);
  cli::HostWindow host(*inv, module, server.dir());
  host.show();
  settle();
  ASSERT_NE(host.session(), nullptr) << host.findChild<QLabel*>("hint")->text().toStdString();
  auto* users = host.findChild<QComboBox*>("users");
  EXPECT_EQ(users->currentData().toString(), "ADM");
  EXPECT_TRUE(users->isEnabled());
  ScriptedPort script;
  host.port().setScript(&script);
  std::vector<std::string> asked;
  std::vector<std::optional<std::string>> answers = {std::nullopt, "wrong", "right horse"};
  host.setPasswordPrompt([&](const std::string& question) {
    asked.push_back(question);
    if (answers.empty()) return std::optional<std::string>();
    auto a = answers.front();
    answers.erase(answers.begin());
    return a;
  });
  const int eqv = users->findData("EQV");
  ASSERT_GE(eqv, 0);
  auto choose = [&] {
    users->setCurrentIndex(eqv);
    emit users->activated(eqv);
    settle();
  };
  // Cancelled, then refused by the server: ADM stays signed on, the box shows ADM again.
  choose();
  EXPECT_EQ(host.session()->g.USERID.str(), "ADM");
  EXPECT_EQ(users->currentData().toString(), "ADM");
  choose();
  EXPECT_EQ(host.session()->g.USERID.str(), "ADM");
  ASSERT_EQ(script.shown().size(), 2u);
  EXPECT_EQ(script.shown().back().caption, "Sign On");
  EXPECT_THAT(script.shown().back().text, ::testing::HasSubstr("password authentication failed"));
  choose();
  EXPECT_EQ(host.session()->g.USERID.str(), "EQV");
  EXPECT_EQ(users->currentData().toString(), "EQV");
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_THAT(asked[0], ::testing::HasSubstr("the password of user EQV"));
  host.close();
  settle();
}

TEST_F(HostWindowTest, CheckCompanyShowsItsProgressAndThenTheReport) {
  cli::HostWindow host(*inv, module, tmp.path / "co");
  QAction* item = host.menuBar()->findChild<QAction*>("checkCompany");
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->isEnabled());
  QPointer<QDialog> window = host.checkCompany();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  auto* bar = window->findChild<QProgressBar*>("progress");
  EXPECT_EQ(bar->maximum(), 8);
  EXPECT_EQ(bar->value(), 8);
  EXPECT_TRUE(window->findChild<QPlainTextEdit*>("report")->toPlainText().startsWith(
      "The company is sound: 8 checks held"));
  window->close();
  settle();
  EXPECT_TRUE(window.isNull());  // closing deletes it
}

TEST_F(HostWindowTest, WithoutACompanyTheMenusWait) {
  QSettings().remove("host/company");
  cli::GlobalOptions opts;
  opts.data = tmp.path / "nothing-here";
  std::ostringstream o, e;
  cli::Invocation none(opts, o, e);
  cli::HostWindow host(none, module, std::nullopt);
  EXPECT_EQ(host.session(), nullptr);
  EXPECT_FALSE(host.menuBar()->findChild<QMenu*>("Equipment")->isEnabled());
  EXPECT_FALSE(host.menuBar()->findChild<QAction*>("checkCompany")->isEnabled());
  EXPECT_EQ(host.checkCompany(), nullptr);
  EXPECT_EQ(host.findChild<QLabel*>("companyName")->text(), "(no company open)");
  EXPECT_TRUE(host.openCompany(tmp.path / "co"));
  EXPECT_TRUE(host.menuBar()->findChild<QMenu*>("Equipment")->isEnabled());

  // The demo company, made where the user says; a folder with a company in it is opened only
  // when the user says so; a failure says why and opens nothing.
  ScriptedPort script;
  host.port().setScript(&script);
  auto folderShown = [&host] { return host.findChild<QLabel*>("companyFolder")->text(); };
  cli::setDemoMaker(&demo::makeDemoCompany);
  EXPECT_TRUE(host.makeDemoCompanyIn(tmp.path / "demo2"));
  EXPECT_EQ(folderShown(), QString::fromStdString((tmp.path / "demo2").string()));
  EXPECT_EQ(host.findChild<QLabel*>("companyName")->text(), "Demo Contracting Co.");
  script.queueAnswer("No");
  EXPECT_FALSE(host.makeDemoCompanyIn(tmp.path / "co"));
  EXPECT_EQ(folderShown(), QString::fromStdString((tmp.path / "demo2").string()));
  script.queueAnswer("Yes");
  EXPECT_TRUE(host.makeDemoCompanyIn(tmp.path / "co"));
  EXPECT_EQ(folderShown(), QString::fromStdString((tmp.path / "co").string()));
  cli::setDemoMaker({});
  EXPECT_FALSE(host.makeDemoCompanyIn(tmp.path / "demo3"));
  ASSERT_FALSE(script.shown().empty());
  EXPECT_EQ(script.shown().back().caption, "Demo Company");
  EXPECT_FALSE(std::filesystem::exists(tmp.path / "demo3" / "company.db"));
  EXPECT_TRUE(script.problems().empty());
}

// Type-ahead completion is a switch that shows its state and is kept with the company.
TEST_F(HostWindowTest, TypeAheadCompletionIsASwitchTheCompanyKeeps) {
  std::filesystem::remove(tmp.path / "co" / "AutoEntry.dat");
  {
    cli::HostWindow host(*inv, module, tmp.path / "co");
    QAction* item = host.menuBar()->findChild<QAction*>("ToggleAutoEntryEQ");
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isCheckable());
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(host.session()->g.AutoEntry, 1);
  }
  EXPECT_EQ(IniFile(tmp.path / "co" / "AutoEntry.dat").get("AutoEntry", "Status"), "1");
  cli::HostWindow again(*inv, module, tmp.path / "co");
  QAction* item = again.menuBar()->findChild<QAction*>("ToggleAutoEntryEQ");
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->isChecked());
  item->trigger();
  EXPECT_EQ(again.session()->g.AutoEntry, 0);
  EXPECT_EQ(IniFile(tmp.path / "co" / "AutoEntry.dat").get("AutoEntry", "Status"), "0");
}

// File, New Company: an empty company under the name given, opened at once; a folder that is
// gone or holds no company is explained in the chooser, with no box in the way.
// On the company's own users, one who has a password gives it at sign-on and whenever the User
// box switches to them; Cancel or a wrong one keeps whoever was signed on.
TEST_F(HostWindowTest, AUserWithAPasswordGivesItToSignOn) {
  {
    auto company = data::Company::open(tmp.path / "co");
    auto nop = frame::findSignOnUser(company->store(), "NOP");
    ASSERT_TRUE(nop);
    frame::setPassword(company->store(), *nop, "right horse");
  }
  QSettings().remove("host/user");
  QSettings().remove("host/company");  // each window below opens the company itself
  std::vector<std::string> asked;
  std::vector<std::optional<std::string>> answers;
  auto prompt = [&](const std::string& question) {
    asked.push_back(question);
    if (answers.empty()) return std::optional<std::string>();
    auto a = answers.front();
    answers.erase(answers.begin());
    return a;
  };
  {
    // ADM has no password: the demo opens at once, nothing asked.
    cli::HostWindow host(*inv, module, std::nullopt);
    host.setPasswordPrompt(prompt);
    ASSERT_TRUE(host.openCompany(tmp.path / "co"));
    EXPECT_TRUE(asked.empty());
    ScriptedPort script;
    host.port().setScript(&script);
    auto* users = host.findChild<QComboBox*>("users");
    const int nop = users->findData("NOP");
    ASSERT_GE(nop, 0);
    auto choose = [&] {
      users->setCurrentIndex(nop);
      emit users->activated(nop);
      settle();
    };
    answers = {std::nullopt, "wrong horse", "right horse"};
    choose();
    EXPECT_EQ(host.session()->g.USERID.str(), "ADM");
    EXPECT_EQ(users->currentData().toString(), "ADM");
    EXPECT_TRUE(script.shown().empty());
    choose();
    EXPECT_EQ(host.session()->g.USERID.str(), "ADM");
    EXPECT_EQ(users->currentData().toString(), "ADM");
    ASSERT_EQ(script.shown().size(), 1u);
    EXPECT_EQ(script.shown().back().text, "Wrong password for user NOP.");
    choose();
    EXPECT_EQ(host.session()->g.USERID.str(), "NOP");
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0], "The password of user NOP:");
    // Back to ADM, who has none: no question.
    const int adm = users->findData("ADM");
    users->setCurrentIndex(adm);
    emit users->activated(adm);
    EXPECT_EQ(host.session()->g.USERID.str(), "ADM");
    EXPECT_EQ(asked.size(), 3u);
    users->setCurrentIndex(nop);
    answers = {"right horse"};
    emit users->activated(nop);
    host.close();
    settle();
  }
  // NOP was the last user: the next start asks for NOP's password before it opens anything.
  asked.clear();
  answers = {std::nullopt};
  QSettings().remove("host/company");
  {
    cli::HostWindow host(*inv, module, std::nullopt);
    host.setPasswordPrompt(prompt);
    EXPECT_FALSE(host.openCompany(tmp.path / "co"));
    EXPECT_EQ(host.session(), nullptr);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_TRUE(host.findChild<QLabel*>("hint")->text().contains("did not give their password"));
    // Then it signs on as the command line's user again.
    EXPECT_TRUE(host.openCompany(tmp.path / "co"));
    EXPECT_EQ(host.session()->g.USERID.str(), "ADM");
  }
}

TEST_F(HostWindowTest, FileAndHelpHaveTheirShortcuts) {
  cli::HostWindow host(*inv, module, tmp.path / "co");
  ScriptedPort script;
  host.port().setScript(&script);
  std::map<QString, QKeySequence> keys;
  for (QAction* a : host.menuBar()->findChildren<QAction*>()) keys[a->text()] = a->shortcut();
  EXPECT_EQ(keys["E&xit"], QKeySequence(Qt::CTRL | Qt::Key_Q));
  EXPECT_EQ(keys["&Open Company..."], QKeySequence(Qt::CTRL | Qt::Key_O));
  QAction* contents = host.findChild<QAction*>("helpContents");
  ASSERT_NE(contents, nullptr);
  EXPECT_EQ(contents->shortcut(), QKeySequence(Qt::Key_F1));
  contents->trigger();
  EXPECT_EQ(script.helpShown(), std::vector<std::string>{""});  // the contents
}

TEST_F(HostWindowTest, NewCompanyAndCompaniesThatCannotBeOpened) {
  ScriptedPort script;
  cli::HostWindow host(*inv, module, tmp.path / "gone");
  host.port().setScript(&script);
  EXPECT_EQ(host.session(), nullptr);
  EXPECT_TRUE(host.findChild<QLabel*>("hint")->text().contains("does not exist"));
  std::filesystem::create_directories(tmp.path / "empty");
  EXPECT_FALSE(host.openCompany(tmp.path / "empty"));
  EXPECT_TRUE(host.findChild<QLabel*>("hint")->text().contains("holds no company"));
  EXPECT_TRUE(script.shown().empty());

  EXPECT_FALSE(host.makeCompanyIn(tmp.path / "new", "  "));
  EXPECT_EQ(script.shown().back().caption, "New Company");
  EXPECT_TRUE(host.makeCompanyIn(tmp.path / "new", "Hilltop Builders"));
  EXPECT_EQ(host.findChild<QLabel*>("companyName")->text(), "Hilltop Builders");
  EXPECT_EQ(host.session()->g.USERID.str(), "ADM");
  EXPECT_FALSE(host.makeCompanyIn(tmp.path / "co", "Twice"));
  EXPECT_TRUE(script.problems().empty());
}

}  // namespace
}  // namespace koreq::ui::qt::test
