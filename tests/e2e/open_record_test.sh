#!/usr/bin/env bash
# A record file that ends with an open record: the restarted program times
# that item again, and its tooltip names it from the start (even when the
# catalogue has no such item). Picking it closes the interval at the moment
# of the pick, so that it spans the time the program was not running.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin open_record

e2e_write_ini "$E2E_DIR" 会議 開発 読書
e2e_write_csv "$E2E_DIR" "会議,2024/03/04 09:00,2024/03/04 10:15" "開発,2024/03/04 10:15,2024/03/04 10:15"
cp "$E2E_DIR/data.csv" "$E2E_RUN/original.csv"
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
# Read once, without waiting for a change: the first tooltip must be the item's.
e2e_expect_output "tooltip at the start" 開発 e2e_tooltip "$pid"

t0=$(date '+%Y/%m/%d %H:%M')
e2e_choose left "$pid" 40002
drv tray-icon --pid "$pid" --tip Dorvane >/dev/null || e2e_fail "picking the running item must stop it (tooltip Dorvane)"
t1=$(date '+%Y/%m/%d %H:%M')
cmp -s "$E2E_RUN/original.csv" "$E2E_DIR/data.bak" || e2e_fail "data.bak is not the original data.csv"
mapfile -t lines < <(e2e_read_cp932 "$E2E_DIR/data.csv")
e2e_expect "record count after the stop" 2 "${#lines[@]}"
e2e_expect "first record unchanged" "会議,2024/03/04 09:00,2024/03/04 10:15" "${lines[0]}"
end=${lines[1]##*,}
[[ ${lines[1]} == "開発,2024/03/04 10:15,"* ]] || e2e_fail "the restored record changed its start: ${lines[1]}"
[[ ! $end < $t0 && ! $end > $t1 ]] || e2e_fail "the restored record should end now ($t0..$t1), not at $end"
e2e_choose left "$pid" 32774
e2e_expect "exit code" 32774 "$(e2e_exit_code "$pid")"

# An open record of a name the catalogue does not hold.
e2e_write_csv "$E2E_DIR" "休憩,2024/03/05 12:00,2024/03/05 12:00"
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
e2e_expect_output "tooltip for an item outside the catalogue" 休憩 \
  e2e_tooltip "$pid"
e2e_choose left "$pid" 32774
e2e_expect "exit code" 32774 "$(e2e_exit_code "$pid")"
