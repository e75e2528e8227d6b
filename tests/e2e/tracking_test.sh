#!/usr/bin/env bash
# Three items: the item menu lists them with ids 40001 to 40003 above the
# separator. Picking through the menu starts, switches and stops timing:
# every pick rewrites data.csv (code page 932), keeps the previous file as
# data.bak from the second save on, and sets the tooltip. 終了(&X) then ends
# the process with 32774 and leaves every file byte for byte and its time
# stamp as it was.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin tracking

e2e_write_ini "$E2E_DIR" 会議 開発 読書
e2e_start
pid=${E2E_PIDS[0]}
drv msgbox dismiss --pid "$pid" || e2e_fail "expected the open-failure message of the missing data.csv"
e2e_wait_running "$pid"

e2e_expect "item menu with three items" \
  "$(e2e_menu_text '40001 会議' '40002 開発' '40003 読書' ---- '32774 終了(&X)')" "$(e2e_menu left "$pid")"
drv menu close --pid "$pid" || e2e_fail "the item menu did not close on Esc"

now() { date '+%Y/%m/%d %H:%M'; }
# The time stamps of a record line must lie between two readings of the clock.
expect_between() {
  local what=$1 before=$2 stamp=$3 after=$4
  if [[ $stamp < $before || $stamp > $after ]]; then
    e2e_fail "$what: $stamp is not between $before and $after"
  fi
}
tooltip_is() {
  drv tray-icon --pid "$pid" --tip "$1" >/dev/null || e2e_fail "the tooltip did not become \"$1\""
  e2e_log "ok: tooltip \"$1\""
}
record_re='^([^,]+),([0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}),([0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2})$'
# Splits line N of data.csv into name, start and end; fails on any other form.
record() {
  local line
  line=$(e2e_read_cp932 "$E2E_DIR/data.csv" | sed -n "$1p")
  [[ $line =~ $record_re ]] || e2e_fail "line $1 of data.csv is not a record: \"$line\""
  rec_name=${BASH_REMATCH[1]} rec_start=${BASH_REMATCH[2]} rec_end=${BASH_REMATCH[3]}
}
lines() { e2e_read_cp932 "$E2E_DIR/data.csv" | wc -l; }

# Start: one open record, no backup yet (there was no data.csv to copy).
t0=$(now)
e2e_choose left "$pid" 40002
tooltip_is 開発
t1=$(now)
[ -f "$E2E_DIR/data.csv" ] || e2e_fail "the first pick wrote no data.csv"
[ ! -e "$E2E_DIR/data.bak" ] || e2e_fail "the first save made a data.bak although there was no data.csv before"
e2e_expect "records after the first pick" 1 "$(lines)"
record 1
e2e_expect "item of the open record" 開発 "$rec_name"
e2e_expect "end of the open record equals its start" "$rec_start" "$rec_end"
expect_between "start of 開発" "$t0" "$rec_start" "$t1"
grep -q $'\r$' "$E2E_DIR/data.csv" || e2e_fail "data.csv lines must end with CR LF"
first_start=$rec_start
cp "$E2E_DIR/data.csv" "$E2E_RUN/after-pick1.csv"

# Switch: the running record is closed, a new one opened, the old file kept.
e2e_choose left "$pid" 40001
tooltip_is 会議
t2=$(now)
cmp -s "$E2E_RUN/after-pick1.csv" "$E2E_DIR/data.bak" || e2e_fail "data.bak is not the data.csv of before the switch"
e2e_expect "records after the switch" 2 "$(lines)"
record 1
e2e_expect "first record after the switch" "開発 $first_start" "$rec_name $rec_start"
expect_between "end of 開発" "$t1" "$rec_end" "$t2"
record 2
e2e_expect "second record's item" 会議 "$rec_name"
e2e_expect "second record is open" "$rec_start" "$rec_end"
expect_between "start of 会議" "$t1" "$rec_start" "$t2"
cp "$E2E_DIR/data.csv" "$E2E_RUN/after-pick2.csv"

# Stop: picking the running item closes it and nothing runs any more.
e2e_choose left "$pid" 40001
tooltip_is Dorvane
t3=$(now)
cmp -s "$E2E_RUN/after-pick2.csv" "$E2E_DIR/data.bak" || e2e_fail "data.bak is not the data.csv of before the stop"
e2e_expect "records after the stop" 2 "$(lines)"
record 2
e2e_expect "item of the stopped record" 会議 "$rec_name"
expect_between "end of 会議" "$t2" "$rec_end" "$t3"

# The menu is the same after the picks: no check marks, nothing grayed.
e2e_expect "item menu after the picks" \
  "$(e2e_menu_text '40001 会議' '40002 開発' '40003 読書' ---- '32774 終了(&X)')" "$(e2e_menu left "$pid")"
drv menu close --pid "$pid" || e2e_fail "the item menu did not close on Esc"

# Timing again, then Exit: nothing may be written at the end.
e2e_choose left "$pid" 40003
tooltip_is 読書
before=$(e2e_snapshot "$E2E_DIR")
e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
e2e_expect "files (size, hash, mtime) after 終了(&X)" "$before" "$(e2e_snapshot "$E2E_DIR")"
