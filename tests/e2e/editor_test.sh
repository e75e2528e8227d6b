#!/usr/bin/env bash
# The record editor, driven as a user drives it: opened from the right menu,
# the day's rows read from its list, dates and times typed into its pickers,
# rows activated with the pointer. Every add, change and delete rewrites
# data.csv at once and keeps the previous file as data.bak; a refused entry
# changes nothing; a record from 23:30 to 01:15 shows under its start date
# only. Import and export go through the open-file dialog (a typed path);
# a malformed import leaves data.csv as it was; export asks before it
# replaces a file and refuses the program's own files. While the editor is open the
# tray icon opens no menu.
set -u
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/editor_lib.sh"
e2e_begin editor

e2e_write_ini "$E2E_DIR" 会議室 会議 開発
d0=("会議,2010/04/05 09:00,2010/04/05 10:15"
    "開発,2010/04/04 23:30,2010/04/05 01:15"
    "会議室,2010/04/05 23:30,2010/04/06 01:15"
    "開発,2010/04/05 13:00,2010/04/05 14:00")
e2e_write_csv "$E2E_DIR" "${d0[@]}"
e2e_start
ED_PID=${E2E_PIDS[0]}
e2e_wait_running "$ED_PID"
ed_open

# ---- the dialog as it opens ----
e2e_expect "controls (id, class, state, text; pickers without their text)" \
  "$(printf '%s\n' "-1	Static	enabled	日付" "32793	SysDateTimePick32	enabled" \
    "32794	SysListView32	enabled	DATALIST" "-1	Static	enabled	項目" "32795	ComboBox	enabled	" \
    "-1	Static	enabled	開始日時" "32805	SysDateTimePick32	enabled" "32796	SysDateTimePick32	enabled" \
    "-1	Static	enabled	終了日時" "32806	SysDateTimePick32	enabled" "32797	SysDateTimePick32	enabled" \
    "2	Button	enabled	閉じる" "32798	Button	enabled	追加" "32802	Button	disabled	変更" \
    "32807	Button	disabled	削除" "32803	Button	enabled	入力" "32804	Button	enabled	出力")" \
  "$(ed controls | awk -F'\t' 'NR > 1 { if ($2 == "SysDateTimePick32") print $1 "\t" $2 "\t" $3; else print $1 "\t" $2 "\t" $3 "\t" $6 }')"
e2e_expect "list styles and columns" \
  "$(printf '%s\n' "style	fullrowselect	oneclickactivate" "column	0	項目	180	left" \
    "column	1	開始時刻	100	centre" "column	2	終了時刻	100	centre")" \
  "$(ed listview read --id $ED_LIST | grep -E '^(style|column)')"
e2e_expect "item box: the items in catalogue order, none selected" \
  "$(printf '%s\n' "selected	-1	" "item	0	会議室" "item	1	会議" "item	2	開発")" \
  "$(ed combo read --id $ED_ITEM)"
drv tray right --pid "$ED_PID" --expect-no-menu >/dev/null || e2e_fail "the icon must open no menu while the editor is open"

# ---- the rows of a day: records that start on it, in store order ----
ed_show_date 2010 04 05
e2e_expect "rows of 2010/04/05" \
  "$(printf '%s\n' "0	会議	09:00	10:15" "1	会議室	23:30	01:15" "2	開発	13:00	14:00")" "$(ed_rows)"
ed_activate 2
ed_show_date 2010 04 06
e2e_expect "rows of 2010/04/06 (the 23:30 record is not listed under its end date)" "" "$(ed_rows)"
e2e_expect "削除 and 変更 after a change of the shown date" "disabled disabled" \
  "$(ed_state $ED_DELETE) $(ed_state $ED_CHANGE)"
ed_show_date 2010 04 04
e2e_expect "rows of 2010/04/04" "0	開発	23:30	01:15" "$(ed_rows)"
ed_show_date 2010 04 05

# ---- activating a row loads it ----
ed_activate 0
e2e_expect "start date picker" "2010/04/05 09:00:00	2010/4/5" "$(ed_picker $ED_STARTDATE)"
e2e_expect "start time picker (HH:mm)" "2010/04/05 09:00:00	09:00" "$(ed_picker $ED_STARTTIME)"
e2e_expect "end date picker" "2010/04/05 10:15:00	2010/4/5" "$(ed_picker $ED_ENDDATE)"
e2e_expect "end time picker (HH:mm)" "2010/04/05 10:15:00	10:15" "$(ed_picker $ED_ENDTIME)"
e2e_expect "item box: exactly 会議, not 会議室 that starts with it" "1	会議" "$(ed_item)"

# ---- change in place ----
cp "$E2E_DIR/data.csv" "$E2E_RUN/d0.csv"
ed_type $ED_ENDTIME 10 45
ed_wait_for "end time typed" "10:45" eval "ed_picker $ED_ENDTIME | cut -f2"
e2e_expect "変更" "done" "$(ed_press $ED_CHANGE)"
d1=("会議,2010/04/05 09:00,2010/04/05 10:45" "${d0[@]:1}")
ed_expect_file "data.csv after 変更" "$E2E_DIR/data.csv" "${d1[@]}"
cmp -s "$E2E_RUN/d0.csv" "$E2E_DIR/data.bak" || e2e_fail "data.bak is not data.csv of before 変更"
e2e_expect "rows after 変更 (refilled, nothing selected)" \
  "$(printf '%s\n' "0	会議	09:00	10:45" "1	会議室	23:30	01:15" "2	開発	13:00	14:00")" "$(ed_rows)"

# ---- add in start order: after the last record that starts earlier ----
cp "$E2E_DIR/data.csv" "$E2E_RUN/d1.csv"
ed combo select 2 --id $ED_ITEM
ed_type $ED_STARTDATE 2010 04 05
ed_type $ED_STARTTIME 08 00
ed_type $ED_ENDDATE 2010 04 05
ed_type $ED_ENDTIME 08 30
ed_wait_for "typed start and end" "2010/04/05 08:00:00 2010/04/05 08:30:00" \
  eval 'echo $(ed_picker $ED_STARTTIME | cut -c1-19) $(ed_picker $ED_ENDTIME | cut -c1-19)'
e2e_expect "追加" "done" "$(ed_press $ED_ADD)"
d2=("${d1[@]:0:2}" "開発,2010/04/05 08:00,2010/04/05 08:30" "${d1[@]:2}")
ed_expect_file "data.csv after 追加" "$E2E_DIR/data.csv" "${d2[@]}"
cmp -s "$E2E_RUN/d1.csv" "$E2E_DIR/data.bak" || e2e_fail "data.bak is not data.csv of before 追加"
e2e_expect "rows after 追加" \
  "$(printf '%s\n' "0	会議	09:00	10:45" "1	開発	08:00	08:30" "2	会議室	23:30	01:15" "3	開発	13:00	14:00")" \
  "$(ed_rows)"

# ---- an end in the start's minute is refused by a warning of the editor ----
cp "$E2E_DIR/data.csv" "$E2E_RUN/d2.csv"
ed_type $ED_ENDTIME 08 00
ed_wait_for "end time typed" "08:00" eval "ed_picker $ED_ENDTIME | cut -f2"
e2e_expect "追加 of an empty interval" modal "$(ed_press $ED_ADD)"
e2e_expect "warning" \
  "$(printf '%s\n' "caption	警告" \
    "text	終了日時は開始日時より1分以上後にしてください。\\r\\n記録ファイルは分までしか保存しないため、同じ分の開始と終了は計測中の記録と区別できません。" \
    "button	OK")" "$(drv msgbox read --pid "$ED_PID")"
e2e_expect "owner of the warning" "owner	$ED_TITLE" "$(drv controls --pid "$ED_PID" --title 警告 | head -n1)"
drv msgbox dismiss --pid "$ED_PID" || e2e_fail "could not dismiss the warning"
cmp -s "$E2E_RUN/d2.csv" "$E2E_DIR/data.csv" || e2e_fail "a refused 追加 changed data.csv"
cmp -s "$E2E_RUN/d1.csv" "$E2E_DIR/data.bak" || e2e_fail "a refused 追加 saved"

# ---- delete ----
ed_activate 3
e2e_expect "削除" "done" "$(ed_press $ED_DELETE)"
d3=("${d2[@]:0:4}")
ed_expect_file "data.csv after 削除" "$E2E_DIR/data.csv" "${d3[@]}"
cmp -s "$E2E_RUN/d2.csv" "$E2E_DIR/data.bak" || e2e_fail "data.bak is not data.csv of before 削除"
e2e_expect "rows after 削除" \
  "$(printf '%s\n' "0	会議	09:00	10:45" "1	開発	08:00	08:30" "2	会議室	23:30	01:15")" "$(ed_rows)"

# ---- import: the file's records at the end, then a save ----
cp "$E2E_DIR/data.csv" "$E2E_RUN/d3.csv"
e2e_write_cp932 "$E2E_RUN/in.csv" "読書,2010/4/5 15:00,2010/4/5 16:00" "" "会議,2010/04/06 09:00,2010/04/06 09:30"
e2e_expect "入力" modal "$(ed_press $ED_IMPORT)"
drv wait-window --pid "$ED_PID" --title 開く --visible >/dev/null || e2e_fail "入力 opened no file dialog"
# Owned by the editor, the read-only box hidden, the CSV filter first.
e2e_expect "file dialog: owner, read-only box, file type" \
  "$(printf '%s\n' "owner	$ED_TITLE" "1136	CSVファイル (*.csv)" "1040	hidden")" \
  "$(drv controls --pid "$ED_PID" --title 開く | awk -F'\t' 'NR == 1 { print } $1 == 1040 { print $1 "\t" $4 } $1 == 1136 { print $1 "\t" $6 }')"
e2e_expect "file types" "$(printf '%s\n' "item	0	CSVファイル (*.csv)" "item	1	すべてのファイル (*.*)")" \
  "$(drv combo read --pid "$ED_PID" --title 開く --id 1136 | grep '^item')"
# Typed without its extension: the dialog adds the default one, "csv".
ed_choose_file "$E2E_RUN/in"
d4=("${d3[@]}" "読書,2010/04/05 15:00,2010/04/05 16:00" "会議,2010/04/06 09:00,2010/04/06 09:30")
ed_wait_for "data.csv after 入力" "$(printf '%s\n' "${d4[@]}")" e2e_read_cp932 "$E2E_DIR/data.csv"
ed_expect_file "data.csv after 入力" "$E2E_DIR/data.csv" "${d4[@]}"
cmp -s "$E2E_RUN/d3.csv" "$E2E_DIR/data.bak" || e2e_fail "data.bak is not data.csv of before 入力"
e2e_expect "rows after 入力" \
  "$(printf '%s\n' "0	会議	09:00	10:45" "1	開発	08:00	08:30" "2	会議室	23:30	01:15" "3	読書	15:00	16:00")" \
  "$(ed_rows)"

# ---- a malformed import: a message, and data.csv keeps every record ----
cp "$E2E_DIR/data.csv" "$E2E_RUN/d4.csv"
e2e_write_cp932 "$E2E_RUN/bad.csv" "開発,2010/04/05 17:00,2010/04/05 18:00" "壊れた行"
e2e_expect "入力 of a malformed file" modal "$(ed_press $ED_IMPORT)"
ed_choose_file "$E2E_RUN/bad.csv"
e2e_expect "message of the malformed line" \
  "$(printf '%s\n' "caption	エラー" "text	2番目のデータの形式が誤っています" "button	OK")" \
  "$(drv msgbox read --pid "$ED_PID")"
drv msgbox dismiss --pid "$ED_PID" || e2e_fail "could not dismiss the message"
ed_wait_for "data.bak after the malformed import (the save still runs)" ok \
  eval "cmp -s '$E2E_RUN/d4.csv' '$E2E_DIR/data.bak' && echo ok"
cmp -s "$E2E_RUN/d4.csv" "$E2E_DIR/data.csv" || e2e_fail "a malformed import changed data.csv"
e2e_expect "rows after the malformed import" 4 "$(ed_rows | wc -l)"

# ---- export: a new file after the create prompt, byte for byte ----
e2e_expect "出力" modal "$(ed_press $ED_EXPORT)"
ed_choose_file "$E2E_RUN/out.csv"
e2e_expect "create prompt" "$(printf '%s\n' "button	はい(&Y)" "button	いいえ(&N)")" \
  "$(drv msgbox read --pid "$ED_PID" | grep '^button')"
drv msgbox dismiss --pid "$ED_PID" --button "はい(Y)" || e2e_fail "could not agree to create the file"
ed_wait_for "export written" ok eval "[ -s '$E2E_RUN/out.csv' ] && echo ok"
drv wait-window --pid "$ED_PID" --title 開く --gone >/dev/null || e2e_fail "the file dialog did not close"
ed_expect_file "exported file" "$E2E_RUN/out.csv" "${d4[@]}"
cmp -s "$E2E_RUN/d4.csv" "$E2E_DIR/data.csv" || e2e_fail "出力 changed data.csv"
cmp -s "$E2E_RUN/d4.csv" "$E2E_DIR/data.bak" || e2e_fail "出力 changed data.bak"

# An existing file that holds something is replaced only after a question:
# いいえ (the default) writes nothing, はい replaces it.
printf 'old content\r\n' >"$E2E_RUN/old.csv"
cp "$E2E_RUN/old.csv" "$E2E_RUN/old.before"
for answer in "いいえ(N)" "はい(Y)"; do
  e2e_expect "出力 over a file" modal "$(ed_press $ED_EXPORT)"
  ed_choose_file "$E2E_RUN/old.csv"
  e2e_expect "the question before 出力 replaces a file" \
    "$(printf '%s\n' "caption	警告" "text	$(e2e_winpath "$E2E_RUN/old.csv") は既にあります。上書きしますか?" \
      "button	はい(&Y)" "button	いいえ(&N)")" \
    "$(drv msgbox read --pid "$ED_PID")"
  drv msgbox dismiss --pid "$ED_PID" --button "$answer" || e2e_fail "could not answer $answer"
  drv sync --pid "$ED_PID" >/dev/null
  drv msgbox none --pid "$ED_PID" || e2e_fail "a second message after $answer"
  if [ "$answer" = "いいえ(N)" ]; then
    cmp -s "$E2E_RUN/old.before" "$E2E_RUN/old.csv" || e2e_fail "いいえ changed the file"
  fi
done
cmp -s "$E2E_RUN/d4.csv" "$E2E_RUN/old.csv" || e2e_fail "はい did not replace the file"
drv msgbox none --pid "$ED_PID" || e2e_fail "a message after 出力"

# The program's own files are refused whatever path reaches them; here
# Dorvane.ini through a second name of its folder (a symbolic link, as a
# junction would be on Windows).
cp "$E2E_DIR/Dorvane.ini" "$E2E_RUN/ini.before"
ln -sfn "$E2E_DIR" "$E2E_RUN/alias"
alias_ini="$(e2e_winpath "$E2E_RUN")\\alias\\Dorvane.ini"
e2e_expect "出力 onto Dorvane.ini" modal "$(ed_press $ED_EXPORT)"
ed_choose_file_typed "$alias_ini"
e2e_expect "出力 onto Dorvane.ini is refused" \
  "$(printf '%s\n' "caption	エラー" "text	Dorvane の記録と設定のファイルには出力できません\\r\\n$alias_ini" "button	OK")" \
  "$(drv msgbox read --pid "$ED_PID")"
drv msgbox dismiss --pid "$ED_PID" || e2e_fail "could not dismiss the refusal"
cmp -s "$E2E_RUN/ini.before" "$E2E_DIR/Dorvane.ini" || e2e_fail "出力 changed Dorvane.ini"
cmp -s "$E2E_RUN/d4.csv" "$E2E_DIR/data.csv" || e2e_fail "出力 changed data.csv"

# Names that Windows resolves to a pending file (it drops trailing dots and
# spaces) are refused too, whether the pending file exists or not: one that
# export wrote would be taken up at the next start. The dialog first asks
# to create a file that does not exist (a name with a ':' it refuses itself).
for name in "data.csv.~pending." "data.csv.~pending " "Dorvane.ini.~pending."; do
  e2e_expect "出力 onto '$name'" modal "$(ed_press $ED_EXPORT)"
  ed_choose_file_typed "$(e2e_winpath "$E2E_DIR")\\$name"
  box=$(drv msgbox read --pid "$ED_PID")
  if grep -q '^button	はい(&Y)' <<<"$box"; then
    drv msgbox dismiss --pid "$ED_PID" --button "はい(Y)" || e2e_fail "could not agree to create '$name'"
    box=$(drv msgbox read --pid "$ED_PID")
  fi
  e2e_log "出力 onto '$name': $(tr '\n' ' ' <<<"$box")"
  e2e_expect "出力 onto '$name' is refused" \
    "$(printf '%s\n' "caption	エラー" "text	Dorvane の記録と設定のファイルには出力できません" "button	OK")" \
    "$(sed 's/\\r\\n.*//' <<<"$box")"
  drv msgbox dismiss --pid "$ED_PID" || e2e_fail "could not dismiss the refusal"
  drv wait-window --pid "$ED_PID" --title 開く --gone >/dev/null || e2e_fail "the file dialog did not close"
  for f in data.csv.~pending Dorvane.ini.~pending; do
    [ ! -e "$E2E_DIR/$f" ] || e2e_fail "出力 onto '$name' wrote $f"
  done
  cmp -s "$E2E_RUN/d4.csv" "$E2E_DIR/data.csv" || e2e_fail "出力 onto '$name' changed data.csv"
done

# ---- Esc closes the editor; then the icon opens its menus again ----
# shellcheck disable=SC2046
e2e_click $(ed_point -1)
xdotool key Escape
drv wait-window --pid "$ED_PID" --title "$ED_TITLE" --gone >/dev/null || e2e_fail "Esc did not close the editor"
e2e_menu right "$ED_PID" >/dev/null
drv menu close --pid "$ED_PID" || e2e_fail "the right menu did not close"
e2e_choose left "$ED_PID" 32774
e2e_expect "exit code" 32774 "$(e2e_exit_code "$ED_PID")"
