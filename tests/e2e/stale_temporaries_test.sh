#!/usr/bin/env bash
# A working directory after years of saves cut short (crashes, power cuts,
# ends of sessions): 115 temporaries of data.csv from earlier runs, with a
# gap where names were passed over, the backup's temporary, and a kept copy
# of a file that could not be read. A pick saves, the leftovers are gone,
# and the kept copy stays as it was.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin stale_temporaries

e2e_write_ini "$E2E_DIR" 会議
e2e_write_csv "$E2E_DIR" '会議,2024/05/13 09:00,2024/05/13 10:30'
for n in $(seq 1 3) $(seq 9 120); do
  printf 'cut short %d\r\n' "$n" >"$E2E_DIR/data.csv.~tmp$n"
done
cp "$E2E_DIR/data.csv" "$E2E_DIR/data.bak.tmp"
printf 'unreadable\r\n' >"$E2E_DIR/data.csv.2024-05-13_093000"
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"

e2e_choose left "$pid" 40001
drv tray-icon --pid "$pid" --tip 会議 >/dev/null || e2e_fail "the tooltip does not name 会議"
drv msgbox none --pid "$pid" || e2e_fail "the save beside the leftovers showed a message"
e2e_expect "files after the save" \
  "$(printf '%s\n' Dorvane.ini data.bak data.csv data.csv.2024-05-13_093000)" \
  "$(cd "$E2E_DIR" && ls | LC_ALL=C sort)"
e2e_expect "the kept copy" unreadable "$(e2e_read_cp932 "$E2E_DIR/data.csv.2024-05-13_093000")"
e2e_expect "lines in data.csv" 2 "$(e2e_read_cp932 "$E2E_DIR/data.csv" | wc -l)"

e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
