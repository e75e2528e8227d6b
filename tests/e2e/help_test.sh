#!/usr/bin/env bash
# ヘルプ(&H) opens help\index.html of the working directory with the program
# the system associates with HTML files (under Wine: its browser bridge, here
# a recorder, see help_lib.sh).
#   - No help folder: the message Wine's result (ERROR_FILE_NOT_FOUND) calls
#     for, caption エラー, with no owner window, so the icon's menus still open.
#   - No association for .html (result 31): "不明なエラーが発生しました (1F)",
#     caption ERR, and no browser starts.
#   - The shipped page: the browser gets exactly that file, and no message.
# Help touches no file of the program.
set -u
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/help_lib.sh"
e2e_begin help
help_record_browser

e2e_write_ini "$E2E_DIR" 会議 開発
e2e_write_csv "$E2E_DIR" '会議,2024/05/14 09:00,2024/05/14 10:30'
before=$(e2e_snapshot "$E2E_DIR")
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"

# ---- no help folder ----
e2e_choose right "$pid" 32779
e2e_expect_output "message for a missing help page" \
"caption	エラー
text	ヘルプファイルが見つかりません (ERROR_FILE_NOT_FOUND)
button	OK" \
  drv msgbox read --pid "$pid"
owner=$(drv box read --pid "$pid" --title エラー | grep '^box' | cut -f3)
e2e_expect "owner of the help message box" "owner=none" "$owner"
e2e_menu right "$pid" >/dev/null
drv menu close --pid "$pid" || e2e_fail "the command menu did not close on Esc"
drv msgbox dismiss --pid "$pid" || e2e_fail "could not dismiss the help message"

# ---- the page is there, but nothing opens HTML files ----
cp -R "$E2E_ROOT/defaults/help" "$E2E_DIR/help"
help_unassociate_html
e2e_choose right "$pid" 32779
e2e_expect_output "message when no program opens HTML files" \
"caption	ERR
text	不明なエラーが発生しました (1F)
button	OK" \
  drv msgbox read --pid "$pid"
drv msgbox dismiss --pid "$pid" || e2e_fail "could not dismiss the help message"
[ -e "$HELP_OPENED" ] && e2e_fail "a browser was started although the help page could not be opened"

# ---- the shipped page opens ----
help_associate_html
e2e_choose right "$pid" 32779
e2e_expect "the file the browser was asked to show" "file://$(realpath "$E2E_DIR")/help/index.html" \
  "$(help_opened)"
drv msgbox none --pid "$pid" || e2e_fail "Help showed a message although the page opened"

e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
e2e_expect "the program's files after three Help commands" "$before" \
  "$(e2e_snapshot "$E2E_DIR" | grep -v '^\./help/')"
