#!/usr/bin/env bash
# The library search is narrowed as the process starts (a TLS callback that
# the loader runs before the runtime), not at some later point: a library the
# program asks for by name is never taken from its working directory, where
# anyone may have put one (a downloads folder). A copy of the probe named
# dorvane_plant.dll lies in the working directory; the driver's own search
# finds it there, the running program's refuses it.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin library_search

e2e_write_ini "$E2E_DIR" 会議
e2e_write_csv "$E2E_DIR" '会議,2024/05/14 09:00,2024/05/14 10:30'

cp "$(dirname "$E2E_DRIVER")/dorvane_probe.dll" "$E2E_DIR/dorvane_plant.dll" ||
  e2e_fail "could not put the plant in the working directory"
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
answer=$(drv load-by-name --pid "$pid" --dir "$(e2e_winpath "$E2E_DIR")")
status=$?
e2e_log "the program's loader: $answer"
[ "$status" -eq 0 ] || e2e_fail "the program found a library in its working directory by name ($answer)"
e2e_choose left "$pid" 32774
e2e_expect "exit code" 32774 "$(e2e_exit_code "$pid")"
