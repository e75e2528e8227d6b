#!/usr/bin/env bash
# run_fuzzer.sh FUZZER SEEDS SCRATCH: fuzzes for $DORVANE_FUZZ_SECONDS seconds
# (default 60), starting from the seed corpus. New inputs go to SCRATCH (so
# the checked-in seeds never change); a crash leaves its input there as
# crash-* and fails the test.
set -u
fuzzer=$1 seeds=$2 scratch=$3
seconds=${DORVANE_FUZZ_SECONDS:-60}
rm -rf "$scratch"
mkdir -p "$scratch/corpus"
cd "$scratch" || exit 2
"$fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$scratch/" corpus "$seeds" 2>fuzz.log
status=$?
grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb)' fuzz.log
if [ $status -ne 0 ]; then
  tail -n 60 fuzz.log
  echo "the fuzzer failed (status $status); inputs: $(ls "$scratch" | grep -E '^(crash|leak|timeout|oom)-' | tr '\n' ' ')"
fi
exit $status
