#!/usr/bin/env bash
# Another program holds data.csv across a pick. For about a second, with
# share mode 0, as a scanner or a sync client does: the save waits it out,
# no message, and data.csv holds the pick right afterwards. For longer,
# sharing it with readers only, as a spreadsheet showing it does: the first
# save of the hold shows the open-failure message and the next shows none;
# every change is in data.csv.~pending, so a kill loses nothing and a start
# while held takes it up; 終了 while held ends with 32774 and no message.
# Once the spreadsheet closes, a start catches data.csv up without a pick.
# An edit saved by another program while the icon sits in the tray is taken
# in by the next switch; one saved while a change of the program's own waits
# for a hold to end is kept aside, named once, and the list written; a copy
# read before a switch and saved after it makes the program keep its own
# version aside first.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin held_file

e2e_write_ini "$E2E_DIR" 会議 開発
e2e_write_csv "$E2E_DIR" '会議,2024/05/13 09:00,2024/05/13 10:30'
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"

# The last record of data.csv (or FILE) is ITEM's open interval.
expect_running_in() {
  local file=$1 item=$2 lines last
  mapfile -t lines < <(e2e_read_cp932 "$file")
  last=${lines[${#lines[@]} - 1]}
  [[ $last =~ ^$item,([0-9/: ]+),([0-9/: ]+)$ && ${BASH_REMATCH[1]} == "${BASH_REMATCH[2]}" ]] ||
    e2e_fail "the last record of $(basename "$file") should be $item's open interval: $(printf '%s | ' "${lines[@]}")"
}

# The driver's menu choice returns once the program answers again, after the
# save: the other program lets go on its own, half a second after the save
# made its first file (the backup's second name of data.csv, or the new
# content's temporary file) and so met the hold.
e2e_hold_file "$E2E_DIR/data.csv"
(for ((i = 0; i < 400; i++)); do
   [ -e "$E2E_DIR/data.bak.tmp" ] || [ -e "$E2E_DIR/data.csv.~tmp1" ] && break
   sleep 0.05
 done
 status=0
 [ "$i" -lt 400 ] || status=1
 [ $status -eq 0 ] && sleep 0.5
 touch "$E2E_RUN/release"
 exit $status) &
releaser=$!
e2e_choose left "$pid" 40001
wait "$releaser" || e2e_fail "the save made no file beside data.csv within 20 s"
e2e_release_file
drv tray-icon --pid "$pid" --tip 会議 >/dev/null || e2e_fail "the tooltip does not name 会議"
drv msgbox none --pid "$pid" || e2e_fail "a save held for a moment showed a message"
mapfile -t lines < <(e2e_read_cp932 "$E2E_DIR/data.csv")
[ ${#lines[@]} -eq 2 ] || e2e_fail "data.csv should hold the history and 会議's interval"
expect_running_in "$E2E_DIR/data.csv" 会議

# A spreadsheet opens data.csv: two switches, one message.
cp "$E2E_DIR/data.csv" "$E2E_RUN/before.csv"
e2e_hold_file "$E2E_DIR/data.csv" read
e2e_choose left "$pid" 40002
e2e_open_failure "message of the first save that found data.csv held" "$pid" "$E2E_DIR/data.csv"
e2e_choose left "$pid" 40001
drv sync --pid "$pid" || e2e_fail "the program did not answer after the second switch"
drv msgbox none --pid "$pid" || e2e_fail "the second save of the same hold showed a message"
cmp -s "$E2E_RUN/before.csv" "$E2E_DIR/data.csv" || e2e_fail "data.csv changed while another program held it"
expect_running_in "$E2E_DIR/data.csv.~pending" 会議

# Killed while held: the next start, still held, names the last item.
drv kill --pid "$pid" || e2e_fail "could not kill the program"
e2e_exit_code "$pid" >/dev/null
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
drv tray-icon --pid "$pid" --tip 会議 >/dev/null || e2e_fail "after a kill while held the tooltip does not name 会議"
e2e_choose left "$pid" 40002
# 終了 while held: one more try, then the end, with no message.
e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X) while held" 32774 "$(e2e_exit_code "$pid")"
cmp -s "$E2E_RUN/before.csv" "$E2E_DIR/data.csv" || e2e_fail "data.csv changed while another program held it"
expect_running_in "$E2E_DIR/data.csv.~pending" 開発

# The spreadsheet closes. The next start names the last item and brings
# data.csv up to date within seconds, with no pick and no message.
e2e_release_file
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
drv tray-icon --pid "$pid" --tip 開発 >/dev/null || e2e_fail "after the hold the tooltip does not name 開発"
e2e_wait_caught_up
drv msgbox none --pid "$pid" || e2e_fail "catching up showed a message"
expect_running_in "$E2E_DIR/data.csv" 開発
cmp -s "$E2E_RUN/before.csv" "$E2E_DIR/data.bak" || e2e_fail "data.bak is not the data.csv the catch-up replaced"
e2e_expect "files after catching up" "$(printf '%s\n' Dorvane.ini data.bak data.csv)" \
  "$(cd "$E2E_DIR" && ls | LC_ALL=C sort)"
# Another program saves data.csv as a new file (a text editor, a spreadsheet).
save_elsewhere() {
  e2e_write_cp932 "$E2E_DIR/data.csv.new" "$@"
  mv "$E2E_DIR/data.csv.new" "$E2E_DIR/data.csv"
}
# An edit of the latest version (a record the program did not write since
# it read the file is changed) is taken in quietly.
mapfile -t edited < <(e2e_read_cp932 "$E2E_DIR/data.csv")
edited[0]='会議,2024/05/13 09:00,2024/05/13 10:45'
save_elsewhere "${edited[@]}"
e2e_choose left "$pid" 40001
drv sync --pid "$pid" || e2e_fail "the program did not answer after the switch"
drv msgbox none --pid "$pid" || e2e_fail "taking in an edit showed a message"
e2e_expect "first record after taking in the edit" '会議,2024/05/13 09:00,2024/05/13 10:45' \
  "$(e2e_read_cp932 "$E2E_DIR/data.csv" | head -1)"
expect_running_in "$E2E_DIR/data.csv" 会議

e2e_hold_file "$E2E_DIR/data.csv" read
e2e_choose left "$pid" 40002
e2e_open_failure "message of the save that found data.csv held" "$pid" "$E2E_DIR/data.csv"
save_elsewhere '会議,2024/05/13 09:00,2024/05/13 10:50'
e2e_release_file
e2e_wait_caught_up
out=$(drv msgbox read --pid "$pid") || e2e_fail "no message named the kept edit"
kept=$(cd "$E2E_DIR" && ls data.csv.20*)
e2e_expect "message of the catch-up that kept the edit aside" \
  "$(printf 'caption\t警告\ntext\t他のプログラムでもファイルが変更されていました\\r\\n%s\\r\\n他のプログラムが保存した内容を %s に保存しました\nbutton\tOK' \
    "$(e2e_winpath "$E2E_DIR/data.csv")" "$(e2e_winpath "$E2E_DIR/$kept")")" "$out"
drv msgbox dismiss --pid "$pid" || e2e_fail "could not dismiss the message box"
e2e_expect "the kept edit" '会議,2024/05/13 09:00,2024/05/13 10:50' "$(e2e_read_cp932 "$E2E_DIR/$kept")"
e2e_expect "first record after the catch-up" '会議,2024/05/13 09:00,2024/05/13 10:45' "$(e2e_read_cp932 "$E2E_DIR/data.csv" | head -1)"
expect_running_in "$E2E_DIR/data.csv" 開発

# A spreadsheet read data.csv before a switch and saves its copy, with an
# edit, after it: the switch's records are not in it. The program keeps
# its own version aside first, says so once, and takes the copy in.
rm -f "$E2E_DIR/$kept"
mapfile -t copy < <(e2e_read_cp932 "$E2E_DIR/data.csv")
e2e_choose left "$pid" 40001
drv sync --pid "$pid" || e2e_fail "the program did not answer after the switch"
cp "$E2E_DIR/data.csv" "$E2E_RUN/mine.csv"
copy[0]='会議,2024/05/13 09:00,2024/05/13 10:55'
save_elsewhere "${copy[@]}"
# The folder watch finds the copy once the folder has settled: the message
# comes without a click.
out=$(drv msgbox read --pid "$pid") || e2e_fail "no message named the program's kept version"
kept=$(cd "$E2E_DIR" && ls data.csv.20*)
e2e_expect "message of the look that kept the program's version aside" \
  "$(printf 'caption\t警告\ntext\t他のプログラムが保存したファイルに、Dorvane が保存した変更がありませんでした\\r\\n%s\\r\\nDorvane が保存していた内容を %s に保存しました\nbutton\tOK' \
    "$(e2e_winpath "$E2E_DIR/data.csv")" "$(e2e_winpath "$E2E_DIR/$kept")")" "$out"
drv msgbox dismiss --pid "$pid" || e2e_fail "could not dismiss the message box"
e2e_choose left "$pid" 40001
cmp -s "$E2E_RUN/mine.csv" "$E2E_DIR/$kept" || e2e_fail "the kept copy is not the program's last-written version"
e2e_expect "first record after taking in the copy" '会議,2024/05/13 09:00,2024/05/13 10:55' \
  "$(e2e_read_cp932 "$E2E_DIR/data.csv" | head -1)"
expect_running_in "$E2E_DIR/data.csv" 会議
e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
