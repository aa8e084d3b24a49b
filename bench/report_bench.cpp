// A 500-page report to PDF: the depreciation schedule's structure filled with made-up months,
// printed into page images and written as one PDF, as `koreq report` does. See README.md.

#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <fstream>
#include <string>

#include "bench_support.h"
#include "reportframe/gui_app.h"
#include "reportframe/page_images.h"
#include "reportframe/page_list.h"
#include "reportframe/pdf_writer.h"
#include "reportframe/report.h"
#include "reportframe/report_def.h"
#include "support/temp_dir.h"

namespace {

using namespace koreq;
using namespace koreq::reportframe;
using Clock = std::chrono::steady_clock;

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

void resetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

// Prints `pages` pages of the schedule into `list`.
void printSchedule(PageList& list, int pages) {
  PageImageWriter images(list);
  Report report(reportDef("PrintFixedAssets"), images);
  report.setValue("RUNDATE", *Date::fromYmd(2016, 6, 15));
  report.setValue("RUNTIME", Time::fromHms(14, 5));
  report.setValue("COMPANYNAME", std::string("Demo Contracting Co."));
  report.setValue("EQH:EquipmentID", std::string("DT-201"));
  report.setValue("EQH:Description", std::string("2020 Kenworth T880 Tri-Axle Dump"));
  report.setValue("EQH:PurchaseDate", *Date::fromYmd(2012, 4, 19));
  report.setValue("EQH:DepreciationYears", std::int64_t{96});
  report.setValue("EQH:PurchaseValue", Decimal::fromCents(18650000));
  report.setValue("EQH:SalvageValue", Decimal::fromCents(4500000));
  report.setValue("LOC:SelectedMethod", std::string("Straight Line"));
  report.setValue("GLDP:FPPostedLabel", std::string("05/12"));
  report.control("?GLDP:SLAmount").font.bold = true;
  report.control("?GLDP:SLValue").font.bold = true;
  std::int64_t value = 99'999'999;
  for (int month = 0; report.pages() < pages || report.pages() == 0; ++month) {
    report.setValue("LOC:MonthYear",
                    std::to_string(month % 12 + 1) + "/" + std::to_string(2012 + month / 12));
    value -= 14'739;
    const char* fields[] = {"GLDP:SLAmount",  "GLDP:SLValue",   "GLDP:SYAmount",
                            "GLDP:SYValue",   "GLDP:DDBAmount", "GLDP:DDBValue",
                            "GLDP:UD1Amount", "GLDP:UD1Value",  "GLDP:ActualAmount"};
    for (int i = 0; i < 9; ++i)
      report.setValue(fields[i], Decimal::fromCents(i % 2 ? value : 147'396 + i * 1'000));
    report.setValue("GLDP:GLTransID", std::int64_t{100'000 + month});
    report.print("detail");
  }
  report.endReport();
}

void BM_ReportToPdf(benchmark::State& state) {
  const int pages = static_cast<int>(state.range(0));
  test::TempDir dir;
  double printSeconds = 0, pdfSeconds = 0, printCpu = 0, pdfCpu = 0, peak = 0, printPeak = 0;
  for (auto _ : state) {
    resetPeak();
    PageList list;
    const auto t0 = Clock::now();
    const double c0 = cpuSeconds();
    printSchedule(list, pages);
    const auto t1 = Clock::now();
    const double c1 = cpuSeconds();
    printPeak = std::max(printPeak, bench::peakMiB());
    PdfReportWriter pdf;
    pdf.init(dir.path, 0, "schedule.pdf");
    pdf.setPaper({1}, Orientation::Portrait);
    if (pdf.generate(list.files(), 0, false) != 1) state.SkipWithError(pdf.error().c_str());
    const auto t2 = Clock::now();
    printCpu += c1 - c0;
    pdfCpu += cpuSeconds() - c1;
    printSeconds += std::chrono::duration<double>(t1 - t0).count();
    pdfSeconds += std::chrono::duration<double>(t2 - t1).count();
    peak = std::max(peak, bench::peakMiB());
    if (list.size() != pages) state.SkipWithError("wrong page count");
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["pages/s"] = benchmark::Counter(pages * n, benchmark::Counter::kIsRate);
  state.counters["print_s"] = printSeconds / n;
  state.counters["pdf_s"] = pdfSeconds / n;
  state.counters["print_cpu_s"] = printCpu / n;
  state.counters["pdf_cpu_s"] = pdfCpu / n;
  state.counters["peak_MiB"] = peak;
  state.counters["print_peak_MiB"] = printPeak;
  std::error_code ec;
  state.counters["pdf_KiB"] =
      static_cast<double>(std::filesystem::file_size(dir.path / "schedule.pdf", ec)) / 1024;
}
BENCHMARK(BM_ReportToPdf)
    ->Arg(50)
    ->Arg(500)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  ReportApplication app;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
