#!/usr/bin/env bash
# data.csv held open by another program with share mode 0 while an item is
# picked: the save cannot replace it, so the user sees the open-failure
# message naming data.csv, data.csv keeps its history byte for byte (the
# new content's temporary file is removed) and the change is in
# data.csv.~pending. The program keeps running: the tooltip names the picked
# item, the menus open, and once the other program lets go data.csv catches
# up on its own, with the untouched history as data.bak; the next pick saves.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin locked_file

e2e_write_ini "$E2E_DIR" 会議 開発
history=('会議,2024/05/13 09:00,2024/05/13 10:30' '開発,2024/05/13 10:30,2024/05/13 18:00'
         '会議,2024/05/14 09:00,2024/05/14 09:45')
e2e_write_csv "$E2E_DIR" "${history[@]}"
cp "$E2E_DIR/data.csv" "$E2E_RUN/history.csv"
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"

# Another program opens data.csv without sharing it.
e2e_hold_file "$E2E_DIR/data.csv"

e2e_choose left "$pid" 40001
e2e_open_failure "message of the save that could not replace data.csv" "$pid" "$E2E_DIR/data.csv"
cmp -s "$E2E_RUN/history.csv" "$E2E_DIR/data.csv" || e2e_fail "data.csv changed while another program held it"
# The backup's second name of data.csv cannot be renamed or removed while
# the file is held (a link shares the file's lock); the next save clears it.
leftovers=$(cd "$E2E_DIR" && ls | grep -v -x -e Dorvane.ini -e data.csv -e data.csv.~pending -e data.csv.~base \
  -e data.bak -e data.bak.tmp)
e2e_expect "temporary files beside data.csv after the failed save" "" "$leftovers"

# Still working: the pick took effect in memory and the menus open.
drv tray-icon --pid "$pid" --tip 会議 >/dev/null || e2e_fail "the tooltip does not name the picked item"
e2e_expect "item menu after the failed save" \
  "$(e2e_menu_text '40001 会議' '40002 開発' ---- '32774 終了(&X)')" "$(e2e_menu left "$pid")"
drv menu close --pid "$pid" || e2e_fail "the item menu did not close on Esc"

# The other program lets go; data.csv catches up without a pick, and the
# next pick saves the history and both picks.
e2e_release_file
e2e_wait_caught_up
cmp -s "$E2E_RUN/history.csv" "$E2E_DIR/data.bak" || e2e_fail "data.bak is not the history as it was"
e2e_choose left "$pid" 40002
drv tray-icon --pid "$pid" --tip 開発 >/dev/null || e2e_fail "the tooltip does not name the second item"
drv msgbox none --pid "$pid" || e2e_fail "the save after the release showed a message"
e2e_expect "files after the save that followed the release" "$(printf '%s\n' Dorvane.ini data.bak data.csv)" \
  "$(cd "$E2E_DIR" && ls | LC_ALL=C sort)"
mapfile -t lines < <(e2e_read_cp932 "$E2E_DIR/data.csv")
e2e_expect "the history at the head of data.csv" "$(printf '%s\n' "${history[@]}")" \
  "$(printf '%s\n' "${lines[@]:0:3}")"
# 会議's interval is kept unless it began and ended in one clock minute.
last=${lines[${#lines[@]} - 1]}
[[ $last =~ ^開発,([0-9/: ]+),([0-9/: ]+)$ && ${BASH_REMATCH[1]} == "${BASH_REMATCH[2]}" ]] ||
  e2e_fail "the last record of data.csv should be 開発's open interval: $last"
[ ${#lines[@]} -eq 4 ] || [[ ${lines[3]} == 会議,* ]] ||
  e2e_fail "data.csv should hold the history, 会議's interval and 開発's: $(printf '%s | ' "${lines[@]}")"

e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
