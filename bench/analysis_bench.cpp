// The usage / cost analysis over 10,000 pieces of equipment with 12 cost categories each and two
// years of prior-period records ("All" and "As of"), and over a million ledger lines ("Range"):
// the selection and the body printed into page images, then the PDF, as `koreq report` runs
// them; beside a raw SQLite scan of the rows the report reads. See README.md.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench_support.h"
#include "data/company.h"
#include "data/records.h"
#include "data/sql_common.h"
#include "data/sqlite/sqlite_store.h"
#include "frame/context.h"
#include "reportframe/gui_app.h"
#include "reportframe/page_images.h"
#include "reportframe/page_list.h"
#include "reportframe/pdf_writer.h"
#include "reportframe/report.h"
#include "reportframe/report_def.h"
#include "reports/print_analysis.h"
#include "support/temp_dir.h"

namespace {

using namespace koreq;
using Clock = std::chrono::steady_clock;

constexpr int kEquipment = 10'000;
constexpr int kCategories = 12;
constexpr int kPeriods = 24;  // two years, numbered on across them
constexpr int kLedgerLines = 1'000'000;

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
}

// Records of one file through one prepared INSERT of every column, bound as the store binds a
// record buffer, inside the caller's transaction.
template <typename R>
class RawWriter {
 public:
  explicit RawWriter(sqlite3* db) : db_(db) {
    check(sqlite3_prepare_v2(db, data::sql::insertSql(R::def()).c_str(), -1, &s_, nullptr), db);
  }
  ~RawWriter() { sqlite3_finalize(s_); }
  void write(const R& r) {
    int i = 1;
    for (const data::FieldDef& f : R::def().fields) {
      std::int64_t n = 0;
      std::string_view t;
      f.save(&r, &n, &t);
      if (f.type == data::FieldType::String)
        sqlite3_bind_text(s_, i++, t.data(), static_cast<int>(t.size()), SQLITE_STATIC);
      else
        sqlite3_bind_int64(s_, i++, n);
    }
    check(sqlite3_step(s_), db_);
    sqlite3_reset(s_);
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* s_ = nullptr;
};

Date periodDate(int p) {  // the last day of the month of period p (1: January 2024)
  const int year = 2024 + (p - 1) / 12, month = (p - 1) % 12 + 1;
  return *Date::fromYmd(year, month, Date::daysInMonth(year, month));
}

std::string categoryId(int c) {
  char s[8];
  std::snprintf(s, sizeof s, "CAT%02d", c);
  return s;
}

std::string equipmentId(int e) {
  char s[12];
  std::snprintf(s, sizeof s, "EQ%05d", e);
  return s;
}

void writeCompany(sqlite3* db) {
  check(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), db);
  {
    data::Control control;
    control.RecordID = 1;
    control.CurrentFiscalPeriod = kPeriods;
    RawWriter<data::Control>(db).write(control);
    RawWriter<data::GlFiscal> periods(db);
    for (int p = 1; p <= kPeriods; ++p) {
      data::GlFiscal g;
      g.FiscalPeriod = static_cast<std::uint16_t>(p);
      g.PeriodDate = periodDate(p);
      periods.write(g);
    }
    RawWriter<data::EqCode> codes(db);
    for (int c = 1; c <= kCategories; ++c) {
      data::EqCode d;
      d.RecordID = c;
      d.CategoryID = categoryId(c);
      d.Description = "Category " + std::to_string(c);
      codes.write(d);
    }
    RawWriter<data::EqHeader> headers(db);
    RawWriter<data::EqCost> costs(db);
    RawWriter<data::EqPrior> prior(db);
    RawWriter<data::EqPriorM> priorM(db);
    RawWriter<data::EqPriorC> priorC(db);
    RawWriter<data::EqPriorCM> priorCM(db);
    RawWriter<data::GlTrans> ledger(db);
    std::int32_t ids[5] = {};
    std::int32_t ledgerId = 0;
    const int linesPerEquipment = kLedgerLines / kEquipment;  // 100: 84 costs, 16 income
    for (int e = 1; e <= kEquipment; ++e) {
      const std::string id = equipmentId(e);
      data::EqHeader h;
      h.RecordID = e;
      h.EquipmentID = id;
      h.Description = "Machine " + std::to_string(e);
      h.ClassCode = e % 2 ? "Loader" : "Truck";
      h.Active = 1;
      h.CumulativeInternalUnits = Decimal(2400);
      h.CumulativeInternalIncome = Decimal(240000);
      h.CumulativeRentalUnits = Decimal(480);
      h.CumulativeRentalIncome = Decimal(72000);
      h.CumulativeNonProductiveUnits = Decimal(96);
      headers.write(h);
      for (int y = 0; y < 2; ++y) {
        data::EqPrior py;
        py.RecordID = ++ids[0];
        py.EquipmentID = id;
        py.Year = static_cast<std::int16_t>(2024 + y);
        py.InternalUnits = Decimal(1200);
        py.InternalIncome = Decimal(120000);
        prior.write(py);
      }
      for (int p = 1; p <= kPeriods; ++p) {
        data::EqPriorM pm;
        pm.RecordID = ++ids[1];
        pm.EquipmentID = id;
        pm.Year = static_cast<std::int16_t>(2024 + (p - 1) / 12);
        pm.FiscalPeriod = static_cast<std::int16_t>(p);
        pm.InternalUnits = Decimal(100);
        pm.InternalIncome = Decimal(10000);
        pm.RentalUnits = Decimal(20);
        pm.RentalIncome = Decimal(3000);
        priorM.write(pm);
      }
      for (int c = 1; c <= kCategories; ++c) {
        data::EqCost k;
        k.PrimaryRecordID = ++ids[2];
        k.EquipmentID = id;
        k.CostCategory = categoryId(c);
        k.RecordID = k.EquipmentID.padded() + k.CostCategory.str();
        k.CumulativeUnitUsed = Decimal(240);
        k.CumulativeAmount = Decimal(2400 + c);
        k.UnitName = "Each";
        costs.write(k);
        for (int y = 0; y < 2; ++y) {
          data::EqPriorC pc;
          pc.RecordID = ++ids[3];
          pc.EquipmentID = id;
          pc.CostCategory = categoryId(c);
          pc.Year = static_cast<std::int16_t>(2024 + y);
          pc.Units = Decimal(120);
          pc.Amount = Decimal(1200);
          priorC.write(pc);
        }
        for (int p = 1; p <= kPeriods; ++p) {
          data::EqPriorCM pcm;
          pcm.RecordID = ++ids[4];
          pcm.EquipmentID = id;
          pcm.CostCategory = categoryId(c);
          pcm.Year = static_cast<std::int16_t>(2024 + (p - 1) / 12);
          pcm.FiscalPeriod = static_cast<std::int16_t>(p);
          pcm.Units = Decimal(10);
          pcm.Amount = Decimal(100);
          priorCM.write(pcm);
        }
      }
      for (int l = 0; l < linesPerEquipment; ++l) {
        data::GlTrans t;
        t.RecordID = ++ledgerId;
        const bool income = l % 25 >= 21;  // 16 income lines, 84 cost lines
        const std::string code = income ? (l % 2 ? ".I" : ".R") : categoryId(l % kCategories + 1);
        t.SubsidiaryCode = h.EquipmentID.padded() + code;
        t.EquipmentID = id;
        t.CostCategory = code;
        t.TransDate = periodDate(1).addDays(l * 7);  // spread over the two years
        t.CreditDebit = income ? "C" : "D";
        t.SubsidiaryQuantity = Decimal(3);
        t.Amount = Decimal(75);
        ledger.write(t);
      }
    }
  }
  check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
}

struct Company {
  test::TempDir tmp;
  FixedClock clock{*Date::fromYmd(2025, 12, 15), Time::fromHms(9, 0)};
  std::unique_ptr<frame::Session> session;
  Company() {
    session =
        std::make_unique<frame::Session>(data::Company::create(tmp.path / "co"), clock, "ADM");
    session->g.COMPANYNAME = "Benchmark Co.";
    writeCompany(dynamic_cast<data::SqliteStore&>(session->store()).handle());
  }
};

Company& company() {
  static Company c;
  return c;
}

// 0 All, 2 As of the first year's last period, 1 Range over the second year.
data::EqLimits analysisFormat(int mode) {
  data::EqLimits f;
  f.LimitID = 1;
  f.Report = "Analysis";
  f.ReportType = "A";
  f.QuantityAnalysis = "D";
  f.SelectedDates = static_cast<std::uint8_t>(mode);
  f.FPTo = Decimal(12);
  f.DateFrom = periodDate(13).addDays(-30);
  f.DateTo = periodDate(24);
  return f;
}

const char* modeName(int mode) {
  return mode == 0 ? "All" : mode == 1 ? "Range" : "As of";
}

// The analysis of `mode` printed into `sink`; its page count.
int printAnalysis(frame::Session& session, int mode, reportframe::PageSink& sink) {
  frame::Context ctx(session);
  ctx.rec<data::EqLimits>() = analysisFormat(mode);
  ctx.g.REPORTFILTER = "1";
  const reportframe::ReportProcedure procedure = reports::printEqAnalysisProcedure();
  reportframe::Report report(reportframe::reportDef(procedure.structure), sink);
  reportframe::startRun(ctx, procedure, report);
  auto body = reports::printEqAnalysisBody(ctx);
  body->begin(report);
  for (int i = 0; i < 10; ++i) {
    const auto& limits = ctx.g.RPTLIMITQ;
    report.setValue("LIMIT" + std::to_string(i + 1),
                    static_cast<std::size_t>(i) < limits.size() ? limits[i] : "");
  }
  while (body->next(report)) {
  }
  body->end(report);
  report.endReport();
  return report.pages();
}

// Pages counted and dropped: what the selection and the body cost without page images.
class NullSink final : public reportframe::PageSink {
 public:
  void beginPage(int, const reportframe::PageSizePt&) override {}
  void printBand(const reportframe::PrintedBand&) override {}
  void endPage() override {}
};

void BM_AnalysisBody(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  Company& co = company();
  int pages = 0;
  for (auto _ : state) {
    NullSink sink;
    pages = printAnalysis(*co.session, mode, sink);
  }
  state.SetLabel(modeName(mode));
  state.counters["pages"] = pages;
}
BENCHMARK(BM_AnalysisBody)
    ->Arg(0)
    ->Arg(2)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Analysis(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  Company& co = company();
  test::TempDir out;
  double printSeconds = 0, pdfSeconds = 0, printCpu = 0, pdfCpu = 0, peak = 0;
  int pages = 0;
  for (auto _ : state) {
    std::ofstream("/proc/self/clear_refs") << "5";
    const auto t0 = Clock::now();
    const double c0 = cpuSeconds();
    reportframe::PageList list;
    {
      reportframe::PageImageWriter images(list);
      pages = printAnalysis(*co.session, mode, images);
    }
    const auto t1 = Clock::now();
    const double c1 = cpuSeconds();
    reportframe::PdfReportWriter pdf;
    pdf.init(out.path, 0, "analysis.pdf");
    pdf.setPaper({1}, reportframe::Orientation::Portrait);
    if (pdf.generate(list.files(), 0, false) != 1) state.SkipWithError(pdf.error().c_str());
    const auto t2 = Clock::now();
    printSeconds += std::chrono::duration<double>(t1 - t0).count();
    pdfSeconds += std::chrono::duration<double>(t2 - t1).count();
    printCpu += c1 - c0;
    pdfCpu += cpuSeconds() - c1;
    peak = std::max(peak, bench::peakMiB());
  }
  const double n = static_cast<double>(state.iterations());
  state.SetLabel(modeName(mode));
  state.counters["pages"] = pages;
  state.counters["print_s"] = printSeconds / n;
  state.counters["pdf_s"] = pdfSeconds / n;
  state.counters["print_cpu_s"] = printCpu / n;
  state.counters["pdf_cpu_s"] = pdfCpu / n;
  state.counters["peak_MiB"] = peak;
}
BENCHMARK(BM_Analysis)
    ->Arg(0)
    ->Arg(2)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The rows the analysis reads, scanned straight from SQLite: every category with its year and
// month record and its later periods ("All", "As of"), or its ledger lines of the range.
void BM_RawScan(benchmark::State& state) {
  const int mode = static_cast<int>(state.range(0));
  sqlite3* db = dynamic_cast<data::SqliteStore&>(company().session->store()).handle();
  const char* sql =
      mode == 1 ? "SELECT SUM(CASE WHEN CreditDebit='C' THEN -Amount ELSE Amount END), COUNT(*) "
                  "FROM gltrans WHERE TransDate BETWEEN ?1 AND ?2"
                : "SELECT SUM(c.CumulativeAmount), SUM(y.Amount), COUNT(*) FROM eqcost c "
                  "LEFT JOIN eqpriorc y ON y.EquipmentID=c.EquipmentID AND "
                  "y.CostCategory=c.CostCategory AND y.Year=2024 "
                  "LEFT JOIN eqpriorcm m ON m.EquipmentID=c.EquipmentID AND "
                  "m.CostCategory=c.CostCategory AND m.FiscalPeriod > ?3";
  const data::EqLimits f = analysisFormat(mode);
  std::int64_t rows = 0;
  for (auto _ : state) {
    sqlite3_stmt* s = nullptr;
    check(sqlite3_prepare_v2(db, sql, -1, &s, nullptr), db);
    if (mode == 1) {
      sqlite3_bind_int64(s, 1, f.DateFrom.day());
      sqlite3_bind_int64(s, 2, f.DateTo.day());
    } else {
      sqlite3_bind_int64(s, 3, mode == 2 ? 12 : kPeriods);
    }
    while (sqlite3_step(s) == SQLITE_ROW) rows = sqlite3_column_int64(s, mode == 1 ? 1 : 2);
    sqlite3_finalize(s);
  }
  state.SetLabel(modeName(mode));
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_RawScan)->Arg(0)->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  reportframe::ReportApplication app;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
