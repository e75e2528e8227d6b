#!/usr/bin/env bash
# The item settings dialog, worked with the X pointer: 設定(&C) opens it with
# one row per slot (check box, swatch, name) while the icon opens no menu;
# opening and closing it leaves Dorvane.ini byte for byte as it was; a check
# box rewrites its slot's STATICS at once; 追加 takes the slot's colour;
# duplicate, unholdable and surplus names warn (caption 警告, owned by the
# dialog) and change nothing; 変更 renames and recolours through the colour
# dialog (which opens with its custom part closed and can be cancelled);
# 削除 moves the later names up into the earlier slots' colours; and after
# closing, the item menu lists the new names.
set -u
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/settings_lib.sh"
e2e_begin settings_dialog

# Five slots: three named, two free; flags 0 and 1 only.
e2e_write_cp932 "$E2E_DIR/Dorvane.ini" '[ITEM]' \
  ITEM1_COLOR=0x0000FF ITEM1_STATICS=1 ITEM1_NAME=Mail \
  ITEM2_COLOR=0x00FF00 ITEM2_STATICS=0 ITEM2_NAME=Code \
  ITEM3_COLOR=0xFF0000 ITEM3_STATICS=1 ITEM3_NAME=会議 \
  ITEM4_COLOR=0x808080 ITEM4_STATICS=0 \
  ITEM5_COLOR=0x00FFFF ITEM5_STATICS=1
e2e_write_csv "$E2E_DIR"
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"

# ---- open, look, close: nothing is written ----
before=$(e2e_snapshot "$E2E_DIR")
settings_open
e2e_expect "one row per slot" "$(printf '1\tMail\n0\tCode\n1\t会議\n0\t\n1\t')" "$(settings_rows)"
e2e_expect_output "columns" "$(printf '集計・表示色\t80\tcenter\n項目\t230\tleft')" \
  drv ctl list-columns --pid "$pid" --id "$SETTINGS_LIST"
e2e_expect_output "変更 disabled" "$(printf 'disabled\tvisible')" drv ctl state --pid "$pid" --id "$SETTINGS_CHANGE"
e2e_expect_output "削除 disabled" "$(printf 'disabled\tvisible')" drv ctl state --pid "$pid" --id "$SETTINGS_DELETE"
drv tray left --pid "$pid" --expect-no-menu >/dev/null || e2e_fail "the icon opened a menu while the settings were open"

shot="$E2E_RUN/settings.png"
e2e_screenshot "$shot"
swatches=()
for row in 0 1 2 3 4; do
  read -r x y < <(drv ctl list-point --pid "$pid" --id "$SETTINGS_LIST" --row "$row" --part icon)
  swatches+=("$(screen_pixel "$shot" "$x" "$y")")
done
e2e_expect "swatches in the slots' colours" "FF0000 00FF00 0000FF 808080 FFFF00" "${swatches[*]}"
rect=$(drv ctl rect --pid "$pid" --id "$SETTINGS_COLOR")
read -r left top right bottom <<<"${rect%%$'\t'*}"
e2e_expect "colour button: white inside, black top-left, grey bottom-right" "FFFFFF 000000 000000 C8C8C8 C8C8C8" \
  "$(screen_pixel "$shot" $(((left + right) / 2)) $(((top + bottom) / 2))) \
$(screen_pixel "$shot" "$left" $(((top + bottom) / 2))) $(screen_pixel "$shot" $(((left + right) / 2)) "$top") \
$(screen_pixel "$shot" $(((left + right) / 2)) $((bottom - 1))) $(screen_pixel "$shot" $((right - 1)) $(((top + bottom) / 2)))"

settings_click "$SETTINGS_CLOSE"
drv ctl gone --pid "$pid" || e2e_fail "閉じる did not close the dialog"
e2e_expect "Dorvane.ini after opening and closing" "$before" "$(e2e_snapshot "$E2E_DIR")"

# ---- check boxes ----
settings_open
settings_click_row 0 state
settings_until "unticking Mail writes ITEM1_STATICS=0" settings_ini_has 'ITEM1_STATICS=0'
settings_click_row 3 state
settings_until "ticking the free slot 4 writes ITEM4_STATICS=1" settings_ini_has 'ITEM4_STATICS=1'
e2e_expect "the other flags" "ITEM2_STATICS=0 ITEM3_STATICS=1 ITEM5_STATICS=1" \
  "$(settings_ini | grep -E '^ITEM[235]_STATICS=' | tr '\n' ' ' | sed 's/ $//')"
e2e_expect "check boxes" "0 0 1 1 1" "$(settings_rows | cut -f1 | tr '\n' ' ' | sed 's/ $//')"

# ---- add ----
drv ctl type --pid "$pid" --id "$SETTINGS_NAME" --text 読書 || e2e_fail "could not type into the name field"
settings_click "$SETTINGS_ADD"
settings_until "追加 wrote ITEM4_NAME=読書" settings_ini_has 'ITEM4_NAME=読書'
e2e_expect "slot 4 keeps its grey" "ITEM4_COLOR=0x808080" "$(settings_ini | grep '^ITEM4_COLOR=')"
e2e_expect "rows after 追加" "$(printf '0\tMail\n0\tCode\n1\t会議\n1\t読書\n1\t')" "$(settings_rows)"

# ---- refused names ----
ini_before=$(sha256sum <"$E2E_DIR/Dorvane.ini")
settings_click "$SETTINGS_ADD"
settings_warning 同じ名前の項目が既にあります
unholdable='項目名に使えない文字が含まれています\r\n空白（全角の空白も）、カンマ「,」、二重引用符「"」、アポストロフィ「'"'"'」と、シフトJISで表せない文字は使えません'
for bad in 'a b' '会　議' 'x,y' '한글'; do
  drv ctl settext --pid "$pid" --id "$SETTINGS_NAME" --text "$bad"
  settings_click "$SETTINGS_ADD"
  settings_warning "$unholdable"
done
drv ctl settext --pid "$pid" --id "$SETTINGS_NAME" --text ''
settings_click "$SETTINGS_ADD"
settings_warning 項目名を入力してください
e2e_expect "Dorvane.ini after the refused names" "$ini_before" "$(sha256sum <"$E2E_DIR/Dorvane.ini")"
e2e_expect "rows after the refused names" "$(printf '0\tMail\n0\tCode\n1\t会議\n1\t読書\n1\t')" "$(settings_rows)"

# ---- change: rename and recolour through the colour dialog ----
settings_click_row 1 label
settings_until "activating Code loads its name" settings_name_is Code
e2e_expect_output "変更 enabled" "$(printf 'enabled\tvisible')" drv ctl state --pid "$pid" --id "$SETTINGS_CHANGE"

settings_click "$SETTINGS_COLOR"
colour_dlg=$(drv ctl owned --owner "$SETTINGS_DLG") || e2e_fail "the colour button opened no dialog"
IFS=$'\t' read -r colour_hwnd _ _ colour_width _ <<<"$colour_dlg"
# The custom part closed: the dialog shows only the basic colours.
[ "$colour_width" -lt 400 ] || e2e_fail "the colour dialog opened with its custom part ($colour_width px wide)"
# Cancel first: nothing changes.
drv ctl press --window "$colour_hwnd" --id 2 || e2e_fail "the colour dialog has no キャンセル"
no_colour_dialog() { ! drv ctl owned --owner "$SETTINGS_DLG" --timeout 300; }
settings_until "キャンセル closed the colour dialog" no_colour_dialog

settings_click "$SETTINGS_COLOR"
colour_dlg=$(drv ctl owned --owner "$SETTINGS_DLG") || e2e_fail "the colour button opened no dialog a second time"
colour_hwnd=${colour_dlg%%$'\t'*}
# The grid of basic colours is the colour dialog's control 720.
grid=$(drv ctl rect --window "$colour_hwnd" --id 720) || e2e_fail "the colour dialog shows no basic colours"
read -r gl gt gr gb <<<"${grid%%$'\t'*}"
# Second cell of the top row.
cx=$((gl + (gr - gl) * 3 / 16)) cy=$((gt + (gb - gt) / 12))
e2e_screenshot "$shot"
picked=$(screen_pixel "$shot" "$cx" "$cy")
e2e_click "$cx" "$cy"
drv ctl press --window "$colour_hwnd" --id 1 || e2e_fail "the colour dialog has no OK"
drv ctl settext --pid "$pid" --id "$SETTINGS_NAME" --text Coding
settings_click "$SETTINGS_CHANGE"
settings_until "変更 wrote ITEM2_NAME=Coding" settings_ini_has 'ITEM2_NAME=Coding'
bgr="0x${picked:4:2}${picked:2:2}${picked:0:2}"
e2e_expect "変更 took the picked colour $picked" "ITEM2_COLOR=$bgr" "$(settings_ini | grep '^ITEM2_COLOR=')"
e2e_expect "変更 kept the flag" "ITEM2_STATICS=0" "$(settings_ini | grep '^ITEM2_STATICS=')"

# Another item's name is refused; the row's own name recolours only.
settings_click_row 2 label
settings_until "activating 会議 loads its name" settings_name_is 会議
drv ctl settext --pid "$pid" --id "$SETTINGS_NAME" --text Mail
settings_click "$SETTINGS_CHANGE"
settings_warning 同じ名前の項目が既にあります

# ---- delete the first item: the others move up, colours stay ----
settings_click_row 0 label
settings_until "activating Mail loads its name" settings_name_is Mail
settings_click "$SETTINGS_DELETE"
no_mail() { ! grep -q Mail <(settings_ini); }
settings_until "削除 removed Mail" no_mail
e2e_expect "names after 削除" "ITEM1_NAME=Coding ITEM2_NAME=会議 ITEM3_NAME=読書" \
  "$(settings_ini | grep '_NAME=' | tr '\n' ' ' | sed 's/ $//')"
e2e_expect "colours stay in their slots" "0x0000FF $bgr 0xFF0000 0x808080 0x00FFFF" \
  "$(settings_ini | sed -n 's/^ITEM[0-9]*_COLOR=//p' | tr '\n' ' ' | sed 's/ $//')"

# ---- fill the catalogue ----
drv ctl settext --pid "$pid" --id "$SETTINGS_NAME" --text 散歩
settings_click "$SETTINGS_ADD"
settings_until "追加 wrote ITEM4_NAME=散歩" settings_ini_has 'ITEM4_NAME=散歩'
drv ctl settext --pid "$pid" --id "$SETTINGS_NAME" --text 料理
settings_click "$SETTINGS_ADD"
settings_until "追加 wrote ITEM5_NAME=料理" settings_ini_has 'ITEM5_NAME=料理'
drv ctl settext --pid "$pid" --id "$SETTINGS_NAME" --text 掃除
settings_click "$SETTINGS_ADD"
settings_warning これ以上追加できません

# ---- close with Esc; the item menu shows the new names ----
xdotool key Escape
drv ctl gone --pid "$pid" || e2e_fail "Esc did not close the dialog"
e2e_expect "item menu after the settings" \
  "$(e2e_menu_text '40001 Coding' '40002 会議' '40003 読書' '40004 散歩' '40005 料理' ---- '32774 終了(&X)')" \
  "$(e2e_menu left "$pid")"
drv menu close --pid "$pid" || e2e_fail "the item menu did not close"
e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
