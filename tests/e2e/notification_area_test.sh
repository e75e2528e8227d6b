#!/usr/bin/env bash
# A start before the notification area exists (sign-in): the program waits
# hidden, holding the single-instance mutex, with no message, and adds its
# icon when the area announces itself (TaskbarCreated). Then Explorer
# restarts: the icon is lost and comes back with the running item's tooltip,
# and both menus work. Wine's explorer never broadcasts TaskbarCreated, so
# the driver hides and shows the area and broadcasts it (driver "shell").
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin notification_area

show_area() { drv shell show >/dev/null 2>&1; }

e2e_write_ini "$E2E_DIR" 会議 開発
e2e_write_csv "$E2E_DIR"
E2E_CLEANUP_HOOKS+=(show_area)
drv shell hide || e2e_fail "could not hide the notification area"
e2e_start
pid=${E2E_PIDS[0]}
drv wait-window --pid "$pid" --hidden >/dev/null || e2e_fail "the program did not wait with its window"
drv sync --pid "$pid" >/dev/null || e2e_fail "the program's window takes no messages"
drv msgbox none --pid "$pid" || e2e_fail "a start before the notification area showed a message"
drv tray-icon --pid "$pid" --gone || e2e_fail "an icon while the notification area was hidden"
e2e_start
e2e_expect_output "a second start while the first waits" "caption	通知
text	起動済みです
button	OK" drv msgbox read --pid "${E2E_PIDS[0]}"
drv msgbox dismiss --pid "${E2E_PIDS[0]}" || e2e_fail "could not dismiss the second copy's message"

drv shell show || e2e_fail "could not show the notification area"
drv tray-icon --pid "$pid" --tip Dorvane >/dev/null || e2e_fail "no icon once the notification area came"
e2e_choose left "$pid" 40002
drv tray-icon --pid "$pid" --tip 開発 >/dev/null || e2e_fail "picking 開発 did not name it in the tooltip"

# Explorer restarts.
drv shell forget --pid "$pid" || e2e_fail "the tray could not remove the icon"
drv tray-icon --pid "$pid" --gone || e2e_fail "the icon stayed after the tray forgot it"
drv shell show || e2e_fail "could not broadcast TaskbarCreated"
drv tray-icon --pid "$pid" --tip 開発 >/dev/null || e2e_fail "the icon did not come back with 開発"
e2e_expect "command menu after the restart" \
  "$(e2e_menu_text '32778 レポート(&R)' '32775 設定(&C)' '32776 編集(&E)' '32779 ヘルプ(&H)' '57664 &About')" \
  "$(e2e_menu right "$pid")"
drv menu close --pid "$pid" || e2e_fail "the command menu did not close on Esc"
e2e_expect "item menu after the restart" "$(e2e_menu_text '40001 会議' '40002 開発' ---- '32774 終了(&X)')" \
  "$(e2e_menu left "$pid")"
drv menu choose 32774 --pid "$pid" >/dev/null || e2e_fail "could not choose 終了(&X)"
e2e_expect "exit code" 32774 "$(e2e_exit_code "$pid")"
e2e_expect "record of the run" 開発 "$(e2e_read_cp932 "$E2E_DIR/data.csv" | cut -d, -f1)"
