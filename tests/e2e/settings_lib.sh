# Helpers of the settings dialog's end-to-end tests; sourced after lib.sh.
# The dialog is found by its title in the program's process ($pid), its
# controls by their resource ids; clicks are real X pointer clicks at the
# controls' screen positions.
#
#   settings_open                 右 menu → 設定(&C); sets SETTINGS_DLG
#   settings_rows                 "check<TAB>name" per row (check 1, 0 or -)
#   settings_click_row ROW PART   clicks the row's check box (state) or name (label)
#   settings_click ID             clicks a control of the dialog (or of --window HEX)
#   settings_ini                  Dorvane.ini as UTF-8 with LF line ends
#   settings_until WHAT CMD...    retries CMD for up to 5 s until it succeeds
#   settings_ini_has LINE         Dorvane.ini has LINE (a condition for it)
#   settings_name_is TEXT         the name field holds TEXT (a condition for it)
#   settings_warning TEXT         expects one warning box of the dialog with
#                                 TEXT, dismisses it
#   screen_pixel FILE X Y         "RRGGBB" of a screenshot's pixel

SETTINGS_LIST=32785
SETTINGS_NAME=32789
SETTINGS_ADD=32790
SETTINGS_DELETE=32791
SETTINGS_CHANGE=32809
SETTINGS_COLOR=32813
SETTINGS_CLOSE=2

settings_open() {
  e2e_choose right "$pid" 32775
  SETTINGS_DLG=$(drv ctl find --pid "$pid") || e2e_fail "設定(&C) opened no settings dialog"
}

settings_rows() {
  drv ctl list --pid "$pid" --id "$SETTINGS_LIST" | cut -f2,6
}

settings_click_row() {
  local x y
  read -r x y < <(drv ctl list-point --pid "$pid" --id "$SETTINGS_LIST" --row "$1" --part "$2") ||
    e2e_fail "row $1 of the list has no $2 part"
  e2e_click "$x" "$y"
}

settings_click() {
  local id=$1 rect x y
  shift
  rect=$(drv ctl rect --pid "$pid" "$@" --id "$id") || e2e_fail "no control $id to click"
  read -r x y <<<"${rect#*$'\t'}"
  e2e_click "$x" "$y"
}

settings_ini() { e2e_read_cp932 "$E2E_DIR/Dorvane.ini"; }

# They read afresh on every try: a process substitution among the arguments
# of settings_until is read once, maybe before the program wrote.
settings_ini_has() { settings_ini | grep -qx "$1"; }
settings_name_is() { drv ctl text --pid "$pid" --id "$SETTINGS_NAME" | grep -qx "$1"; }

settings_until() {
  local what=$1 i
  shift
  for ((i = 0; i < 100; i++)); do
    "$@" >/dev/null 2>&1 && { e2e_log "ok: $what"; return 0; }
    sleep 0.05
  done
  e2e_fail "$what (waited 5 s)"
}

settings_warning() {
  local expected=$1
  e2e_expect_output "the warning" "$(printf 'caption\t警告\ntext\t%s\nbutton\tOK' "$expected")" \
    drv msgbox read --pid "$pid"
  drv ctl owned --owner "$SETTINGS_DLG" --kind msgbox >/dev/null ||
    e2e_fail "the warning is not owned by the settings dialog"
  drv msgbox dismiss --pid "$pid" || e2e_fail "the warning did not close"
}

screen_pixel() {
  convert "$1" -format "%[hex:p{$2,$3}]" info: | cut -c1-6
}
