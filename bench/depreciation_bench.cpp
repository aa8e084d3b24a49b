// Depreciation schedules of 10,000 pieces of equipment with 120-month lives: computed alone,
// computed and stored the way the "Calculate Schedule" button does it (one transaction per
// equipment, each row auto-numbered), and the same rows through the SQLite C API directly.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/access.h"
#include "data/company.h"
#include "data/records.h"
#include "depreciation/schedule.h"
#include "depreciation/store_schedule.h"
#include "support/temp_dir.h"

namespace {

using namespace koreq;
using namespace koreq::data;
using namespace koreq::depreciation;
namespace fs = std::filesystem;

constexpr int kEquipment = 10'000;
constexpr int kMonths = 120;
constexpr double kRows = static_cast<double>(kEquipment) * kMonths;

using koreq::test::TempDir;

// Equipment i: purchase values that do not divide evenly, a tenth kept as salvage, purchases
// spread over ten years.
EqHeader equipment(int i) {
  static const Date first = *Date::fromYmd(2014, 1, 10);
  EqHeader eq;
  eq.EquipmentID = "EQ" + std::to_string(i);
  eq.PurchaseDate = first.addMonths(i % 120);
  eq.PurchaseValue = Decimal::fromCents(1'000'000 + static_cast<std::int64_t>(i) * 3'713);
  eq.SalvageValue = Decimal::fromCents(eq.PurchaseValue.cents() / 10);
  eq.DepreciationYears = kMonths;
  return eq;
}

void setRate(benchmark::State& state) {
  state.counters["rows/s"] = benchmark::Counter(kRows * static_cast<double>(state.iterations()),
                                                benchmark::Counter::kIsRate);
}

void BM_ScheduleCompute(benchmark::State& state) {
  for (auto _ : state) {
    std::size_t rows = 0;
    for (int i = 0; i < kEquipment; ++i)
      rows += calculateSchedule(scheduleInput(equipment(i))).size();
    if (rows != static_cast<std::size_t>(kRows)) state.SkipWithError("wrong row count");
    benchmark::DoNotOptimize(rows);
  }
  setRate(state);
}

// The argument is the number of pieces: 10,000, and the 1,000 of the peer comparison.
void BM_ScheduleStore(benchmark::State& state) {
  const int pieces = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    {
      TempDir tmp;
      auto company = Company::create(tmp.path);
      ErrorObject errors;
      Access<GlDepr> gldepr(company->store(), errors);
      state.ResumeTiming();
      int written = 0;
      for (int i = 0; i < pieces; ++i) written += calculateSchedule(gldepr, equipment(i)).written();
      state.PauseTiming();
      if (written != pieces * kMonths || !errors.history().empty())
        state.SkipWithError("rows missing");
    }
    state.ResumeTiming();
  }
  state.counters["rows/s"] = benchmark::Counter(
      static_cast<double>(pieces) * kMonths * static_cast<double>(state.iterations()),
      benchmark::Counter::kIsRate);
}

// The raw path writes into a company made the same way, so table, indexes and pragmas match.
class Raw {
 public:
  explicit Raw(const fs::path& db) {
    if (sqlite3_open_v2(db.string().c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
      throw std::runtime_error("open failed");
    // The same settings as the data layer's connection.
    exec("PRAGMA synchronous=NORMAL");
    exec("PRAGMA cache_size=-65536");
  }
  ~Raw() { sqlite3_close_v2(db_); }
  Raw(const Raw&) = delete;
  Raw& operator=(const Raw&) = delete;
  void exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db_));
  }
  sqlite3* db() { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// The same rows, one transaction per equipment as above, numbered by a counter.
void insertRaw(Raw& raw, const std::vector<std::vector<ScheduleRow>>& schedules) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(raw.db(),
                         "INSERT INTO gldepr(RecordID, EquipmentID, Date, SLAmount, SLValue, "
                         "DDBAmount, DDBValue, SYAmount, SYValue, UD1Amount, UD1Value, UD2Amount, "
                         "UD2Value, ActualAmount, FPPostedLabel, GLTransID) "
                         "VALUES(?,?,?,?,?,?,?,?,?,0,0,0,0,0,'',0)",
                         -1, &s, nullptr) != SQLITE_OK)
    throw std::runtime_error(sqlite3_errmsg(raw.db()));
  std::int64_t recordId = 0;
  for (int i = 0; i < kEquipment; ++i) {
    const std::string id = "EQ" + std::to_string(i);
    raw.exec("BEGIN IMMEDIATE");
    for (const auto& r : schedules[static_cast<std::size_t>(i)]) {
      sqlite3_bind_int64(s, 1, ++recordId);
      sqlite3_bind_text(s, 2, id.data(), static_cast<int>(id.size()), SQLITE_STATIC);
      sqlite3_bind_int64(s, 3, r.date.day());
      sqlite3_bind_int64(s, 4, r.charges.sl.amount.cents());
      sqlite3_bind_int64(s, 5, r.charges.sl.value.cents());
      sqlite3_bind_int64(s, 6, r.charges.ddb.amount.cents());
      sqlite3_bind_int64(s, 7, r.charges.ddb.value.cents());
      sqlite3_bind_int64(s, 8, r.charges.sy.amount.cents());
      sqlite3_bind_int64(s, 9, r.charges.sy.value.cents());
      if (sqlite3_step(s) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(raw.db()));
      sqlite3_reset(s);
    }
    raw.exec("COMMIT");
  }
  sqlite3_finalize(s);
}

void BM_RawInsert(benchmark::State& state) {
  std::vector<std::vector<ScheduleRow>> schedules;
  for (int i = 0; i < kEquipment; ++i)
    schedules.push_back(calculateSchedule(scheduleInput(equipment(i))));
  for (auto _ : state) {
    state.PauseTiming();
    {
      TempDir tmp;
      Company::create(tmp.path);
      Raw raw(tmp.path / Company::kDatabaseName);
      state.ResumeTiming();
      insertRaw(raw, schedules);
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
  setRate(state);
}

BENCHMARK(BM_ScheduleCompute)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScheduleStore)->Unit(benchmark::kMillisecond)->Iterations(1)->Arg(kEquipment);
BENCHMARK(BM_ScheduleStore)->Unit(benchmark::kMillisecond)->Iterations(3)->Arg(1000);
BENCHMARK(BM_RawInsert)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
