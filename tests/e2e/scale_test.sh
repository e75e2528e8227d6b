#!/usr/bin/env bash
# Thirty years of history (about 225,000 records, twenty a day up to
# yesterday, Japanese names among them): the program starts without a
# message, a pick saves every record and keeps the history as data.bak, the
# report opens and repaints both tabs, the editor opens, and 終了(&X) ends it.
# Each step is timed beside the same step with an empty history in the same
# run; the table goes to the log, and start-up may take at most five times
# the empty start-up (the load itself is a fraction of Wine's own start).
set -u
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/report_lib.sh"
e2e_begin scale

days=${DORVANE_SCALE_DAYS:-10950}
now_s() { date +%s.%N; }
elapsed_ms() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%d", (b - a) * 1000 }'; }

# name,YYYY/MM/DD HH:MM,YYYY/MM/DD HH:MM; 17 to 23 intervals of 5 to 30
# minutes a day from a little after eight.
history_csv() {
  seq "$days" -1 1 | sed 's/.*/today -& days/' | date -f - +%Y/%m/%d |
    awk 'BEGIN {
           split("作業 会議 休憩 移動 メール 資料作成 打ち合わせ 昼食 電話対応 設計 Coding Review 学習 雑務", names, " ")
           seed = 12345
         }
         function rnd(lo, hi) { seed = (seed * 1103515245 + 12345) % 2147483648; return lo + int(seed / 65536) % (hi - lo + 1) }
         {
           minute = 8 * 60 + rnd(0, 59); n = rnd(17, 23)
           for (k = 0; k < n; k++) {
             len = rnd(5, 30)
             printf "%s,%s %02d:%02d,%s %02d:%02d\r\n", names[rnd(1, 14)], $0, minute / 60, minute % 60,
                    $0, (minute + len) / 60, (minute + len) % 60
             minute += len + rnd(0, 10)
           }
         }' | iconv -f UTF-8 -t CP932
}

# Runs the steps in DIR; prints "start pick report time statics editor" in ms.
run_steps() {
  local dir=$1 t0 t1 pid line
  local -a ms=()
  t0=$(now_s)
  e2e_start --dir "$dir"
  pid=${E2E_PIDS[0]}
  drv tray-icon --pid "$pid" --timeout 60000 >/dev/null || e2e_fail "no tray icon within 60 s"
  t1=$(now_s)
  ms+=("$(elapsed_ms "$t0" "$t1")")
  drv msgbox none --pid "$pid" || e2e_fail "the start-up showed a message"

  t0=$(now_s)
  e2e_choose left "$pid" 40001
  drv tray-icon --pid "$pid" --tip 作業 --timeout 60000 >/dev/null || e2e_fail "the pick did not take effect"
  drv sync --pid "$pid" >/dev/null || e2e_fail "the program did not come back after the pick"
  t1=$(now_s)
  ms+=("$(elapsed_ms "$t0" "$t1")")
  drv msgbox none --pid "$pid" || e2e_fail "the pick showed a message"

  t0=$(now_s)
  e2e_choose right "$pid" 32778
  drv wait-window --pid "$pid" --visible --timeout 60000 >/dev/null || e2e_fail "the report did not open"
  drv repaint --pid "$pid" --id "$REP_TIME_PAGE" >/dev/null || e2e_fail "the time chart did not paint"
  t1=$(now_s)
  ms+=("$(elapsed_ms "$t0" "$t1")")
  for page in "$REP_TIME_PAGE" "$REP_STATICS_PAGE"; do
    [ "$page" = "$REP_STATICS_PAGE" ] && rep_click_tab "$pid" 1
    drv control --pid "$pid" --id "$page" --visible >/dev/null || e2e_fail "page $page is not shown"
    t0=$(now_s)
    drv repaint --pid "$pid" --id "$page" --count 5 >/dev/null || e2e_fail "page $page did not paint"
    t1=$(now_s)
    ms+=("$(elapsed_ms "$t0" "$t1")")
  done
  drv button --pid "$pid" --id "$REP_CLOSE" >/dev/null || e2e_fail "could not press 閉じる"
  drv wait-window --pid "$pid" --hidden >/dev/null || e2e_fail "閉じる did not hide the report"

  t0=$(now_s)
  e2e_choose right "$pid" 32776
  drv wait-window --pid "$pid" --title 'Dorvane 編集' --visible --timeout 60000 >/dev/null ||
    e2e_fail "the editor did not open"
  drv sync --pid "$pid" --title 'Dorvane 編集' >/dev/null || e2e_fail "the editor did not settle"
  t1=$(now_s)
  ms+=("$(elapsed_ms "$t0" "$t1")")
  drv box key --pid "$pid" --title 'Dorvane 編集' --key escape || e2e_fail "could not press Escape in the editor"
  drv wait-window --pid "$pid" --title 'Dorvane 編集' --gone >/dev/null || e2e_fail "the editor did not close"

  e2e_choose left "$pid" 32774
  [ "$(e2e_exit_code "$pid" 60)" = 32774 ] || e2e_fail "終了(&X) did not end the program with 32774"
  echo "${ms[*]}"
}

empty="$E2E_DIR/empty"
full="$E2E_DIR/full"
mkdir -p "$empty" "$full"
for dir in "$empty" "$full"; do e2e_write_ini "$dir" 作業 会議; done
: >"$empty/data.csv"
# The history depends only on its length and today's date: it is made once
# and kept in the build tree, not rebuilt on every run.
cache="$E2E_BUILD/tests/e2e/cache/history-$days-$(date +%Y%m%d).csv"
if [ ! -s "$cache" ]; then
  mkdir -p "${cache%/*}"
  rm -f "${cache%/*}"/history-*.csv
  history_csv >"$cache.tmp" && mv "$cache.tmp" "$cache" || e2e_fail "could not write the history to $cache"
fi
cp "$cache" "$full/data.csv"
cp "$full/data.csv" "$E2E_RUN/history.csv"
records=$(wc -l <"$full/data.csv")
e2e_log "history: $records records, $(stat -c %s "$full/data.csv") bytes"

read -r -a base < <(run_steps "$empty") || exit 1
read -r -a scaled < <(run_steps "$full") || exit 1
[ ${#scaled[@]} -eq 6 ] || e2e_fail "the steps with the history did not all run"

labels=(start-up pick report "time chart x5" "totals x5" editor)
for i in "${!labels[@]}"; do
  e2e_log "$(printf '%-14s empty %6d ms   %d records %6d ms' "${labels[i]}" "${base[i]}" "$records" "${scaled[i]}")"
done

cmp -s "$E2E_RUN/history.csv" "$full/data.bak" || e2e_fail "data.bak is not the history as it was before the pick"
e2e_expect "records after the pick" $((records + 1)) "$(wc -l <"$full/data.csv")"
cmp -s <(head -c "$(stat -c %s "$E2E_RUN/history.csv")" "$full/data.csv") "$E2E_RUN/history.csv" ||
  e2e_fail "the history is not the head of data.csv after the pick"
((scaled[0] <= 5 * base[0])) ||
  e2e_fail "start-up with $records records took ${scaled[0]} ms, more than five times the ${base[0]} ms of an empty start"
