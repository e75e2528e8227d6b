#!/usr/bin/env bash
# Builds everything and runs every test layer: the unit tests natively with
# AddressSanitizer and UndefinedBehaviorSanitizer, the fuzz targets (each for
# DORVANE_FUZZ_SECONDS, 60 by default), the static checks of src/, the same
# unit tests under Wine, the Win32 and end-to-end tests under Wine on a
# private Xvfb display.
# Ends with one line "N passed, N failed" and exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")"
root=$(pwd)

passed=0
failed=0
summary() { echo "$passed passed, $failed failed"; }

if ! ./scripts/install-deps.sh; then
  echo "could not install the build and test dependencies"
  failed=1; summary; exit 1
fi

if ! ./scripts/build.sh all; then
  echo "build failed"
  failed=1; summary; exit 1
fi

# Adds the counts of a CTest JUnit report to the totals.
count_junit() {
  local file=$1 line t f s
  if [ ! -f "$file" ]; then failed=$((failed + 1)); return; fi
  line=$(tr '\n\t' '  ' <"$file" | grep -m1 -o '<testsuite [^>]*>')
  t=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$line")
  f=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$line")
  s=$(sed -n 's/.* skipped="\([0-9]*\)".*/\1/p' <<<"$line")
  passed=$((passed + ${t:-0} - ${f:-0} - ${s:-0}))
  failed=$((failed + ${f:-0}))
}

# Counts one check that is not a CTest test.
count_one() {
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi
}

status=0
rm -f build/native/junit.xml build/win32/junit.xml build/fuzz/junit.xml

# The Wine layers share one prefix and wineserver; every test runs once.
# They spend most of their time waiting on Wine and the program rather than
# on the processor, so they run beside the native layers; their output is
# printed after the others'.
. scripts/wine-env.sh
dorvane_wine_prefix
wine_log=build/win32/ctest.log
ctest --test-dir build/win32 --output-on-failure \
  --output-junit "$root/build/win32/junit.xml" >"$wine_log" 2>&1 &
wine_pid=$!

ctest --test-dir build/native -j"$(nproc)" --output-on-failure \
  --output-junit "$root/build/native/junit.xml" || status=1
count_junit build/native/junit.xml

ctest --test-dir build/fuzz -j2 --output-on-failure \
  --output-junit "$root/build/fuzz/junit.xml" || status=1
count_junit build/fuzz/junit.xml

count_one ./scripts/static-check.sh

wait "$wine_pid" || status=1
cat "$wine_log"
count_junit build/win32/junit.xml
wineserver -k 2>/dev/null || true

summary
if [ "$status" -ne 0 ] || [ "$failed" -ne 0 ]; then
  exit 1
fi
