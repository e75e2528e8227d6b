#!/usr/bin/env bash
# A second copy started while the first runs reads the files, says
# "起動済みです" (caption "通知"), ends with exit code 0 and changes no file,
# even one its load would keep aside;
# the first copy runs on untouched. Only a dialog titled like the report
# window counts as a running copy: another program's plain window of that
# title (a folder window named so) does not keep the program from starting.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin single_instance

e2e_write_ini "$E2E_DIR" 会議 開発
e2e_write_csv "$E2E_DIR" "会議,2024/03/04 09:00,2024/03/04 10:15"
e2e_start
first=${E2E_PIDS[0]}
e2e_wait_running "$first"
before=$(e2e_snapshot "$E2E_DIR")

already="caption	通知
text	起動済みです
button	OK"

# A refused copy shows the message, ends with 0 once it is dismissed.
expect_refused() { # pid, which copy (for the failure messages)
  e2e_expect_output "message of $2" "$already" drv msgbox read --pid "$1"
  drv msgbox dismiss --pid "$1" || e2e_fail "could not dismiss the message of $2"
  e2e_expect "exit code of $2" 0 "$(e2e_exit_code "$1")"
}

e2e_start
second=${E2E_PIDS[0]}
expect_refused "$second" "the second copy"
e2e_expect "files after the second copy" "$before" "$(e2e_snapshot "$E2E_DIR")"

# A second copy that finds what a start keeps aside (a pending file without
# the record of its base) says so, but renames nothing: that waits for a
# start that runs.
e2e_write_cp932 "$E2E_DIR/data.csv.~pending" "会議,2024/03/04 09:00,2024/03/04 10:15"
before=$(e2e_snapshot "$E2E_DIR")
e2e_start
fourth=${E2E_PIDS[0]}
e2e_expect_output "stale pending file named by the second copy" \
  "$(printf 'caption\t警告\ntext\t保存できなかった変更のファイルを読み込みませんでした\\r\\n%s\nbutton\tOK' \
    "$(e2e_winpath "$E2E_DIR/data.csv.~pending")")" drv msgbox read --pid "$fourth"
drv msgbox dismiss --pid "$fourth" || e2e_fail "could not dismiss the message of the second copy"
expect_refused "$fourth" "the second copy that found a pending file"
e2e_expect "files after the second copy that found a pending file" "$before" "$(e2e_snapshot "$E2E_DIR")"
rm "$E2E_DIR/data.csv.~pending"
before=$(e2e_snapshot "$E2E_DIR")

drv alive --pid "$first" >/dev/null || e2e_fail "the first copy ended when the second started"
drv msgbox none --pid "$first" || e2e_fail "the first copy shows a message box"
e2e_expect "item menu of the first copy" "$(e2e_menu_text '40001 会議' '40002 開発' ---- '32774 終了(&X)')" \
  "$(e2e_menu left "$first")"
drv menu choose 32774 --pid "$first" >/dev/null || e2e_fail "could not choose 終了(&X)"
e2e_expect "exit code of the first copy" 32774 "$(e2e_exit_code "$first")"

# Another program's plain window with the report window's title.
wine "$E2E_DRIVER" hold-window --title "$E2E_TITLE" >"$E2E_RUN/held.txt" 2>&1 &
E2E_LAUNCHERS+=($!)
held=$(drv wait-window --title "$E2E_TITLE") || e2e_fail "the stand-in window did not appear"
held_pid=$(sed -n 's/^[0-9A-F]*\tpid=\([0-9]*\)\t.*/\1/p' <<<"$held")
E2E_ALL_PIDS+=("$held_pid")
e2e_start
third=${E2E_PIDS[0]}
e2e_wait_running "$third"
drv msgbox none --pid "$third" || e2e_fail "the copy beside another program's window was refused"
e2e_choose left "$third" 32774
e2e_expect "exit code of the copy beside another program's window" 32774 "$(e2e_exit_code "$third")"
e2e_expect "files after the third copy" "$before" "$(e2e_snapshot "$E2E_DIR")"
