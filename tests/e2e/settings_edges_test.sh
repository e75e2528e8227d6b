#!/usr/bin/env bash
# Edges of the item settings dialog. Without a settings file there are no
# rows, 追加 always warns "これ以上追加できません", and no settings file is
# created. A hand-edited flag other than 0 and 1 is shown ticked and stored
# as 1 when the dialog opens; flags 0 and 1 are left as they are.
set -u
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/settings_lib.sh"
e2e_begin settings_edges

# ---- no settings file ----
e2e_write_csv "$E2E_DIR"
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
settings_open
e2e_expect "no rows without a settings file" "" "$(settings_rows)"
drv ctl settext --pid "$pid" --id "$SETTINGS_NAME" --text 会議
for attempt in 1 2; do
  settings_click "$SETTINGS_ADD"
  settings_warning これ以上追加できません
done
settings_click "$SETTINGS_CLOSE"
drv ctl gone --pid "$pid" || e2e_fail "閉じる did not close the dialog"
[ ! -e "$E2E_DIR/Dorvane.ini" ] || e2e_fail "the dialog created a settings file"
e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"

# ---- a flag of 2 ----
e2e_write_cp932 "$E2E_DIR/Dorvane.ini" '[ITEM]' \
  ITEM1_COLOR=0x0000FF ITEM1_STATICS=2 ITEM1_NAME=Mail \
  ITEM2_COLOR=0x00FF00 ITEM2_STATICS=0 ITEM2_NAME=Code \
  ITEM3_COLOR=0xFF0000 ITEM3_STATICS=1
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
settings_open
e2e_expect "rows" "$(printf '1\tMail\n0\tCode\n1\t')" "$(settings_rows)"
settings_until "the ticked 2 is stored as 1" settings_ini_has 'ITEM1_STATICS=1'
e2e_expect "the whole file" "$(printf '%s\n' '[ITEM]' \
  ITEM1_COLOR=0x0000FF ITEM1_STATICS=1 ITEM1_NAME=Mail \
  ITEM2_COLOR=0x00FF00 ITEM2_STATICS=0 ITEM2_NAME=Code \
  ITEM3_COLOR=0xFF0000 ITEM3_STATICS=1)" "$(settings_ini)"
settings_click "$SETTINGS_CLOSE"
drv ctl gone --pid "$pid" || e2e_fail "閉じる did not close the dialog"
e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
