#!/usr/bin/env bash
# The editor while an activity runs: its open record shows the same time in
# both columns and stays the last record when a later record is added;
# changing its item makes the new item the running one, and giving it an end
# stops the activity. The tray tooltip follows both changes.
set -u
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/editor_lib.sh"
e2e_begin editor_running

e2e_write_ini "$E2E_DIR" 会議 開発 読書
e2e_write_csv "$E2E_DIR" "会議,2010/04/05 09:00,2010/04/05 10:00" "開発,2010/04/05 13:00,2010/04/05 13:00"
e2e_start
ED_PID=${E2E_PIDS[0]}
e2e_wait_running "$ED_PID"
e2e_expect_output "tooltip of the restored activity" 開発 e2e_tooltip "$ED_PID"
ed_open
ed_show_date 2010 04 05
e2e_expect "rows with the open record" \
  "$(printf '%s\n' "0	会議	09:00	10:00" "1	開発	13:00	13:00")" "$(ed_rows)"

# A record after the running one goes just before it.
ed_activate 0
ed_type $ED_STARTTIME 14 00
ed_type $ED_ENDTIME 15 00
ed_wait_for "typed times" "14:00 15:00" \
  eval 'echo $(ed_picker $ED_STARTTIME | cut -f2) $(ed_picker $ED_ENDTIME | cut -f2)'
e2e_expect "追加" "done" "$(ed_press $ED_ADD)"
ed_expect_file "data.csv after 追加" "$E2E_DIR/data.csv" "会議,2010/04/05 09:00,2010/04/05 10:00" \
  "会議,2010/04/05 14:00,2010/04/05 15:00" "開発,2010/04/05 13:00,2010/04/05 13:00"
e2e_expect_output "tooltip after 追加" 開発 e2e_tooltip "$ED_PID"

# Another item for the open record: it keeps running under the new name.
ed_activate 2
ed combo select 2 --id $ED_ITEM
e2e_expect "変更 of the item" "done" "$(ed_press $ED_CHANGE)"
ed_expect_file "data.csv after 変更 of the item" "$E2E_DIR/data.csv" "会議,2010/04/05 09:00,2010/04/05 10:00" \
  "会議,2010/04/05 14:00,2010/04/05 15:00" "読書,2010/04/05 13:00,2010/04/05 13:00"
drv tray-icon --pid "$ED_PID" --tip 読書 >/dev/null || e2e_fail "the tooltip must name the new running item"

# An end after the start stops it.
ed_activate 2
ed_type $ED_ENDTIME 13 40
ed_wait_for "end time typed" "13:40" eval "ed_picker $ED_ENDTIME | cut -f2"
e2e_expect "変更 of the end" "done" "$(ed_press $ED_CHANGE)"
ed_expect_file "data.csv after 変更 of the end" "$E2E_DIR/data.csv" "会議,2010/04/05 09:00,2010/04/05 10:00" \
  "会議,2010/04/05 14:00,2010/04/05 15:00" "読書,2010/04/05 13:00,2010/04/05 13:40"
drv tray-icon --pid "$ED_PID" --tip Dorvane >/dev/null || e2e_fail "giving the running record an end must stop it"

# 閉じる; a pick then starts an activity and closes nothing.
e2e_expect "閉じる" "done" "$(ed_press $ED_CLOSE)"
drv wait-window --pid "$ED_PID" --title "$ED_TITLE" --gone >/dev/null || e2e_fail "閉じる did not close the editor"
e2e_choose left "$ED_PID" 40001
drv tray-icon --pid "$ED_PID" --tip 会議 >/dev/null || e2e_fail "a pick after the editor must start the item"
mapfile -t lines < <(e2e_read_cp932 "$E2E_DIR/data.csv")
e2e_expect "records after the pick" 4 "${#lines[@]}"
e2e_expect "the closed record is untouched" "読書,2010/04/05 13:00,2010/04/05 13:40" "${lines[2]}"
e2e_choose left "$ED_PID" 32774
e2e_expect "exit code" 32774 "$(e2e_exit_code "$ED_PID")"
