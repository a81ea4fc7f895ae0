#!/usr/bin/env bash
# The Windows installer under Wine, in fresh prefixes of the test's own: silently it installs both
# DLLs into the default VST2 folders on 64-bit Windows (the 32-bit one alone on 32-bit Windows),
# byte for byte the built ones, and registers its uninstaller; the quiet uninstaller leaves
# neither files nor entry behind, and another vendor's plug-in in the same folder survives.
#   check-installer.sh SETUP_EXE DIST_FOLDER VERSION WORK_FOLDER
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/release-lib.sh"
setup=$(realpath "$1") dist=$(realpath "$2") version=$3 work=$(realpath -m "$4")
rm -rf "$work" && mkdir -p "$work"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuellmarV3'

newPrefix() {
  export WINEPREFIX="$work/$1"
  WINEARCH=$2 wineboot -i >/dev/null 2>&1
  wineserver -w
}
# The value of one entry of the uninstall key, as Apps & Features reads it.
entry() { wine reg query "$key" /v "$1" /reg:64 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"; }
# The Windows path C:\... of a file in the prefix.
unix() { echo "$WINEPREFIX/drive_c/$1"; }

# 64-bit Windows, with another vendor's plug-in in the 64-bit folder beforehand.
newPrefix win64 win64
vst64=$(unix "Program Files/Common Files/VST2")
vst32=$(unix "Program Files (x86)/Common Files/VST2")
mkdir -p "$vst64" && echo "another vendor's plug-in" >"$vst64/Other.dll"
wine "$setup" /S && wineserver -w && pass "installs silently" || fail "silent install failed"
cmp -s "$vst64/QuellmarV3.dll" "$dist/win64/QuellmarV3.dll" \
  && pass "64-bit DLL in Common Files\\VST2, as built" || fail "64-bit DLL missing or different"
cmp -s "$vst32/QuellmarV3.dll" "$dist/win32/QuellmarV3.dll" \
  && pass "32-bit DLL in (x86)\\Common Files\\VST2, as built" || fail "32-bit DLL missing or different"
uninstaller='C:\Program Files\QuellmarV3\Uninstall.exe'
while IFS='|' read -r name expected; do
  expect "uninstall entry $name" "$(entry "$name")" "$expected"
done <<ENTRIES
DisplayName|QuellmarV3
DisplayVersion|$version
Publisher|Quellmar V3
UninstallString|"$uninstaller"
QuietUninstallString|"$uninstaller" /S
ENTRIES
size=$(($(entry EstimatedSize)))
[ "$size" -ge $((($(stat -c %s "$dist/win64/QuellmarV3.dll") + $(stat -c %s "$dist/win32/QuellmarV3.dll")) / 1024)) ] \
  && pass "EstimatedSize covers both DLLs ($size KiB)" || fail "EstimatedSize $size KiB is too small"

# The quiet uninstall as Apps & Features runs it.
quiet=$(entry QuietUninstallString)
program=${quiet#\"}
program=${program%%\"*}
wine "$program" ${quiet##*\" } && wineserver -w
expect "files left by the uninstaller" "$(find "$(unix "Program Files")" "$(unix "Program Files (x86)")" \
  \( -iname 'QuellmarV3*' -o -iname 'Uninstall.exe' \) | wc -l)" 0
expect "uninstall entry after uninstalling" "$(entry DisplayName)" ""
[ -f "$vst64/Other.dll" ] && pass "another vendor's plug-in survives" || fail "another vendor's plug-in was removed"
[ ! -e "$vst32" ] && pass "the 32-bit VST2 folder that setup made is gone" || fail "setup's own VST2 folder left"
wineserver -k 2>/dev/null

# 32-bit Windows: the 32-bit DLL alone, in the only Program Files there is.
newPrefix win32 win32
wine "$setup" /S && wineserver -w && pass "installs silently on 32-bit Windows" || fail "32-bit silent install failed"
cmp -s "$(unix "Program Files/Common Files/VST2/QuellmarV3.dll")" "$dist/win32/QuellmarV3.dll" \
  && pass "32-bit Windows gets the 32-bit DLL" || fail "32-bit Windows lacks the 32-bit DLL"
expect "DLLs installed on 32-bit Windows" "$(find "$WINEPREFIX/drive_c" -name QuellmarV3.dll | wc -l)" 1
wineserver -k 2>/dev/null

finish
