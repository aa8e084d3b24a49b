// Posting 100,000 usage-log entries in 100 batches (every detail type) through the posting
// service, beside the raw SQLite insert of the same number of posted-usage rows; and the same
// posting in a company on a PostgreSQL server (KOREQ_PG_TEST).

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/company.h"
#include "data/records.h"
#include "data/sqlite/sqlite_store.h"
#include "data/store.h"
#include "frame/context.h"
#include "support/backends.h"
#include "support/temp_dir.h"
#include "usagelog/engine/posting.h"

namespace {

using namespace koreq;
using namespace koreq::data;
namespace fs = std::filesystem;

constexpr int kBatches = 100;
constexpr int kPerBatch = 1000;
constexpr int kEntries = kBatches * kPerBatch;
constexpr int kEquipment = 100;

using koreq::test::TempDir;

template <typename R>
void put(Store& store, const R& rec) {
  std::vector<Value> v;
  for (const auto& f : R::def().fields) v.push_back(f.get(&rec));
  store.insert(R::def(), v);
}

std::string equipmentId(int i) {
  return "EQ" + std::to_string(i % kEquipment);
}

// The company to post in: periods, accounts, equipment with two categories each, a job with
// a cost code, the poster, and 100 batches of 1,000 entries: Job, G/L Account, Equipment and
// Maintenance in turn, every tenth with an adjustment.
void makeCompany(Store& store) {
  Transaction tx(store);
  for (int m = 1; m <= 12; ++m) {
    GlFiscal f;
    f.FiscalPeriod = static_cast<std::uint16_t>(m);
    f.PeriodDate = *Date::fromYmd(2024, m, Date::daysInMonth(2024, m));
    f.FiscalYear = 2024;
    f.Label = (m < 10 ? "0" : "") + std::to_string(m) + "/24";
    put(store, f);
  }
  for (const char* a : {"4100", "4200", "5100", "6100", "6200", "7100"}) {
    GlMaster g;
    g.Account = a;
    put(store, g);
  }
  Systems sys;
  sys.RecordID = 1;
  sys.DefaultInternalIncomeAccount = "4100";
  sys.DefaultRentalIncomeAccount = "4200";
  sys.DefaultExpenseAccount = "7100";
  put(store, sys);
  UserFile u;
  u.RecordID = 1;
  u.UserID = "ABC";
  u.PostEquipmentLogs = 1;
  put(store, u);
  JcHeader job;
  job.JobID = "2144";
  put(store, job);
  JcCost cc;
  cc.RecordID = 1;
  cc.JobID = "2144";
  cc.CostCode = "02-200";
  cc.CostType = "E";
  cc.EntryMask = "02-200E";
  cc.GLAccount = "5100";
  put(store, cc);
  std::int32_t costId = 0;
  for (int i = 0; i < kEquipment; ++i) {
    EqHeader h;
    h.RecordID = i + 1;
    h.EquipmentID = equipmentId(i);
    h.UsageUnit = "HRS";
    h.BillingUnit = "DAY";
    h.InternalBillingRate = Decimal::fromCents(9500);
    h.RentalBillingRate = Decimal::fromCents(14000);
    put(store, h);
    for (const char* cat : {"PM-A", "REPAIR"}) {
      EqCost k;
      k.PrimaryRecordID = ++costId;
      k.EquipmentID = h.EquipmentID;
      k.CostCategory = cat;
      k.RecordID = h.EquipmentID.padded() + cat;
      k.ControlDebit = std::string(cat) == "REPAIR" ? "6100" : "6200";
      k.UnitName = "HRS";
      put(store, k);
    }
  }
  std::int32_t logId = 0;
  for (int b = 1; b <= kBatches; ++b) {
    EqBatch batch;
    batch.BatchID = static_cast<std::uint16_t>(b);
    batch.SortID = b;
    batch.UserID = "ABC";
    put(store, batch);
    for (int n = 0; n < kPerBatch; ++n) {
      const int i = b * kPerBatch + n;
      EqLogB e;
      e.LogID = ++logId;
      e.BatchID = batch.BatchID;
      e.EquipmentID = equipmentId(i);
      e.Date = *Date::fromYmd(2024, 3, 1 + i % 20);
      e.Units = Decimal::fromCents(200 + (i % 37) * 50);
      e.StartMeter = Decimal::fromCents(100'000 + i);
      e.EndMeter = e.StartMeter + e.Units;
      const bool rental = i % 7 == 0;
      e.ChargeType = rental ? "R" : "I";
      e.GrossAmount = e.Units * Decimal::fromCents(rental ? 14000 : 9500);
      e.AdjustedAmount = i % 10 == 0 ? e.GrossAmount - Decimal::fromCents(1000) : e.GrossAmount;
      e.Comments = "bench entry";
      e.EmployeeID = static_cast<std::uint16_t>(i % 300);
      switch (n % 4) {
        case 0:
          e.DetailType = "Job";
          e.JobID = "2144";
          e.CostCode = "02-200E";
          e.GLAccount = "5100";
          break;
        case 1:
          e.DetailType = "G/L Account";
          e.GLAccount = "7100";
          break;
        case 2:
          e.DetailType = "Equipment";
          e.EquipmentIDCharged = equipmentId(i + 1);
          e.Category = "REPAIR";
          break;
        default:
          e.DetailType = "Maintenance";
          e.Category = "PM-A";
          if (n % 8 == 3) e.AdjustedAmount = Decimal();  // shop time not charged
      }
      put(store, e);
    }
  }
  tx.commit();
}

// cacheKiB > 0: the connection's page cache raised to that size first (SQLite's default is
// 2,000 KiB), to show how much of the time is the cache spilling a large change to disk.
// server: the company on the PostgreSQL server of KOREQ_PG_TEST instead.
void postBatches(benchmark::State& state, test::Backend backend, std::int64_t cacheKiB) {
  if (backend == test::Backend::Postgres && test::pgTestServer().empty()) {
    state.SkipWithError("no PostgreSQL server: set KOREQ_PG_TEST");
    return;
  }
  std::vector<std::uint16_t> ids;
  for (int b = 1; b <= kBatches; ++b) ids.push_back(static_cast<std::uint16_t>(b));
  int lines = 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      TempDir tmp;
      FixedClock clock(*Date::fromYmd(2024, 3, 25));
      test::BackendCompany where(backend, tmp.path / "company");
      frame::Session session(where.create(), clock, "ABC");
      makeCompany(session.store());
      frame::Context ctx(session);
      if (cacheKiB > 0) {
        auto* sqlite = dynamic_cast<SqliteStore*>(&session.store());
        const std::string pragma = "PRAGMA cache_size=-" + std::to_string(cacheKiB);
        if (!sqlite || sqlite3_exec(sqlite->handle(), pragma.c_str(), nullptr, nullptr, nullptr))
          throw std::runtime_error("cannot size the cache");
      }
      state.ResumeTiming();
      usagelog::PostingResult r = usagelog::postBatches(ctx, ids);
      state.PauseTiming();
      if (!r.posted || r.entries != kEntries) {
        state.SkipWithError(("not posted: " + r.message).c_str());
        break;
      }
      lines = r.ledgerLines;
    }
    state.ResumeTiming();
  }
  state.counters["entries/s"] = benchmark::Counter(
      static_cast<double>(kEntries) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["ledger lines"] = lines;
}

void BM_PostBatches(benchmark::State& state) {
  postBatches(state, test::Backend::Sqlite, state.range(0));
}

void BM_PostBatchesServer(benchmark::State& state) {
  postBatches(state, test::Backend::Postgres, 0);
}

// The posted-usage rows themselves, through one prepared INSERT in one transaction, into a
// company made the same way (same table, indexes and pragmas).
void BM_RawInsert(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    {
      TempDir tmp;
      Company::create(tmp.path);
      sqlite3* db = nullptr;
      if (sqlite3_open_v2((tmp.path / Company::kDatabaseName).c_str(), &db, SQLITE_OPEN_READWRITE,
                          nullptr) != SQLITE_OK)
        throw std::runtime_error("open failed");
      sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
      sqlite3_stmt* s = nullptr;
      sqlite3_prepare_v2(
          db,
          "INSERT INTO eqlog(RecordID, EquipmentID, Type, Date, StartMeter, EndMeter, Units, "
          "ChargeType, GrossAmount, AdjustedAmount, DetailType, GLAccount, JobID, CostCode, "
          "Category, Comments, EmployeeID, Location, Posted, JournalNumber, "
          "EquipmentIDCharged) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
          -1, &s, nullptr);
      state.ResumeTiming();
      sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
      for (int i = 0; i < kEntries; ++i) {
        const std::string eq = equipmentId(i);
        auto text = [&](int col, const char* t) {
          sqlite3_bind_text(s, col, t, -1, SQLITE_STATIC);
        };
        sqlite3_bind_int64(s, 1, i + 1);
        sqlite3_bind_text(s, 2, eq.data(), static_cast<int>(eq.size()), SQLITE_STATIC);
        text(3, "I");
        sqlite3_bind_int64(s, 4, Date::fromYmd(2024, 3, 1 + i % 20)->day());
        sqlite3_bind_int64(s, 5, 100'000 + i);
        sqlite3_bind_int64(s, 6, 100'200 + i);
        sqlite3_bind_int64(s, 7, 200 + (i % 37) * 50);
        text(8, "I");
        sqlite3_bind_int64(s, 9, 19'000);
        sqlite3_bind_int64(s, 10, 19'000);
        text(11, "Job");
        text(12, "5100");
        text(13, "2144");
        text(14, "02-200E");
        text(15, "");
        text(16, "bench entry");
        sqlite3_bind_int64(s, 17, i % 300);
        text(18, "");
        sqlite3_bind_int64(s, 19, 1);
        sqlite3_bind_int64(s, 20, 1);
        text(21, "");
        if (sqlite3_step(s) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
        sqlite3_reset(s);
      }
      sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
      state.PauseTiming();
      sqlite3_finalize(s);
      sqlite3_close_v2(db);
    }
    state.ResumeTiming();
  }
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kEntries) * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

BENCHMARK(BM_PostBatches)
    ->Arg(0)
    ->Arg(262144)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();
BENCHMARK(BM_PostBatchesServer)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_RawInsert)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
