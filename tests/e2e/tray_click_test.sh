#!/usr/bin/env bash
# The real thing: the X mouse pointer clicks the icon in Wine's tray and the
# entries of the menus that open; then the notifications the shell sends for
# the keyboard and for each click. Screenshots of both menus are kept in the
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
# The open menu's top left corner.
menu_at() { drv windows --pid "$pid" | awk -F'\t' '$5 == "#32768" { split($6, r, ","); print r[1] "," r[2] }'; }

e2e_click "$x" "$y" 1
e2e_expect "item menu opened with the left button" \
  "$(e2e_menu_text '40001 会議' '40002 開発' ---- '32774 終了(&X)')" "$(drv menu read --pid "$pid")"
e2e_expect "item menu at the pointer" "$x,$y" "$(menu_at)"
e2e_screenshot "$E2E_RUN/left-menu.png"
read -r mx my < <(drv menu point 40002 --pid "$pid") || e2e_fail "no entry 40002"
e2e_click "$mx" "$my" 1
drv tray-icon --pid "$pid" --tip 開発 >/dev/null || e2e_fail "a click on 開発 did not start it (tooltip)"
e2e_expect "record after the click" 開発 "$(e2e_read_cp932 "$E2E_DIR/data.csv" | cut -d, -f1)"

e2e_click "$x" "$y" 3
e2e_expect "command menu opened with the right button" \
  "$(e2e_menu_text '32778 レポート(&R)' '32775 設定(&C)' '32776 編集(&E)' '32779 ヘルプ(&H)' '57664 &About')" \
  "$(drv menu read --pid "$pid")"
e2e_expect "command menu at the pointer" "$x,$y" "$(menu_at)"
e2e_screenshot "$E2E_RUN/right-menu.png"
drv menu close --pid "$pid" || e2e_fail "the command menu did not close on Esc"

# The shell's version-4 notifications: Enter or Space (NIN_KEYSELECT) and the
# menu key (WM_CONTEXTMENU) open the menus at the icon's anchor; the mouse
# messages and notifications of one click or key open one menu.
drv tray key --at 300,200 --pid "$pid" >/dev/null || e2e_fail "NIN_KEYSELECT opened no menu"
e2e_expect "item menu opened from the keyboard" \
  "$(e2e_menu_text '40001 会議' '40002 開発' ---- '32774 終了(&X)')" "$(drv menu read --pid "$pid")"
e2e_expect "item menu at the anchor" 300,200 "$(menu_at)"
drv menu choose 40001 --pid "$pid" >/dev/null || e2e_fail "could not choose 会議 in the keyboard's menu"
drv tray-icon --pid "$pid" --tip 会議 >/dev/null || e2e_fail "the keyboard's pick did not start 会議 (tooltip)"
e2e_expect "record after the keyboard's pick" 会議 "$(e2e_read_cp932 "$E2E_DIR/data.csv" | tail -n1 | cut -d, -f1)"

drv tray context --at 320,220 --pid "$pid" >/dev/null || e2e_fail "WM_CONTEXTMENU opened no menu"
e2e_expect "command menu opened from the keyboard" \
  "$(e2e_menu_text '32778 レポート(&R)' '32775 設定(&C)' '32776 編集(&E)' '32779 ヘルプ(&H)' '57664 &About')" \
  "$(drv menu read --pid "$pid")"
e2e_expect "command menu at the anchor" 320,220 "$(menu_at)"
drv menu close --pid "$pid" || e2e_fail "the command menu did not close on Esc"

for gesture in key,key:40001 right,right-up,context:32778 left,left-up,select:40001; do
  drv tray "${gesture%:*}" --pid "$pid" >/dev/null || e2e_fail "${gesture%:*} did not open one menu"
  e2e_expect "first entry of the menu of ${gesture%:*}" "${gesture#*:}" "$(drv menu read --pid "$pid" | head -n1 | cut -f1)"
  drv menu close --pid "$pid" || e2e_fail "the menu of ${gesture%:*} did not close on Esc"
done

e2e_click "$x" "$y" 1
read -r mx my < <(drv menu point 32774 --pid "$pid") || e2e_fail "no entry 32774"
e2e_click "$mx" "$my" 1
e2e_expect "exit code after clicking 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
