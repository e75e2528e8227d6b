# Sourced by the scripts that run Wine: the project's own prefix, created once.
# The prefix is 32-bit, speaks Japanese (code page 932, Japanese weekday names)
# and uses an installed Japanese font for the dialogs' "ＭＳ Ｐゴシック".
# DORVANE_WINEPREFIX chooses another prefix (the end-to-end tests keep one of
# their own).

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

# Wine takes its ANSI code page and weekday names from the Unix locale. When
# the system has no ja_JP.UTF-8 (scripts/install-deps.sh generates it, which
# needs root), build a private copy that only our processes see.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  _dorvane_locales="$_dorvane_root/build/wine/locale"
  if [ ! -d "$_dorvane_locales/ja_JP.UTF-8" ]; then
    mkdir -p "$_dorvane_locales"
    localedef -i ja_JP -f UTF-8 "$_dorvane_locales/ja_JP.UTF-8" >/dev/null 2>&1 ||
      echo "warning: no ja_JP.UTF-8 locale; Wine will use code page 1252 and English names" >&2
  fi
  [ -d "$_dorvane_locales/ja_JP.UTF-8" ] && export LOCPATH="$_dorvane_locales"
fi

# The prefix's settings, as a .reg file: Xvfb has no window manager, and
# managed mode would stall about 2 s on every hide; a crash must end the
# process, not wait on a dialog; the dialogs' fonts map to the IPA fonts.
# HTML files open with Wine's browser bridge (htmlfile, which hands them to
# the desktop's browser): the association comes with the HTML engine that
# WINEDLLOVERRIDES leaves out, and without it the help page cannot open.
_dorvane_prefix_settings() {
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
    '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
    '"ＭＳ Ｐゴシック"="IPAPGothic"' '"ＭＳ ゴシック"="IPAGothic"' \
    '"MS PGothic"="IPAPGothic"' '"MS Gothic"="IPAGothic"' \
    '"MS UI Gothic"="IPAPGothic"' '"MS Shell Dlg"="IPAPGothic"' '' \
    '[HKEY_LOCAL_MACHINE\Software\Classes\.html]' '@="htmlfile"' '"Content Type"="text/html"' ''
}

# True when the registry files of the prefix hold the settings above (Wine
# writes them out when its server ends, and escapes non-ASCII as \xNNNN).
_dorvane_prefix_configured() {
  grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null &&
    grep -q '^"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" &&
    grep -qF '"\xff2d\xff33 \xff30\x30b4\x30b7\x30c3\x30af"="IPAPGothic"' "$WINEPREFIX/system.reg" &&
    grep -A3 -F '[Software\\Classes\\.html]' "$WINEPREFIX/system.reg" | grep -q '^@="htmlfile"'
}

_dorvane_apply_settings() {
  local reg
  reg=$(mktemp --suffix=.reg)
  _dorvane_prefix_settings | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
  wine regedit /S "$reg" >/dev/null 2>&1
  wineserver -w
  rm -f "$reg"
  if ! _dorvane_prefix_configured; then
    echo "error: the Wine prefix $WINEPREFIX did not take its settings" >&2
    return 1
  fi
}

# The revision of the settings above, kept in the prefix's ready marker: a
# prefix made before a setting was added takes the settings again once. (The
# registry files cannot tell: a running server writes them out late.)
_dorvane_settings_revision=2
_dorvane_prefix_current() {
  [ "$(cat "$WINEPREFIX/.dorvane-ready" 2>/dev/null)" = "$_dorvane_settings_revision" ]
}

_dorvane_mark_ready() {
  echo "$_dorvane_settings_revision" >"$WINEPREFIX/.dorvane-ready"
}

_dorvane_create_prefix() {
  wineboot -i >/dev/null 2>&1
  wineserver -w
  _dorvane_apply_settings && _dorvane_mark_ready
}

# Creates the prefix once; later calls return at once. Callers that race
# (tests started together) wait for the first one.
dorvane_wine_prefix() {
  if _dorvane_prefix_current; then
    return 0
  fi
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    _dorvane_prefix_current && exit 0
    if [ -f "$WINEPREFIX/.dorvane-ready" ]; then
      _dorvane_apply_settings && _dorvane_mark_ready
    else
      _dorvane_create_prefix
    fi
  ) 9>"$WINEPREFIX.lock"
}
