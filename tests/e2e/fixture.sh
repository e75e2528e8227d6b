#!/usr/bin/env bash
# CTest fixture of the end-to-end tests: "setup" starts one Xvfb and one
# persistent wineserver (with Wine's desktop and tray) for the whole run and
# records them in the state directory; "teardown" ends both.
set -u
. "$(dirname "$0")/lib.sh"

stop_recorded() {
  if e2e_fixture_alive; then
    E2E_XVFB_PID=$(cat "$E2E_STATE/xvfb.pid")
    DISPLAY=$(cat "$E2E_STATE/display")
    export DISPLAY
  fi
  wineserver -k 2>/dev/null
  e2e_stop_xvfb
  rm -f "$E2E_STATE/display" "$E2E_STATE/xvfb.pid" "$E2E_STATE/running"
}

case ${1:-} in
  setup)
    mkdir -p "$E2E_STATE"
    stop_recorded  # what an interrupted run left behind
    e2e_start_xvfb
    echo "$E2E_XVFB_PID" >"$E2E_STATE/xvfb.pid"
    dorvane_wine_prefix || e2e_fail "could not prepare the Wine prefix $WINEPREFIX"
    wineserver -p >/dev/null 2>&1 || e2e_fail "could not start a persistent wineserver"
    # Starts Wine's desktop process (and with it the tray) on this display.
    drv env >/dev/null 2>&1 || e2e_fail "the driver does not run under Wine"
    echo "$DISPLAY" >"$E2E_STATE/display"
    e2e_log "e2e display $DISPLAY (Xvfb pid $E2E_XVFB_PID), prefix $WINEPREFIX"
    ;;
  teardown)
    stop_recorded
    ;;
  *)
    echo "usage: fixture.sh setup|teardown" >&2
    exit 2
    ;;
esac
