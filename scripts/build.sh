#!/usr/bin/env bash
# Configures and builds both trees: build/native (core, unit tests with the
# sanitizers, benchmarks) and build/win32 (Dorvane.exe and the Win32 tests).
# Usage: scripts/build.sh [native|win32|all]
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
jobs=$(nproc)
if [ "$what" = native ] || [ "$what" = all ]; then
  cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/native -j"$jobs"
fi
if [ "$what" = win32 ] || [ "$what" = all ]; then
  cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
  cmake --build build/win32 -j"$jobs"
fi
