# Helpers of the tests that open the help page; sourced after lib.sh, and
# help_record_browser called after e2e_begin.
#
# Wine hands HTML files to its browser bridge (the class htmlfile), which
# starts the first program of its "Browsers" list. help_record_browser makes
# that a recorder for the rest of the test, so that no browser starts and the
# test sees which file was asked for; the prefix is shared with the other
# tests and is put back however the test ends.
#   help_record_browser       the recorder in place; HELP_OPENED is its log
#   help_opened               waits up to 10 s for the first request; prints them all
#   help_unassociate_html / help_associate_html
#                             take away and give back the .html association

HELP_HTML_KEY='HKLM\Software\Classes\.html'
HELP_BROWSERS_KEY='HKCU\Software\Wine\WineBrowser'

help_associate_html() {
  wine reg add "$HELP_HTML_KEY" /ve /d htmlfile /f >/dev/null 2>&1 || e2e_fail "could not associate .html files"
}

help_unassociate_html() {
  wine reg delete "$HELP_HTML_KEY" /f >/dev/null 2>&1 || e2e_fail "could not remove the .html association"
}

help_restore_prefix() {
  help_associate_html
  wine reg delete "$HELP_BROWSERS_KEY" /v Browsers /f >/dev/null 2>&1
}

help_record_browser() {
  # ./run.sh and the tests prepare their prefixes with the association.
  wine reg query "$HELP_HTML_KEY" /ve 2>/dev/null | grep -q htmlfile ||
    e2e_fail "the prefix does not associate .html files with Wine's browser bridge"
  HELP_OPENED="$E2E_RUN/browser.out"
  local browser="$E2E_RUN/browser.sh"
  printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>%q\n' "$HELP_OPENED" >"$browser"
  chmod +x "$browser"
  rm -f "$HELP_OPENED"
  trap 'status=$?; help_restore_prefix; (exit $status); e2e_cleanup' EXIT
  wine reg add "$HELP_BROWSERS_KEY" /v Browsers /d "$browser" /f >/dev/null 2>&1 ||
    e2e_fail "could not point Wine's browser bridge at the recorder"
}

help_opened() {
  local i
  for ((i = 0; i < 200; i++)); do
    [ -s "$HELP_OPENED" ] && break
    sleep 0.05
  done
  [ -s "$HELP_OPENED" ] || e2e_fail "no browser was started within 10 s"
  cat "$HELP_OPENED"
}
