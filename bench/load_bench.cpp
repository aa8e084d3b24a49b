// `koreq load` and `koreq dump` of a million small usage-log entries, run in-process as the
// command line runs them: records per second and the peak resident memory of each command.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>

#include "app/cli.h"
#include "bench_support.h"
#include "support/temp_dir.h"

namespace {

using namespace koreq;
using koreq::test::TempDir;

constexpr int kRecords = 1'000'000;

// Peak resident memory since the last reset, in MiB: Linux keeps the high-water mark in
// /proc/self/status and resets it on a write of "5" to /proc/self/clear_refs.
void resetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}
// Discards what is written and counts it, as a pipe into another program would take it.
class CountingBuf : public std::streambuf {
 public:
  std::size_t bytes = 0;

 protected:
  int overflow(int c) override {
    if (c != traits_type::eof()) ++bytes;
    return c == traits_type::eof() ? 0 : c;
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    bytes += static_cast<std::size_t>(n);
    return n;
  }
};

// Eight of an entry's nineteen fields; the entry number is left to the loader.
void writeDocument(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << "{\"EQLOGB\": [\n";
  char rec[256];
  for (int i = 0; i < kRecords; ++i) {
    std::snprintf(rec, sizeof rec,
                  "%s{\"EquipmentID\": \"EQ%d\", \"BatchID\": %d, \"Date\": \"2024-%02d-%02d\", "
                  "\"Units\": \"%d.50\", \"ChargeType\": \"I\", \"GrossAmount\": \"%d.%02d\", "
                  "\"DetailType\": \"Job\", \"JobID\": \"J%d\"}",
                  i == 0 ? "" : ",\n", i % 500, i % 20 + 1, i % 12 + 1, i % 28 + 1, i % 9,
                  100 + i % 1000, i % 100, i % 100);
    out << rec;
  }
  out << "\n]}\n";
  if (!out) throw std::runtime_error("cannot write the document");
}

struct Document {
  TempDir tmp;
  std::string json = (tmp / "entries.json").string();
  Document() { writeDocument(json); }
  static Document& get() {
    static Document d;
    return d;
  }
};

int run(std::vector<std::string> args, std::ostream& out) {
  std::ostringstream err;
  int rc = cli::runCli(std::move(args), out, err);
  if (rc != 0) throw std::runtime_error(err.str());
  return rc;
}

void newCompany(const std::string& folder) {
  std::ostringstream out;
  run({"--data", folder, "init"}, out);
}

void counters(benchmark::State& state, double peak) {
  state.counters["records/s"] = benchmark::Counter(
      static_cast<double>(kRecords) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["peak MiB"] = peak;
}

void BM_Load(benchmark::State& state) {
  Document& doc = Document::get();
  double peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TempDir tmp;
    const std::string company = (tmp / "co").string();
    newCompany(company);
    std::ostringstream out;
    resetPeak();
    state.ResumeTiming();
    run({"--data", company, "load", doc.json}, out);
    state.PauseTiming();
    peak = std::max(peak, bench::peakMiB());
    if (out.str() != "Loaded " + std::to_string(kRecords) + " records.\n")
      state.SkipWithError(out.str().c_str());
    state.ResumeTiming();
  }
  counters(state, peak);
}

void BM_Dump(benchmark::State& state) {
  Document& doc = Document::get();
  TempDir tmp;
  const std::string company = (tmp / "co").string();
  newCompany(company);
  {
    std::ostringstream out;
    run({"--data", company, "load", doc.json}, out);
  }
  double peak = 0;
  std::size_t bytes = 0;
  for (auto _ : state) {
    CountingBuf buf;
    std::ostream out(&buf);
    resetPeak();
    run({"--data", company, "dump", "EQLOGB"}, out);
    state.PauseTiming();
    peak = std::max(peak, bench::peakMiB());
    bytes = buf.bytes;
    state.ResumeTiming();
  }
  counters(state, peak);
  state.counters["MB written"] = static_cast<double>(bytes) / 1e6;
}

BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Dump)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
