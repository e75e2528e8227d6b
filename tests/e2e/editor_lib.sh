# shellcheck shell=bash disable=SC2034  # the ids are used by the test scripts
# Helpers of the record editor's end-to-end tests; sourced after lib.sh.
# The editor runs in process $ED_PID. Pickers are changed by typing into
# them and rows are activated with the X pointer, as a user does.
#
#   ed_open                  the right menu's 編集(&E); waits for the editor
#   ed_rows                  the list's rows: "i<TAB>name<TAB>start<TAB>end[<TAB>selected]"
#   ed_state ID              enabled or disabled
#   ed_type ID FIELD...      clicks the picker, then types its fields from the first
#   ed_show_date Y M D       types the shown date and waits for the refill
#   ed_activate ROW          clicks the row, waits until it is selected and handled;
#                            checks 削除, 変更 and the times it loaded
#   ed_picker ID             "YYYY/MM/DD HH:MM:SS<TAB>shown text" of a picker
#   ed_item                  "index<TAB>text" of the item box's selection
#   ed_press ID              clicks a button; prints done, or modal when it opened a window
#   ed_choose_file PATH      types the path into the open file dialog and presses Enter
#   ed_expect_file WHAT FILE LINE...   FILE holds exactly these lines (code page 932, CR LF)

ED_TITLE='Dorvane 編集'
ED_DATEPICK=32793 ED_LIST=32794 ED_ITEM=32795 ED_STARTTIME=32796 ED_ENDTIME=32797
ED_ADD=32798 ED_CHANGE=32802 ED_IMPORT=32803 ED_EXPORT=32804
ED_STARTDATE=32805 ED_ENDDATE=32806 ED_DELETE=32807 ED_CLOSE=2

ed() { drv "$1" "${@:2}" --pid "$ED_PID" --title "$ED_TITLE"; }

ed_open() {
  e2e_choose right "$ED_PID" 32776
  drv wait-window --pid "$ED_PID" --title "$ED_TITLE" --visible >/dev/null || e2e_fail "編集(&E) opened no editor"
}

ed_rows() { ed listview read --id $ED_LIST | sed -n 's/^row\t//p'; }

ed_control() { ed controls | awk -F'\t' -v id="$1" '$1 == id'; }
ed_state() { ed_control "$1" | cut -f3; }

# Polls CMD until it prints EXPECTED (the program handles typed keys and
# clicks after xdotool has sent them).
ed_wait_for() {
  local what=$1 expected=$2 actual i
  shift 2
  for ((i = 0; i < 100; i++)); do
    actual=$("$@" 2>/dev/null)
    [ "$actual" = "$expected" ] && return 0
    sleep 0.05
  done
  e2e_expect "$what" "$expected" "$actual"
}

ed_point() {
  local rect
  rect=$(ed_control "$1" | cut -f5)
  [ -n "$rect" ] || e2e_fail "the editor has no control $1"
  IFS=, read -r l t r b <<<"$rect"
  echo "$((l + 8)) $(((t + b) / 2))"
}

ed_type() {
  local id=$1 first=1 field
  shift
  # shellcheck disable=SC2046
  e2e_click $(ed_point "$id")
  xdotool key Home
  for field in "$@"; do
    [ $first = 1 ] || xdotool key Right
    xdotool type --delay 30 "$field"
    first=0
  done
}

ed_picker() { ed picker get --id "$1"; }

ed_show_date() {
  ed_type $ED_DATEPICK "$1" "$2" "$3"
  ed_wait_for "shown date" "$1/$2/$3" eval "ed_picker $ED_DATEPICK | cut -c1-10"
}

ed_selected_row() { ed_rows | awk -F'\t' '$5 == "selected" { print $1 }'; }

# The wait is for the row's selection, which the press makes in the same turn
# of the editor's message loop as the activation, and then for that turn to
# end (sync). 削除 and 変更 may be enabled already, so they prove nothing; a
# press posted by the driver would overtake a click not yet handled.
ed_activate() {
  local row=$1 cells
  [ "$(ed_selected_row)" != "$row" ] || e2e_fail "row $row is selected before its activation: the wait could not see the click"
  cells=$(ed_rows | awk -F'\t' -v r="$row" '$1 == r { print $3 " " $4 }')
  [ -n "$cells" ] || e2e_fail "the list has no row $row"
  # shellcheck disable=SC2046
  e2e_click $(ed listview point --id $ED_LIST --row "$row")
  ed_wait_for "selected row after activating row $row" "$row" ed_selected_row
  ed sync >/dev/null || e2e_fail "the editor did not settle after activating row $row"
  e2e_expect "削除, 変更 and the times after activating row $row" "enabled enabled $cells" \
    "$(ed_state $ED_DELETE) $(ed_state $ED_CHANGE) $(ed_picker $ED_STARTTIME | cut -f2) $(ed_picker $ED_ENDTIME | cut -f2)"
}

ed_item() { ed combo read --id $ED_ITEM | sed -n 's/^selected\t//p'; }

ed_press() { ed press --id "$1"; }

ed_choose_file() { ed_choose_file_typed "$(e2e_winpath "$1")"; }

# Types the Windows path as it is given (no symbolic link resolved).
ed_choose_file_typed() {
  drv wait-window --pid "$ED_PID" --title 開く --visible >/dev/null || e2e_fail "no file dialog opened"
  local rect
  rect=$(drv controls --pid "$ED_PID" --title 開く | awk -F'\t' '$1 == 1148 {print $5}')
  [ -n "$rect" ] || e2e_fail "the file dialog has no file name box"
  IFS=, read -r l t r b <<<"$rect"
  e2e_click $(((l + r) / 2)) $(((t + b) / 2))
  xdotool type --delay 10 "$1"
  xdotool key Return
}

ed_expect_file() {
  local what=$1 file=$2
  shift 2
  if [ $# -gt 0 ]; then e2e_write_cp932 "$E2E_RUN/expected" "$@"; else : >"$E2E_RUN/expected"; fi
  if ! cmp -s "$E2E_RUN/expected" "$file"; then
    e2e_expect "$what" "$(printf '%s\n' "$@")" "$(e2e_read_cp932 "$file")"
    e2e_fail "$what: the lines are right but the bytes are not (line ends or encoding)"
  fi
  e2e_log "ok: $what"
}
