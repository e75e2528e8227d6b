#!/usr/bin/env bash
# ヘルプ(&H) opens help\index.html of the working directory with the program
# the system associates with HTML files. Wine hands such files to its browser
# bridge, which starts the first program of its "Browsers" list; the test
# makes that a recorder, so no browser starts and the test sees which file was
# asked for.
#   - No help folder: the message Wine's result (ERROR_FILE_NOT_FOUND) calls
#     for, caption エラー, with no owner window, so the icon's menus still open.
#   - No association for .html (result 31): "不明なエラーが発生しました (1F)",
#     caption ERR.
#   - The shipped page: the browser gets exactly that file, and no message.
# Help touches no file of the program.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin help

browser="$E2E_RUN/browser.sh"
opened="$E2E_RUN/browser.out"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>%q\n' "$opened" >"$browser"
chmod +x "$browser"
html_key='HKLM\Software\Classes\.html'
associate_html() {
  wine reg add "$html_key" /ve /d htmlfile /f >/dev/null 2>&1 || e2e_fail "could not associate .html files"
}
restore_prefix() {
  associate_html
  wine reg delete 'HKCU\Software\Wine\WineBrowser' /v Browsers /f >/dev/null 2>&1
}
# The prefix is shared with the other tests: put it back however this ends.
trap 'status=$?; restore_prefix; (exit $status); e2e_cleanup' EXIT
# ./run.sh and the tests prepare their prefixes with the association.
wine reg query "$html_key" /ve 2>/dev/null | grep -q htmlfile ||
  e2e_fail "the prefix does not associate .html files with Wine's browser bridge"
wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$browser" /f >/dev/null 2>&1 ||
  e2e_fail "could not point Wine's browser bridge at the recorder"
associate_html

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
owner=$(drv dialog read --pid "$pid" --title エラー | grep '^box' | cut -f3)
e2e_expect "owner of the help message box" "owner=none" "$owner"
e2e_menu right "$pid" >/dev/null
drv menu close --pid "$pid" || e2e_fail "the command menu did not close on Esc"
drv msgbox dismiss --pid "$pid" || e2e_fail "could not dismiss the help message"

# ---- the page is there, but nothing opens HTML files ----
cp -R "$E2E_ROOT/defaults/help" "$E2E_DIR/help"
wine reg delete "$html_key" /f >/dev/null 2>&1 || e2e_fail "could not remove the .html association"
e2e_choose right "$pid" 32779
e2e_expect_output "message when no program opens HTML files" \
"caption	ERR
text	不明なエラーが発生しました (1F)
button	OK" \
  drv msgbox read --pid "$pid"
drv msgbox dismiss --pid "$pid" || e2e_fail "could not dismiss the help message"
[ -e "$opened" ] && e2e_fail "a browser was started although the help page could not be opened"

# ---- the shipped page opens ----
associate_html
e2e_choose right "$pid" 32779
for ((i = 0; i < 200; i++)); do
  [ -s "$opened" ] && break
  sleep 0.05
done
[ -s "$opened" ] || e2e_fail "Help started no browser within 10 s"
e2e_expect "the file the browser was asked to show" "file://$(realpath "$E2E_DIR")/help/index.html" \
  "$(cat "$opened")"
drv msgbox none --pid "$pid" || e2e_fail "Help showed a message although the page opened"

e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
e2e_expect "the program's files after three Help commands" "$before" \
  "$(e2e_snapshot "$E2E_DIR" | grep -v '^\./help/')"
