#!/usr/bin/env bash
# Installs the Debian packages that the build, the program under Wine and the
# tests need. Safe to run again: it only asks apt for what is missing.
set -euo pipefail

need_native=(cmake g++ make clang libclang-rt-14-dev clang-tidy cppcheck googletest libgtest-dev
             libbenchmark-dev valgrind locales libxml2-utils python3)
need_win=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 wine wine32:i386
          xvfb xdotool x11-utils imagemagick ghostscript fonts-ipafont-gothic
          poppler-utils cups printer-driver-cups-pdf libcups2:i386)

# Printing tests: Wine takes its printers from CUPS through the 32-bit client
# library; a private scheduler with a PDF printer stands in for a real one.
missing=()
for p in "${need_native[@]}" "${need_win[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  echo "installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes its ANSI code page and weekday names from the Unix locale, so the
# Japanese locale must exist for the program to look as a Japanese user sees it.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'ja_JP.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
