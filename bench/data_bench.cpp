// Usage-log entries written and read back through the file-access layer, beside the same rows
// through the SQLite C API directly, to keep the layer's overhead in view.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "bench_support.h"
#include "data/access.h"
#include "data/company.h"
#include "data/records.h"
#include "data/sqlite/sqlite_store.h"
#include "support/temp_dir.h"

namespace {

using namespace koreq;
using namespace koreq::data;
namespace fs = std::filesystem;

constexpr int kRows = 100'000;

using koreq::test::TempDir;

// The same entry for row i on both paths; LogID is left to the caller.
void fill(EqLogB& r, int i) {
  static const Date first = *Date::fromYmd(2024, 1, 1);
  r.EquipmentID = "EQ" + std::to_string(i % 500);
  r.BatchID = static_cast<std::uint16_t>(i % 20 + 1);
  r.Date = first.addDays(i % 365);
  r.StartMeter = Decimal::fromCents(100'000 + i * 10);
  r.EndMeter = Decimal::fromCents(100'000 + i * 10 + 850);
  r.Units = Decimal::fromCents(850);
  r.ChargeType = "I";
  r.GrossAmount = Decimal::fromCents(12'345 + i);
  r.AdjustedAmount = Decimal::fromCents(12'000 + i);
  r.DetailType = "Job";
  r.GLAccount = "5100-00";
  r.JobID = "J" + std::to_string(i % 100);
  r.CostCode = "100-200";
  r.Category = "EQP";
  r.Comments = "bench entry";
  r.EmployeeID = static_cast<std::uint16_t>(i % 300);
  r.Location = "YARD";
  r.EquipmentIDCharged = "";
}

void insertThroughAccess(Store& store, int n) {
  ErrorObject errors;
  Access<EqLogB> log(store, errors);
  Transaction tx(store, std::chrono::milliseconds(5000));
  for (int i = 0; i < n; ++i) {
    if (log.prime() != kNoError) throw std::runtime_error("prime failed");
    fill(log.rec(), i);
    if (log.insert() != kNoError) throw std::runtime_error(log.lastErrorText());
  }
  tx.commit();
}

void BM_AccessInsert(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    {
      TempDir tmp;
      auto company = Company::create(tmp.path);
      state.ResumeTiming();
      insertThroughAccess(company->store(), kRows);
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kRows) * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

void BM_AccessRead(benchmark::State& state) {
  TempDir tmp;
  auto company = Company::create(tmp.path);
  insertThroughAccess(company->store(), kRows);
  ErrorObject errors;
  Access<EqLogB> log(company->store(), errors);
  const KeyDef& key = *EqLogB::def().key("KeyLogID");
  for (auto _ : state) {
    int n = 0;
    std::int64_t sum = 0;
    log.set(key);
    while (log.next() == kNoError) {
      sum += log.rec().GrossAmount.cents();
      ++n;
    }
    if (n != kRows) state.SkipWithError("wrong row count");
    benchmark::DoNotOptimize(sum);
  }
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kRows) * state.iterations(),
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
  void exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db_));
  }
  sqlite3_stmt* prepare(const char* sql) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db_));
    return s;
  }
  sqlite3* db_ = nullptr;
};

void insertRaw(Raw& raw, int n) {
  sqlite3_stmt* s = raw.prepare(bench::kRawEqLogBInsert);
  raw.exec("BEGIN IMMEDIATE");
  EqLogB r;
  for (int i = 0; i < n; ++i) {
    fill(r, i);
    r.LogID = i + 1;
    bench::bindRawEqLogB(s, r);
    if (sqlite3_step(s) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(raw.db_));
    sqlite3_reset(s);
  }
  raw.exec("COMMIT");
  sqlite3_finalize(s);
}

void BM_RawInsert(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    {
      TempDir tmp;
      Company::create(tmp.path);
      Raw raw(tmp.path / Company::kDatabaseName);
      state.ResumeTiming();
      insertRaw(raw, kRows);
      state.PauseTiming();
    }
    state.ResumeTiming();
  }
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kRows) * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

std::string columnText(sqlite3_stmt* s, int i) {
  auto p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
  return p ? std::string(p, static_cast<size_t>(sqlite3_column_bytes(s, i))) : std::string();
}

void BM_RawRead(benchmark::State& state) {
  TempDir tmp;
  Company::create(tmp.path);
  Raw raw(tmp.path / Company::kDatabaseName);
  insertRaw(raw, kRows);
  sqlite3_stmt* s = raw.prepare(
      "SELECT LogID, EquipmentID, BatchID, Date, StartMeter, EndMeter, Units, ChargeType, "
      "GrossAmount, AdjustedAmount, DetailType, GLAccount, JobID, CostCode, Category, Comments, "
      "EmployeeID, Location, EquipmentIDCharged FROM eqlogb ORDER BY LogID");
  EqLogB r;
  for (auto _ : state) {
    int n = 0;
    std::int64_t sum = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
      // Into the same record struct the access layer fills.
      r.LogID = sqlite3_column_int(s, 0);
      r.EquipmentID = columnText(s, 1);
      r.BatchID = static_cast<std::uint16_t>(sqlite3_column_int(s, 2));
      r.Date = Date(sqlite3_column_int(s, 3));
      r.StartMeter = Decimal::fromCents(sqlite3_column_int64(s, 4));
      r.EndMeter = Decimal::fromCents(sqlite3_column_int64(s, 5));
      r.Units = Decimal::fromCents(sqlite3_column_int64(s, 6));
      r.ChargeType = columnText(s, 7);
      r.GrossAmount = Decimal::fromCents(sqlite3_column_int64(s, 8));
      r.AdjustedAmount = Decimal::fromCents(sqlite3_column_int64(s, 9));
      r.DetailType = columnText(s, 10);
      r.GLAccount = columnText(s, 11);
      r.JobID = columnText(s, 12);
      r.CostCode = columnText(s, 13);
      r.Category = columnText(s, 14);
      r.Comments = columnText(s, 15);
      r.EmployeeID = static_cast<std::uint16_t>(sqlite3_column_int(s, 16));
      r.Location = columnText(s, 17);
      r.EquipmentIDCharged = columnText(s, 18);
      sum += r.GrossAmount.cents();
      ++n;
    }
    sqlite3_reset(s);
    if (n != kRows) state.SkipWithError("wrong row count");
    benchmark::DoNotOptimize(sum);
  }
  sqlite3_finalize(s);
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kRows) * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

BENCHMARK(BM_AccessInsert)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RawInsert)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_AccessRead)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
