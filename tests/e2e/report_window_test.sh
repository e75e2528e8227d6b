#!/usr/bin/env bash
# The report window as a user works it. Records dated today (and two weeks
# on) are drawn where the layout puts them: the pixels of both pages,
# captured from the screen, show the bars at their positions and in their
# items' colours. The tabs, the week buttons and the date picker move the
# view and both pages repaint by themselves. While the report shows, the
# icon opens no menu. A screen reader finds both pages as lists of their
# days, and the keyboard reaches the days with Tab and the arrows. Escape and
# the close box leave it open; 閉じる and Enter hide it; opened again it
# shows the last date and tab, not today's.
set -u
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/report_lib.sh"
e2e_begin report_window

# Colours 0x00BBGGRR in the settings file, RRGGBB on the screen.
e2e_write_cp932 "$E2E_DIR/Dorvane.ini" '[ITEM]' \
  'ITEM1_COLOR=0x0000FF' 'ITEM1_STATICS=1' 'ITEM1_NAME=会議' \
  'ITEM2_COLOR=0x00C000' 'ITEM2_STATICS=1' 'ITEM2_NAME=開発' \
  'ITEM3_COLOR=0xFF0000' 'ITEM3_STATICS=0' 'ITEM3_NAME=読書'
RED=FF0000 GREEN=00C000 BLUE=0000FF

day() { date -d "$today $1 days" +%Y/%m/%d; }
today=$(date +%Y/%m/%d)
later=$(day +14)
e2e_write_csv "$E2E_DIR" \
  "会議,$today 09:30,$today 11:45" \
  "開発,$today 13:00,$today 15:00" \
  "読書,$later 08:00,$later 09:00"

# What the pages show for each date: bars at 14 units an hour, the minutes
# truncated (09:30 is 126 + 7 = 133, 11:45 is 154 + 10 = 164). The totals
# stack the counted items longest first: 会議 2 h 15 min (31.5 units, cut to
# 31), then 開発 2 h (to 59.5, cut to 59); 読書 counts nothing.
time_bars() {
  case $1 in
    "$today") echo 133 164 $RED 182 210 $GREEN ;;
    "$later") echo 112 126 $BLUE ;;
  esac
}
total_bars() {
  case $1 in
    "$today") echo 0 31 $RED 31 59 $GREEN ;;
  esac
}

e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
e2e_expect "the date picker starts at today" "$today" "$(drv datepick --pid "$pid" | cut -f1)"

e2e_choose right "$pid" 32778
drv wait-window --pid "$pid" --visible >/dev/null || e2e_fail "the report did not open"
read -r width height < <(rep_client_size "$pid" $REP_TIME_PAGE)
e2e_log "chart pages are $width x $height"
e2e_expect "both pages have one size" "$width $height" "$(rep_client_size "$pid" $REP_STATICS_PAGE)"

# The rows of the fourteen days from the Sunday of the picker's week; the
# second column begins at 80 + width / 2.
view_rows() {
  local picked wd sunday d x0 y
  IFS=$'\t' read -r picked wd < <(drv datepick --pid "$pid")
  sunday=$(date -d "$picked -$wd days" +%Y/%m/%d)
  for ((d = 0; d < 14; d++)); do
    x0=$((d < 7 ? 80 : 80 + width / 2))
    y=$((40 + 40 * (d % 7) + 10))
    ROWS+="${ROWS:+,}$y:$((x0 - 1)):$((x0 + 337))"
    # shellcheck disable=SC2046
    EXPECTED+="${EXPECTED:+$'\n'}$(rep_row $y $x0 $("$1" "$(date -d "$sunday $d days" +%Y/%m/%d)"))"
  done
}
expect_page() {
  local what=$1 page=$2 bars=$3
  ROWS="" EXPECTED=""
  view_rows "$bars"
  rep_expect_capture "$what" "$pid" "$page" "$EXPECTED" "$ROWS"
}
expect_tab() {
  local index=$1 shown=$2 hidden=$3
  e2e_expect "selected tab" "$index" "$(drv tab --pid "$pid" | sed -n 's/^selected\t//p')"
  drv control --pid "$pid" --id "$shown" --visible >/dev/null || e2e_fail "page $shown is not shown"
  drv control --pid "$pid" --id "$hidden" --hidden >/dev/null || e2e_fail "page $hidden is not hidden"
}

e2e_expect "the tabs and their pages" "$(printf 'selected\t0\nitem\t0\t時刻\t32787\nitem\t1\t集計\t32788')" \
  "$(drv tab --pid "$pid")"
expect_tab 0 $REP_TIME_PAGE $REP_STATICS_PAGE
expect_page "time chart of today's weeks" $REP_TIME_PAGE time_bars
e2e_screenshot "$E2E_RUN/time-chart.png"

# What a screen reader finds on each page, walked from another process: a
# list named by its tab whose fourteen items are the days, each named by what
# its row shows and placed on its band; today, the picker's day, is the
# selected one. The hidden page's items are invisible.
weekdays=(日 月 火 水 木 金 土)
today_index=$(date +%w)
tree() {
  local page=$1 name=$2 today_text=$3 empty_text=$4 extra=$5 focused=$6 d date x0 state text
  local sunday
  sunday=$(date -d "$today -$today_index days" +%Y/%m/%d)
  printf 'object\tlist\t%s\n' "$name"
  printf 'focus\t%s\n' "$focused"
  for ((d = 0; d < 14; d++)); do
    date=$(date -d "$sunday $d days" +%Y/%m/%d)
    x0=$((d < 7 ? 80 : 80 + width / 2))
    # The letters in the driver's order: f F s S r i.
    state=f
    [ "$focused" = "$((d + 1))" ] && state+=F
    state+=s
    ((d == today_index)) && state+=S
    state+=r$extra
    text=$empty_text
    [ "$date" = "$today" ] && text=$today_text
    printf 'child\t%d\tlistitem\t%s\t%d,%d,336,20\t%s\n' $((d + 1)) "$state" "$x0" $((40 + 40 * (d % 7))) \
      "$(date -d "$date" +%-m)月$(date -d "$date" +%-d)日(${weekdays[$(date -d "$date" +%w)]}): $text。"
  done
}
# The walk without the object's own state and place (the window's, as the
# system gives them), which the log keeps whole.
read_tree() {
  local out
  out=$(drv accessible --pid "$pid" --id "$1") || e2e_fail "page $1 has no accessible object"
  e2e_log "the tree of page $1 as another process reads it:"$'\n'"$out"
  awk -F'\t' -v OFS='\t' '$1 == "object" { print $1, $2, $5; next } { print }' <<<"$out"
}
time_tree() { tree $REP_TIME_PAGE 時刻 '会議 9:30〜11:45、開発 13:00〜15:00' 記録なし "" "$1"; }
e2e_expect "the time chart as a screen reader finds it" "$(time_tree none)" "$(read_tree $REP_TIME_PAGE)"
e2e_expect "the totals, hidden, as a screen reader finds them" \
  "$(tree $REP_STATICS_PAGE 集計 '合計 4時間15分、会議 2時間15分 (53%)、開発 2時間 (47%)' '合計 0分' i none)" \
  "$(read_tree $REP_STATICS_PAGE)"

# The keyboard: Tab from the tab control reaches the page, which gives its
# focus to the selected day; the arrows, Home and End move it; Tab again
# moves on to 印刷, and Shift+Tab comes back. Wine calls every enabled
# window focusable, so only the walk shows the page is a tab stop.
wait_focus() {
  local want=$1 i
  for ((i = 0; i < 50; i++)); do
    [ "$(drv focus --pid "$pid")" = "$want" ] && break
    sleep 0.1
  done
  e2e_expect "$2" "$want" "$(drv focus --pid "$pid")"
}
focused_day() { drv accessible --pid "$pid" --id $REP_TIME_PAGE | sed -n 's/^focus\t//p'; }
press_for_day() {
  local key=$1 want=$2 i
  xdotool key "$key" || e2e_fail "xdotool could not type"
  for ((i = 0; i < 50; i++)); do
    [ "$(focused_day)" = "$want" ] && break
    sleep 0.1
  done
  e2e_expect "$key moves the focused day" "$want" "$(focused_day)"
}
rep_click_tab "$pid" 0
wait_focus "$REP_TAB	SysTabControl32" "a click on the selected tab focuses the tab control"
xdotool key Tab || e2e_fail "xdotool could not type"
wait_focus "$REP_TIME_PAGE	Static" "Tab reaches the time chart"
e2e_expect "the time chart with the focus" "$(time_tree $((today_index + 1)))" "$(read_tree $REP_TIME_PAGE)"
now=$((today_index + 1))
press_for_day Down $((now + 1))
press_for_day Right $((now + 8))
press_for_day Left $((now + 1))
press_for_day End 14
press_for_day Home 1
press_for_day Down 2
press_for_day Up 1
xdotool key Tab || e2e_fail "xdotool could not type"
wait_focus "$REP_PRINT	Button" "Tab moves on from the page"
xdotool key shift+Tab || e2e_fail "xdotool could not type"
wait_focus "$REP_TIME_PAGE	Static" "Shift+Tab comes back to the page"
e2e_expect "the page keeps its day" 1 "$(focused_day)"

drv tray left --pid "$pid" --expect-no-menu >/dev/null || e2e_fail "the left button opened a menu while the report shows"
drv tray right --pid "$pid" --expect-no-menu >/dev/null || e2e_fail "the right button opened a menu while the report shows"

rep_click_tab "$pid" 1
expect_tab 1 $REP_STATICS_PAGE $REP_TIME_PAGE
e2e_expect "the shown page has the focus" "$REP_STATICS_PAGE	Static" "$(drv focus --pid "$pid")"
expect_page "totals of today's weeks" $REP_STATICS_PAGE total_bars
e2e_screenshot "$E2E_RUN/totals.png"

# 次週 while the totals show: they repaint at once, and the time chart shows
# the new weeks when its tab is chosen.
rep_click_control "$pid" $REP_NEXT_WEEK
e2e_expect "次週 moves the picker by seven days" "$(day +7)" "$(drv datepick --pid "$pid" | cut -f1)"
expect_page "totals after 次週" $REP_STATICS_PAGE total_bars
rep_click_tab "$pid" 0
expect_tab 0 $REP_TIME_PAGE $REP_STATICS_PAGE
expect_page "time chart after 次週" $REP_TIME_PAGE time_bars

rep_click_control "$pid" $REP_PREV_WEEK
e2e_expect "前週 moves back" "$today" "$(drv datepick --pid "$pid" | cut -f1)"
expect_page "time chart after 前週" $REP_TIME_PAGE time_bars

# The picker as a user types into it: the year field is selected by the
# click, two steps right is the day, and each arrow moves the day by one
# (seven steps within the month, whatever today is).
read -r l t r b < <(rep_control_rect "$pid" $REP_DATEPICK)
e2e_click $((l + 12)) $(((t + b) / 2))
if [ "$((10#$(date +%d)))" -ge 8 ]; then steps=-7 key=Down; else steps=+7 key=Up; fi
xdotool key Right Right $(printf "$key %.0s" $(seq 7)) || e2e_fail "xdotool could not type"
chosen=$(day $steps)
for ((i = 0; i < 50; i++)); do
  [ "$(drv datepick --pid "$pid" | cut -f1)" = "$chosen" ] && break
  sleep 0.1
done
e2e_expect "the picker after seven arrows" "$chosen" "$(drv datepick --pid "$pid" | cut -f1)"
expect_page "time chart after the picker moved" $REP_TIME_PAGE time_bars
rep_click_tab "$pid" 1
expect_page "totals after the picker moved" $REP_STATICS_PAGE total_bars

# Escape and the close box leave the report open.
rep_click_tab "$pid" 1  # the keyboard focus on the page, not on a button
xdotool key Escape
drv close-window --pid "$pid" || e2e_fail "could not press the close box"
drv sync --pid "$pid" || e2e_fail "could not sync with the program"
drv wait-window --pid "$pid" --visible --timeout 100 >/dev/null || e2e_fail "Escape or the close box hid the report"
drv tray right --pid "$pid" --expect-no-menu >/dev/null || e2e_fail "a menu opened while the report shows"

rep_click_control "$pid" $REP_CLOSE
drv wait-window --pid "$pid" --visible --gone >/dev/null || e2e_fail "閉じる did not hide the report"
e2e_menu right "$pid" >/dev/null
drv menu close --pid "$pid" || e2e_fail "the command menu did not close"

# Opened again: the date and the tab of the last time.
e2e_choose right "$pid" 32778
drv wait-window --pid "$pid" --visible >/dev/null || e2e_fail "the report did not open again"
e2e_expect "the picker keeps the last date" "$chosen" "$(drv datepick --pid "$pid" | cut -f1)"
expect_tab 1 $REP_STATICS_PAGE $REP_TIME_PAGE
expect_page "totals when opened again" $REP_STATICS_PAGE total_bars

# Enter with the focus on a page means the default button, 閉じる.
rep_click_tab "$pid" 0
expect_page "time chart when opened again" $REP_TIME_PAGE time_bars
xdotool key Return
drv wait-window --pid "$pid" --visible --gone >/dev/null || e2e_fail "Enter did not hide the report"

e2e_choose left "$pid" 32774
e2e_expect "exit code" 32774 "$(e2e_exit_code "$pid")"
