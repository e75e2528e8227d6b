#!/usr/bin/env bash
# ./run.sh: without a display it says what to do, fails, and touches
# nothing; with one it prepares DIR with the default files (an empty record
# file among them), keeps the user's own, starts the program in DIR, and ends
# with 0 after 終了(&X).
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin run_script

out=$(env -u DISPLAY "$E2E_ROOT/run.sh" "$E2E_DIR" 2>&1) && e2e_fail "run.sh without a display should fail"
[[ $out == *DISPLAY* && $out == *xvfb-run* ]] || e2e_fail "run.sh without a display should name DISPLAY and xvfb-run: $out"
e2e_expect "directory after run.sh without a display" "" "$(ls -A "$E2E_DIR")"

e2e_write_ini "$E2E_DIR" 自分の項目
own_ini=$(sha256sum <"$E2E_DIR/Dorvane.ini")
"$E2E_ROOT/run.sh" "$E2E_DIR" >"$E2E_RUN/run.log" 2>&1 &
runner=$!
E2E_LAUNCHERS+=("$runner")
# run.sh checks the installation and the build first. DIR gets the empty
# record file, so the first start there has nothing to report.
window=$(drv wait-window --title "$E2E_TITLE" --timeout 120000) ||
  e2e_fail "run.sh started no program: $(tail -5 "$E2E_RUN/run.log")"
pid=$(sed -n 's/^[0-9A-F]*\tpid=\([0-9]*\)\t.*/\1/p' <<<"$window")
E2E_ALL_PIDS+=("$pid")
e2e_wait_running "$pid"
drv msgbox none --pid "$pid" || e2e_fail "the first start in DIR showed a message"
e2e_expect "the user's own settings file is used" \
  "$(e2e_menu_text '40001 自分の項目' ---- '32774 終了(&X)')" "$(e2e_menu left "$pid")"
e2e_expect "the user's own settings file is kept" "$own_ini" "$(sha256sum <"$E2E_DIR/Dorvane.ini")"
if [ -d "$E2E_ROOT/defaults" ]; then
  while IFS= read -r f; do
    [ "$f" = ./Dorvane.ini ] && continue
    cmp -s "$E2E_ROOT/defaults/$f" "$E2E_DIR/$f" || e2e_fail "run.sh did not put defaults/$f into DIR"
  done < <(cd "$E2E_ROOT/defaults" && find . -type f)
fi

drv menu choose 32774 --pid "$pid" >/dev/null || e2e_fail "could not choose 終了(&X)"
status=0
wait "$runner" || status=$?
e2e_expect "exit status of run.sh after 終了(&X)" 0 "$status"
