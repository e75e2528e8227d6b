# Sourced by the scripts that run Wine: the project's own prefix, created once.
# The prefix is 32-bit, speaks Japanese (code page 932, Japanese weekday names)
# and uses an installed Japanese font for the dialogs' "ＭＳ Ｐゴシック".

_dorvane_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${DORVANE_WINEPREFIX:-$_dorvane_root/build/wine/prefix}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
# Wine's C runtime misreads TZ (UTC with US rules); the program must use the
# zone Wine itself reports.
unset TZ

dorvane_wine_prefix() {
  if [ -f "$WINEPREFIX/.dorvane-ready" ]; then
    return 0
  fi
  mkdir -p "$(dirname "$WINEPREFIX")"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  local reg
  reg=$(mktemp --suffix=.reg)
  # Xvfb has no window manager: managed mode would stall on every hide.
  # A crash must end the process, not wait on a dialog.
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
    '"ＭＳ Ｐゴシック"="IPAPGothic"' '"ＭＳ ゴシック"="IPAGothic"' \
    '"MS PGothic"="IPAPGothic"' '"MS Gothic"="IPAGothic"' \
    '"MS UI Gothic"="IPAPGothic"' '"MS Shell Dlg"="IPAPGothic"' '' >"$reg.utf8"
  iconv -f UTF-8 -t UTF-16LE "$reg.utf8" | { printf '\xff\xfe'; cat; } >"$reg"
  wine regedit /S "$reg" >/dev/null 2>&1
  wineserver -w
  rm -f "$reg" "$reg.utf8"
  touch "$WINEPREFIX/.dorvane-ready"
}
