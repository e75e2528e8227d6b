#!/usr/bin/env bash
# Static checks of src/: clang-tidy with the checked-in .clang-tidy, every
# file as the Windows build compiles it (i686 MinGW headers) and the POSIX
# halves as the native build does, with the build's warning flags (so clang's
# warnings count as findings too); then cppcheck over the whole tree with the
# suppressions in scripts/cppcheck-suppressions.txt. Prints every finding and
# exits non-zero when there is one.
set -uo pipefail
cd "$(dirname "$0")/.."

mingw_cxx=$(ls -d /usr/lib/gcc/i686-w64-mingw32/*-posix/include/c++ 2>/dev/null | head -n1)
if [ -z "$mingw_cxx" ] || ! command -v clang-tidy >/dev/null || ! command -v cppcheck >/dev/null; then
  echo "static-check: needs clang-tidy, cppcheck and the i686 MinGW C++ headers"
  exit 1
fi
# The build's warnings, so that clang reports them too (as clang-diagnostic-*).
warnings=(-Wall -Wextra -Wshadow -Wimplicit-fallthrough)
win_flags=(--target=i686-w64-mingw32 -std=c++17 "${warnings[@]}" -Isrc -Ires
           -isystem "$mingw_cxx" -isystem "$mingw_cxx/i686-w64-mingw32"
           -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX
           -D_WIN32_WINNT=0x0601 -DWINVER=0x0601 -D_WIN32_IE=0x0800)
native_flags=(-std=c++17 "${warnings[@]}" -Isrc)

log=$(mktemp)
trap 'rm -f "$log"' EXIT

# One file per clang-tidy call, two at a time; a finding or a parse error
# makes clang-tidy fail (WarningsAsErrors).
tidy() {
  local file=$1
  shift
  clang-tidy --quiet "$file" -- "$@" 2>&1 | grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$'
  return "${PIPESTATUS[0]}"
}
export -f tidy
status=0
find src -name '*.cpp' ! -name '*_posix.cpp' -print0 | sort -z |
  xargs -0 -P "$(nproc)" -I{} bash -c 'tidy "$0" "$@" || echo "clang-tidy failed on $0"' {} "${win_flags[@]}" >>"$log"
find src -name '*_posix.cpp' -print0 | sort -z |
  xargs -0 -P "$(nproc)" -I{} bash -c 'tidy "$0" "$@" || echo "clang-tidy failed on $0"' {} "${native_flags[@]}" >>"$log"
grep -q 'clang-tidy failed on' "$log" && status=1

cppcheck --enable=warning,style,performance,portability --std=c++17 --language=c++ -I src \
  --inline-suppr --suppressions-list=scripts/cppcheck-suppressions.txt --error-exitcode=1 \
  --quiet --template='{file}:{line}: {severity}/{id}: {message}' src >>"$log" 2>&1 || status=1

cat "$log"
if [ $status -eq 0 ]; then
  echo "static-check: src/ is clean (clang-tidy, cppcheck)"
else
  echo "static-check: findings above"
fi
exit $status
