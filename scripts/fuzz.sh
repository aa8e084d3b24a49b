#!/usr/bin/env bash
# Builds the fuzz targets with clang into ./build-fuzz and runs each for SECONDS (default 60)
# on a copy of its seed corpus (fuzz/corpus/TARGET); what a run finds is kept in
# build-fuzz/corpus/TARGET, a crashing input in build-fuzz/crash-*. FUZZ_TARGETS="a b" runs
# only those. Exit status 1 when a target found a fault.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-60}"
TARGETS=(${FUZZ_TARGETS:-import_lines_fuzz expression_fuzz picture_fuzz ini_fuzz load_fuzz
  source_map_fuzz})
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
# -O1 as fuzzing builds usually are; also, clang 14 at -O2 with -fsanitize=fuzzer-no-link reads
# "1,234.56" as no number in Decimal::parse (it does not at -O1, nor without the fuzzer's
# instrumentation), which would report faults that the program does not have.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DKOREQ_FUZZ=ON -DKOREQ_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz --target "${TARGETS[@]}"

export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
failed=0
for t in "${TARGETS[@]}"; do
  work="build-fuzz/corpus/$t"
  mkdir -p "$work"
  echo "== $t: ${SECONDS_EACH} s"
  if ! build-fuzz/fuzz/"$t" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="build-fuzz/crash-$t-" "$work" "fuzz/corpus/$t" \
      >"build-fuzz/$t.log" 2>&1; then
    echo "$t found a fault:"
    tail -n 40 "build-fuzz/$t.log"
    failed=1
  else
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "build-fuzz/$t.log" | tr '\n' ' '
    echo
  fi
done
exit $failed
