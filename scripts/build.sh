#!/usr/bin/env bash
# Configures and builds the trees: build/native (core, unit tests with the
# sanitizers, benchmarks), build/win32 (Dorvane.exe and the Win32 tests) and
# build/fuzz (the libFuzzer targets, built with clang).
# Usage: scripts/build.sh [native|win32|fuzz|all|configure]; configure sets up
# build/native and build/win32 without building (their compile databases are
# what scripts/static-check.sh reads).
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
jobs=$(nproc)
configure_native() { cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null; }
configure_win32() {
  cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
}
if [ "$what" = configure ]; then
  configure_native
  configure_win32
  exit 0
fi
if [ "$what" = native ] || [ "$what" = all ]; then
  configure_native
  cmake --build build/native -j"$jobs"
fi
if [ "$what" = win32 ] || [ "$what" = all ]; then
  configure_win32
  cmake --build build/win32 -j"$jobs"
fi
if [ "$what" = fuzz ] || [ "$what" = all ]; then
  CC=clang CXX=clang++ cmake -S tests/fuzz -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/fuzz -j"$jobs"
fi
