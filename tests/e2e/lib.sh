# Shared helpers of the end-to-end tests; sourced by every test script and by
# fixture.sh. The tests run build/win32/Dorvane.exe under Wine on an Xvfb
# display, in a prefix of their own (build/wine/e2e-prefix) so that neither a
# copy started with ./run.sh nor the other Wine tests can meet them there.
#
# Under CTest the fixture (fixture.sh setup/teardown) starts one Xvfb and one
# persistent wineserver per lane for the whole run and records them in
# $E2E_STATE; a script started by hand finds no fixture and starts (and ends)
# its own.
#
# Functions (all fail the test with a clear message when something is off):
#   e2e_begin NAME            fresh working directory $E2E_DIR, display, traps
#   drv ARGS...               the driver (tests/e2e/driver) under Wine
#   e2e_start [--count N] [--dir D]
#                             starts Dorvane.exe in D (default $E2E_DIR), N copies
#                             at once; their Windows process ids land in E2E_PIDS
#   e2e_exit_code PID [SECS]  waits for the process to end; prints its full exit code
#   e2e_wait_running PID      waits until the program's window and tray icon exist
#   e2e_tooltip PID           the tooltip of the process's tray icon, read from Wine's tray
#   e2e_menu left|right PID   opens a tray menu (callback 1025) and prints its entries
#   e2e_choose left|right PID ID
#                             opens the menu and picks the entry with the keyboard
#   e2e_menu_text "ID TEXT"|---- ...
#                             the menu listing the driver prints, for comparisons
#   e2e_expect WHAT EXPECTED ACTUAL
#   e2e_expect_output WHAT EXPECTED CMD...
#   e2e_winpath PATH          the path as Dorvane sees it (Z:\...)
#   e2e_write_ini DIR NAME... Dorvane.ini with one slot per name (code page 932)
#   e2e_write_csv DIR LINE... data.csv with these lines (code page 932, CR LF)
#   e2e_snapshot DIR          size, hash and mtime of every file, one a line
#   e2e_open_failure WHAT PID PATH
#                             the open-failure message naming PATH is showing; dismisses it
#   e2e_hold_file PATH [read] another program opens PATH with share mode 0, or
#                             sharing it with readers only (the driver's
#                             hold-file), until e2e_release_file
#   e2e_wait_caught_up        waits (20 s at most) until data.csv.~pending in
#                             $E2E_DIR is gone: data.csv caught up on its own
#   e2e_click X Y [BUTTON]    moves the X pointer there and clicks
#   e2e_screenshot FILE       the whole screen as PNG
#   e2e_fail MESSAGE
#   E2E_CLEANUP_HOOKS+=(FUNC) runs FUNC when the test ends (a service it started)

E2E_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_BUILD=${DORVANE_E2E_BUILD:-$E2E_ROOT/build/win32}
E2E_DRIVER=${DORVANE_E2E_DRIVER:-$E2E_BUILD/tests/e2e/dorvane_driver.exe}
E2E_EXE=${DORVANE_E2E_EXE:-$E2E_BUILD/Dorvane.exe}
E2E_STATE=${DORVANE_E2E_STATE:-$E2E_BUILD/tests/e2e/state}
# The second lane of a CTest run (DORVANE_E2E_LANE=b) has a prefix of its own.
export DORVANE_WINEPREFIX=${DORVANE_E2E_WINEPREFIX:-$E2E_ROOT/build/wine/e2e-prefix}${DORVANE_E2E_LANE:+-$DORVANE_E2E_LANE}
# shellcheck source=../../scripts/wine-env.sh
. "$E2E_ROOT/scripts/wine-env.sh"

# The program's window title, its tray callback's default tooltip and texts
# the tests look for, in one place.
E2E_TITLE='Dorvane レポート'

E2E_PIDS=()
E2E_ALL_PIDS=()
# Functions a test adds to run at its end, before the programs are ended
# (for a service the test started itself).
E2E_CLEANUP_HOOKS=()
E2E_LAUNCHERS=()
E2E_LAUNCHES=0
E2E_OWN_DISPLAY=0
E2E_XVFB_PID=

e2e_log() { printf '[%s] %s\n' "$(date +%T.%3N)" "$*" >&2; }

e2e_fail() {
  printf 'FAIL: %s\n' "$*" >&2
  exit 1
}

drv() { wine "$E2E_DRIVER" "$@"; }

e2e_winpath() {
  local path
  path=$(realpath -m "$1")
  printf 'Z:%s' "${path//\//\\}"
}

# Starts Xvfb on a free display number; sets DISPLAY and E2E_XVFB_PID.
e2e_start_xvfb() {
  local numfile
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
  E2E_XVFB_PID=$!
  local i
  for ((i = 0; i < 200; i++)); do
    [ -s "$numfile" ] && break
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  local num
  num=$(head -n1 "$numfile")
  rm -f "$numfile"
  [ -n "$num" ] || e2e_fail "Xvfb did not start"
  export DISPLAY=":$num"
}

e2e_stop_xvfb() {
  if [ -n "$E2E_XVFB_PID" ] && kill -0 "$E2E_XVFB_PID" 2>/dev/null; then
    kill "$E2E_XVFB_PID" 2>/dev/null
    wait "$E2E_XVFB_PID" 2>/dev/null
  fi
  E2E_XVFB_PID=
}

# True when the fixture's Xvfb is still the process recorded in the state.
e2e_fixture_alive() {
  [ -f "$E2E_STATE/display" ] && [ -f "$E2E_STATE/xvfb.pid" ] || return 1
  local pid
  pid=$(cat "$E2E_STATE/xvfb.pid")
  [ -n "$pid" ] && [ -r "/proc/$pid/cmdline" ] && tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q '^Xvfb '
}

e2e_cleanup() {
  local status=$?
  local pid hook
  for hook in "${E2E_CLEANUP_HOOKS[@]}"; do
    "$hook"
  done
  for pid in "${E2E_ALL_PIDS[@]}"; do
    drv kill --pid "$pid" >/dev/null 2>&1
  done
  local waited=0
  for pid in "${E2E_LAUNCHERS[@]}"; do
    while kill -0 "$pid" 2>/dev/null && [ $waited -lt 100 ]; do
      sleep 0.05
      waited=$((waited + 1))
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  [ ${#E2E_ALL_PIDS[@]} -eq 0 ] || : >"$E2E_STATE/running"
  if [ "$E2E_OWN_DISPLAY" = 1 ]; then
    wineserver -k 2>/dev/null
    e2e_stop_xvfb
  fi
  if [ $status -ne 0 ] && [ -n "${E2E_DIR:-}" ]; then
    echo "working directory kept: $E2E_DIR" >&2
  fi
  exit $status
}

# Every copy a test starts is recorded in $E2E_STATE/running until the test
# has ended it. A test that CTest stopped at its time limit had no chance to
# end its copies: the next test ends them at once by their process ids (a
# copy left running would make every later start a second copy).
e2e_end_leftovers() {
  local pid
  [ -s "$E2E_STATE/running" ] || return 0
  while read -r pid; do
    e2e_log "ending a copy left running by an earlier test (Windows pid $pid)"
    drv kill --pid "$pid"
  done <"$E2E_STATE/running"
  : >"$E2E_STATE/running"
}

# e2e_begin NAME [--no-exe]
e2e_begin() {
  E2E_NAME=$1
  [ -f "$E2E_DRIVER" ] || e2e_fail "the driver is not built: $E2E_DRIVER"
  if [ "${2:-}" != --no-exe ]; then
    [ -f "$E2E_EXE" ] || e2e_fail "the program is not built: $E2E_EXE"
  fi
  E2E_DIR="$E2E_BUILD/tests/e2e/work/$E2E_NAME"
  E2E_RUN="$E2E_DIR.run"  # the harness's own files: pids, exit codes, logs
  rm -rf "$E2E_DIR" "$E2E_RUN"
  mkdir -p "$E2E_DIR" "$E2E_RUN" "$E2E_STATE"
  trap e2e_cleanup EXIT
  if e2e_fixture_alive; then
    DISPLAY=$(cat "$E2E_STATE/display")
    export DISPLAY
  else
    E2E_OWN_DISPLAY=1
    wineserver -k 2>/dev/null
    e2e_start_xvfb
    dorvane_wine_prefix || e2e_fail "could not prepare the Wine prefix $WINEPREFIX"
  fi
  e2e_end_leftovers
}

# e2e_start [--count N] [--dir DIR]
e2e_start() {
  local count=1 dir=$E2E_DIR
  while [ $# -gt 0 ]; do
    case $1 in
      --count) count=$2; shift 2 ;;
      --dir) dir=$2; shift 2 ;;
      *) e2e_fail "e2e_start: unknown argument $1" ;;
    esac
  done
  E2E_LAUNCHES=$((E2E_LAUNCHES + 1))
  local base="$E2E_RUN/launch$E2E_LAUNCHES"
  rm -f "$base.pid" "$base.exit"
  wine "$E2E_DRIVER" launch --cwd "$(e2e_winpath "$dir")" --count "$count" \
    --pid-file "$(e2e_winpath "$base.pid")" --exit-file "$(e2e_winpath "$base.exit")" \
    "$(e2e_winpath "$E2E_EXE")" >"$base.log" 2>&1 &
  local launcher=$!
  E2E_LAUNCHERS+=("$launcher")
  local i
  for ((i = 0; i < 400; i++)); do
    [ -s "$base.pid" ] && break
    if ! kill -0 "$launcher" 2>/dev/null; then
      e2e_fail "could not start $E2E_EXE: $(cat "$base.log")"
    fi
    sleep 0.05
  done
  [ -s "$base.pid" ] || e2e_fail "the launcher reported no process id within 20 s"
  mapfile -t E2E_PIDS <"$base.pid"
  local pid
  for pid in "${E2E_PIDS[@]}"; do
    E2E_ALL_PIDS+=("$pid")
    echo "$pid" >>"$E2E_STATE/running"
    echo "$base.exit" >"$E2E_RUN/exitfile.$pid"
  done
  e2e_log "started Dorvane.exe in $dir: pid ${E2E_PIDS[*]}"
}

# e2e_exit_code PID [SECONDS]: the full exit code once the process has ended.
e2e_exit_code() {
  local pid=$1 seconds=${2:-15}
  local file
  file=$(cat "$E2E_RUN/exitfile.$pid" 2>/dev/null) || e2e_fail "pid $pid was not started by this test"
  local i line
  for ((i = 0; i < seconds * 20; i++)); do
    line=$(grep -m1 "^$pid " "$file" 2>/dev/null)
    if [ -n "$line" ]; then
      echo "${line#* }"
      return 0
    fi
    sleep 0.05
  done
  e2e_fail "process $pid was still running after $seconds s"
}

e2e_wait_running() {
  local pid=$1
  drv wait-window --pid "$pid" --title "$E2E_TITLE" >/dev/null || e2e_fail "process $pid has no report window"
  drv tray-icon --pid "$pid" >/dev/null || e2e_fail "process $pid has no icon in the tray"
}

# The tooltip of the process's tray icon as it is now.
e2e_tooltip() {
  local line
  line=$(drv tray-icon --pid "$1") || return 1
  cut -f3 <<<"$line"
}

e2e_menu() {
  drv tray "$1" --pid "$2" >/dev/null || e2e_fail "the $1 button on the icon opened no menu"
  drv menu read --pid "$2" || e2e_fail "could not read the $1 menu"
}

e2e_choose() {
  drv tray "$1" --pid "$2" >/dev/null || e2e_fail "the $1 button on the icon opened no menu"
  drv menu choose "$3" --pid "$2" >/dev/null || e2e_fail "could not choose $3 in the $1 menu"
}

e2e_menu_text() {
  local entry
  for entry in "$@"; do
    if [ "$entry" = ---- ]; then
      echo ----
    else
      printf '%s\t%s\n' "${entry%% *}" "${entry#* }"
    fi
  done
}

e2e_expect() {
  local what=$1 expected=$2 actual=$3
  if [ "$expected" != "$actual" ]; then
    {
      echo "FAIL: $what"
      echo "--- expected"
      printf '%s\n' "$expected"
      echo "--- actual"
      printf '%s\n' "$actual"
      echo "--- diff"
      diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual")
    } >&2
    exit 1
  fi
  e2e_log "ok: $what"
}

# e2e_expect_output WHAT EXPECTED CMD...: the command must succeed and print EXPECTED.
e2e_expect_output() {
  local what=$1 expected=$2
  shift 2
  local actual
  actual=$("$@") || e2e_fail "$what: '$*' failed"
  e2e_expect "$what" "$expected" "$actual"
}

# Text files as Dorvane reads them: code page 932 with CR LF line ends.
e2e_write_cp932() {
  local file=$1
  shift
  printf '%s\r\n' "$@" | iconv -f UTF-8 -t CP932 >"$file" || e2e_fail "cannot encode $file in code page 932"
}

# e2e_write_ini DIR NAME...: one slot per name, with distinct colours.
e2e_write_ini() {
  local dir=$1
  shift
  local lines=('[ITEM]') k=1 name
  for name in "$@"; do
    lines+=("$(printf 'ITEM%d_COLOR=0x%06X' "$k" $((k * 0x0B0D07 % 0x1000000)))" "ITEM${k}_STATICS=1" "ITEM${k}_NAME=$name")
    k=$((k + 1))
  done
  e2e_write_cp932 "$dir/Dorvane.ini" "${lines[@]}"
}

e2e_write_csv() {
  local dir=$1
  shift
  if [ $# -eq 0 ]; then
    : >"$dir/data.csv"
  else
    e2e_write_cp932 "$dir/data.csv" "$@"
  fi
}

# Reads a code page 932 file as UTF-8 with LF line ends.
e2e_read_cp932() { iconv -f CP932 -t UTF-8 "$1" | sed 's/\r$//'; }

e2e_snapshot() {
  local dir=$1 f
  (cd "$dir" && find . -type f | LC_ALL=C sort | while IFS= read -r f; do
    printf '%s %s %s %s\n' "$f" "$(stat -c %s "$f")" "$(sha256sum <"$f" | cut -c1-16)" "$(stat -c %.9Y "$f")"
  done)
}

e2e_open_failure() {
  local what=$1 pid=$2 path=$3
  e2e_expect_output "$what" "$(printf 'caption\tエラー\ntext\tファイルを開けませんでした\\r\\n%s\nbutton\tOK' \
    "$(e2e_winpath "$path")")" drv msgbox read --pid "$pid"
  drv msgbox dismiss --pid "$pid" || e2e_fail "could not dismiss the message box"
}

e2e_hold_file() {
  rm -f "$E2E_RUN/held" "$E2E_RUN/release"
  local share=()
  [ -z "${2:-}" ] || share=(--share "$2")
  wine "$E2E_DRIVER" hold-file "$(e2e_winpath "$1")" "${share[@]}" \
    --ready-file "$(e2e_winpath "$E2E_RUN/held")" --release-file "$(e2e_winpath "$E2E_RUN/release")" \
    >"$E2E_RUN/hold.log" 2>&1 &
  E2E_HOLDER=$!
  # A test that fails while holding lets go at once, not after 120 s.
  [[ " ${E2E_CLEANUP_HOOKS[*]} " == *" e2e_let_go "* ]] || E2E_CLEANUP_HOOKS+=(e2e_let_go)
  local i
  for ((i = 0; i < 400; i++)); do
    [ -e "$E2E_RUN/held" ] && return
    kill -0 "$E2E_HOLDER" 2>/dev/null || e2e_fail "the driver could not hold $1: $(cat "$E2E_RUN/hold.log")"
    sleep 0.05
  done
  e2e_fail "the driver did not report $1 held within 20 s"
}

e2e_let_go() { touch "$E2E_RUN/release"; }

e2e_release_file() {
  touch "$E2E_RUN/release"
  wait "$E2E_HOLDER" || e2e_fail "the holder of the file failed: $(cat "$E2E_RUN/hold.log")"
}

e2e_wait_caught_up() {
  local i
  for ((i = 0; i < 400; i++)); do
    [ -e "$E2E_DIR/data.csv.~pending" ] || return 0
    sleep 0.05
  done
  e2e_fail "data.csv did not catch up within 20 s"
}

e2e_click() {
  local x=$1 y=$2 button=${3:-1}
  # No --sync: it waits for a motion that never comes when the pointer is
  # already there. The X server handles the motion before the click anyway.
  xdotool mousemove "$x" "$y" click "$button" || e2e_fail "xdotool could not click at $x,$y"
}

e2e_screenshot() {
  import -window root -display "$DISPLAY" "$1" || e2e_fail "could not take a screenshot"
}
