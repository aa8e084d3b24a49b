// Several workstations in one company: marks and claims that go with their process (on the
// embedded database and on a PostgreSQL server), and a company on the server, copied there from
// the embedded database and back without losing or changing a record and used by several
// processes at once (one poster per company, batch reorders that keep every SortID once). The
// server's cases are skipped without a test server (KOREQ_PG_TEST).

#include <signal.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_support.h"
#include "data/access.h"
#include "data/company.h"
#include "data/records.h"
#include "demo/demo_company.h"
#include "runtime/ini.h"
#include "support/backend_params.h"

namespace koreq::cli::test {
namespace {

using koreq::test::Backend;
using ::testing::HasSubstr;

// A program whose standard output is read and whose standard input stays open until close().
class Child {
 public:
  explicit Child(std::vector<std::string> args) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::dup2(out[1], 2);
      ::close(in[1]);
      ::close(out[0]);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    toChild_ = in[1];
    fromChild_ = ::fdopen(out[0], "r");
  }
  ~Child() {
    close();
    wait();
    if (fromChild_) ::fclose(fromChild_);
  }
  std::string line() {
    char buf[512];
    return fromChild_ && ::fgets(buf, sizeof buf, fromChild_) ? std::string(buf) : std::string();
  }
  std::string rest() {
    std::string all, l;
    while (!(l = line()).empty()) all += l;
    return all;
  }
  void close() {
    if (toChild_ >= 0) ::close(toChild_);
    toChild_ = -1;
  }
  // Ends it as a crash or `kill -9` would: nothing of its own runs on the way out.
  void kill() {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
    wait();
  }
  int wait() {
    if (pid_ <= 0) return status_;
    int st = 0;
    ::waitpid(pid_, &st, 0);
    pid_ = 0;
    status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return status_;
  }

 private:
  pid_t pid_ = 0;
  int toChild_ = -1;
  FILE* fromChild_ = nullptr;
  int status_ = -1;
};

// koreq on the company in `dir`, as `user`, on the day the tests post on.
Result koreqIn(const std::filesystem::path& dir, std::vector<std::string> args,
               const char* user = "ADM") {
  args.insert(args.begin(), {"--data", dir.string(), "--today", "2025-07-16", "--user", user});
  return run(std::move(args));
}

// The demo company in `shared`: made there, or made beside it and copied to the test server.
class SharedDemo {
 protected:
  void makeShared(Backend backend) {
    setDemoMaker(&demo::makeDemoCompany);
    if (backend == Backend::Sqlite) {
      ASSERT_EQ(koreq(shared(), {"init", "--demo"}).rc, 0);
      return;
    }
    ASSERT_EQ(koreq(local(), {"init", "--demo"}).rc, 0);
    server_ = std::make_unique<koreq::test::BackendCompany>(Backend::Postgres, dir_.path / "srv");
    Result copied = koreq(local(), {"copy", "--to", server_->conninfo(), shared().string()});
    ASSERT_EQ(copied.rc, 0) << copied.err;
    EXPECT_THAT(copied.out, HasSubstr("the counts and money totals of every file agree"));
  }
  ~SharedDemo() { setDemoMaker({}); }

  std::filesystem::path local() const { return dir_.path / "local"; }
  std::filesystem::path shared() const { return dir_.path / "shared"; }
  static Result koreq(const std::filesystem::path& dir, std::vector<std::string> args,
                      const char* user = "ADM") {
    return koreqIn(dir, std::move(args), user);
  }

  TempDir dir_;
  std::unique_ptr<koreq::test::BackendCompany> server_;
};

// koreq until it succeeds, for at most two seconds: a server learns of a killed client's
// dropped connection within moments, not at once.
Result soon(const std::filesystem::path& dir, std::vector<std::string> args,
            const char* user = "ADM") {
  Result r = koreqIn(dir, args, user);
  for (int i = 0; i < 20 && r.rc != 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    r = koreqIn(dir, args, user);
  }
  return r;
}

class ServerCompany : public ::testing::Test, protected SharedDemo {
 protected:
  void SetUp() override {
    KOREQ_NEED_BACKEND(Backend::Postgres);
    makeShared(Backend::Postgres);
  }
};

// Two workstations, two users, on the embedded database and on the server: a batch another
// signed-on user has open is theirs until they are gone; a user or a posting whose process was
// killed blocks nobody, at once.
class Workstations : public ::testing::TestWithParam<Backend>, protected SharedDemo {
 protected:
  void SetUp() override {
    KOREQ_NEED_BACKEND(GetParam());
    makeShared(GetParam());
  }
};

TEST_P(Workstations, MarksAndClaimsGoWithTheirProcess) {
  // EQV has ADM's batch 1 open: ADM's posting meets "Batch In Use" (answered Cancel).
  Child entering({CRASH_HELPER, "hold-batch", shared().string(), "EQV", "1"});
  ASSERT_EQ(entering.line(), "held\n");
  Result inUse = koreq(shared(), {"post", "1"});
  EXPECT_EQ(inUse.rc, 1);
  EXPECT_THAT(inUse.err, HasSubstr("Batch In Use: This usage log batch is flagged as being in "
                                   "use by user EQV."));
  // EQV's process dies with the batch open: ADM takes it at once, and posts.
  entering.kill();
  Result posted = soon(shared(), {"post", "1"});
  ASSERT_EQ(posted.rc, 0) << posted.err;
  EXPECT_THAT(posted.out, HasSubstr("Posted 8 entries in journal E/Q "));

  // A posting killed while it held the company's posting: EQV posts at once.
  Child poster({CRASH_HELPER, "hold-posting", shared().string(), "ADM"});
  ASSERT_EQ(poster.line(), "claimed\n");
  Result refused = koreq(shared(), {"post", "2"}, "EQV");
  EXPECT_THAT(refused.err, HasSubstr("Right now Dana W. is posting Equipment Usage Logs."));
  poster.kill();
  Result after = soon(shared(), {"post", "2"}, "EQV");
  ASSERT_EQ(after.rc, 0) << after.err;
  EXPECT_EQ(koreq(shared(), {"check"}).rc, 0) << koreq(shared(), {"check"}).out;
}

INSTANTIATE_TEST_SUITE_P(Backends, Workstations, koreq::test::kBackends, koreq::test::backendName);

// To the server and back: every file reads the same, the company checks sound on the server,
// and a copy is never made over a company nor by a user who is no administrator.
TEST_F(ServerCompany, CopiesToTheServerAndBackWhole) {
  EXPECT_TRUE(std::filesystem::exists(shared() / data::Company::kSettingsName));
  EXPECT_EQ(koreq(shared(), {"check"}).rc, 0);
  const std::filesystem::path back = dir_.path / "back";
  Result r = koreq(shared(), {"copy", "--to", "sqlite", back.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  for (const char* file :
       {"EQHEADER", "EQCODE", "EQLOGB", "EQBATCH", "GLDEPR", "USERFILE", "GLTRANS", "EQCOST"}) {
    const Result here = koreq(local(), {"dump", file});
    ASSERT_EQ(here.rc, 0) << here.err;
    EXPECT_EQ(koreq(shared(), {"dump", file}).out, here.out) << file;
    EXPECT_EQ(koreq(back, {"dump", file}).out, here.out) << file;
  }
  Result again = koreq(local(), {"copy", "--to", "sqlite", back.string()});
  EXPECT_EQ(again.rc, 1);
  EXPECT_THAT(again.err, HasSubstr("a company already exists"));
  Result onto = koreq(local(), {"copy", "--to", server_->conninfo(), (dir_.path / "x").string()});
  EXPECT_EQ(onto.rc, 1);
  EXPECT_THAT(onto.err, HasSubstr("already holds a company"));
  EXPECT_FALSE(std::filesystem::exists(dir_.path / "x" / data::Company::kSettingsName));
  // A copy that fails half-way leaves nothing: not a table on the server, not a folder.
  koreq::test::BackendCompany spoilt(Backend::Postgres, dir_.path / "spoilt");
  ASSERT_TRUE(koreq::test::pgExec(spoilt.conninfo(), "CREATE TABLE eqlog(x INT)", nullptr));
  Result failed = koreq(local(), {"copy", "--to", spoilt.conninfo(), spoilt.dir().string()});
  EXPECT_EQ(failed.rc, 1);
  EXPECT_THAT(failed.err, HasSubstr("nothing was copied"));
  EXPECT_FALSE(data::Company::exists(spoilt.dir()));
  EXPECT_TRUE(koreq::test::pgExec(spoilt.conninfo(), "SELECT x FROM eqlog", nullptr));
  EXPECT_FALSE(koreq::test::pgExec(spoilt.conninfo(), "SELECT 1 FROM _meta", nullptr));
  EXPECT_FALSE(koreq::test::pgExec(spoilt.conninfo(), "SELECT 1 FROM eqheader", nullptr));
  Result denied = koreq(local(), {"copy", "--to", "sqlite", (dir_.path / "y").string()}, "EQV");
  EXPECT_EQ(denied.rc, 1);
  EXPECT_THAT(denied.err, HasSubstr("Access Denied"));
  // The embedded copy was made under a name of its own: nothing of it is left beside it.
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path))
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();
  // A folder that cannot be made the company's: the server's copy goes again, so a retry is
  // not refused for it.
  std::ofstream(dir_.path / "plain") << "a file where a folder should be";
  koreq::test::BackendCompany unfinished(Backend::Postgres, dir_.path / "plain" / "sub");
  Result stuck = koreq(local(), {"copy", "--to", unfinished.conninfo(), unfinished.dir().string()});
  EXPECT_EQ(stuck.rc, 1);
  EXPECT_THAT(stuck.err, HasSubstr("the copy was removed from the server"));
  EXPECT_FALSE(koreq::test::pgExec(unfinished.conninfo(), "SELECT 1 FROM _meta", nullptr));
  Result retry =
      koreq(local(), {"copy", "--to", unfinished.conninfo(), (dir_.path / "z").string()});
  EXPECT_EQ(retry.rc, 0) << retry.err;
}

// While another process posts, a posting is refused with the poster's name; afterwards it posts.
TEST_F(ServerCompany, OnePosterPerCompanyAcrossProcesses) {
  Child other({CRASH_HELPER, "hold-posting", shared().string(), "EQV"});
  ASSERT_EQ(other.line(), "claimed\n");
  Result refused = koreq(shared(), {"post", "1"});
  EXPECT_EQ(refused.rc, 1);
  EXPECT_THAT(refused.err, HasSubstr("Another Posting In Process: Right now Victor E. is posting"));
  other.close();
  EXPECT_EQ(other.wait(), 0);
  Result posted = koreq(shared(), {"post", "1"});
  ASSERT_EQ(posted.rc, 0) << posted.err;
  EXPECT_THAT(posted.out, HasSubstr("Posted 8 entries in journal E/Q "));
  EXPECT_EQ(koreq(shared(), {"check"}).rc, 0);
}

// Two processes posting at the same moment: one after the other, or one refused because the
// other is posting; never both refused, never two postings at once (the check would show it).
TEST_F(ServerCompany, TwoPostersAtOnce) {
  Child a({KOREQ_BINARY, "--data", shared().string(), "--today", "2025-07-16", "--user", "EQV",
           "post", "2"});
  Child b({KOREQ_BINARY, "--data", shared().string(), "--today", "2025-07-16", "--user", "ADM",
           "post", "1"});
  a.close();
  b.close();
  const std::string outA = a.rest(), outB = b.rest();
  const int ra = a.wait(), rb = b.wait();
  EXPECT_TRUE(ra == 0 || rb == 0) << outA << outB;
  if (ra != 0) {
    EXPECT_THAT(outA, HasSubstr("Another Posting In Process"));
  }
  if (rb != 0) {
    EXPECT_THAT(outB, HasSubstr("Another Posting In Process"));
  }
  EXPECT_EQ(koreq(shared(), {"check"}).rc, 0);
}

// Two processes moving batches at once keep every SortID once.
TEST_F(ServerCompany, ReordersAtOnceKeepEverySortIdOnce) {
  {
    auto company = data::Company::open(shared());
    data::ErrorObject errors;
    data::Access<data::EqBatch> batches(company->store(), errors);
    for (int i = 1; i <= 6; ++i) {
      ASSERT_EQ(batches.prime(), data::kNoError);
      batches.rec().Description = "Moved " + std::to_string(i);
      batches.rec().SortID = 100 + i;
      ASSERT_EQ(batches.insert(), data::kNoError);
    }
  }
  const std::vector<std::int32_t> before = sortIds(shared());
  Child a({CRASH_HELPER, "reorder", shared().string(), "60"});
  Child b({CRASH_HELPER, "reorder", shared().string(), "60"});
  a.close();
  b.close();
  EXPECT_EQ(a.wait(), 0);
  EXPECT_EQ(b.wait(), 0);
  EXPECT_EQ(sortIds(shared()), before);
  EXPECT_EQ(koreq(shared(), {"check"}).rc, 0);
}

// The demo users' roles go when a test ends, with whatever they were given.
struct RoleCleanup {
  std::string prefix;
  ~RoleCleanup() {
    for (const char* id : {"adm", "eqv", "nop"})
      koreq::test::pgExec(koreq::test::pgTestServer(),
                          "SET client_min_messages = warning; DROP OWNED BY " + prefix + id +
                              "; DROP ROLE " + prefix + id,
                          nullptr);
    ::unsetenv("PGPASSWORD");
    ::unsetenv("PGPASSFILE");
  }
};

// Signing on by role: each user connects as a database role of their own, whose password the
// server checks; the command line takes it from PGPASSWORD or the password file.
TEST_F(ServerCompany, EachUserSignsOnWithAPasswordTheServerChecks) {
  const std::string prefix = server_->schema() + "_";
  RoleCleanup cleanup{prefix};
  IniFile ini(shared() / data::Company::kSettingsName);
  ASSERT_TRUE(ini.set("Database", "SignOn", "Role"));
  ASSERT_TRUE(ini.set("Database", "RolePrefix", prefix));

  Result denied = koreq(shared(), {"roles"}, "EQV");
  EXPECT_EQ(denied.rc, 1);
  EXPECT_THAT(denied.err, HasSubstr("Access Denied"));
  Result roles = koreq(shared(), {"roles"});
  ASSERT_EQ(roles.rc, 0) << roles.err;
  EXPECT_THAT(roles.out, HasSubstr("EQV: role " + prefix + "eqv (made; give it a password)"));
  ASSERT_TRUE(koreq::test::pgExec(koreq::test::pgTestServer(),
                                  "ALTER ROLE " + prefix + "eqv PASSWORD 'right horse'", nullptr));
  std::string why;
  if (koreq::test::pgExec(koreq::test::pgTestServer() + " user=" + prefix + "eqv password=wrong",
                          "SELECT 1", &why))
    GTEST_SKIP() << "the test server lets every role in without its password";

  ::unsetenv("PGPASSWORD");
  ::setenv("PGPASSFILE", (dir_.path / "none").c_str(), 1);
  Result none = koreq(shared(), {"list", "EQCODE"}, "EQV");
  EXPECT_EQ(none.rc, 1);
  EXPECT_THAT(none.err, HasSubstr("asks for a password"));
  ::setenv("PGPASSWORD", "wrong", 1);
  Result wrong = koreq(shared(), {"list", "EQCODE"}, "EQV");
  EXPECT_EQ(wrong.rc, 1);
  EXPECT_THAT(wrong.err, HasSubstr("password authentication failed"));
  ::setenv("PGPASSWORD", "right horse", 1);
  Result right = koreq(shared(), {"list", "EQCODE"}, "EQV");
  EXPECT_EQ(right.rc, 0) << right.err;
  // Another user's password is not this one's.
  EXPECT_EQ(koreq(shared(), {"list", "EQCODE"}, "NOP").rc, 1);

  // The password file, as libpq reads it.
  ::unsetenv("PGPASSWORD");
  const auto passfile = dir_.path / "pgpass";
  std::ofstream(passfile) << "*:*:*:" << prefix << "eqv:right horse\n";
  std::filesystem::permissions(
      passfile, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  ::setenv("PGPASSFILE", passfile.c_str(), 1);
  Result fromFile = koreq(shared(), {"post", "2"}, "EQV");
  EXPECT_EQ(fromFile.rc, 0) << fromFile.err;
  // The user's rights hold as in the windows: EQV may post, not copy the company.
  Result copy = koreq(shared(), {"copy", "--to", "sqlite", (dir_.path / "c").string()}, "EQV");
  EXPECT_EQ(copy.rc, 1);
  EXPECT_THAT(copy.err, HasSubstr("Access Denied"));
}

// A role may do on the server what its user may do in the program, and no more: ADM is an
// administrator; EQV may post but not change equipment; NOP may change equipment but not post.
TEST_F(ServerCompany, EachRoleMayDoWhatItsUserMay) {
  const std::string prefix = server_->schema() + "_";
  RoleCleanup cleanup{prefix};
  IniFile ini(shared() / data::Company::kSettingsName);
  ASSERT_TRUE(ini.set("Database", "SignOn", "Role"));
  ASSERT_TRUE(ini.set("Database", "RolePrefix", prefix));
  ASSERT_EQ(koreq(shared(), {"roles"}).rc, 0);
  for (const char* id : {"adm", "eqv", "nop"})
    ASSERT_TRUE(koreq::test::pgExec(koreq::test::pgTestServer(),
                                    "ALTER ROLE " + prefix + id + " PASSWORD 'pw'", nullptr));
  const std::string schema = "SET search_path = " + server_->schema() + "; ";
  auto as = [&](const char* id, const std::string& sql) {
    std::string why;
    const bool ok = koreq::test::pgExec(
        koreq::test::pgTestServer() + " user=" + prefix + id + " password=pw", schema + sql, &why);
    return ok ? std::string("ok") : why;
  };
  const std::string denied = "permission denied";
  EXPECT_THAT(as("nop", "UPDATE userfile SET \"PostEquipmentLogs\" = 1"), HasSubstr(denied));
  EXPECT_THAT(as("eqv", "UPDATE userfile SET \"Administrator\" = 1"), HasSubstr(denied));
  EXPECT_THAT(as("nop", "DELETE FROM gltrans"), HasSubstr(denied));
  EXPECT_THAT(as("nop", "UPDATE eqheader SET \"CumulativeUnits\" = 0"), HasSubstr(denied));
  EXPECT_THAT(as("nop", "INSERT INTO eqprior DEFAULT VALUES"), HasSubstr(denied));
  EXPECT_THAT(as("eqv", "UPDATE eqheader SET \"Description\" = 'x'"), HasSubstr(denied));
  EXPECT_THAT(as("eqv", "DELETE FROM eqcost"), HasSubstr(denied));
  for (const char* id : {"eqv", "nop"}) {
    EXPECT_THAT(as(id, "SELECT \"SystemPassword\" FROM control"), HasSubstr(denied));
    EXPECT_THAT(as(id, "SELECT * FROM userfile"), HasSubstr(denied));
    EXPECT_EQ(as(id, "SELECT \"UserID\", \"PostEquipmentLogs\" FROM userfile"), "ok");
  }
  EXPECT_EQ(as("adm", "SELECT \"SystemPassword\" FROM control"), "ok");
  EXPECT_EQ(as("adm", "UPDATE userfile SET \"FirstName\" = \"FirstName\""), "ok");
  EXPECT_EQ(as("adm", "DELETE FROM gltrans WHERE false"), "ok");

  // The program's own work goes on for each: entry and equipment by NOP, posting by EQV.
  ::setenv("PGPASSWORD", "pw", 1);
  Result exported = koreq(shared(), {"export", "1", (dir_.path / "b1.txt").string()}, "NOP");
  ASSERT_EQ(exported.rc, 0) << exported.err;
  Result imported = koreq(
      shared(), {"import", "1", (dir_.path / "b1.txt").string(), "--allow-duplicates"}, "NOP");
  EXPECT_EQ(imported.rc, 0) << imported.err << imported.out;
  Result schedule = koreq(shared(), {"depreciation", "calculate", "DT-201"}, "NOP");
  EXPECT_EQ(schedule.rc, 0) << schedule.err;
  Result refused = koreq(shared(), {"post", "2"}, "NOP");
  EXPECT_THAT(refused.err, HasSubstr("not allowed to post"));
  Result posted = koreq(shared(), {"post", "2"}, "EQV");
  EXPECT_EQ(posted.rc, 0) << posted.err;
  Result checked = koreq(shared(), {"check"}, "EQV");
  EXPECT_EQ(checked.rc, 0) << checked.out << checked.err;
  // The system password unlocks a protected batch for those who know it, read or not.
  {
    auto nop = data::Company::open(shared(), false, "pw", "NOP");
    EXPECT_EQ(nop->store().systemPasswordIs("demo  "), std::optional<bool>(true));
    EXPECT_EQ(nop->store().systemPasswordIs("DEMO1"), std::optional<bool>(false));
    auto adm = data::Company::open(shared(), false, "pw", "ADM");
    EXPECT_EQ(adm->store().systemPasswordIs("DEMO"), std::nullopt);
    // The equipment form's save, as NOP (who may not touch the posted totals) and EQV.
    data::ErrorObject errors;
    data::Access<data::EqHeader> byNop(nop->store(), errors);
    ASSERT_EQ(byNop.fetch("KeyEquipmentID", {data::Value("DT-201")}), data::kNoError);
    byNop.rec().Description = "Dump truck, red";
    EXPECT_EQ(byNop.update(), data::kNoError) << byNop.lastErrorText();
    auto eqv = data::Company::open(shared(), false, "pw", "EQV");
    data::Access<data::EqHeader> byEqv(eqv->store(), errors);
    ASSERT_EQ(byEqv.fetch("KeyEquipmentID", {data::Value("DT-201")}), data::kNoError);
    EXPECT_EQ(byEqv.rec().Description.str(), "Dump truck, red");
    byEqv.rec().Description = "Dump truck";
    EXPECT_NE(byEqv.update(), data::kNoError);
  }

  // Rights change: the roles follow once given again.
  ::unsetenv("PGPASSWORD");
  ASSERT_TRUE(koreq::test::pgExec(
      server_->conninfo(),
      "UPDATE userfile SET \"PostEquipmentLogs\" = 1 - \"PostEquipmentLogs\" WHERE "
      "\"UserID\" IN ('EQV', 'NOP')",
      nullptr));
  ASSERT_EQ(koreq(shared(), {"roles"}).rc, 0);
  EXPECT_EQ(as("nop", "DELETE FROM gltrans WHERE false"), "ok");
  EXPECT_THAT(as("eqv", "DELETE FROM gltrans WHERE false"), HasSubstr(denied));
  EXPECT_THAT(as("eqv", "UPDATE eqheader SET \"CumulativeUnits\" = 0 WHERE false"),
              HasSubstr(denied));
}

}  // namespace
}  // namespace koreq::cli::test
