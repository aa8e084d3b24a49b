#include "frame/module.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "data/records.h"
#include "support/company_fixture.h"

namespace koreq::frame {
namespace {

namespace fs = std::filesystem;

class ModuleTest : public fixture::CompanyTest {
 protected:
  ModuleSetup setup() {
    ModuleSetup s;
    s.settingsFolder = dir() / "settings";
    s.workingDirectory = dir() / "work";
    s.programDirectory = dir() / "bin";
    s.dictionaryFolders = {dir() / "dicts"};
    s.traceStream = &trace_;
    return s;
  }
  // Records every sibling call as "KORGL:INIT(e,i)" / "KORGL:KILL" (e, i: argument given).
  void observeSiblings(Module& m) {
    for (const char* name : Module::kSiblingOrder) {
      std::string n = name;
      ASSERT_TRUE(m.setSibling(
          n,
          [this, n](data::ErrorObject* e, IniFile* i) {
            calls_.push_back(n + ":INIT(" +
                             (!e                 ? "null"
                              : e == hostErrors_ ? "host"
                                                 : "other") +
                             "," +
                             (!i              ? "null"
                              : i == hostIni_ ? "host"
                                              : "other") +
                             ")");
          },
          [this, n] { calls_.push_back(n + ":KILL"); }));
    }
  }

  std::ostringstream trace_;
  std::vector<std::string> calls_;
  data::ErrorObject* hostErrors_ = nullptr;
  IniFile* hostIni_ = nullptr;
};

TEST_F(ModuleTest, InitWithoutHostObjectsKeepsTheModulesOwn) {
  Module m(setup());
  observeSiblings(m);
  m.init(nullptr, nullptr);
  EXPECT_TRUE(m.running());
  EXPECT_EQ(&m.errors(), &m.ownErrors());
  EXPECT_EQ(&m.settings(), &m.ownSettings());
  EXPECT_EQ(m.settings().path(), dir() / "settings" / "koreq.ini");
  ASSERT_TRUE(m.settings().set("Setup", "Wizard", "1"));
  EXPECT_TRUE(fs::exists(dir() / "settings" / "koreq.ini"));
  EXPECT_EQ((std::vector<std::string>{"KORDATA:INIT(null,null)", "KORMISC:INIT(null,null)",
                                      "KORGL:INIT(null,null)", "KORJC:INIT(null,null)",
                                      "KORPR:INIT(null,null)"}),
            calls_);
}

TEST_F(ModuleTest, InitPassesTheHostObjectsOnOnceAndKillIsFinal) {
  data::ErrorObject host, other;
  IniFile hostIni(dir() / "host.ini"), otherIni(dir() / "other.ini");
  hostErrors_ = &host;
  hostIni_ = &hostIni;
  Module m(setup());
  observeSiblings(m);
  m.init(&host, &hostIni);
  m.init(&other, &otherIni);  // the second call changes nothing and reaches no sibling
  EXPECT_EQ(&m.errors(), &host);
  EXPECT_EQ(&m.settings(), &hostIni);
  m.kill();
  m.kill();
  EXPECT_FALSE(m.running());
  m.init(&other, &otherIni);
  EXPECT_EQ(&m.errors(), &host);
  EXPECT_EQ((std::vector<std::string>{"KORDATA:INIT(host,host)", "KORMISC:INIT(host,host)",
                                      "KORGL:INIT(host,host)", "KORJC:INIT(host,host)",
                                      "KORPR:INIT(host,host)", "KORDATA:KILL", "KORMISC:KILL",
                                      "KORGL:KILL", "KORJC:KILL", "KORPR:KILL"}),
            calls_);
  EXPECT_FALSE(m.setSibling("KORXX", nullptr, nullptr));
}

TEST_F(ModuleTest, KillBeforeInitLeavesTheModuleUninitialisable) {
  Module m(setup());
  observeSiblings(m);
  m.kill();
  m.init(nullptr, nullptr);
  EXPECT_TRUE(m.killed());
  EXPECT_FALSE(m.initialised());
  EXPECT_FALSE(m.running());
  EXPECT_EQ((std::vector<std::string>{"KORDATA:KILL", "KORMISC:KILL", "KORGL:KILL", "KORJC:KILL",
                                      "KORPR:KILL"}),
            calls_);
}

TEST_F(ModuleTest, OnlyTheHostErrorObjectWithOneGivenAndHostIniOnlyWithOneGiven) {
  data::ErrorObject host;
  Module m(setup());
  m.init(&host, nullptr);
  EXPECT_EQ(&m.errors(), &host);
  EXPECT_EQ(&m.settings(), &m.ownSettings());
}

TEST_F(ModuleTest, WorkingDirectoryEndsInOneSeparator) {
  ModuleSetup s = setup();
  s.workingDirectory = "/srv/koreq/";
  {
    Module m(s);
    EXPECT_EQ(m.workingDirectory(), "/srv/koreq/");
    EXPECT_EQ(m.autoEntryDataFile(), "/srv/koreq/AutoEntry.dat");
  }
  s.workingDirectory = "/srv/koreq";
  Module m(s);
  EXPECT_EQ(m.workingDirectory(), "/srv/koreq/");
  s.workingDirectory.clear();
  Module cwd(s);
  EXPECT_EQ(cwd.workingDirectory(), fs::current_path().string() + "/");
}

TEST_F(ModuleTest, SpellCheckSettingsAndDictionary) {
  ModuleSetup s = setup();
  {
    Module m(s);
    EXPECT_EQ(m.spellCheckIniPath(), (dir() / "bin" / "sol.ini").string());
    EXPECT_EQ(m.spellCheckLanguage(), "en_US");
    EXPECT_EQ(m.dictionaryPath(), "");  // none in the folder looked at
  }
  fs::create_directories(dir() / "dicts");
  std::ofstream(dir() / "dicts" / "en_US.dic") << "1\nword\n";
  s.dictionaryFolders = {dir() / "missing", dir() / "dicts"};
  Module m(s);
  EXPECT_EQ(m.dictionaryPath(), (dir() / "dicts" / "en_US.dic").string());
  s.programDirectory = "relative/bin";
  Module rel(s);
  EXPECT_TRUE(fs::path(rel.spellCheckIniPath()).is_absolute());
}

TEST_F(ModuleTest, NetworkTraceSwitches) {
  using Args = std::vector<std::string>;
  EXPECT_FALSE(netTraceRequested({}));
  EXPECT_FALSE(netTraceRequested(Args{"/other", "netlog"}));
  for (const char* sw : {"/netlog", "/netlogerrors", "/neterrors", "/netall", "/NETLOG"})
    EXPECT_TRUE(netTraceRequested(Args{"koreq", sw})) << sw;
  EXPECT_FALSE(netTraceRequested(Args{"/netlog", "/netnolog"}));
  EXPECT_FALSE(netTraceRequested(Args{"/netnolog", "/netall"}));

  ModuleSetup s = setup();
  s.commandLine = {"/netall"};
  std::vector<std::string> lines;
  {
    Module m(s);
    EXPECT_TRUE(m.netTrace());
    ASSERT_EQ(m.traceLines().size(), 2u);
    EXPECT_NE(m.traceLines()[0].find("network trace started"), std::string::npos);
    EXPECT_NE(m.traceLines()[1].find("SQLite"), std::string::npos);
  }
  std::string written = trace_.str();
  EXPECT_NE(written.find("network trace started"), std::string::npos);
  EXPECT_EQ(written.substr(written.size() - 28), "koreq: network trace closed\n");

  trace_.str("");
  s.commandLine = {"/netall", "/netnolog"};
  {
    Module m(s);
    EXPECT_FALSE(m.netTrace());
    EXPECT_TRUE(m.traceLines().empty());
  }
  EXPECT_EQ(trace_.str(), "");
}

TEST_F(ModuleTest, FileErrorsReachTheHostErrorObjectOnceAttached) {
  data::ErrorObject host;
  Module m(setup());
  m.init(&host, nullptr);
  m.attach(session());
  Context fresh(session());
  auto& users = fresh.access<data::UserFile>();
  users.prime();
  users.rec().UserID = "ABC";
  ASSERT_EQ(users.insert(), data::kNoError);
  users.prime();
  users.rec().UserID = "ABC";
  EXPECT_EQ(users.insert(), data::kDuplicateKey);
  ASSERT_TRUE(host.last());
  EXPECT_EQ(host.last()->message, "Creates Duplicate Key Inserting UserFile");
  EXPECT_FALSE(m.ownErrors().last());
}

}  // namespace
}  // namespace koreq::frame
