#!/usr/bin/env bash
# Another program holds data.csv (share mode 0) across a pick. For about a
# second, as a scanner or a sync client does: the save waits it out, no
# message, and data.csv holds the pick right afterwards. For longer: the
# open-failure message; the change stays unsaved, and once the file is free
# 終了 saves it before the program ends with 32774.
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin held_file

e2e_write_ini "$E2E_DIR" 会議 開発
e2e_write_csv "$E2E_DIR" '会議,2024/05/13 09:00,2024/05/13 10:30'
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"

# The driver's menu choice returns once the program answers again, after the
# save: the other program lets go on its own, half a second after the save
# made its first file (the backup's second name of data.csv, or the new
# content's temporary file) and so met the hold.
e2e_hold_file "$E2E_DIR/data.csv"
(for ((i = 0; i < 400; i++)); do
   [ -e "$E2E_DIR/data.bak.tmp" ] || [ -e "$E2E_DIR/data.csv.~tmp1" ] && break
   sleep 0.05
 done
 sleep 0.5
 touch "$E2E_RUN/release") &
releaser=$!
e2e_choose left "$pid" 40001
wait "$releaser"
e2e_release_file
drv tray-icon --pid "$pid" --tip 会議 >/dev/null || e2e_fail "the tooltip does not name 会議"
drv msgbox none --pid "$pid" || e2e_fail "a save held for a moment showed a message"
mapfile -t lines < <(e2e_read_cp932 "$E2E_DIR/data.csv")
[[ ${#lines[@]} -eq 2 && ${lines[1]} =~ ^会議,([0-9/: ]+),([0-9/: ]+)$ &&
  ${BASH_REMATCH[1]} == "${BASH_REMATCH[2]}" ]] ||
  e2e_fail "data.csv should hold the history and 会議's open interval: $(printf '%s | ' "${lines[@]}")"

# Held until the message shows: the switch to 開発 is not saved.
cp "$E2E_DIR/data.csv" "$E2E_RUN/before.csv"
e2e_hold_file "$E2E_DIR/data.csv"
e2e_choose left "$pid" 40002
e2e_open_failure "message of the save that found data.csv held" "$pid" "$E2E_DIR/data.csv"
cmp -s "$E2E_RUN/before.csv" "$E2E_DIR/data.csv" || e2e_fail "data.csv changed while another program held it"
e2e_release_file

e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
mapfile -t lines < <(e2e_read_cp932 "$E2E_DIR/data.csv")
last=${lines[${#lines[@]} - 1]}
[[ $last =~ ^開発,([0-9/: ]+),([0-9/: ]+)$ && ${BASH_REMATCH[1]} == "${BASH_REMATCH[2]}" ]] ||
  e2e_fail "終了 did not save the switch to 開発: $(printf '%s | ' "${lines[@]}")"
