#!/usr/bin/env bash
# レポート(&R) shows the hidden report window; while it is shown the icon
# opens neither menu. Its close box (the cancel command) changes nothing;
# 閉じる hides it, and the menus open again.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin window_showing

e2e_write_ini "$E2E_DIR" 会議
e2e_write_csv "$E2E_DIR"
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
drv wait-window --pid "$pid" --hidden --timeout 0 >/dev/null || e2e_fail "the report window should be hidden after the start"

e2e_choose right "$pid" 32778
drv wait-window --pid "$pid" --visible >/dev/null || e2e_fail "レポート(&R) did not show the report window"
drv tray left --pid "$pid" --expect-no-menu >/dev/null || e2e_fail "the left button opened a menu while the report is shown"
drv tray right --pid "$pid" --expect-no-menu >/dev/null || e2e_fail "the right button opened a menu while the report is shown"

drv close-window --pid "$pid" || e2e_fail "could not press the close box"
drv sync --pid "$pid" || e2e_fail "the program did not handle its messages"
drv wait-window --pid "$pid" --visible --timeout 0 >/dev/null || e2e_fail "the close box hid the report window"
drv tray left --pid "$pid" --expect-no-menu >/dev/null || e2e_fail "after the close box the left button opened a menu"

drv button --pid "$pid" --id 1 || e2e_fail "could not press 閉じる"
drv wait-window --pid "$pid" --hidden >/dev/null || e2e_fail "閉じる did not hide the report window"
e2e_expect "item menu after 閉じる" "$(e2e_menu_text '40001 会議' ---- '32774 終了(&X)')" "$(e2e_menu left "$pid")"
drv menu choose 32774 --pid "$pid" >/dev/null || e2e_fail "could not choose 終了(&X)"
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
