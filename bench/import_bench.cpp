// Importing a text file of 1,000,000 usage-log lines (read, checked against the company's files,
// priced and added in one transaction) beside the raw SQLite insert of the same rows; and the
// same import into a company on a PostgreSQL server (KOREQ_PG_TEST), beside SQLite at the
// same size.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

#include "bench_support.h"
#include "data/company.h"
#include "data/records.h"
#include "data/store.h"
#include "frame/context.h"
#include "interchange/engine/import_run.h"
#include "support/backends.h"
#include "support/temp_dir.h"

namespace {

using namespace koreq;
using namespace koreq::data;
using koreq::test::TempDir;

constexpr int kLines = 1'000'000;
constexpr int kEquipment = 100;

template <typename R>
void put(Store& store, const R& rec) {
  std::vector<Value> v;
  for (const auto& f : R::def().fields) v.push_back(f.get(&rec));
  store.insert(R::def(), v);
}

void makeCompany(Store& store) {
  Transaction tx(store);
  for (const char* a : {"5100", "7100"}) {
    GlMaster g;
    g.Account = a;
    put(store, g);
  }
  Systems sys;
  sys.RecordID = 1;
  sys.CostCodeLength = 6;
  put(store, sys);
  JcHeader job;
  job.JobID = "2144";
  put(store, job);
  JcCost cc;
  cc.RecordID = 1;
  cc.JobID = "2144";
  cc.CostCode = "02-200";
  cc.CostType = "E";
  cc.EntryMask = "02-200E";
  put(store, cc);
  for (int i = 0; i < kEquipment; ++i) {
    EqHeader h;
    h.RecordID = i + 1;
    h.EquipmentID = "EQ" + std::to_string(i);
    h.InternalBillingRate = Decimal::fromCents(9500);
    h.RentalBillingRate = Decimal::fromCents(14000);
    put(store, h);
    EqCost k;
    k.PrimaryRecordID = i + 1;
    k.EquipmentID = h.EquipmentID;
    k.CostCategory = "REPAIR";
    k.RecordID = h.EquipmentID.padded() + "REPAIR";
    put(store, k);
  }
  EqBatch b;
  b.BatchID = 1;
  b.SortID = 1;
  put(store, b);
  tx.commit();
}

// Line i of the file and the entry it becomes: Job, G/L Account, Equipment and Maintenance
// lines in turn.
EqLogB entryFor(int i) {
  EqLogB e;
  e.LogID = i + 1;
  e.BatchID = 1;
  e.EquipmentID = "EQ" + std::to_string(i % kEquipment);
  e.Date = *Date::fromYmd(2024, 3, 1 + i % 28);
  e.StartMeter = Decimal::fromCents(100'000 + i);
  e.Units = Decimal::fromCents(200 + (i % 37) * 50);
  e.EndMeter = e.StartMeter + e.Units;
  e.ChargeType = i % 7 == 0 ? "R" : "I";
  e.GrossAmount = e.Units * Decimal::fromCents(i % 7 == 0 ? 14000 : 9500);
  e.AdjustedAmount = e.GrossAmount;
  e.Comments = "bench entry";
  e.EmployeeID = static_cast<std::uint16_t>(i % 300);
  switch (i % 4) {
    case 0:
      e.DetailType = "Job";
      e.JobID = "2144";
      e.CostCode = "02-200E";
      break;
    case 1:
      e.DetailType = "G/L Account";
      e.GLAccount = "7100";
      break;
    case 2:
      e.DetailType = "Equipment";
      e.EquipmentIDCharged = "EQ" + std::to_string((i + 1) % kEquipment);
      e.Category = "REPAIR";
      break;
    default:
      e.DetailType = "Maintenance";
      e.Category = "REPAIR";
  }
  return e;
}

// The kinds of file imported: comma-delimited UTF-8 as the export writes it; fixed positions
// with a comment that is not ASCII (positions count characters); comma-delimited Windows-1252
// as a spreadsheet program on Windows writes it.
enum FileKind { kExported = 0, kFixed = 1, kWindows1252 = 2 };
constexpr char kFixedMap[] = "Q10S10F10U10T01D11G12J10C14P10A10M20#10L05E05";

std::string padded(std::string s, std::size_t chars) {
  std::size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  if (n < chars) s.append(chars - n, ' ');
  return s;
}

std::string dateText(const Date& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", d.month(), d.dayOfMonth(), d.year());
  return buf;
}

void writeFile(const std::string& path, int lines, int kind) {
  std::ofstream out(path, std::ios::binary);
  if (kind == kFixed) {
    for (int i = 0; i < lines; ++i) {
      const EqLogB e = entryFor(i);
      out << padded(e.EquipmentID.str(), 10) << padded(e.StartMeter.toPlainString(), 10)
          << padded(e.EndMeter.toPlainString(), 10) << padded(e.Units.toPlainString(), 10)
          << padded(e.ChargeType.str(), 1) << padded(e.DetailType.str(), 11)
          << padded(e.GLAccount.str(), 12) << padded(e.JobID.str(), 10)
          << padded(e.CostCode.str(), 14) << padded(e.EquipmentIDCharged.str(), 10)
          << padded(e.Category.str(), 10)
          << padded(
                 "bench fa\xC3\xA7"
                 "ade",
                 20)
          << dateText(e.Date) << padded("", 5) << padded(std::to_string(e.EmployeeID), 5) << "\r\n";
    }
    return;
  }
  for (int i = 0; i < lines; ++i) {
    const EqLogB e = entryFor(i);
    const std::string comment = kind == kWindows1252 ? std::string(
                                                           "O\x92"
                                                           "Brien \x96 fa\xE7"
                                                           "ade")
                                                     : e.Comments.str();
    out << e.EquipmentID.str() << ',' << e.StartMeter.toString() << ',' << e.EndMeter.toString()
        << ',' << e.Units.toString() << ',' << e.ChargeType.str() << ',' << e.DetailType.str()
        << ',' << e.GLAccount.str() << ',' << e.JobID.str() << ',' << e.CostCode.str() << ','
        << e.EquipmentIDCharged.str() << ',' << e.Category.str() << ',' << comment << ','
        << e.Date.month() << '/' << e.Date.dayOfMonth() << '/' << e.Date.year() << ",,"
        << e.EmployeeID << '\n';
  }
}

// Arguments: the back end (0 SQLite, 1 PostgreSQL), the number of lines and the FileKind.
void BM_Import(benchmark::State& state) {
  const auto backend = state.range(0) == 0 ? test::Backend::Sqlite : test::Backend::Postgres;
  const int lines = static_cast<int>(state.range(1));
  const int kind = static_cast<int>(state.range(2));
  if (backend == test::Backend::Postgres && test::pgTestServer().empty()) {
    state.SkipWithError("no PostgreSQL server: set KOREQ_PG_TEST");
    return;
  }
  long added = 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      TempDir tmp;
      const std::string file = (tmp.path / "usage.csv").string();
      writeFile(file, lines, kind);
      FixedClock clock(*Date::fromYmd(2024, 3, 25));
      test::BackendCompany where(backend, tmp.path / "company");
      frame::Session session(where.create(), clock, "ABC");
      makeCompany(session.store());
      frame::Context ctx(session);
      JcLimits source;
      source.PrintOrder = kind == kFixed ? "F" : "C";
      source.JobTo = interchange::kBuiltInDateFormat;
      source.FieldMap = kind == kFixed ? kFixedMap : interchange::kBuiltInMap;
      const auto layout = interchange::LineLayout::of(source);
      state.ResumeTiming();
      interchange::ImportChecker checker(ctx);
      interchange::EntryWriter writer(ctx, checker, 1);
      long errors = 0;
      std::string why;
      const bool done = allOrNothing(
          ctx.store(),
          [&](std::string* w) {
            return interchange::readImportFile(
                ctx, checker, layout, file,
                [&](interchange::ImportItem& item) { writer.add(item, w); },
                [&](const interchange::ImportError&) { ++errors; }, w);
          },
          &why);
      state.PauseTiming();
      added = writer.added();
      if (!done || errors != 0 || added != lines)
        state.SkipWithError(("import failed: " + why).c_str());
    }
    state.ResumeTiming();
  }
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines) * state.iterations(),
                                                 benchmark::Counter::kIsRate);
  state.counters["peak MiB"] = bench::peakMiB();
}

// The same rows through one prepared INSERT in one transaction, into a company made the same
// way (same table, indexes and pragmas).
void BM_RawInsert(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    {
      TempDir tmp;
      Company::create(tmp.path);
      sqlite3* db = nullptr;
      if (sqlite3_open_v2((tmp.path / Company::kDatabaseName).string().c_str(), &db,
                          SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        throw std::runtime_error("open failed");
      sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
      sqlite3_stmt* s = nullptr;
      sqlite3_prepare_v2(db, bench::kRawEqLogBInsert, -1, &s, nullptr);
      state.ResumeTiming();
      sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
      for (int i = 0; i < kLines; ++i) {
        const EqLogB r = entryFor(i);
        bench::bindRawEqLogB(s, r);
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
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(kLines) * state.iterations(),
                                                 benchmark::Counter::kIsRate);
}

BENCHMARK(BM_RawInsert)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_Import)
    ->Args({0, kLines, kExported})
    ->Args({0, kLines, kFixed})
    ->Args({0, kLines, kWindows1252})
    ->Args({0, 100'000, kExported})
    ->Args({1, 100'000, kExported})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
