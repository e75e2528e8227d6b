#!/usr/bin/env bash
# Builds what the tests run and runs every test layer: the unit tests
# natively against the core built with AddressSanitizer and
# UndefinedBehaviorSanitizer, and under valgrind, the fuzz targets (each for
# DORVANE_FUZZ_SECONDS: 60 by default, 30 on two cores or fewer), the static
# checks of src/, the same unit tests under Wine, the Win32 and end-to-end
# tests under Wine on private Xvfb displays, and the package rebuilt from a
# copy of the sources in another folder and compared byte for byte. The
# native tree builds the benchmarks too (not run) and tests this summary.
# Ends with the seconds of each phase, each failure named with the line that
# says why and where its output is kept, and one line "N passed, N failed,
# N skipped" (scripts/test-summary.sh counts) and exits non-zero on any
# failure.
set -uo pipefail
cd "$(dirname "$0")"
root=$(pwd)

status=0
. scripts/test-summary.sh

# timed NAME CMD...: runs CMD and keeps its seconds for the summary.
timed() {
  local name=$1 start=$SECONDS rc
  shift
  "$@"
  rc=$?
  phases+=("$(printf 'phase %-14s %4d s' "$name" $((SECONDS - start)))")
  return $rc
}

# build TREE [WRAPPER...]: builds a tree, its output kept in
# build/TREE.build.log; a failure is named by its first error.
build() {
  "${@:2}" ./scripts/build.sh "$1" 2>&1 | tee "build/$1.build.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] && return
  fail_with "build $1" "$(why_failed "build/$1.build.log")" "build/$1.build.log"
  return 1
}

# Each fuzz target takes a core for its seconds; with two cores or fewer
# they share the machine with the Wine layers, so they fuzz half as long.
if [ -z "${DORVANE_FUZZ_SECONDS:-}" ]; then
  export DORVANE_FUZZ_SECONDS=60
  [ "$(nproc)" -gt 2 ] || DORVANE_FUZZ_SECONDS=30
fi

mkdir -p build
if ! timed packages ./scripts/install-deps.sh; then
  fail_with packages "could not install the build and test dependencies" "the output above"
  summary; exit 1
fi

# The Wine layers wait on Wine and the program far more than they compute,
# and some of their tests time what the program does; the native layers
# compute. So the Wine tree is built first and its tests run at normal
# priority beside the native layers, which run niced while they do: on a
# loaded machine the native work waits, not the program under test.
if ! timed "build win32" build win32; then
  summary; exit 1
fi

rm -rf build/native/junit.xml build/win32/junit.xml build/win32/junit-rebuild.xml build/fuzz/junit.xml \
  build/win32/tests/unit/unit_wine.xml build/win32/tests/win32/win32_wine.xml build/*/failed

. scripts/wine-env.sh
wine_log=build/win32/ctest.log
wine_seconds=build/win32/ctest.seconds
rm -f "$wine_seconds"
(
  start=$SECONDS
  dorvane_wine_prefix
  # unit_wine, win32_wine and the two end-to-end lanes each have a prefix
  # and a display of their own; two of them run at a time.
  ctest --test-dir build/win32 -j2 -LE rebuild --output-on-failure --no-tests=error \
    --output-junit "$root/build/win32/junit.xml"
  rc=$?
  wineserver -k 2>/dev/null
  echo $((SECONDS - start)) >"$wine_seconds"
  exit $rc
) >"$wine_log" 2>&1 &
wine_pid=$!

# native CMD...: a step of the native layers, niced while the Wine tree runs
# (a step that starts after it has ended runs at normal priority).
native() {
  if [ ! -f "$wine_seconds" ]; then nice -n 19 "$@"; else "$@"; fi
}

if timed "build native" build native native; then
  timed "native tests" native ctest --test-dir build/native -j"$(nproc)" --output-on-failure \
    --no-tests=error --output-junit "$root/build/native/junit.xml" || status=1
  count_junit build/native/junit.xml
else
  status=1
fi

# The package rebuilt from a copy of the sources in another folder (the
# win32 tree's test labelled "rebuild") is compiler work like the native
# layers': it runs beside the fuzzers, which fuzz for fixed seconds whatever
# share of the machine they get, rather than in one of the Wine tree's two
# slots.
rebuild_log=build/win32/rebuild.log
rebuild_seconds=build/win32/rebuild.seconds
rm -f "$rebuild_seconds"
start_rebuild() {
  (
    start=$SECONDS
    native ctest --test-dir build/win32 -L rebuild --output-on-failure --no-tests=error \
      --output-junit "$root/build/win32/junit-rebuild.xml"
    rc=$?
    echo $((SECONDS - start)) >"$rebuild_seconds"
    exit $rc
  ) >"$rebuild_log" 2>&1 &
  rebuild_pid=$!
}

if timed "build fuzz" build fuzz native; then
  start_rebuild
  timed fuzzing native ctest --test-dir build/fuzz -j2 --output-on-failure --no-tests=error \
    --output-junit "$root/build/fuzz/junit.xml" || status=1
  count_junit build/fuzz/junit.xml
else
  start_rebuild
  status=1
fi

timed "static checks" count_one "static checks" build/static-check.log native ./scripts/static-check.sh

wait "$rebuild_pid" || status=1
cat "$rebuild_log"
phases+=("$(printf 'phase %-14s %4s s' "rebuild" "$(cat "$rebuild_seconds" 2>/dev/null || echo '?')")")
count_junit build/win32/junit-rebuild.xml

wait "$wine_pid" || status=1
cat "$wine_log"
phases+=("$(printf 'phase %-14s %4s s' "Wine tree" "$(cat "$wine_seconds" 2>/dev/null || echo '?')")")
count_junit build/win32/junit.xml

summary
if [ "$status" -ne 0 ] || [ "$failed" -ne 0 ]; then
  exit 1
fi
