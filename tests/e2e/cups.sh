# A private CUPS scheduler with one PDF printer for the printing tests;
# sourced after lib.sh. Wine takes its printers from CUPS: with CUPS_SERVER
# pointing at this scheduler's socket, the printer appears in Wine as
# "CUPS:<queue>" and becomes the default printer.
#
#   e2e_cups_start   starts cupsd (ended by PID when the test ends), adds the
#                    queue $E2E_CUPS_QUEUE writing PDFs to $E2E_CUPS_OUT, exports CUPS_SERVER
#   e2e_cups_stop    ends cupsd and removes what it set up; also run at the test's end
#   e2e_cups_pages   the page log: "job-id job-name total pages", one line per job
#   e2e_cups_jobs    every job the scheduler has taken, finished or not, one a line

e2e_cups_start() {
  [ "$(id -u)" -eq 0 ] || e2e_fail "printing needs root: cups-pdf runs as root and reads its queue's settings from /etc/cups"
  local need
  for need in /usr/sbin/cupsd /usr/sbin/lpadmin /usr/lib/cups/backend/cups-pdf \
    /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd /usr/bin/pdftoppm /usr/bin/pdfinfo; do
    [ -e "$need" ] || e2e_fail "missing $need (scripts/install-deps.sh installs cups, printer-driver-cups-pdf, poppler-utils)"
  done
  # The socket's path must stay short (108 bytes at most), wherever the tree is.
  E2E_CUPS_DIR=$(mktemp -d /tmp/dorvane-cups.XXXXXX)
  chmod 755 "$E2E_CUPS_DIR"
  mkdir -p "$E2E_CUPS_DIR"/{conf,spool,tmp,cache,state,log,pdfspool}
  # The filters run as lp.
  chmod 1777 "$E2E_CUPS_DIR/tmp"
  E2E_CUPS_QUEUE="DorvanePDF$$"
  E2E_CUPS_OUT="$E2E_RUN/pdf"
  mkdir -p "$E2E_CUPS_OUT"
  local d=$E2E_CUPS_DIR
  cat >"$d/conf/cupsd.conf" <<CONF
Listen $d/cups.sock
LogLevel info
Browsing No
WebInterface No
DefaultAuthType None
PageLogFormat %j %{job-name} %P %C
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
  cat >"$d/conf/cups-files.conf" <<CONF
ServerRoot $d/conf
RequestRoot $d/spool
TempDir $d/tmp
CacheDir $d/cache
StateDir $d/state
AccessLog $d/log/access_log
ErrorLog $d/log/error_log
PageLog $d/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
CONF
  # cups-pdf reads /etc/cups/cups-pdf-<name>.conf for a device URI cups-pdf:/<name>.
  E2E_CUPS_PDF_CONF=/etc/cups/cups-pdf-$E2E_CUPS_QUEUE.conf
  printf '%s\n' "Out $E2E_CUPS_OUT" "Spool $d/pdfspool" "Log $d/log" "Label 1" >"$E2E_CUPS_PDF_CONF"

  /usr/sbin/cupsd -f -c "$d/conf/cupsd.conf" -s "$d/conf/cups-files.conf" >"$d/log/cupsd.out" 2>&1 &
  E2E_CUPS_PID=$!
  E2E_CLEANUP_HOOKS+=(e2e_cups_stop)
  export CUPS_SERVER=$d/cups.sock
  # lpstat -r succeeds whether or not the scheduler runs; only its words tell.
  cups_answers() { LC_ALL=C lpstat -r 2>/dev/null | grep -qx 'scheduler is running'; }
  local i
  for ((i = 0; i < 100; i++)); do
    cups_answers && break
    kill -0 "$E2E_CUPS_PID" 2>/dev/null || e2e_fail "cupsd did not start: $(cat "$d/log/cupsd.out")"
    sleep 0.1
  done
  cups_answers || e2e_fail "cupsd does not answer on $CUPS_SERVER"
  lpadmin -p "$E2E_CUPS_QUEUE" -E -v "cups-pdf:/$E2E_CUPS_QUEUE" \
    -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>"$d/log/lpadmin.err" ||
    e2e_fail "lpadmin could not add the PDF printer: $(cat "$d/log/lpadmin.err")"
  lpadmin -d "$E2E_CUPS_QUEUE" || e2e_fail "lpadmin could not make the PDF printer the default"
  e2e_log "cupsd pid $E2E_CUPS_PID on $CUPS_SERVER, queue $E2E_CUPS_QUEUE writing to $E2E_CUPS_OUT"
}

e2e_cups_stop() {
  if [ -n "${E2E_CUPS_PID:-}" ]; then
    kill "$E2E_CUPS_PID" 2>/dev/null
    wait "$E2E_CUPS_PID" 2>/dev/null
    [ -f "${E2E_CUPS_DIR:-}/log/page_log" ] && cp "$E2E_CUPS_DIR/log/page_log" "$E2E_RUN/page_log"
    E2E_CUPS_PID=
  fi
  [ -n "${E2E_CUPS_PDF_CONF:-}" ] && rm -f "$E2E_CUPS_PDF_CONF"
  [ -n "${E2E_CUPS_DIR:-}" ] && rm -rf "$E2E_CUPS_DIR"
  E2E_CUPS_DIR=
  unset CUPS_SERVER
}

e2e_cups_pages() {
  # The scheduler writes a job's line when it has finished with it.
  cat "$E2E_CUPS_DIR/log/page_log" 2>/dev/null
}

e2e_cups_jobs() {
  lpstat -W all -o "$E2E_CUPS_QUEUE"
}
