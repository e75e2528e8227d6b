#!/usr/bin/env bash
# Builds everything and runs every test layer: the unit tests natively with
# AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz targets (each for
# DORVANE_FUZZ_SECONDS: 60 by default, 30 on two cores or fewer), the static
# checks of src/, the same unit tests under Wine, the Win32 and end-to-end
# tests under Wine on private Xvfb displays.
# Ends with the seconds of each phase and one line "N passed, N failed,
# N skipped" (every test that did not pass counts as failed, the Wine
# layers' GoogleTest programs count their cases) and exits non-zero on any
# failure.
set -uo pipefail
cd "$(dirname "$0")"
root=$(pwd)

passed=0
failed=0
skipped=0
status=0
phases=()
summary() {
  local line
  for line in "${phases[@]}"; do echo "$line"; done
  echo "$passed passed, $failed failed, $skipped skipped"
}

# timed NAME CMD...: runs CMD and keeps its seconds for the summary.
timed() {
  local name=$1 start=$SECONDS rc
  shift
  "$@"
  rc=$?
  phases+=("$(printf 'phase %-14s %4d s' "$name" $((SECONDS - start)))")
  return $rc
}

# Each fuzz target takes a core for its seconds; with two cores or fewer
# they share the machine with the Wine layers, so they fuzz half as long.
if [ -z "${DORVANE_FUZZ_SECONDS:-}" ]; then
  export DORVANE_FUZZ_SECONDS=60
  [ "$(nproc)" -gt 2 ] || DORVANE_FUZZ_SECONDS=30
fi

if ! timed packages ./scripts/install-deps.sh; then
  echo "could not install the build and test dependencies"
  failed=1; summary; exit 1
fi

# The Wine layers wait on Wine and the program far more than they compute,
# and some of their tests time what the program does; the native layers
# compute. So the Wine tree is built first and its tests run at normal
# priority beside the native layers, which run niced while they do: on a
# loaded machine the native work waits, not the program under test.
if ! timed "build win32" ./scripts/build.sh win32; then
  echo "build failed"
  failed=1; summary; exit 1
fi

rm -f build/native/junit.xml build/win32/junit.xml build/fuzz/junit.xml \
  build/win32/tests/unit/unit_wine.xml build/win32/tests/win32/win32_wine.xml

. scripts/wine-env.sh
wine_log=build/win32/ctest.log
wine_seconds=build/win32/ctest.seconds
rm -f "$wine_seconds"
(
  start=$SECONDS
  dorvane_wine_prefix
  # unit_wine, win32_wine and the two end-to-end lanes each have a prefix
  # and a display of their own; two of them run at a time.
  ctest --test-dir build/win32 -j2 --output-on-failure \
    --output-junit "$root/build/win32/junit.xml"
  rc=$?
  wineserver -k 2>/dev/null
  echo $((SECONDS - start)) >"$wine_seconds"
  exit $rc
) >"$wine_log" 2>&1 &
wine_pid=$!

# Counts the tests of a CTest JUnit report: those that ran and passed, and
# everything else (failed, not run, disabled) as failed. A test that is a
# whole GoogleTest program under Wine counts its cases instead, from the
# XML report it wrote beside itself.
count_junit() {
  local file=$1 name xml all ok
  if [ ! -f "$file" ]; then failed=$((failed + 1)); return; fi
  all=$(xmllint --xpath 'count(//testcase)' "$file")
  ok=$(xmllint --xpath 'count(//testcase[@status="run"])' "$file")
  passed=$((passed + ok))
  failed=$((failed + all - ok))
  for name in unit_wine win32_wine; do
    xml=$(dirname "$file")/tests/${name%_wine}/$name.xml
    [ "$(xmllint --xpath "count(//testcase[@name=\"$name\"])" "$file")" = 1 ] || continue
    count_gtest "$xml" "$(xmllint --xpath "string(//testcase[@name=\"$name\"]/@status)" "$file")"
  done
}

# count_gtest XML CTEST_STATUS: replaces the one count of a GoogleTest program
# by its cases. A case passes when it ran, completed and has no failure; one
# that skipped itself (GTEST_SKIP: what Wine cannot do, such as pinning a
# time zone) counts as skipped and is named; anything else fails. A program
# that failed with no failed case (a crash, a leak at exit) or left no
# report counts one failure more.
count_gtest() {
  local xml=$1 ctest_status=$2 all ok skip
  if [ "$ctest_status" = run ]; then passed=$((passed - 1)); else failed=$((failed - 1)); fi
  if ! all=$(xmllint --xpath 'count(//testcase)' "$xml" 2>/dev/null); then
    echo "no GoogleTest report: $xml"
    failed=$((failed + 1)); return
  fi
  ok=$(xmllint --xpath 'count(//testcase[@status="run" and @result="completed" and not(failure)])' "$xml")
  skip=$(xmllint --xpath 'count(//testcase[@result="skipped" and not(failure)])' "$xml")
  passed=$((passed + ok))
  skipped=$((skipped + skip))
  failed=$((failed + all - ok - skip))
  if [ "$ctest_status" != run ] && [ $((all - ok - skip)) -eq 0 ]; then failed=$((failed + 1)); fi
  xmllint --xpath '//testcase[@result="skipped" and not(failure)]' "$xml" 2>/dev/null |
    sed -n 's/.*<testcase name="\([^"]*\)".* classname="\([^"]*\)".*/skipped in '"${xml##*/}"': \2.\1/p'
}

# native CMD...: a step of the native layers, niced while the Wine tree runs
# (a step that starts after it has ended runs at normal priority).
native() {
  if [ ! -f "$wine_seconds" ]; then nice -n 19 "$@"; else "$@"; fi
}

# Counts one check that is not a CTest test.
count_one() {
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
}

if timed "build native" native ./scripts/build.sh native; then
  timed "native tests" native ctest --test-dir build/native -j"$(nproc)" --output-on-failure \
    --output-junit "$root/build/native/junit.xml" || status=1
else
  echo "build failed (native tree)"; status=1
fi
count_junit build/native/junit.xml

if timed "build fuzz" native ./scripts/build.sh fuzz; then
  timed fuzzing native ctest --test-dir build/fuzz -j2 --output-on-failure \
    --output-junit "$root/build/fuzz/junit.xml" || status=1
else
  echo "build failed (fuzz tree)"; status=1
fi
count_junit build/fuzz/junit.xml

timed "static checks" count_one native ./scripts/static-check.sh

wait "$wine_pid" || status=1
cat "$wine_log"
phases+=("$(printf 'phase %-14s %4s s' "Wine tree" "$(cat "$wine_seconds" 2>/dev/null || echo '?')")")
count_junit build/win32/junit.xml

summary
if [ "$status" -ne 0 ] || [ "$failed" -ne 0 ]; then
  exit 1
fi
