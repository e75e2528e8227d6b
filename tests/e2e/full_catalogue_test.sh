#!/usr/bin/env bash
# A settings file with 20 named slots: the catalogue takes the first 18, and
# the item menu lists exactly those 18 (ids 40001 to 40018) above the
# separator. An empty data.csv is read without a message.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin full_catalogue

names=()
expected=()
for k in $(seq 1 20); do
  names+=("$(printf '項目%02d' "$k")")
  [ "$k" -le 18 ] && expected+=("$((40000 + k)) ${names[-1]}")
done
e2e_write_ini "$E2E_DIR" "${names[@]}"
e2e_write_csv "$E2E_DIR"
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
drv msgbox none --pid "$pid" || e2e_fail "an empty data.csv must be read without a message"

e2e_expect "item menu with the full catalogue" "$(e2e_menu_text "${expected[@]}" ---- '32774 終了(&X)')" \
  "$(e2e_menu left "$pid")"

# The last item is reachable and works like the first.
drv menu choose 40018 --pid "$pid" >/dev/null || e2e_fail "could not choose 40018"
drv tray-icon --pid "$pid" --tip 項目18 >/dev/null || e2e_fail "the tooltip did not become 項目18"
e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
