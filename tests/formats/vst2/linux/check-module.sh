#!/bin/sh
# Checks the Linux module the way a host's loader sees it: a 64-bit x86-64 shared object that
# exports exactly VSTPluginMain and main, and needs only libraries that every Linux desktop has
# (glibc's libc, libm and loader, libX11 and libXext, and cairo with what cairo itself needs).
set -eu
module=$1
fail=0

readelf -h "$module" | grep -q 'Class:.*ELF64' || { echo "FAIL: $module is not ELF64"; fail=1; }
readelf -h "$module" | grep -q 'Machine:.*X86-64' || { echo "FAIL: $module is not x86-64"; fail=1; }
readelf -h "$module" | grep -q 'Type:.*DYN' || { echo "FAIL: $module is not a shared object"; fail=1; }

exports=$(nm -D --defined-only "$module" | awk '{print $3}' | sort | tr '\n' ' ')
if [ "$exports" != "VSTPluginMain main " ]; then
  echo "FAIL: exports are [$exports], expected only VSTPluginMain and main"; fail=1
fi
entries=$(nm -D --defined-only "$module" | awk '{print $1}' | sort -u | wc -l)
[ "$entries" -eq 1 ] || { echo "FAIL: VSTPluginMain and main are not one function"; fail=1; }

allowed="libc.so.6 libm.so.6 ld-linux-x86-64.so.2 libX11.so.6 libXext.so.6 libcairo.so.2
  libpixman-1.so.0 libfontconfig.so.1 libfreetype.so.6 libpng16.so.16 libz.so.1 libxcb.so.1 libxcb-shm.so.0
  libxcb-render.so.0 libXrender.so.1"
allowed=$(echo $allowed)
for library in $(readelf -d "$module" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
  case " $allowed " in
    *" $library "*) echo "needs $library" ;;
    *) echo "FAIL: needs $library, which is not on every Linux desktop"; fail=1 ;;
  esac
done
readelf -d "$module" | grep -q 'NEEDED.*libstdc++\|NEEDED.*libgcc_s' && { echo "FAIL: C++ runtime not static"; fail=1; }

[ $fail -eq 0 ] && echo "$module: exports only VSTPluginMain and main, needs only desktop libraries"
exit $fail
