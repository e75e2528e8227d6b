#!/usr/bin/env bash
# The real thing: the X mouse pointer clicks the icon in Wine's tray and the
# entries of the menus that open. Screenshots of both menus are kept in the
# run directory for a look by eye.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin tray_click

e2e_write_ini "$E2E_DIR" 会議 開発
e2e_write_csv "$E2E_DIR"
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
read -r x y tip < <(drv tray-icon --pid "$pid") || e2e_fail "no icon in the tray"
e2e_log "icon at $x,$y, tooltip $tip"

e2e_click "$x" "$y" 1
e2e_expect "item menu opened with the left button" \
  "$(e2e_menu_text '40001 会議' '40002 開発' ---- '32774 終了(&X)')" "$(drv menu read --pid "$pid")"
e2e_screenshot "$E2E_RUN/left-menu.png"
read -r mx my < <(drv menu point 40002 --pid "$pid") || e2e_fail "no entry 40002"
e2e_click "$mx" "$my" 1
drv tray-icon --pid "$pid" --tip 開発 >/dev/null || e2e_fail "a click on 開発 did not start it (tooltip)"
e2e_expect "record after the click" 開発 "$(e2e_read_cp932 "$E2E_DIR/data.csv" | cut -d, -f1)"

e2e_click "$x" "$y" 3
e2e_expect "command menu opened with the right button" \
  "$(e2e_menu_text '32778 レポート(&R)' '32775 設定(&C)' '32776 編集(&E)' '32779 ヘルプ(&H)' '57664 &About')" \
  "$(drv menu read --pid "$pid")"
e2e_screenshot "$E2E_RUN/right-menu.png"
drv menu close --pid "$pid" || e2e_fail "the command menu did not close on Esc"

e2e_click "$x" "$y" 1
read -r mx my < <(drv menu point 32774 --pid "$pid") || e2e_fail "no entry 32774"
e2e_click "$mx" "$my" 1
e2e_expect "exit code after clicking 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
