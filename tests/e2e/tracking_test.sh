#!/usr/bin/env bash
# Three items: the item menu lists them with ids 40001 to 40003 above the
# separator. Picking through the menu starts, switches and stops timing:
# every pick rewrites data.csv (code page 932, CR LF), keeps the previous
# file as data.bak from the second save on, and sets the tooltip. 終了(&X)
# then ends the process with 32774 and leaves every file byte for byte and
# its time stamp as it was.
#
# The record file holds minutes only, and the tracker drops an interval that
# began and ended within one clock minute (it would read back as open). The
# clock is read around every pick, so each check knows which outcomes are
# possible: a closed record that is kept must end between the readings, and
# one may only be missing when its start lies in the minute of the pick.
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
expect_between() {
  local what=$1 before=$2 stamp=$3 after=$4
  if [[ $stamp < $before || $stamp > $after ]]; then
    e2e_fail "$what: $stamp is not between $before and $after"
  fi
}
# Picks an entry of the item menu and waits for the tooltip it must give.
pick() {
  e2e_choose left "$pid" "$1"
  drv tray-icon --pid "$pid" --tip "$2" >/dev/null || e2e_fail "after picking $1 the tooltip did not become \"$2\""
  e2e_log "ok: picked $1, tooltip \"$2\""
}

record_re='^([^,]+),([0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}),([0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2})$'
# Reads data.csv into REC_NAME, REC_START and REC_END; every line must be a record.
read_records() {
  REC_NAME=() REC_START=() REC_END=()
  [ -f "$E2E_DIR/data.csv" ] || e2e_fail "there is no data.csv"
  grep -qv $'\r$' "$E2E_DIR/data.csv" && e2e_fail "every line of data.csv must end with CR LF"
  local line
  while IFS= read -r line; do
    [[ $line =~ $record_re ]] || e2e_fail "data.csv holds a line that is not a record: \"$line\""
    REC_NAME+=("${BASH_REMATCH[1]}") REC_START+=("${BASH_REMATCH[2]}") REC_END+=("${BASH_REMATCH[3]}")
  done < <(e2e_read_cp932 "$E2E_DIR/data.csv")
}
# The last record must be NAME's open interval, started between LO and HI; sets OPEN_START.
expect_open_last() {
  local name=$1 lo=$2 hi=$3 last=$((${#REC_NAME[@]} - 1))
  [ $last -ge 0 ] || e2e_fail "data.csv holds no record; expected $name's open interval"
  e2e_expect "item of the last record" "$name" "${REC_NAME[last]}"
  e2e_expect "end of the open record equals its start" "${REC_START[last]}" "${REC_END[last]}"
  expect_between "start of $name" "$lo" "${REC_START[last]}" "$hi"
  OPEN_START=${REC_START[last]}
}
# NAME's interval from START, closed by a pick between LO and HI, must be
# record POS, ended between LO and HI; or missing if it may lie within one
# minute. Prints how many records it accounts for (1 or 0).
expect_closed() {
  local name=$1 start=$2 lo=$3 hi=$4 pos=$5
  if [ "${REC_NAME[pos]:-}" = "$name" ] && [ "${REC_START[pos]}" = "$start" ]; then
    expect_between "end of $name" "$lo" "${REC_END[pos]}" "$hi"
    echo 1
  elif [ "$start" = "$lo" ]; then
    e2e_log "ok: $name's interval lay within one minute and was dropped"
    echo 0
  else
    e2e_fail "the interval of $name from $start, closed between $lo and $hi, is not record $((pos + 1)) of data.csv"
  fi
}

# Start: one open record; no backup, since there was no data.csv to copy.
t0=$(now)
pick 40002 開発
t1=$(now)
[ ! -e "$E2E_DIR/data.bak" ] || e2e_fail "the first save made a data.bak although there was no data.csv before"
read_records
e2e_expect "records after the first pick" 1 "${#REC_NAME[@]}"
expect_open_last 開発 "$t0" "$t1"
s1=$OPEN_START
cp "$E2E_DIR/data.csv" "$E2E_RUN/after-pick1.csv"

# Switch: the running record is closed and a new one opened; the old file is kept.
pick 40001 会議
t2=$(now)
cmp -s "$E2E_RUN/after-pick1.csv" "$E2E_DIR/data.bak" || e2e_fail "data.bak is not the data.csv of before the switch"
read_records
kept=$(expect_closed 開発 "$s1" "$t1" "$t2" 0) || exit 1
e2e_expect "records after the switch" $((kept + 1)) "${#REC_NAME[@]}"
expect_open_last 会議 "$t1" "$t2"
s2=$OPEN_START
cp "$E2E_DIR/data.csv" "$E2E_RUN/after-pick2.csv"

# Stop: picking the running item closes it and nothing runs any more.
pick 40001 Dorvane
t3=$(now)
cmp -s "$E2E_RUN/after-pick2.csv" "$E2E_DIR/data.bak" || e2e_fail "data.bak is not the data.csv of before the stop"
read_records
kept2=$(expect_closed 会議 "$s2" "$t2" "$t3" "$kept") || exit 1
e2e_expect "records after the stop" $((kept + kept2)) "${#REC_NAME[@]}"

# The menu is the same after the picks: no check marks, nothing grayed.
e2e_expect "item menu after the picks" \
  "$(e2e_menu_text '40001 会議' '40002 開発' '40003 読書' ---- '32774 終了(&X)')" "$(e2e_menu left "$pid")"
drv menu close --pid "$pid" || e2e_fail "the item menu did not close on Esc"

# Timing again, then Exit: nothing may be written at the end.
pick 40003 読書
before=$(e2e_snapshot "$E2E_DIR")
e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
e2e_expect "files (size, hash, mtime) after 終了(&X)" "$before" "$(e2e_snapshot "$E2E_DIR")"
