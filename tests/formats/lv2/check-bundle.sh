#!/bin/sh
# The LV2 bundle as a packager and a host see it: lv2_validate finds no error; lv2info lists the
# ports (index, symbol, direction, range, default, side-chain and latency properties), the bypass
# designation, the editor and the presets as the ports table says; each binary is a 64-bit x86-64
# shared object that exports only its descriptor, carries its C++ runtime, and needs only libraries
# every Linux desktop has (the DSP binary only libc and libm).
#   check-bundle.sh BUNDLE WORK_FOLDER
set -u
bundle=$(realpath "$1") work=$2
fail=0
note() { echo "FAIL: $*"; fail=1; }
for tool in lv2_validate sord_validate lv2info readelf nm; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (tools/setup.sh installs it)"; exit 1; }
done
rm -rf "$work" && mkdir -p "$work/lv2" && ln -s "$bundle" "$work/lv2/QuellmarV3.lv2"

lv2_validate "$bundle"/*.ttl >"$work/validate.txt" 2>&1
grep -v '^Skipping\|^Reading\|^Parsing' "$work/validate.txt"
grep -q 'Found 0 errors' "$work/validate.txt" || note "lv2_validate found errors"
grep -qi 'warn' "$work/validate.txt" && echo "lv2_validate warned (above)"

LV2_PATH="$work/lv2" lv2info http://quellmar.org/lv2/QuellmarV3 >"$work/lv2info.txt" 2>&1 || note "lv2info failed"
ports=$(awk '
  function flush() {
    if (p == "") return
    props = (sc ? " sidechain" : "") (tg ? " toggled" : "") (ch ? " choice" : "") (en ? " enabled" : "") (la ? " latency" : "")
    print p, sym, dir, min, max, def, props
  }
  /^\tPort [0-9]+:/ {flush(); p = $2; sub(":", "", p); sym = dir = min = max = def = "-"; sc = tg = ch = en = la = 0}
  /#InputPort/ {dir = "in"} /#OutputPort/ {dir = "out"}
  /Symbol:/ {sym = $2} /Minimum:/ {min = $2 + 0} /Maximum:/ {max = $2 + 0} /Default:/ {def = $2 + 0}
  /#isSideChain/ {sc = 1} /#reportsLatency/ {la = 1} /#toggled/ {tg = 1} /#enumeration/ {ch = 1}
  /Designation: .*lv2core#enabled/ {en = 1}
  END {flush()}' "$work/lv2info.txt")
expected=$(cat <<'PORTS'
0 in_l in - - - 
1 in_r in - - - 
2 out_l out - - - 
3 out_r out - - - 
4 sidechain_l in - - -  sidechain
5 sidechain_r in - - -  sidechain
6 enabled in 0 1 1  toggled enabled
7 input_alpha in 0 1 0  toggled
8 input_beta in 0 1 0  toggled
9 input_gamma in 0 1 0  toggled
10 input_delta in 0 1 0  toggled
11 attack in 0 2000 78.87 
12 release in 0 1000 39.43 
13 duck_key in 0 1 0  choice
14 threshold in -96 0 -48 
15 range in 0 96 0 
16 hold in 0 2000 0 
17 lookahead in 0 50 0 
18 slot out -1 3 -  choice
19 meter out 0 1 - 
20 latency out 0 19200 -  latency
PORTS
)
# lv2info prints six decimals: the attack and release defaults are compared to two.
actual=$(echo "$ports" | awk '{ if ($6 != "-" && $6 != int($6)) $6 = sprintf("%.2f", $6); print }' | sed 's/ *$//')
expected=$(echo "$expected" | sed 's/ *$//')
if [ "$actual" = "$expected" ]; then echo "lv2info: the 21 ports as the ports table says"
else note "lv2info's ports differ:"; echo "$actual" | diff "$(printf '%s\n' "$expected" >"$work/expected.txt"; echo "$work/expected.txt")" - ; fi
grep -q 'Has latency: *yes, reported by port 20' "$work/lv2info.txt" || note "latency not reported by port 20"
grep -q 'Class:  http://lv2plug.in/ns/extensions/ui#X11UI' "$work/lv2info.txt" || note "no X11 UI"
for preset in defaults gentle standard strong; do
  grep -q "^	  *$preset\$" "$work/lv2info.txt" || note "preset $preset not listed"
done
# Hosts that read preset values as floats only (lv2file) skip integers: every value has a point.
integers=$(grep 'pset:value' "$bundle/presets.ttl" | grep -v 'pset:value -\{0,1\}[0-9]*\.[0-9]')
[ -z "$integers" ] || note "presets.ttl has values without a decimal point: $integers"

check_binary() { # FILE EXPORT ALLOWED-LIBRARIES
  binary=$1 export=$2 allowed=" $3 "
  readelf -h "$binary" | grep -q 'Class:.*ELF64' || note "$binary is not ELF64"
  readelf -h "$binary" | grep -q 'Machine:.*X86-64' || note "$binary is not x86-64"
  exports=$(nm -D --defined-only "$binary" | awk '{print $3}' | tr '\n' ' ')
  [ "$exports" = "$export " ] || note "$binary exports [$exports], expected only $export"
  for library in $(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    case "$allowed" in
      *" $library "*) echo "$(basename "$binary") needs $library" ;;
      *) note "$binary needs $library, which is not on every Linux desktop" ;;
    esac
  done
}
base="libc.so.6 libm.so.6 ld-linux-x86-64.so.2"
check_binary "$bundle/QuellmarV3_dsp.so" lv2_descriptor "$base"
check_binary "$bundle/QuellmarV3_ui.so" lv2ui_descriptor "$base libX11.so.6 libXext.so.6 libcairo.so.2 libpixman-1.so.0
  libfontconfig.so.1 libfreetype.so.6 libpng16.so.16 libz.so.1 libxcb.so.1 libxcb-shm.so.0 libxcb-render.so.0 libXrender.so.1"
[ $fail -eq 0 ] && echo "$bundle: valid, ports as described, binaries export only their descriptors"
exit $fail
