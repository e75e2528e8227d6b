# Helpers of the tests that open the help page; sourced after lib.sh, and
# help_record_browser called after e2e_begin.
#
# Wine hands HTML files to its browser bridge (the class htmlfile), which
# starts the first program of its "Browsers" list. help_record_browser makes
# that a recorder for the rest of the test, so that no browser starts and the
# test sees which file was asked for; the prefix is shared with the other
# tests and is put back however the test ends.
#   help_record_browser       the recorder in place; HELP_OPENED is its log, and
#                             the test's commands are traced to trace.log in $E2E_RUN
#   help_opened               waits up to 10 s for the first request; prints them all
#   help_unassociate_html / help_associate_html
#                             take away and give back the .html association

HELP_HTML_KEY='HKLM\Software\Classes\.html'
HELP_BROWSERS_KEY='HKCU\Software\Wine\WineBrowser'

# wine reg, bounded: a test must fail, not hang, when Wine does not answer.
help_reg() { timeout 60 wine reg "$@" >/dev/null 2>&1; }

help_associate_html() {
  help_reg add "$HELP_HTML_KEY" /ve /d htmlfile /f || e2e_fail "could not associate .html files"
}

help_unassociate_html() {
  help_reg delete "$HELP_HTML_KEY" /f || e2e_fail "could not remove the .html association"
}

help_restore_prefix() {
  help_associate_html
  help_reg delete "$HELP_BROWSERS_KEY" /v Browsers /f
}

help_record_browser() {
  # The prefixes are made with the association (scripts/wine-env.sh); it is
  # given again in case a test that was killed could not put it back.
  help_associate_html
  HELP_OPENED="$E2E_RUN/browser.out"
  local browser="$E2E_RUN/browser.sh"
  printf '#!/bin/sh\nprintf "%%s\\n" "$@" >>%q\n' "$HELP_OPENED" >"$browser"
  chmod +x "$browser"
  rm -f "$HELP_OPENED"
  trap 'status=$?; help_restore_prefix; (exit $status); e2e_cleanup' EXIT
  exec 7>"$E2E_RUN/trace.log"
  BASH_XTRACEFD=7
  set -x
  help_reg add "$HELP_BROWSERS_KEY" /v Browsers /d "$browser" /f ||
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
