#!/usr/bin/env bash
# Printing the report on a real printer: a private CUPS scheduler with a PDF
# printer, which Wine offers as its default printer. Each tab prints as one
# landscape page of a document named "Dorvane" (also when printed to a
# file), and the page is the screen's
# picture enlarged by the whole factor k and centred: bar fills at the
# k-scaled positions, outlines one device pixel wide, labels 8 points at the
# printer's resolution. Cancelling the print dialog prints nothing. Without a
# printer the program adds no message of its own to the platform's.
set -u
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/report_lib.sh"
. "$(dirname "$0")/cups.sh"
e2e_begin print
e2e_cups_start

e2e_write_cp932 "$E2E_DIR/Dorvane.ini" '[ITEM]' \
  'ITEM1_COLOR=0x0000FF' 'ITEM1_STATICS=1' 'ITEM1_NAME=会議' \
  'ITEM2_COLOR=0x00FF00' 'ITEM2_STATICS=1' 'ITEM2_NAME=開発'
# Pure colours: the PostScript path turns 0xC0 into 0xBF.
RED=FF0000 GREEN=00FF00
today=$(date +%Y/%m/%d)
e2e_write_csv "$E2E_DIR" "会議,$today 09:30,$today 11:45" "開発,$today 13:00,$today 15:00"

e2e_expect "Wine's printers" "$(printf 'printer\t%s\tCUPS:%s\t%s\ndefault\t%s' "$E2E_CUPS_QUEUE" "$E2E_CUPS_QUEUE" \
  "$E2E_CUPS_QUEUE" "$E2E_CUPS_QUEUE")" "$(drv printers)"

e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
e2e_choose right "$pid" 32778
drv wait-window --pid "$pid" --visible >/dev/null || e2e_fail "the report did not open"
e2e_expect "the date picker starts at today" "$today" "$(drv datepick --pid "$pid" | cut -f1)"
wd=$(drv datepick --pid "$pid" | cut -f2)
wd=${wd%$'\r'}

# The page as the program's DC sees it: the default printer in landscape.
read -r page_w page_h dpi_x dpi_y off_x off_y _ < <(drv printer-caps --landscape) || e2e_fail "no printer DC"
read -r w h < <(rep_client_size "$pid" $REP_TIME_PAGE)
k=$((page_w / w < page_h / h ? page_w / w : page_h / h))
x0=$(((page_w - w * k) / 2))
y0=$(((page_h - h * k) / 2))
e2e_log "printable area $page_w x $page_h at $dpi_x x $dpi_y dpi, offset $off_x,$off_y; window $w x $h: k=$k at $x0,$y0"
[ "$k" -ge 2 ] || e2e_fail "a scale of $k shows nothing of the enlargement"

pdfs() { ls "$E2E_CUPS_OUT" 2>/dev/null | sort; }

# Presses 印刷, checks the dialog offers the PDF printer, presses OK and
# waits for the one new PDF; sets PDF to its path.
print_page() {
  local what=$1 before i
  before=$(pdfs)
  rep_click_control "$pid" $REP_PRINT
  drv modal read --pid "$pid" >"$E2E_RUN/print-dialog.txt" || e2e_fail "$what: no print dialog"
  grep -q "^1139	ComboBox	.*	$E2E_CUPS_QUEUE\$" "$E2E_RUN/print-dialog.txt" ||
    e2e_fail "$what: the dialog does not offer $E2E_CUPS_QUEUE: $(cat "$E2E_RUN/print-dialog.txt")"
  drv modal press 1 --pid "$pid" || e2e_fail "$what: the print dialog did not close on OK"
  for ((i = 0; i < 300; i++)); do
    [ "$(pdfs | wc -l)" -gt "$(wc -l <<<"$before")" ] || [ -z "$before" -a -n "$(pdfs)" ] && break
    sleep 0.1
  done
  local new
  new=$(comm -13 <(echo "$before") <(pdfs))
  [ "$(grep -c . <<<"$new")" = 1 ] || e2e_fail "$what: expected one new PDF, found: $new"
  PDF="$E2E_CUPS_OUT/$new"
  # cups-pdf renames the file into place once Ghostscript is done.
  for ((i = 0; i < 100; i++)); do pdfinfo "$PDF" >/dev/null 2>&1 && break; sleep 0.1; done
  e2e_expect "$what: pages" 1 "$(pdfinfo "$PDF" | sed -n 's/^Pages: *//p')"
  e2e_expect "$what: the document's title" Dorvane "$(pdfinfo "$PDF" | sed -n 's/^Title: *//p')"
  drv msgbox none --pid "$pid" || e2e_fail "$what: a message appeared"
}

# Renders the page at the printer's resolution without smoothing, so a PDF
# pixel is a device pixel: device (x, y) is picture (off_x + x, off_y + y).
render() {
  pdftoppm -r "$dpi_x" -aa no -aaVector no "$PDF" "$E2E_RUN/$1" || e2e_fail "pdftoppm failed on $PDF"
  PAGE="$E2E_RUN/$1-1.ppm"
  read -r _ pw ph _ < <(head -c 20 "$PAGE" | tr "\n" " ")
  [ "$pw" -gt "$ph" ] || e2e_fail "$1: the page is $pw x $ph, not landscape"
}

# Checks the runs of the band row of logical y in column x0 80: each bar
# (logical START END COLOUR) is filled from x0 + k(80 + START) + 1 to
# x0 + k(80 + END) - 2 (one pixel of play for the PostScript outline's
# right edge) and outlined by black one or two device pixels wide.
check_band() {
  local what=$1 y=$2
  shift 2
  local dy=$((off_y + y0 + k * y)) dx=$((off_x + x0))
  local line
  line=$(drv runs "$(e2e_winpath "$PAGE")" --rows "$dy:$((dx + 79 * k)):$((dx + 417 * k))" | grep '^row') ||
    e2e_fail "$what: cannot read the rendered page"
  local runs=${line##*$'\t'}
  runs=${runs%$'\r'}
  e2e_log "$what: $runs"
  # Nothing but the bars' colours, white, and black outlines one device
  # pixel wide (two where a fill's outline meets the next one's).
  local colours=" FFFFFF 000000 " i run
  for ((i = 3; i <= $#; i += 3)); do colours+="${!i} "; done
  for run in $runs; do
    local a=${run%%-*} rest=${run#*-}
    local b=${rest%%=*} c=${run##*=}
    [[ $colours == *" $c "* ]] || e2e_fail "$what: unexpected colour in $run"
    [ "$c" != 000000 ] || [ $((b - a)) -le 1 ] || e2e_fail "$what: $run is a line wider than two device pixels"
  done
  while [ $# -ge 3 ]; do
    local s=$((dx + k * (80 + $1))) e=$((dx + k * (80 + $2))) colour=$3 found=0 prev="" run
    shift 3
    for run in $runs; do
      local a=${run%%-*} rest=${run#*-}
      local b=${rest%%=*} c=${run##*=}
      if [ "$c" = "$colour" ] && [ "$a" -le $(((s + e) / 2)) ] && [ "$b" -ge $(((s + e) / 2)) ]; then
        found=1
        [ $((a - (s + 1))) -ge -1 ] && [ $((a - (s + 1))) -le 1 ] && [ $((b - (e - 2))) -ge -1 ] && [ $((b - (e - 2))) -le 1 ] ||
          e2e_fail "$what: the $colour fill runs $a-$b, expected $((s + 1))-$((e - 2)) (one pixel of play)"
        local pa=${prev%%-*} prest=${prev#*-}
        local pb=${prest%%=*} pc=${prev##*=}
        [ "$pc" = 000000 ] && [ $((pb - pa)) -le 1 ] || e2e_fail "$what: left of the $colour fill is $prev, not a one-pixel outline"
        NEXT_AFTER=$b
      elif [ "$found" = 1 ] && [ "$a" = $((NEXT_AFTER + 1)) ]; then
        [ "$c" = 000000 ] && [ $((b - a)) -le 1 ] || e2e_fail "$what: right of the $colour fill is $run, not a one-pixel outline"
        break
      fi
      prev=$run
    done
    [ "$found" = 1 ] || e2e_fail "$what: no $colour fill around device x $(((s + e) / 2)) in: $runs"
  done
}

# The date label of the first row: the ink of "M/d (ddd)" stands 8 points
# tall at the printer's resolution, not enlarged by k.
check_label_height() {
  local what=$1 box_x=$((off_x + x0)) box_y=$((off_y + y0 + k * 45)) box_w=$((75 * k)) box_h=$((15 * k + 20))
  local ink
  ink=$(convert "$PAGE" -crop "${box_w}x${box_h}+${box_x}+${box_y}" +repage -trim -format '%h' info:) ||
    e2e_fail "$what: cannot measure the label"
  local points8=$((dpi_y * 8 / 72))
  e2e_log "$what: label ink $ink px tall; 8 points are $points8 px"
  [ "$ink" -ge $((points8 / 2)) ] && [ "$ink" -le $((points8 * 5 / 4)) ] ||
    e2e_fail "$what: the label's ink is $ink px tall, expected about $points8 (8 points at $dpi_y dpi)"
}

row_y=$((40 + 40 * wd + 10))
print_page "time chart"
render time
check_band "time chart, today's row" $row_y 133 164 $RED 182 210 $GREEN
check_band "time chart, another row" $((40 + 40 * ((wd + 1) % 7) + 10))
check_label_height "time chart"
cp "$PDF" "$E2E_RUN/time-chart.pdf"

rep_click_tab "$pid" 1
drv control --pid "$pid" --id $REP_STATICS_PAGE --visible >/dev/null || e2e_fail "the totals tab did not show"
print_page "totals"
render totals
check_band "totals, today's row" $row_y 0 31 $RED 31 59 $GREEN
cp "$PDF" "$E2E_RUN/totals.pdf"

e2e_expect "jobs in the scheduler's page log" \
  "$(printf '%s\n' "1 Dorvane total 1" "2 Dorvane total 1")" "$(e2e_cups_pages)"

# Cancel: no job, no message.
before=$(pdfs)
rep_click_control "$pid" $REP_PRINT
drv modal press 2 --pid "$pid" || e2e_fail "the print dialog did not close on キャンセル"
# A job would have reached the scheduler before the program went back to
# its message loop: Wine hands it over inside EndDoc.
drv sync --pid "$pid" || e2e_fail "the program did not come back from the print dialog"
e2e_expect "jobs the scheduler took after cancelling" 2 "$(e2e_cups_jobs | wc -l)"
e2e_expect "PDFs after cancelling" "$before" "$(pdfs)"
e2e_expect "jobs after cancelling" 2 "$(e2e_cups_pages | wc -l)"
drv msgbox none --pid "$pid" || e2e_fail "cancelling the print dialog showed a message"

# Print to file: the document goes to the output "FILE:" instead of the
# printer. Wine asks for no file name there; it writes the PostScript to a
# file of that name in the working directory.
rep_click_control "$pid" $REP_PRINT
drv modal read --pid "$pid" >/dev/null || e2e_fail "no print dialog"
drv button --id 1040 --title 印刷 --pid "$pid" || e2e_fail "could not tick ファイルへ出力"
drv modal press 1 --pid "$pid" || e2e_fail "the print dialog did not close on OK"
for ((i = 0; i < 100; i++)); do
  grep -q '^%%EOF' "$E2E_DIR/FILE:" 2>/dev/null && break
  sleep 0.1
done
[ -f "$E2E_DIR/FILE:" ] || e2e_fail "print to file wrote nothing where Wine puts it ($E2E_DIR/FILE:)"
e2e_expect "the file's document" "%%Title: Dorvane" "$(grep -a -m1 '^%%Title:' "$E2E_DIR/FILE:")"
e2e_expect "the file's pages" "%%Pages: 1" "$(grep -a '^%%Pages: [0-9]' "$E2E_DIR/FILE:")"
e2e_expect "the file's orientation" "%%Orientation: Landscape" "$(grep -a -m1 '^%%Orientation:' "$E2E_DIR/FILE:")"
e2e_expect "jobs after printing to a file" 2 "$(e2e_cups_pages | wc -l)"
drv msgbox none --pid "$pid" || e2e_fail "printing to a file showed a message"

e2e_choose_exit() {
  rep_click_control "$pid" $REP_CLOSE
  drv wait-window --pid "$pid" --visible --gone >/dev/null || e2e_fail "閉じる did not hide the report"
  e2e_choose left "$pid" 32774
  e2e_expect "exit code" 32774 "$(e2e_exit_code "$pid")"
}
e2e_choose_exit

# No printer at all: Wine drops the CUPS printers once the scheduler is gone.
e2e_cups_stop
e2e_expect "Wine's printers without a scheduler" "$(printf 'default\t')" "$(drv printers)"
e2e_start
pid=${E2E_PIDS[0]}
e2e_wait_running "$pid"
e2e_choose right "$pid" 32778
drv wait-window --pid "$pid" --visible >/dev/null || e2e_fail "the report did not open"
rep_click_control "$pid" $REP_PRINT
# The print dialog's own warning (Wine's words), which the test dismisses.
drv msgbox read --pid "$pid" >"$E2E_RUN/no-printer-message.txt" || e2e_fail "the print dialog gave no warning"
e2e_log "the platform says: $(tr '\n' ' ' <"$E2E_RUN/no-printer-message.txt")"
e2e_screenshot "$E2E_RUN/no-printer.png"
drv msgbox dismiss --pid "$pid" || e2e_fail "could not dismiss the platform's warning"
drv sync --pid "$pid" || e2e_fail "the program did not come back from the platform's warning"
drv msgbox none --pid "$pid" || e2e_fail "without a printer the program showed a message of its own"
drv modal none --pid "$pid" || e2e_fail "a dialog is still open"
drv wait-window --pid "$pid" --visible --timeout 100 >/dev/null || e2e_fail "the report closed"
e2e_choose_exit
