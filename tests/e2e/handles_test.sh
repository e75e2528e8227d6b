#!/usr/bin/env bash
# No handle leaks: the program built with DORVANE_COUNT_HANDLES counts the
# live handles of each kind in its owners (Wine's GetGuiResources is a stub,
# so the count has to be the program's own) and the probe reads the counts
# from inside the process. After ten repaints of each report tab and ten
# openings of each tray menu, of the report and of each dialog of the command
# menu, every count is back at its value after start-up: the counts are
# compared exactly, so one leaked handle a round shows as ten. While a menu
# is open its menu handle is counted, so the counter is seen to work, not
# just to stay at zero.
set -u
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/report_lib.sh"
E2E_EXE=${DORVANE_E2E_COUNTED_EXE:-$E2E_BUILD/tests/e2e/Dorvane_counted.exe}
e2e_begin handles

e2e_write_ini "$E2E_DIR" 会議 開発 読書
e2e_write_csv "$E2E_DIR" '会議,2024/05/14 09:00,2024/05/14 10:30' '開発,2024/05/14 10:30,2024/05/14 12:00'
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"

counts() { drv handles --pid "$pid" || e2e_fail "could not read the handle counts"; }
count_of() { counts | awk -F'\t' -v k="$1" '$1 == k { print $2 }'; }
started=$(counts)
e2e_log "after start-up: $(tr '\n\t' ' =' <<<"$started")"

# The counter counts: the open menu is one live menu handle more.
menus=$(count_of menu)
drv tray left --pid "$pid" >/dev/null || e2e_fail "the left button opened no menu"
e2e_expect "menu handles while the item menu is open" $((menus + 1)) "$(count_of menu)"
drv menu close --pid "$pid" || e2e_fail "the item menu did not close on Esc"
e2e_expect "menu handles after the item menu closed" "$menus" "$(count_of menu)"

for button in left right; do
  drv repeat 10 tray "$button" --pid "$pid" + menu close --pid "$pid" >/dev/null ||
    e2e_fail "ten openings of the $button menu did not all open and close"
  e2e_expect "handles after ten openings of the $button menu" "$started" "$(counts)"
done

# The report: ten repaints of each tab while it is shown, then ten openings.
e2e_choose right "$pid" 32778
drv wait-window --pid "$pid" --visible >/dev/null || e2e_fail "レポート(&R) did not show the report"
drv control --pid "$pid" --id "$REP_TIME_PAGE" --visible >/dev/null || e2e_fail "the time chart is not shown"
drv repaint --pid "$pid" --id "$REP_TIME_PAGE" >/dev/null || e2e_fail "could not repaint the time chart"
shown=$(counts)
drv repaint --pid "$pid" --id "$REP_TIME_PAGE" --count 10 || e2e_fail "ten repaints of the time chart failed"
e2e_expect "handles after ten repaints of the time chart" "$shown" "$(counts)"
rep_click_tab "$pid" 1
drv control --pid "$pid" --id "$REP_STATICS_PAGE" --visible >/dev/null || e2e_fail "the second tab did not show the totals"
drv repaint --pid "$pid" --id "$REP_STATICS_PAGE" --count 10 || e2e_fail "ten repaints of the totals failed"
e2e_expect "handles after ten repaints of the totals" "$shown" "$(counts)"
drv button --pid "$pid" --id "$REP_CLOSE" >/dev/null || e2e_fail "could not press 閉じる"
drv wait-window --pid "$pid" --hidden >/dev/null || e2e_fail "閉じる did not hide the report"
# The report is hidden before 閉じる's handler returns: a gesture sent in
# between is handled inside the hide's change of activation, which then
# closes the menu it opened. sync waits for the handler to return.
drv sync --pid "$pid" >/dev/null || e2e_fail "the program did not return from 閉じる"
e2e_expect "handles after the report closed" "$started" "$(counts)"
drv repeat 10 tray right --pid "$pid" + menu choose 32778 --pid "$pid" + wait-window --pid "$pid" --visible \
  + button --pid "$pid" --id "$REP_CLOSE" + wait-window --pid "$pid" --hidden + sync --pid "$pid" >/dev/null ||
  e2e_fail "ten openings of the report did not all open and close"
e2e_expect "handles after ten openings of the report" "$started" "$(counts)"

# Each dialog of the command menu, opened from the menu and closed with Escape.
dialog_rounds() {
  local id=$1 title=$2
  drv repeat 10 tray right --pid "$pid" + menu choose "$id" --pid "$pid" \
    + wait-window --pid "$pid" --title "$title" --visible \
    + box key --pid "$pid" --title "$title" --key escape \
    + wait-window --pid "$pid" --title "$title" --gone >/dev/null ||
    e2e_fail "ten openings of \"$title\" did not all open and close"
  drv msgbox none --pid "$pid" || e2e_fail "a message box is open after the openings of \"$title\""
  e2e_expect "handles after ten openings of \"$title\"" "$started" "$(counts)"
}
dialog_rounds 57664 'Dorvane About'
dialog_rounds 32775 'Dorvane 設定'
dialog_rounds 32776 'Dorvane 編集'

e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
