#!/usr/bin/env bash
# Runs a Windows executable under Wine in the project's own prefix. Used as
# CMake's cross-compiling emulator, so CTest runs the Win32 tests through it.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"
dorvane_wine_prefix >/dev/null || exit 1
exec wine "$@"
