#!/usr/bin/env bash
# Builds Dorvane and prepares its working directory (default ~/Dorvane, or
# the directory given as the first argument) with the default files, never
# overwriting the user's own.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
workdir=${1:-$HOME/Dorvane}

./scripts/install-deps.sh
./scripts/build.sh win32

mkdir -p "$workdir"
[ -e "$workdir/Dorvane.ini" ] || cp defaults/Dorvane.ini "$workdir/"
if [ -d defaults/help ] && [ ! -e "$workdir/help" ]; then
  cp -r defaults/help "$workdir/"
fi
echo "Dorvane.exe: $root/build/win32/Dorvane.exe"
echo "working directory: $workdir"
