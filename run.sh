#!/usr/bin/env bash
# Builds Dorvane and starts it under Wine. Dorvane keeps its files in the
# directory it is started in: DIR (default ~/Dorvane), prepared with the
# default files where they are missing, never overwriting the user's own.
# Usage: ./run.sh [DIR]
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
workdir=$(realpath -m "${1:-$HOME/Dorvane}")

no_display() {
  cat >&2 <<EOF
Dorvane needs a display: it lives in the notification area of a desktop.
$1
Run it from a desktop session (X11, or Wayland with XWayland), or give it a
virtual display, for example:
  xvfb-run -a ./run.sh $(printf '%q' "$workdir")
EOF
  exit 1
}

# Say so before a long installation and build, not after.
if [ -z "${DISPLAY:-}" ]; then
  no_display "DISPLAY is not set."
fi

./scripts/install-deps.sh
./scripts/build.sh win32

if ! xdpyinfo >/dev/null 2>&1; then
  no_display "The display $DISPLAY cannot be opened."
fi

mkdir -p "$workdir"
if [ -d defaults ]; then
  # -n: a file the user already has stays as it is.
  cp -R -n defaults/. "$workdir/"
fi

# shellcheck source=scripts/wine-env.sh
. scripts/wine-env.sh
dorvane_wine_prefix

echo "Dorvane: $root/build/win32/Dorvane.exe"
echo "working directory: $workdir"
cd "$workdir"
status=0
wine "$root/build/win32/Dorvane.exe" || status=$?
# wine passes on only the low 8 bits of the exit code: the normal end of the
# program (32774, after 終了) arrives as 6.
if [ "$status" -eq 6 ]; then
  status=0
fi
exit "$status"
