#!/usr/bin/env bash
# Two builds of one commit give the same bytes. This tree's program and the
# package made of it are compared with the package target's output in a
# tree built from a copy of the sources in another folder, at another time,
# in another time zone and under another umask: Dorvane.exe, the ZIP and
# SHA256SUMS must be equal, neither folder may show in the
# program, every ZIP entry carries the commit's time and fixed permissions,
# and SHA256SUMS checks the ZIP and the program unpacked beside it.
# Usage: reproducible_test.sh CMAKE SOURCE BUILD BUILD_TYPE PACKAGE_NAME PACKAGE_COMMAND...
# PACKAGE_COMMAND is the package target's; here it writes elsewhere (--out),
# so that it never races the end-to-end test that makes this tree's package.
# The rebuild, in a temporary folder, is kept when the test fails (the summary
# of test.sh names it).
set -u
cmake=$1 source=$2 build=$3 build_type=$4 name=$5
shift 5
rebuild=$(mktemp -d "${TMPDIR:-/tmp}/dorvane-rebuild.XXXXXX") || exit 1
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The time the package takes, as packaging/make_package.py finds it; the
# copy, outside any git work tree, is given it.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null || echo 315532800)}

here=$rebuild/here
mkdir -p "$here"
"$@" --out "$here" >"$rebuild/package.log" 2>&1 ||
  { echo "FAIL: the package of $build could not be made: $(tail -n3 "$rebuild/package.log")"; exit 1; }

copy=$rebuild/elsewhere-source
mkdir -p "$copy"
cp -R "$source"/CMakeLists.txt "$source"/cmake "$source"/src "$source"/res "$source"/defaults \
  "$source"/packaging "$copy"/ || exit 1
# Niced: the Wine tests that run beside it time what the program does.
(
  umask 077
  export TZ=Pacific/Kiritimati SOURCE_DATE_EPOCH=$epoch
  nice -n 19 "$cmake" -S "$copy" -B "$rebuild/tree" -DCMAKE_BUILD_TYPE="$build_type" \
    -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw-i686.cmake" &&
    nice -n 19 "$cmake" --build "$rebuild/tree" -j"$(nproc)" --target package
) >"$rebuild/build.log" 2>&1 || { echo "FAIL: the rebuild failed: $(tail -n3 "$rebuild/build.log")"; exit 1; }

cmp "$build/Dorvane.exe" "$rebuild/tree/Dorvane.exe" || fail "Dorvane.exe differs between $build and $rebuild/tree"
for f in "$name.zip" SHA256SUMS; do
  cmp "$here/$f" "$rebuild/tree/$f" || fail "$f differs between $here and $rebuild/tree"
done
for dir in "$source" "$copy" "$build" "$rebuild/tree"; do
  ! { strings -a "$rebuild/tree/Dorvane.exe"; strings -a -el "$rebuild/tree/Dorvane.exe"; } | grep -qF "$dir" ||
    fail "Dorvane.exe names the folder $dir"
done

python3 - "$here/$name.zip" "$epoch" <<'PY' || fail "the ZIP's entries carry other times, permissions or fields"
import sys, time, zipfile
stamp = time.gmtime(int(sys.argv[2]))[:6]
stamp = stamp[:5] + (stamp[5] // 2 * 2,)  # two-second steps
for e in zipfile.ZipFile(sys.argv[1]).infolist():
    mode = 0o40755 if e.filename.endswith("/") else 0o100755 if e.filename.endswith(".exe") else 0o100644
    if e.date_time != stamp or e.external_attr >> 16 != mode or e.extra or e.comment or e.create_system != 3:
        print(f"{e.filename}: {e.date_time} {oct(e.external_attr >> 16)} extra {e.extra!r}")
        sys.exit(1)
PY

unpacked=$rebuild/unpacked
mkdir -p "$unpacked"
cp "$here/$name.zip" "$here/SHA256SUMS" "$unpacked"/
(cd "$unpacked" && "$cmake" -E tar xf "$name.zip" && sha256sum --check --quiet SHA256SUMS) ||
  fail "SHA256SUMS does not check the ZIP and the program unpacked beside it"
[ "$(wc -l <"$here/SHA256SUMS")" = 2 ] || fail "SHA256SUMS should name the ZIP and the program"

if [ "$failures" -ne 0 ]; then
  echo "working directory kept: $rebuild"
  exit 1
fi
echo "the rebuild in another folder gave the same bytes:"
sha256sum "$build/Dorvane.exe" "$rebuild/tree/Dorvane.exe" "$here/$name.zip" "$rebuild/tree/$name.zip"
rm -rf "$rebuild"
