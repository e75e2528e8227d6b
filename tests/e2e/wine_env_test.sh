#!/usr/bin/env bash
# The prefix that scripts/wine-env.sh prepares gives a Japanese program what
# it expects: ANSI code page 932, Japanese weekday names, and a Japanese font
# with all glyphs where dialogs ask for "ＭＳ Ｐゴシック".
set -u
. "$(dirname "$0")/lib.sh"
e2e_begin wine_env --no-exe

e2e_expect_output "code page, weekday names and dialog font in the prefix" \
"acp	932
weekdays	日曜日 月曜日 火曜日 水曜日 木曜日 金曜日 土曜日
font	IPA Pゴシック
missing-glyphs	0" drv env
