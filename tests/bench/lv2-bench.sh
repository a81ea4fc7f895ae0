#!/bin/sh
# The LV2 bench tier: our bench program (the LV2 plug-in beside the .so and beside LSP's stereo
# side-chain compressor, and a second instance), then lv2bench's figures for both plug-ins, which
# run silence through them (the quiet path): seconds for 4 800 000 frames in 512-frame blocks.
#   lv2-bench.sh BENCH BUNDLE LINUX_MODULE WORK_FOLDER
set -u
bench=$1 bundle=$(realpath "$2") module=$3 work=$4
peer=http://lsp-plug.in/plugins/lv2/sc_compressor_stereo
command -v lv2bench >/dev/null || { echo "FAIL: lv2bench is missing (tools/setup.sh installs it)"; exit 1; }
rm -rf "$work" && mkdir -p "$work/lv2" && ln -s "$bundle" "$work/lv2/QuellmarV3.lv2"
# The bench program loads the bundle itself, and the peer from the system.
LV2_PATH=/usr/lib/lv2 "$bench" "$bundle" "$module" "$peer" || exit 1
export LV2_PATH="$work/lv2:/usr/lib/lv2"
echo "lv2bench -b 512 -n 4800000 (seconds; silence in)"
for uri in http://quellmar.org/lv2/QuellmarV3 "$peer"; do
  lv2bench -b 512 -n 4800000 "$uri" 2>/dev/null | tail -1 | awk '{printf "  %-60s %9.6f s  %6.2f ns per frame\n", $2, $1, $1 * 1e9 / 4800000}'
done
