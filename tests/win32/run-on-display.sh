#!/usr/bin/env bash
# Runs a Win32 test program under Wine on an Xvfb display of its own, in a
# Wine prefix of its own: Wine creates no window without a display, and the
# desktop process Wine starts stays bound to the display it was started on,
# so display and prefix begin and end together. Usage: run-on-display.sh EXE [ARGS]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
export DORVANE_WINEPREFIX="${DORVANE_WIN32_TEST_PREFIX:-$root/build/wine/prefix-win32-tests}"
# shellcheck source=../../scripts/wine-env.sh
. "$root/scripts/wine-env.sh"

fdfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  wineserver -k 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  rm -f "$fdfile"
}
trap cleanup EXIT
for _ in $(seq 200); do
  [ -s "$fdfile" ] && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.05
done
if [ ! -s "$fdfile" ]; then
  echo "Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$fdfile")"
dorvane_wine_prefix >/dev/null || exit 1
wine "$@"
