#!/bin/sh
# The LV2 plug-in offline through lilv's lv2apply, beside quellmar-duck: a four-channel file (music
# on the audio inputs, a voice on the side-chain) gives, with the same settings, the very samples
# that quellmar-duck gives for the music keyed by the voice; with a look-ahead, the same samples
# that many frames later (the plug-in delays its audio and reports that as latency, which lv2apply
# does not compensate; the tool keeps the input's timing).
#   lv2apply-identity.sh QUELLMAR_DUCK BUNDLE WORK_FOLDER
set -u
duck=$(realpath "$1") bundle=$(realpath "$2") work=$3
uri=http://quellmar.org/lv2/QuellmarV3
for tool in lv2apply sox cmp; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (tools/setup.sh installs it)"; exit 1; }
done
rm -rf "$work" && mkdir -p "$work/lv2" && ln -s "$bundle" "$work/lv2/QuellmarV3.lv2"
cd "$work" || exit 1
export LV2_PATH="$work/lv2" XDG_RUNTIME_DIR="$work"
chmod 700 "$work"
float="-e floating-point -b 32"
sox -n -r 48000 -c 2 $float music.wav synth 5 sine 220 sine 277 gain -9
sox -n -r 48000 -c 2 $float burst.wav synth 0.6 sine 180-400 sine 350-900 fade t 0.05 0.6 0.2 gain -4
sox -n -r 48000 -c 2 $float gap.wav trim 0 0.45
sox gap.wav burst.wav gap.wav burst.wav gap.wav gap.wav burst.wav gap.wav $float voice.wav
sox -M music.wav voice.wav $float four.wav
frames=$(soxi -s music.wav)
fail=0
while IFS='|' read -r name controls options shift; do
  # shellcheck disable=SC2086
  lv2apply -i four.wav -o lv2.wav -c enabled 1 $controls "$uri" >lv2apply.log 2>&1 || { cat lv2apply.log; echo "FAIL: $name: lv2apply"; fail=1; continue; }
  # shellcheck disable=SC2086
  "$duck" --quiet --key voice.wav music.wav -o duck.wav $options || { echo "FAIL: $name: quellmar-duck"; fail=1; continue; }
  sox -V1 lv2.wav -t f32 lv2.raw && sox -V1 duck.wav -t f32 duck.raw && sox -V1 music.wav -t f32 music.raw
  bytes=$(( (frames - shift) * 8 ))
  if cmp -s -i "$((shift * 8)):0" -n "$bytes" lv2.raw duck.raw; then
    if cmp -s -n "$bytes" duck.raw music.raw; then echo "FAIL: $name: nothing was ducked"; fail=1
    elif [ "$shift" -gt 0 ]; then echo "$name: the same $((frames - shift)) frames, $shift frames later"
    else echo "$name: the same $frames frames"; fi
  else
    echo "FAIL: $name: lv2apply's samples differ from quellmar-duck's"; fail=1
  fi
done <<'CASES'
defaults in duck mode|-c duck_key 1||0
fast duck|-c duck_key 1 -c threshold -30 -c attack 10 -c release 300|--threshold -30 --attack 10 --release 300|0
key mode|-c threshold -20|--mode key --threshold -20|0
range and hold|-c duck_key 1 -c threshold -40 -c range 12 -c hold 300|--threshold -40 --range 12 --hold 300|0
look-ahead 20 ms|-c duck_key 1 -c threshold -40 -c lookahead 20|--threshold -40 --lookahead 20|960
CASES
exit $fail
