#!/usr/bin/env bash
# &About from the command menu shows the box of dialog 100: the program's
# icon, "Dorvane v1.04" and a default OK button with the focus, centred on the
# work area because its owner is the hidden report window. While it is open
# neither button on the icon opens a menu; after OK (clicked with the X
# pointer), Escape or the caption's close box the menus open again. The box
# touches no file.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin about

e2e_write_ini "$E2E_DIR" 会議 開発
e2e_write_csv "$E2E_DIR" '会議,2024/05/14 09:00,2024/05/14 10:30'
before=$(e2e_snapshot "$E2E_DIR")
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"

about='Dorvane About'
open_about() {
  e2e_choose right "$pid" 57664
  drv wait-window --pid "$pid" --title "$about" --visible >/dev/null || e2e_fail "&About opened no box"
}
expect_menus_blocked() {
  local button
  for button in left right; do
    drv tray "$button" --pid "$pid" --expect-no-menu >/dev/null ||
      e2e_fail "the $button button opened a menu while the About box was open"
  done
  drv wait-window --pid "$pid" --title "$about" --visible >/dev/null ||
    e2e_fail "the About box closed on a press of the icon"
}
expect_closed_and_menus_work() {
  drv wait-window --pid "$pid" --title "$about" --gone || e2e_fail "the About box did not close on $1"
  drv msgbox none --pid "$pid" || e2e_fail "a message box is open after $1"
  e2e_expect "command menu after $1" "$(e2e_menu_text '32778 レポート(&R)' '32775 設定(&C)' \
    '32776 編集(&E)' '32779 ヘルプ(&H)' '57664 &About')" "$(e2e_menu right "$pid")"
  drv menu close --pid "$pid" || e2e_fail "the command menu did not close on Esc"
  e2e_menu left "$pid" >/dev/null
  drv menu close --pid "$pid" || e2e_fail "the item menu did not close on Esc"
}

# ---- what the box shows, and OK clicked with the pointer ----
open_about
listing=$(drv box read --pid "$pid" --title "$about") || e2e_fail "could not read the About box"
e2e_expect "controls of the About box" \
"control	-1	Button	groupbox	
control	-1	Static	icon+picture	
control	-1	Static	text-centre	Dorvane v1.04
control	1	Button	default-button	OK" "$(grep '^control' <<<"$listing")"
box_line=$(grep '^box' <<<"$listing")
[[ $box_line == *$'\towner='"$E2E_TITLE"$', hidden\tfocus=1' ]] ||
  e2e_fail "the box should be owned by the hidden report window with the focus on OK: $box_line"

# Centred on the work area, each half truncated; inside it.
IFS=, read -r l t r b <<<"$(cut -f2 <<<"$box_line")"
IFS=, read -r wl wt wr wb <<<"$(grep '^workarea' <<<"$listing" | cut -f2)"
w=$((r - l)) h=$((b - t))
e2e_expect "left edge of the box, centred on the work area" $(((wl + wr) / 2 - w / 2)) "$l"
e2e_expect "top edge of the box, centred on the work area" $(((wt + wb) / 2 - h / 2)) "$t"

mkdir -p "$E2E_BUILD/tests/e2e/screenshots"
e2e_screenshot "$E2E_BUILD/tests/e2e/screenshots/about.png"

expect_menus_blocked
read -r x y <<<"$(drv box point --pid "$pid" --title "$about" --id 1)" || e2e_fail "the box has no OK button"
e2e_click "$x" "$y"
expect_closed_and_menus_work "OK"

# ---- Escape ----
open_about
expect_menus_blocked
drv box key --pid "$pid" --title "$about" --key escape || e2e_fail "could not press Escape in the box"
expect_closed_and_menus_work "Escape"

# ---- the caption's close box ----
open_about
expect_menus_blocked
read -r x y <<<"$(drv box point --pid "$pid" --title "$about" --close-box)" ||
  e2e_fail "the About box has no close box"
e2e_click "$x" "$y"
expect_closed_and_menus_work "the close box"

e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
e2e_expect "the files after three About boxes" "$before" "$(e2e_snapshot "$E2E_DIR")"
