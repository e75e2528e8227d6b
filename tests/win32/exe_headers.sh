#!/usr/bin/env bash
# The built program's PE headers and import table, as the Windows loader
# reads them before the program's first line runs:
# - every imported DLL is a KnownDLL, which the loader takes from the system
#   directory only, so nothing placed beside the exe (a download folder) is
#   loaded in its stead. The set below is in the KnownDLLs key of Windows 7
#   and of Windows 10/11 alike (HKLM\SYSTEM\CurrentControlSet\Control\
#   Session Manager\KnownDLLs). COMCTL32 is no KnownDLL: it is allowed only
#   with the manifest's dependency on the common controls 6.0 assembly,
#   because side-by-side redirection comes before the program's folder in
#   the loader's search order;
# - the start narrows the search for later loads and ends on heap corruption;
# - the stack protector is linked in with our own guard and failure (the
#   guard's seeding TLS callback is present), not libssp's, and nothing
#   imports the crypto provider (libssp's seed);
# - subsystem version 6.0, relocatable, no-execute data, no SEH handler in
#   the image (NO_SEH), large-address-aware.
# Usage: exe_headers.sh OBJDUMP EXE
set -u
objdump=$1
exe=$2
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

known="advapi32 clbcatq comdlg32 difxapi gdi32 imagehlp imm32 kernel32 msctf msvcrt normaliz nsi ole32
oleaut32 psapi rpcrt4 sechost setupapi shell32 shlwapi user32 wldap32 ws2_32"

headers=$("$objdump" -p "$exe") || {
  echo "FAIL: $objdump -p $exe" >&2
  exit 1
}
symbols=$("$objdump" -t "$exe")

dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]')
[ -n "$dlls" ] || fail "no imported DLLs found: the import table was not read"
for dll in $dlls; do
  base=${dll%.dll}
  if [ "$base" = comctl32 ]; then
    grep -aq 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$exe" ||
      fail "COMCTL32.DLL is imported without the manifest's common controls 6.0 assembly"
  elif [ "$dll" = "$base" ] || ! grep -qw "$base" <<<"$known"; then
    fail "$dll is imported but is no KnownDLL: the loader would look for it beside the exe first"
  fi
done

# The function names of the import table, "DLL function" a line.
imports=$(awk '/DLL Name:/ { dll = tolower($3) } dll && NF == 3 && $1 ~ /^[0-9a-f]+$/ { print dll, $3 }' <<<"$headers")
for call in kernel32.dll:SetDllDirectoryW kernel32.dll:HeapSetInformation kernel32.dll:GetProcAddress \
  kernel32.dll:LoadLibraryExW kernel32.dll:GetSystemDirectoryW; do
  grep -qx "${call%%:*} ${call#*:}" <<<"$imports" || fail "${call#*:} is not imported from ${call%%:*}"
done
# Looked up at run time, so only its name is in the file; narrowed by a TLS
# callback, which runs before any constructor.
grep -aq SetDefaultDllDirectories "$exe" || fail "SetDefaultDllDirectories is never looked up"
grep -q " _dorvane_narrow_library_search\$" <<<"$symbols" || fail "no TLS callback narrows the search"

for symbol in ___stack_chk_fail ___stack_chk_guard _dorvane_seed_stack_guard; do
  grep -q " $symbol\$" <<<"$symbols" || fail "no $symbol: the stack protector is not linked in"
done
! grep -aq "stack smashing detected" "$exe" || fail "libssp's failure (its message) is linked in"
! grep -q " Crypt" <<<"$imports" || fail "the crypto provider is imported: $(grep " Crypt" <<<"$imports" | tr '\n' ' ')"

for field in "MajorSubsystemVersion	6" "MinorSubsystemVersion	0"; do
  grep -qx "$field" <<<"$headers" || fail "want $field, have $(grep "${field%	*}" <<<"$headers")"
done
for flag in DYNAMIC_BASE NX_COMPAT NO_SEH "large address aware"; do
  grep -qx "[[:space:]]*$flag" <<<"$headers" || fail "the characteristics lack $flag"
done

[ "$failures" -eq 0 ] || exit 1
echo "imports: $(tr '\n' ' ' <<<"$dlls")"
