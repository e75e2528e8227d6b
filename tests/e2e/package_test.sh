#!/usr/bin/env bash
# The download package as a user meets it: the package target makes
# Dorvane-<version>-win32.zip with one folder holding the program, the default
# settings file, an empty record file, the help page and the readme, and
# nothing else. Unpacked and started from its own folder (as a double click in
# Explorer does), the program starts without a message, offers the shipped
# items, opens the shipped help page, and keeps its records in that folder.
set -u
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/help_lib.sh"
e2e_begin package
help_record_browser

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$E2E_BUILD/CMakeCache.txt")
[ -n "$version" ] || e2e_fail "no project version in $E2E_BUILD/CMakeCache.txt"
name="Dorvane-$version-win32"
zip="$E2E_BUILD/$name.zip"
rm -f "$zip"
cmake --build "$E2E_BUILD" --target package >"$E2E_RUN/package.log" 2>&1 ||
  e2e_fail "the package target failed: $(tail -5 "$E2E_RUN/package.log")"
[ -f "$zip" ] || e2e_fail "the package target made no $zip"

e2e_expect_output "files in the package" \
"$name/Dorvane.exe
$name/Dorvane.ini
$name/data.csv
$name/help/
$name/help/index.html
$name/help/style.css
$name/readme.txt" \
  bash -c "cmake -E tar tf '$zip' | LC_ALL=C sort"

(cd "$E2E_DIR" && cmake -E tar xf "$zip") || e2e_fail "could not unpack $zip"
folder="$E2E_DIR/$name"
for f in Dorvane.ini data.csv help/index.html help/style.css; do
  cmp -s "$E2E_ROOT/defaults/$f" "$folder/$f" || e2e_fail "$f in the package differs from defaults/$f"
done
readme="$folder/readme.txt"
[ "$(head -c3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf ] ||
  e2e_fail "the readme must start with a UTF-8 byte-order mark, so that every Notepad reads it as UTF-8"
iconv -f UTF-8 -t UTF-8 "$readme" >/dev/null 2>&1 || e2e_fail "the readme is not valid UTF-8"
[ "$(grep -c $'\r$' "$readme")" = "$(wc -l <"$readme")" ] || e2e_fail "every line of the readme ends with CR LF"
grep -q '作業フォルダー' "$readme" || e2e_fail "the readme does not say where the files go"

E2E_EXE="$folder/Dorvane.exe"
e2e_start --dir "$folder"
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
drv msgbox none --pid "$pid" || e2e_fail "the first start in the unpacked folder showed a message"
e2e_expect "item menu of the shipped settings" \
  "$(e2e_menu_text '40001 作業' '40002 会議' '40003 休憩' '40004 移動' ---- '32774 終了(&X)')" \
  "$(e2e_menu left "$pid")"
drv menu close --pid "$pid" || e2e_fail "the item menu did not close on Esc"

e2e_choose right "$pid" 32779
e2e_expect "the help page the browser was asked to show" "file://$(realpath "$folder")/help/index.html" \
  "$(help_opened)"
drv msgbox none --pid "$pid" || e2e_fail "Help showed a message although the page is shipped"

e2e_choose left "$pid" 40001
drv tray-icon --pid "$pid" --tip 作業 >/dev/null || e2e_fail "picking 作業 did not start it"
[[ $(e2e_read_cp932 "$folder/data.csv") =~ ^作業,[0-9/]+\ [0-9:]+,[0-9/]+\ [0-9:]+$ ]] ||
  e2e_fail "the first pick should write 作業's open record into the unpacked folder's data.csv"

e2e_choose left "$pid" 32774
e2e_expect "exit code after 終了(&X)" 32774 "$(e2e_exit_code "$pid")"
