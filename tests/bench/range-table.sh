#!/usr/bin/env bash
# The settled reduction of --range measured on the output: a steady key far above the threshold
# (a 200 Hz sine at -6 dBFS, threshold -40 dB, 8 s) over a 1 kHz tone, for attack/release pairs
# from release much slower to much faster than attack; the output's level over the last two
# seconds against the input's. Beside it the reduction without a range. Figures are reported.
#   range-table.sh QUELLMAR_DUCK WORK_FOLDER
set -euo pipefail
duck=$(realpath "$1") work=$(realpath -m "$2")
mkdir -p "$work"
key="$work/key.wav" in="$work/tone.wav" out="$work/out.wav"
sox -n -r 48000 -c 1 -b 24 "$key" synth 8 sine 200 vol -6dB
sox -n -r 48000 -c 2 -b 24 "$in" synth 8 sine 1000 vol -20dB
# RMS level in dB of the last two seconds.
levelDb() { sox "$1" -n trim 6 stat 2>&1 | awk '/RMS +amplitude/ { printf "%.3f", 20 * log($3) / log(10) }'; }
inputDb=$(levelDb "$in")
reduction() {
  "$duck" --quiet --key "$key" --threshold -40 "$@" "$in" -o "$out"
  awk -v a="$inputDb" -v b="$(levelDb "$out")" 'BEGIN { printf "%.2f", a - b }'
  rm -f "$out"
}
printf '%-8s %-8s %-8s %9s %9s\n' range attack release "settled" "no range"
for range in 6 12 20; do
  for pair in "20 400" "78.9 39.4" "200 50" "500 20" "500 1" "2000 5" "10 1" "1000 1000"; do
    read -r attack release <<<"$pair"
    printf '%-8s %-8s %-8s %9s %9s\n' "$range" "$attack" "$release" \
      "$(reduction --range "$range" --attack "$attack" --release "$release")" \
      "$(reduction --attack "$attack" --release "$release")"
  done
done
rm -f "$key" "$in"
