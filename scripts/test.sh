#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test; runs each fuzz target for a short time
# on its seed corpus (KOREQ_FUZZ_SECONDS each, default 20; 0 skips them); then builds the whole
# suite again with AddressSanitizer and UndefinedBehaviorSanitizer and runs it there too
# (KOREQ_SANITIZERS=0 skips that second run). The storage tests run against a throwaway
# PostgreSQL cluster on loopback as well, started here and stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
# The storage tests run on PostgreSQL too, on a throwaway cluster of this run (KOREQ_PG_TEST
# already set: that server instead).
if [ -z "${KOREQ_PG_TEST:-}" ]; then
  source scripts/pg-test-server.sh
  pg_test_server_start
  trap pg_test_server_stop EXIT
fi
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
ctest --test-dir build --output-on-failure -j2
# Once more with the procedure tests' companies on the server (their fixtures read this).
KOREQ_TEST_BACKEND=postgres ctest --test-dir build --output-on-failure -j2

if [ "${KOREQ_FUZZ_SECONDS:-20}" != "0" ]; then
  scripts/fuzz.sh "${KOREQ_FUZZ_SECONDS:-20}"
fi

if [ "${KOREQ_SANITIZERS:-1}" != "0" ]; then
  scripts/build.sh sanitize
  # Leak checking is left to the ordinary run's RAII; Qt and fontconfig keep caches to exit.
  export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:strict_string_checks=1"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
  ctest --test-dir build-sanitize --output-on-failure -j2
fi
