#!/usr/bin/env bash
# Edits saved by other programs while the program idles are taken in as they
# happen, without a click: an item added to Dorvane.ini by hand appears in
# the item menu, and a data.csv whose running item another program changed
# (saved as a spreadsheet saves: a new file renamed into place) gives the
# tooltip that item. Opening the menu does not look at the files: the watch
# on the working folder has.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin folder_watch

e2e_write_ini "$E2E_DIR" 会議 開発
e2e_write_csv "$E2E_DIR" "会議,2024/03/04 09:00,2024/03/04 09:00"
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
e2e_expect_output "tooltip at the start" 会議 e2e_tooltip "$pid"

# Dorvane.ini first, rewritten in place; then data.csv. The look that shows
# the data.csv edit in the tooltip comes after the Dorvane.ini edit, so the
# menu read after it must show the new item.
e2e_write_ini "$E2E_DIR" 会議 開発 読書
e2e_write_csv "$E2E_RUN" "会議,2024/03/04 09:00,2024/03/04 09:30" "読書,2024/03/04 09:30,2024/03/04 09:30"
mv "$E2E_RUN/data.csv" "$E2E_DIR/data.csv"
e2e_log "data.csv saved by another program"
drv tray-icon --pid "$pid" --tip 読書 >/dev/null ||
  e2e_fail "the tooltip did not follow data.csv's new running item 読書 without a click"
e2e_log "ok: the tooltip followed the edit"
e2e_expect "item menu after Dorvane.ini gained 読書" \
  "$(e2e_menu_text '40001 会議' '40002 開発' '40003 読書' ---- '32774 終了(&X)')" "$(e2e_menu left "$pid")"
drv menu close --pid "$pid" || e2e_fail "the item menu did not close on Esc"

# The taken-in file is the one a pick goes on from: 読書's interval is closed.
e2e_choose left "$pid" 40003
drv tray-icon --pid "$pid" --tip Dorvane >/dev/null || e2e_fail "picking the running 読書 must stop it"
mapfile -t lines < <(e2e_read_cp932 "$E2E_DIR/data.csv")
e2e_expect "records after the stop" 2 "${#lines[@]}"
e2e_expect "the edit's first record" "会議,2024/03/04 09:00,2024/03/04 09:30" "${lines[0]}"
[[ ${lines[1]} == "読書,2024/03/04 09:30,"* ]] || e2e_fail "the edit's running record was not the one closed: ${lines[1]}"

e2e_choose left "$pid" 32774
e2e_expect "exit code" 32774 "$(e2e_exit_code "$pid")"
