#!/usr/bin/env bash
# The shared libraries a binary needs beyond the C library, read from the binary itself, with the
# Debian package and version that provide each one on the machine that makes the packages: one
# line "SONAME|PACKAGE|VERSION" each, in the binary's order.
#   list-libraries.sh BINARY
set -euo pipefail
binary=$1
readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | while read -r soname; do
  case $soname in
    libc.so.* | libm.so.* | ld-linux* | libpthread.so.* | libdl.so.* | librt.so.*) continue ;;
  esac
  path=$(ldconfig -p | awk -v s="$soname" '$1 == s && /x86-64/ && !found { print $NF; found = 1 }')
  [ -n "$path" ] || { echo "list-libraries: $soname is not installed here" >&2; exit 1; }
  # "package:arch: path"; the architecture picks the version where both widths are installed.
  # dpkg knows a library by the path its package installed: the loader's or the real one.
  owner=$( (dpkg -S "$path" || dpkg -S "$(realpath "$path")") 2>/dev/null | sed -n '1s/: .*//p')
  [ -n "$owner" ] || { echo "list-libraries: no package owns $path" >&2; exit 1; }
  echo "$soname|${owner%%:*}|$(dpkg-query -W -f='${Version}' "$owner")"
done
