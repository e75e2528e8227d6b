#!/usr/bin/env bash
# manifest_test.sh MANIFEST: the application manifest read as Windows reads
# it: well-formed XML (Windows refuses to start a program whose manifest is
# not; Wine ignores it), each element at its place under its namespace. The
# Wine test manifest_test.cpp checks that the built program carries this file.
set -u
manifest=$1
failures=0

# el NAME NAMESPACE: one step of a path, by local name and namespace.
el() { printf "/*[local-name()='%s' and namespace-uri()='%s']" "$1" "$2"; }
v1=urn:schemas-microsoft-com:asm.v1
v3=urn:schemas-microsoft-com:asm.v3
compat=urn:schemas-microsoft-com:compatibility.v1
settings2017=http://schemas.microsoft.com/SMI/2017/WindowsSettings

check() {
  local what=$1 xpath=$2
  if [ "$(xmllint --xpath "boolean($xpath)" "$manifest" 2>/dev/null)" != true ]; then
    echo "FAIL: $what: not where Windows looks for it"
    failures=$((failures + 1))
  fi
}

if ! xmllint --noout "$manifest"; then
  echo "FAIL: $manifest is not well-formed XML"
  exit 1
fi
assembly=$(el assembly $v1)
check "an assembly of manifest version 1.0" "$assembly[@manifestVersion='1.0']"
check "common controls 6" "$assembly$(el dependency $v1)$(el dependentAssembly $v1)$(el assemblyIdentity $v1)[
  @type='win32' and @name='Microsoft.Windows.Common-Controls' and @version='6.0.0.0' and
  @processorArchitecture='x86' and @publicKeyToken='6595b64144ccf1df' and @language='*']"
# A legacy program's writes would be redirected to the VirtualStore.
check "runs as the user" "$assembly$(el trustInfo $v3)$(el security $v3)$(el requestedPrivileges $v3)$(el requestedExecutionLevel $v3)[
  @level='asInvoker' and @uiAccess='false']"
# Windows 7, 8, 8.1, 10 and 11.
for id in 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
  1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  check "supported OS {$id}" "$assembly$(el compatibility $compat)$(el application $compat)$(el supportedOS $compat)[@Id='{$id}']"
done
check "sharp GDI text when scaled" \
  "$assembly$(el application $v3)$(el windowsSettings $v3)$(el gdiScaling $settings2017)[normalize-space()='true']"
# Aware of DPI, Windows would stop scaling the fixed-pixel dialogs.
check "no DPI awareness" "count(//*[local-name()='dpiAware' or local-name()='dpiAwareness'])=0"
[ $failures -eq 0 ] && echo "manifest: every element where Windows looks for it"
exit $((failures > 0))
