// The real program (and, for the changes without a command, a helper) killed (SIGKILL) at random
// points of a change: the company still passes `koreq check`, and each change is all done or not
// done. The points are drawn afresh on every run over the time the change takes uninterrupted; a
// failure prints the delay that found it.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_support.h"
#include "data/access.h"
#include "data/company.h"
#include "data/error.h"
#include "data/records.h"

namespace koreq::cli::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kKills = 4;

struct Ended {
  bool killed = false;
  int status = -1;
  Clock::duration took{};
};

// Runs `program` with `args`, its output thrown away, and kills it after `delay` unless it
// ended before.
Ended runKilledAfter(const std::string& program, const std::vector<std::string>& args,
                     Clock::duration delay) {
  std::vector<char*> argv;
  std::vector<std::string> all = args;
  all.insert(all.begin(), program);
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const auto start = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  Ended e;
  int st = 0;
  for (;;) {
    if (::waitpid(pid, &st, WNOHANG) == pid) break;
    if (Clock::now() - start >= delay) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &st, 0);
      e.killed = WIFSIGNALED(st);
      break;
    }
    std::this_thread::sleep_for(1ms);
  }
  e.took = Clock::now() - start;
  if (WIFEXITED(st)) e.status = WEXITSTATUS(st);
  return e;
}

class CrashTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pristine_ = std::make_unique<TempDir>();
    ASSERT_EQ(koreq(pristine_->path / "co", {"init", "--demo"}).status, 0);
  }
  static void TearDownTestSuite() { pristine_.reset(); }

  static Ended koreq(const std::filesystem::path& dir, std::vector<std::string> args,
                     Clock::duration killAfter = 24h) {
    args.insert(args.begin(), {"--data", dir.string(), "--today", "2025-07-16"});
    return runKilledAfter(KOREQ_BINARY, args, killAfter);
  }
  // A copy of the demo company, made once for the suite.
  std::filesystem::path copy(const std::string& name) {
    const auto dir = tmp_ / name;
    std::filesystem::copy(pristine_->path / "co", dir, std::filesystem::copy_options::recursive);
    return dir;
  }
  static void expectSound(const std::filesystem::path& dir, const std::string& when) {
    EXPECT_EQ(koreq(dir, {"check"}).status, 0) << when;
  }
  template <typename R>
  static std::int64_t count(const std::filesystem::path& dir) {
    auto company = data::Company::open(dir, true);
    data::ErrorObject errors;
    return data::Access<R>(company->store(), errors).records();
  }
  // Points over the time the change takes: the first just after it starts.
  std::vector<Clock::duration> killPoints(Clock::duration took) {
    std::uniform_int_distribution<long> within(
        0, std::chrono::duration_cast<std::chrono::microseconds>(took).count());
    std::vector<Clock::duration> points;
    for (int i = 0; i < kKills; ++i) points.push_back(std::chrono::microseconds(within(random_)));
    return points;
  }
  static std::string at(Clock::duration d) {
    return "killed after " +
           std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(d).count()) + " ms";
  }

  static inline std::unique_ptr<TempDir> pristine_;
  TempDir tmp_;
  std::mt19937 random_{std::random_device{}()};
};

// An import file of `lines` entries that every check accepts.
std::filesystem::path importFile(const std::filesystem::path& dir, int lines) {
  const auto path = dir / "big.csv";
  std::ofstream f(path);
  for (int i = 0; i < lines; ++i)
    f << "AC-801,0,0," << 1 + i % 9 << ",R,Job,,2101,01-100E,,,crash " << i << ",07/14/2025\n";
  return path;
}

TEST_F(CrashTest, AnImportLandsWholeOrNotAtAll) {
  constexpr int kLines = 20000;
  const auto file = importFile(tmp_.path, kLines);
  const auto dir = copy("import");
  const std::int64_t before = count<data::EqLogB>(dir);
  const Ended full = koreq(copy("reference"), {"import", "1", file.string()});
  ASSERT_EQ(full.status, 0);
  for (Clock::duration point : killPoints(full.took)) {
    koreq(dir, {"import", "1", file.string()}, point);
    const std::int64_t added = count<data::EqLogB>(dir) - before;
    EXPECT_EQ(added % kLines, 0) << at(point) << ": " << added << " entries added";
    expectSound(dir, at(point));
  }
}

TEST_F(CrashTest, APostingLandsWholeOrNotAtAll) {
  constexpr int kLines = 5000;
  const auto file = importFile(tmp_.path, kLines);
  const auto dir = copy("post");
  ASSERT_EQ(koreq(dir, {"import", "1", file.string()}).status, 0);
  {
    // A backup before the posting, which a kill may cut short too.
    auto company = data::Company::open(dir);
    data::ErrorObject errors;
    data::Access<data::UserFile> adm(company->store(), errors);
    ASSERT_EQ(adm.fetch("KeyUserID", {data::Value("ADM")}), data::kNoError);
    adm.rec().BackupBeforePosting = 1;
    ASSERT_EQ(adm.update(), data::kNoError);
  }
  std::filesystem::copy(dir, tmp_ / "reference", std::filesystem::copy_options::recursive);
  const std::int64_t posted = count<data::EqLog>(dir);
  const std::int64_t waiting = count<data::EqLogB>(dir);
  const Ended full = koreq(tmp_ / "reference", {"post", "1"});
  ASSERT_EQ(full.status, 0);
  const std::int64_t batch = count<data::EqLog>(tmp_ / "reference") - posted;
  ASSERT_GE(batch, kLines);
  for (Clock::duration point : killPoints(full.took)) {
    const Ended e = koreq(dir, {"post", "1"}, point);
    const std::int64_t now = count<data::EqLog>(dir) - posted;
    EXPECT_TRUE(now == 0 || now == batch) << at(point) << ": " << now << " entries posted";
    if (now == 0) {
      EXPECT_EQ(count<data::EqLogB>(dir), waiting) << at(point);
    }
    expectSound(dir, at(point));
    // Every backup there is whole: a company with every entry the posting began with.
    std::error_code none;
    for (const auto& b : std::filesystem::directory_iterator(dir / "backup", none)) {
      const std::string name = b.path().filename().string();
      if (!name.starts_with("company-")) continue;
      const auto opened = tmp_ / ("backup-" + name);
      std::filesystem::create_directories(opened);
      std::filesystem::copy_file(b.path(), opened / data::Company::kDatabaseName,
                                 std::filesystem::copy_options::overwrite_existing);
      EXPECT_EQ(count<data::EqLogB>(opened), waiting) << at(point) << ": " << name;
    }
    // Posted (a kill may land after the commit, before the process ends): posting again would
    // post the batch a second time.
    if (!e.killed || now == batch) break;
  }
}

// Each schedule is one change: after a kill every piece of equipment has no schedule (they were
// cleared first) or its whole schedule, and a run to the end gives what an uninterrupted one does.
TEST_F(CrashTest, EveryScheduleCalculatedIsWholeOrAbsent) {
  auto schedules = [](const std::filesystem::path& dir) {
    std::map<std::string, std::vector<std::string>> rows;
    auto company = data::Company::open(dir, true);
    data::ErrorObject errors;
    data::Access<data::GlDepr> a(company->store(), errors);
    a.set(*data::GlDepr::def().key("KeyEquipmentID"));
    while (a.next() == data::kNoError) {
      std::string row;
      for (const char* f : {"Date", "SLAmount", "SLValue", "DDBAmount", "DDBValue", "SYAmount",
                            "SYValue", "UD1Amount", "UD1Value"})
        row += a.text(f) + ",";
      rows[a.rec().EquipmentID.str()].push_back(row);
    }
    return rows;
  };
  const auto dir = copy("schedules");
  {
    auto company = data::Company::open(dir);
    company->store().clearFile(data::GlDepr::def());
  }
  std::filesystem::copy(dir, tmp_ / "reference", std::filesystem::copy_options::recursive);
  const Ended full = koreq(tmp_ / "reference", {"depreciation", "calculate", "--all"});
  ASSERT_EQ(full.status, 0);
  const auto whole = schedules(tmp_ / "reference");
  ASSERT_GT(whole.size(), 3u);
  for (Clock::duration point : killPoints(full.took)) {
    koreq(dir, {"depreciation", "calculate", "--all"}, point);
    for (const auto& [id, rows] : schedules(dir))
      EXPECT_EQ(rows, whole.at(id)) << at(point) << ": the schedule of " << id << " is partial";
    expectSound(dir, at(point));
  }
  ASSERT_EQ(koreq(dir, {"depreciation", "calculate", "--all"}).status, 0);
  EXPECT_EQ(schedules(dir), whole);
}

TEST_F(CrashTest, BatchReordersKeepEverySortValueOnce) {
  const auto dir = copy("reorder");
  {
    auto company = data::Company::open(dir);
    data::ErrorObject errors;
    data::Access<data::EqBatch> batches(company->store(), errors);
    for (int i = 1; i <= 6; ++i) {
      ASSERT_EQ(batches.prime(), data::kNoError);
      batches.rec().Description = "Crash " + std::to_string(i);
      batches.rec().SortID = 100 + i;
      ASSERT_EQ(batches.insert(), data::kNoError);
    }
  }
  const std::vector<std::int32_t> before = sortIds(dir);
  ASSERT_EQ(before.size(), 8u);
  const Ended some = runKilledAfter(CRASH_HELPER, {"reorder", dir.string(), "200"}, 24h);
  ASSERT_EQ(some.status, 0);
  EXPECT_EQ(sortIds(dir), before);
  for (Clock::duration point : killPoints(some.took)) {
    runKilledAfter(CRASH_HELPER, {"reorder", dir.string(), "100000"}, point);
    EXPECT_EQ(sortIds(dir), before) << at(point);
    expectSound(dir, at(point));
  }
}

// Apply to All adds every category to every piece of equipment in one change.
TEST_F(CrashTest, ApplyToAllAddsEveryCategoryOrNone) {
  const auto dir = copy("apply");
  {
    // No categories, and so nothing posted to any.
    auto company = data::Company::open(dir);
    for (const data::FileDef* f : {&data::EqCost::def(), &data::GlTrans::def(),
                                   &data::EqPriorC::def(), &data::EqPriorCM::def()})
      company->store().clearFile(*f);
  }
  std::filesystem::copy(dir, tmp_ / "reference", std::filesystem::copy_options::recursive);
  const Ended full =
      runKilledAfter(CRASH_HELPER, {"apply-to-all", (tmp_ / "reference").string()}, 24h);
  ASSERT_EQ(full.status, 0);
  const std::int64_t all = count<data::EqCost>(tmp_ / "reference");
  ASSERT_EQ(all, count<data::EqHeader>(dir) * count<data::EqCode>(dir));
  for (Clock::duration point : killPoints(full.took)) {
    runKilledAfter(CRASH_HELPER, {"apply-to-all", dir.string()}, point);
    const std::int64_t now = count<data::EqCost>(dir);
    EXPECT_TRUE(now == 0 || now == all) << at(point) << ": " << now << " of " << all;
    expectSound(dir, at(point));
  }
}

// A copy into an embedded database becomes its folder's company only when whole: a kill leaves
// the folder without a company or with the whole one, and a retry after a kill copies.
TEST_F(CrashTest, ACopyIsAWholeCompanyOrNone) {
  const auto dir = copy("copy");
  const Ended full = koreq(dir, {"copy", "--to", "sqlite", (tmp_ / "reference").string()});
  ASSERT_EQ(full.status, 0);
  const std::int64_t entries = count<data::EqLogB>(dir);
  int n = 0;
  for (Clock::duration point : killPoints(full.took)) {
    const auto to = tmp_ / ("to" + std::to_string(++n));
    koreq(dir, {"copy", "--to", "sqlite", to.string()}, point);
    if (data::Company::exists(to)) {
      EXPECT_EQ(count<data::EqLogB>(to), entries) << at(point);
      expectSound(to, at(point));
    } else {
      EXPECT_EQ(koreq(dir, {"copy", "--to", "sqlite", to.string()}).status, 0) << at(point);
      EXPECT_EQ(count<data::EqLogB>(to), entries) << at(point);
    }
  }
}

}  // namespace
}  // namespace koreq::cli::test
