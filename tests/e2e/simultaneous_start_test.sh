#!/usr/bin/env bash
# Two copies started at the same moment (created suspended, resumed one
# right after the other): exactly one reports "起動済みです" and ends with 0,
# the other keeps running; no file changes. Several rounds, since a race
# that is lost only sometimes is still a fault.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin simultaneous_start

e2e_write_ini "$E2E_DIR" 会議
e2e_write_csv "$E2E_DIR" "会議,2024/03/04 09:00,2024/03/04 10:15"
before=$(e2e_snapshot "$E2E_DIR")

for round in 1 2 3; do
  e2e_start --count 2
  a=${E2E_PIDS[0]} b=${E2E_PIDS[1]}
  # Only this test's processes run in the prefix: any message box is theirs.
  loser=$(drv msgbox owner 2>/dev/null) ||
    e2e_fail "round $round: neither copy reported a running copy; both passed the single-instance test"
  [ "$loser" = "$a" ] || [ "$loser" = "$b" ] || e2e_fail "round $round: a message box of process $loser, not of $a or $b"
  winner=$a
  [ "$loser" = "$a" ] && winner=$b
  e2e_expect_output "round $round: message of the refused copy" "caption	通知
text	起動済みです
button	OK" drv msgbox read --pid "$loser"
  drv msgbox dismiss --pid "$loser" || e2e_fail "round $round: could not dismiss the message"
  e2e_expect "round $round: exit code of the refused copy" 0 "$(e2e_exit_code "$loser")"
  drv alive --pid "$winner" >/dev/null ||
    e2e_fail "round $round: the other copy ended too (exit code $(e2e_exit_code "$winner" 1)); one copy must keep running"
  drv msgbox none --pid "$winner" || e2e_fail "round $round: both copies refused to run"
  e2e_wait_running "$winner"
  e2e_choose left "$winner" 32774
  e2e_expect "round $round: exit code of the running copy" 32774 "$(e2e_exit_code "$winner")"
  e2e_expect "round $round: files" "$before" "$(e2e_snapshot "$E2E_DIR")"
done
