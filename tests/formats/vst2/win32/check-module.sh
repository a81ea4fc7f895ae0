#!/bin/sh
# Checks a built module the way a host's loader sees it: the right machine, exactly one export
# named "main", and imports only from DLLs that every Windows has.
set -eu
arch=$1
module=$2
case $arch in
  win32) objdump=i686-w64-mingw32-objdump; format=pei-i386 ;;
  win64) objdump=x86_64-w64-mingw32-objdump; format=pei-x86-64 ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac
headers=$($objdump -p "$module")
fail=0

echo "$headers" | grep -q "file format $format" || { echo "FAIL: $module is not $format"; fail=1; }

exports=$(echo "$headers" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^[[:space:]]+\[' | awk '{print $NF}')
if [ "$exports" != "main" ]; then
  echo "FAIL: exports are [$exports], expected only main"; fail=1
fi

allowed="KERNEL32.dll USER32.dll GDI32.dll ole32.dll OLEAUT32.dll SHELL32.dll ADVAPI32.dll msvcrt.dll"
for dll in $(echo "$headers" | awk '/DLL Name:/ {print $3}'); do
  case " $allowed " in
    *" $dll "*) echo "imports $dll" ;;
    *) echo "FAIL: imports $dll, which is not a system DLL"; fail=1 ;;
  esac
done

[ $fail -eq 0 ] && echo "$module: exports only main, imports only system DLLs"
exit $fail
