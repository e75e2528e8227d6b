#!/usr/bin/env bash
# First start in an empty directory: the record file's open-failure message,
# then the program runs hidden with its icon; the item menu holds only
# 終了(&X), the command menu its five commands in order; 終了(&X) ends the
# process with exit code 32774, and nothing was written at any point.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin first_start

e2e_start
pid=${E2E_PIDS[0]}

e2e_expect_output "message box of the first start" \
"caption	エラー
text	ファイルを開けませんでした\\r\\n$(e2e_winpath "$E2E_DIR")\\data.csv
button	OK" \
  drv msgbox read --pid "$pid"
drv msgbox dismiss --pid "$pid" || e2e_fail "could not dismiss the message box"

e2e_wait_running "$pid"
window=$(drv wait-window --pid "$pid" --title "$E2E_TITLE")
[[ $window == *$'\thidden\t'* ]] || e2e_fail "the report window should be hidden after the start: $window"
e2e_expect_output "tooltip with nothing timed" "Dorvane" \
  e2e_tooltip "$pid"

# Only the presses open menus; releases, double clicks and moves do nothing.
for message in left-up right-up left-double move; do
  drv tray "$message" --pid "$pid" --expect-no-menu >/dev/null || e2e_fail "the mouse message $message must open no menu"
done
e2e_log "ok: releases, double clicks and moves open no menu"

e2e_expect "item menu without items" "$(e2e_menu_text ---- '32774 終了(&X)')" "$(e2e_menu left "$pid")"
drv menu close --pid "$pid" || e2e_fail "the item menu did not close on Esc"

e2e_expect "command menu" "$(e2e_menu_text '32778 レポート(&R)' '32775 設定(&C)' '32776 編集(&E)' \
  '32779 ヘルプ(&H)' '57664 &About')" "$(e2e_menu right "$pid")"
drv menu close --pid "$pid" || e2e_fail "the command menu did not close on Esc"

drv msgbox none --pid "$pid" || e2e_fail "an unexpected message box is open"
e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
drv tray-icon --pid "$pid" --gone || e2e_fail "the icon stayed in the tray after the end"
e2e_expect "files in the directory after a run without picks" "" "$(e2e_snapshot "$E2E_DIR")"
