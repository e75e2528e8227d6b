# Sourced by test.sh: counts the tests of the reports the layers leave and
# names every failure. Every test that did not pass counts as failed; a
# report that is missing, does not parse or names no test is a failure too,
# as is a GoogleTest program under Wine that ran fewer cases than it has.

passed=0
failed=0
skipped=0
phases=()
failures=()  # NAME <tab> the line that says why <tab> where its output is kept

# The fewest cases each GoogleTest program under Wine runs (a program that
# stops early can still write a report that parses): the counts that run, so
# that no case can vanish unnoticed. A change that adds or folds cases sets
# them anew (`--gtest_list_tests | grep -c '^  '` under Wine).
declare -A min_cases=([unit_wine]=217 [win32_wine]=148)

# fail_with NAME WHY WHERE: one failure more, named in the summary.
fail_with() {
  failed=$((failed + 1))
  failures+=("$1"$'\t'"$2"$'\t'"$3")
}

# The line of a test's output that says why it failed: an end-to-end test's
# first FAIL or driver complaint, GoogleTest's first failure with the line
# after it, a sanitizer's or compiler's error; else (a test stopped at its
# time limit says nothing) the last line, marked as such.
why_failed() {
  local line
  line=$(grep -m1 -A1 -E '^FAIL: |^dorvane_driver [a-z-]+: |: Failure$|ERROR|[Ee]rror[: ]|^SUMMARY: ' "$1" |
    sed -n '1{/Failure$/{N;s/\n/ /};p}')
  [ -n "$line" ] || line="no failure line; the last: $(grep -v '^[[:space:]]*$' "$1" | tail -n1)"
  printf '%s' "${line:0:300}"
}

summary() {
  local line name why where
  for line in "${phases[@]}"; do echo "$line"; done
  for line in "${failures[@]}"; do
    IFS=$'\t' read -r name why where <<<"$line"
    echo "FAILED $name: $why"
    echo "  kept: $where"
  done
  echo "$passed passed, $failed failed, $skipped skipped"
}

# count_junit FILE: counts the tests of a CTest JUnit report. A failed test's
# output is kept in failed/NAME.log beside the report. A test that is a whole
# GoogleTest program under Wine counts its cases instead, from the XML report
# it wrote beside itself.
count_junit() {
  local file=$1 dir all ok i name log workdir status seconds
  dir=$(dirname "$file")
  if ! all=$(xmllint --xpath 'count(//testcase)' "$file" 2>/dev/null) || [ "$all" -eq 0 ]; then
    fail_with "$dir" "no test report, a report that does not parse, or no tests" "$file"
    return
  fi
  ok=$(xmllint --xpath 'count(//testcase[@status="run"])' "$file")
  passed=$((passed + ok))
  for ((i = 1; i <= all - ok; i++)); do
    name=$(xmllint --xpath "string((//testcase[not(@status=\"run\")])[$i]/@name)" "$file")
    status=$(xmllint --xpath "string((//testcase[not(@status=\"run\")])[$i]/@status)" "$file")
    mkdir -p "$dir/failed"
    log=$dir/failed/$name.log
    xmllint --xpath "string((//testcase[not(@status=\"run\")])[$i]/system-out)" "$file" >"$log"
    [ -z "${min_cases[$name]:-}" ] || continue
    workdir=$(sed -n -e 's/^working directory kept: //p' -e 's/.* started Dorvane\.exe in \(.*\): pid .*/\1/p' "$log" | head -n1)
    seconds=$(xmllint --xpath "string((//testcase[not(@status=\"run\")])[$i]/@time)" "$file")
    fail_with "$name" "$( [ "$status" = fail ] && why_failed "$log" || echo "$status") (after ${seconds%.*} s)" \
      "$log${workdir:+, $workdir}"
  done
  for name in "${!min_cases[@]}"; do
    [ "$(xmllint --xpath "count(//testcase[@name=\"$name\"])" "$file")" = 1 ] || continue
    count_gtest "$name" "$dir/tests/${name%_wine}/$name.xml" \
      "$(xmllint --xpath "string(//testcase[@name=\"$name\"]/@status)" "$file")" "$dir/failed/$name.log"
  done
}

# count_gtest NAME XML CTEST_STATUS LOG: replaces the one count of a
# GoogleTest program by its cases. A case passes when it ran, completed and
# has no failure; one that skipped itself (GTEST_SKIP: what Wine cannot do,
# such as pinning a time zone) counts as skipped and is named; anything else
# fails and is named with its failure. A program that failed with no failed
# case (a crash, a leak at exit), left no report or ran too few cases counts
# one failure more.
count_gtest() {
  local name=$1 xml=$2 ctest_status=$3 log=$4 all ok skip bad i case why
  if [ "$ctest_status" = run ]; then passed=$((passed - 1)); fi
  if ! all=$(xmllint --xpath 'count(//testcase)' "$xml" 2>/dev/null); then
    fail_with "$name" "no GoogleTest report, or one that does not parse" "$xml"
    return
  fi
  local good='@status="run" and @result="completed" and not(failure)'
  local skips='@result="skipped" and not(failure)'
  local bads="(//testcase[not($good) and not($skips)])"
  ok=$(xmllint --xpath "count(//testcase[$good])" "$xml")
  skip=$(xmllint --xpath "count(//testcase[$skips])" "$xml")
  passed=$((passed + ok))
  skipped=$((skipped + skip))
  bad=$((all - ok - skip))
  for ((i = 1; i <= bad; i++)); do
    case=$(xmllint --xpath "concat($bads[$i]/@classname, '.', $bads[$i]/@name)" "$xml")
    why=$(xmllint --xpath "string($bads[$i]/failure/@message)" "$xml" | head -n2 | paste -sd' ')
    fail_with "$name $case" "${why:-did not complete}" "$xml, $log"
  done
  if [ "$ctest_status" != run ] && [ "$bad" -eq 0 ]; then
    fail_with "$name" "failed with no failed case: $(why_failed "$log")" "$log"
  fi
  if [ "$all" -lt "${min_cases[$name]}" ]; then
    fail_with "$name" "ran $all cases, fewer than the ${min_cases[$name]} it has at least" "$xml"
  fi
  xmllint --xpath "//testcase[$skips]" "$xml" 2>/dev/null |
    sed -n 's/.*<testcase name="\([^"]*\)".* classname="\([^"]*\)".*/skipped in '"${xml##*/}"': \2.\1/p'
}

# count_one NAME LOG CMD...: counts one check that is not a CTest test; its
# output goes to LOG and is shown, and a failure is named by its first line.
count_one() {
  local name=$1 log=$2
  shift 2
  if "$@" >"$log" 2>&1; then passed=$((passed + 1)); else fail_with "$name" "$(head -n1 "$log")" "$log"; fi
  cat "$log"
}
