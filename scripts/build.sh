#!/usr/bin/env bash
# Configures and builds into ./build (Release with debug info), or with the argument
# "sanitize" into ./build-sanitize with AddressSanitizer and UndefinedBehaviorSanitizer.
# Uses ccache when it is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Paths relative to the checkout, so a fresh clone anywhere hits the cache a session warmed.
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
if [ "${1:-}" = "sanitize" ]; then
  flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
  cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="$flags -O1" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DKOREQ_BENCHMARKS=OFF >/dev/null
  cmake --build build-sanitize
else
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
  cmake --build build
fi
