# Helpers of the report window's end-to-end tests; sourced after lib.sh.
#
#   rep_click_control PID ID        clicks the centre of a control of the report with the X pointer
#   rep_click_tab PID INDEX         clicks a tab as a user would
#   rep_band_runs X0 [S E RRGGBB]...
#                                   the colour runs a day band at X0 shows along its middle
#                                   row, from X0 - 1 to X0 + 336, with bars from X0 + S to X0 + E
#   rep_row Y X0 [S E RRGGBB]...    one line of the capture's output for that band
#   rep_expect_capture WHAT PID ID EXPECTED ROWS
#                                   captures the page until its rows read as EXPECTED (the
#                                   program paints on its own time), else fails with the difference
#   rep_client_size PID ID          the width and height of a control's client area

REP_TIME_PAGE=32787
REP_STATICS_PAGE=32788
REP_PRINT=32792
REP_TAB=32786
REP_DATEPICK=32799
REP_PREV_WEEK=32800
REP_NEXT_WEEK=32801
REP_CLOSE=1

rep_control_rect() {
  local line rect
  line=$(drv control --pid "$1" --id "$2") || e2e_fail "the report has no control $2"
  rect=$(cut -f3 <<<"$line")
  tr ',' ' ' <<<"$rect"
}

rep_client_size() {
  local l t r b
  read -r l t r b < <(rep_control_rect "$1" "$2")
  echo "$((r - l)) $((b - t))"
}

rep_click_control() {
  local l t r b
  read -r l t r b < <(rep_control_rect "$1" "$2")
  e2e_click $(((l + r) / 2)) $(((t + b) / 2))
}

rep_click_tab() {
  local x y
  read -r x y < <(drv tab --pid "$1" --point "$2") || e2e_fail "the report has no tab $2"
  e2e_click "$x" "$y"
}

# Pixels as GDI draws them: a filled rectangle from L to R outlines L and
# R - 1 with the one-pixel black pen and fills between (nothing when R = L);
# the band's outline, drawn after the bars, is black at X0 and X0 + 335.
rep_band_runs() {
  local x0=$1
  shift
  local -a px
  local i
  for ((i = 0; i <= 337; i++)); do px[i]=FFFFFF; done  # px[i] is x = x0 - 1 + i
  while [ $# -ge 3 ]; do
    local s=$1 e=$2 colour=$3
    shift 3
    if ((e > s)); then
      for ((i = s + 2; i <= e - 1; i++)); do px[i]=$colour; done
      px[s + 1]=000000
      px[e]=000000
    fi
  done
  px[1]=000000
  px[336]=000000
  local out="" start=0
  for ((i = 1; i <= 338; i++)); do
    if ((i == 338)) || [ "${px[i]}" != "${px[start]}" ]; then
      out+="${out:+ }$((x0 - 1 + start))-$((x0 - 1 + i - 1))=${px[start]}"
      start=$i
    fi
  done
  echo "$out"
}

rep_row() {
  local y=$1 x0=$2
  shift 2
  printf 'row\t%s\t%s\n' "$y:$((x0 - 1)):$((x0 + 337))" "$(rep_band_runs "$x0" "$@")"
}

rep_expect_capture() {
  local what=$1 pid=$2 id=$3 expected=$4 rows=$5
  local actual="" i
  for ((i = 0; i < 20; i++)); do
    actual=$(drv capture --pid "$pid" --id "$id" --rows "$rows" | grep '^row') && [ "$actual" = "$expected" ] && break
    sleep 0.2
  done
  if [ "$actual" = "$expected" ]; then
    drv capture --pid "$pid" --id "$id" --out "$(e2e_winpath "$E2E_RUN/$(tr -c 'A-Za-z0-9\n' _ <<<"$what").bmp")" >/dev/null
  fi
  e2e_expect "$what" "$expected" "$actual"
}
