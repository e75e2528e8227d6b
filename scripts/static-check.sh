#!/usr/bin/env bash
# Static checks of src/: clang-tidy with the checked-in .clang-tidy, every
# file with the compile command the build uses (its warning flags and defines
# included, so clang's warnings count as findings too): the Windows files from
# build/win32's compile database (i686 MinGW headers), the POSIX halves from
# build/native's; then cppcheck over the whole tree with the suppressions in
# scripts/cppcheck-suppressions.txt. Prints every finding and exits non-zero
# when there is one. Configures a tree whose compile database is missing.
set -uo pipefail
cd "$(dirname "$0")/.."

mingw_cxx=$(ls -d /usr/lib/gcc/i686-w64-mingw32/*-posix/include/c++ 2>/dev/null | head -n1)
if [ -z "$mingw_cxx" ] || ! command -v clang-tidy >/dev/null || ! command -v cppcheck >/dev/null; then
  echo "static-check: needs clang-tidy, cppcheck and the i686 MinGW C++ headers"
  exit 1
fi
if [ ! -f build/win32/compile_commands.json ] || [ ! -f build/native/compile_commands.json ]; then
  ./scripts/build.sh configure || { echo "static-check: could not configure the build trees"; exit 1; }
fi
# What clang cannot learn from a MinGW g++ command: the target and where
# that compiler keeps its C++ headers.
win_flags=(-p build/win32 --extra-arg=--target=i686-w64-mingw32 "--extra-arg=-isystem$mingw_cxx"
           "--extra-arg=-isystem$mingw_cxx/i686-w64-mingw32")
native_flags=(-p build/native)

log=$(mktemp)
trap 'rm -f "$log"' EXIT

# One file per clang-tidy call, two at a time; a finding or a parse error
# makes clang-tidy fail (WarningsAsErrors).
tidy() {
  local file=$1
  shift
  clang-tidy --quiet "$@" "$file" 2>&1 | grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$'
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
