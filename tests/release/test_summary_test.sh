#!/usr/bin/env bash
# scripts/test-summary.sh on made-up reports: what ./test.sh says at its end
# is what the reports hold. Each row gives a CTest report of a tree whose
# GoogleTest program under Wine (unit_wine, at least 3 cases here) wrote its
# own report, and the summary expected from them.
# Usage: test_summary_test.sh [SUMMARY_SCRIPT]
set -u
script=$(realpath "${1:-$(dirname "$0")/../../scripts/test-summary.sh}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

ctest_report() {  # STATUS of unit_wine; no STATUS: a report without tests
  echo '<?xml version="1.0" encoding="UTF-8"?><testsuite name="made-up">'
  [ -z "${1:-}" ] || echo "<testcase name=\"unit_wine\" classname=\"unit_wine\" time=\"9.5\" status=\"$1\">
<system-out>wine: Unhandled page fault on read access</system-out></testcase>"
  echo '</testsuite>'
}
case_xml() {  # NAME RESULT [FAILURE MESSAGE]
  printf '<testcase name="%s" file="t.cpp" line="1" status="run" result="%s" timestamp="" time="0" classname="Suite">' "$1" "$2"
  [ -z "${3:-}" ] || printf '<failure message="%s" type=""><![CDATA[t.cpp:7\n%s]]></failure>' "$3" "$3"
  echo '</testcase>'
}
gtest_report() {  # CASE_XML...
  echo '<?xml version="1.0" encoding="UTF-8"?><testsuites name="AllTests"><testsuite name="Suite">'
  printf '%s\n' "$@"
  echo '</testsuite></testsuites>'
}

# row NAME CTEST_REPORT GTEST_REPORT EXPECTED: the summary of one tree.
row() {
  local name=$1 tree=$work/$1 got
  mkdir -p "$tree/tests/unit"
  printf '%s' "$2" >"$tree/junit.xml"
  [ -z "$3" ] || printf '%s' "$3" >"$tree/tests/unit/unit_wine.xml"
  got=$(
    cd "$work" || exit 1
    . "$script"
    min_cases=([unit_wine]=3)
    count_junit "$name/junit.xml"
    summary
  )
  if [ "$got" != "$4" ]; then
    printf 'FAIL: %s: the summary says\n%s\ninstead of\n%s\n' "$name" "$got" "$4" >&2
    failures=$((failures + 1))
  fi
}

pass=$(case_xml Passes completed) pass2=$(case_xml AlsoPasses completed)
row failed_case "$(ctest_report fail)" \
  "$(gtest_report "$pass" "$(case_xml Breaks completed 'Expected equality of these values')" \
    "$(case_xml WineCannot skipped)" "$pass2")" \
  "skipped in unit_wine.xml: Suite.WineCannot
FAILED unit_wine Suite.Breaks: Expected equality of these values
  kept: failed_case/tests/unit/unit_wine.xml, failed_case/failed/unit_wine.log
2 passed, 1 failed, 1 skipped"

row all_pass "$(ctest_report run)" "$(gtest_report "$pass" "$pass2" "$(case_xml Third completed)")" \
  "3 passed, 0 failed, 0 skipped"

row report_does_not_parse "$(ctest_report fail)" "$(gtest_report "$pass" | head -c 120)" \
  "FAILED unit_wine: no GoogleTest report, or one that does not parse
  kept: report_does_not_parse/tests/unit/unit_wine.xml
0 passed, 1 failed, 0 skipped"

row no_gtest_report "$(ctest_report fail)" "" \
  "FAILED unit_wine: no GoogleTest report, or one that does not parse
  kept: no_gtest_report/tests/unit/unit_wine.xml
0 passed, 1 failed, 0 skipped"

row ctest_report_does_not_parse "$(ctest_report run | head -c 80)" "" \
  "FAILED ctest_report_does_not_parse: no test report, a report that does not parse, or no tests
  kept: ctest_report_does_not_parse/junit.xml
0 passed, 1 failed, 0 skipped"

row tree_without_tests "$(ctest_report)" "" \
  "FAILED tree_without_tests: no test report, a report that does not parse, or no tests
  kept: tree_without_tests/junit.xml
0 passed, 1 failed, 0 skipped"

row too_few_cases "$(ctest_report run)" "$(gtest_report "$pass" "$pass2")" \
  "FAILED unit_wine: ran 2 cases, fewer than the 3 it has at least
  kept: too_few_cases/tests/unit/unit_wine.xml
2 passed, 1 failed, 0 skipped"

row crashed_after_its_cases "$(ctest_report fail)" "$(gtest_report "$pass" "$pass2" "$(case_xml Third completed)")" \
  "FAILED unit_wine: failed with no failed case: no failure line; the last: wine: Unhandled page fault on read access
  kept: crashed_after_its_cases/failed/unit_wine.log
3 passed, 1 failed, 0 skipped"

[ "$failures" -eq 0 ] || exit 1
echo "every summary as expected"
