#!/usr/bin/env bash
# Times quellmar-duck on a ten-minute stereo 48 kHz 16-bit WAV with one key (other lengths as
# arguments: 600 3600 adds the hour),
# beside a plain libsndfile copy of the input (the I/O floor) and ffmpeg's sidechaincompress
# filter (and a plain ffmpeg copy) on the same files; then, on the first length, the shaping
# (range, hold, look-ahead) on against off, a list of eight jobs with -j 2 against -j 1, and an
# M4A bed read through FFmpeg's libraries against ffmpeg's own decoding. Figures are reported,
# never asserted.
#   duck-bench.sh QUELLMAR_DUCK BENCH_FILES_HELPER WORK_FOLDER [SECONDS...]
set -euo pipefail
duck=$1 helper=$2 work=$3
shift 3
[ $# -gt 0 ] && lengths=("$@") || lengths=(600)
mkdir -p "$work"

now() { date +%s.%N; }
# Runs a command and prints its wall-clock seconds.
timed() {
  local start end
  start=$(now)
  "$@" >/dev/null
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
# The shortest of three runs: side-by-side figures on a shared machine.
best3() {
  local best="" t
  for _ in 1 2 3; do
    t=$(timed "$@")
    best=$(awk -v a="$best" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
  done
  echo "$best"
}
nsPerFrame() { awk -v s="$1" -v n="$2" 'BEGIN { printf "%.1f", s * 1e9 / (n * 48000) }'; }

settings=(--threshold -30 --attack 10 --release 300)
ffmpegFilter="[0:a][1:a]sidechaincompress=threshold=0.0316:ratio=20:attack=10:release=300[out]"

echo "quellmar-duck beside a libsndfile copy and ffmpeg sidechaincompress ($(nproc) cores)"
for seconds in "${lengths[@]}"; do
  in="$work/music-$seconds.wav" key="$work/key-$seconds.wav" out="$work/out.wav"
  "$helper" make "$in" "$key" "$seconds"
  tool=$(timed "$duck" --key "$key" "$in" -o "$out" "${settings[@]}" --quiet); rm -f "$out"
  traced=$(timed "$duck" --key "$key" "$in" -o "$out" "${settings[@]}" --quiet \
    --plot "$work/plot.png" --gain-csv "$work/gain.csv"); rm -f "$out" "$work/plot.png" "$work/gain.csv"
  copy=$(timed "$helper" copy "$in" "$out"); rm -f "$out"
  filter=$(timed ffmpeg -nostdin -v error -y -i "$in" -i "$key" -filter_complex "$ffmpegFilter" \
    -map "[out]" -c:a pcm_s16le "$out"); rm -f "$out"
  ffcopy=$(timed ffmpeg -nostdin -v error -y -i "$in" -c:a pcm_s16le "$out"); rm -f "$out"
  rm -f "$in" "$key"
  echo
  echo "$((seconds / 60)) min stereo 48 kHz 16-bit, one key:"
  printf '  %-34s %8s s  %6s ns/frame\n' \
    "quellmar-duck" "$tool" "$(nsPerFrame "$tool" "$seconds")" \
    "quellmar-duck --plot --gain-csv" "$traced" "$(nsPerFrame "$traced" "$seconds")" \
    "libsndfile copy (I/O floor)" "$copy" "$(nsPerFrame "$copy" "$seconds")" \
    "ffmpeg sidechaincompress" "$filter" "$(nsPerFrame "$filter" "$seconds")" \
    "ffmpeg copy" "$ffcopy" "$(nsPerFrame "$ffcopy" "$seconds")"
  echo "  quellmar-duck / libsndfile copy: $(ratio "$tool" "$copy") (target 1.5 or less)"
  echo "  ffmpeg sidechaincompress / quellmar-duck: $(ratio "$filter" "$tool") (target 5 or more)"
done

seconds=${lengths[0]}
in="$work/music-$seconds.wav" key="$work/key-$seconds.wav" out="$work/out.wav"
"$helper" make "$in" "$key" "$seconds"
echo
echo "$((seconds / 60)) min, the tool's own options, lists and FFmpeg's decoding:"
# Off and on by turns, eight times each, the shortest of each: the machine's other load falls
# on both alike.
plain="" shaped=""
for _ in 1 2 3 4 5 6 7 8; do
  t=$(timed "$duck" --key "$key" "$in" -o "$out" "${settings[@]}" --quiet)
  plain=$(awk -v a="$plain" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
  t=$(timed "$duck" --key "$key" "$in" -o "$out" "${settings[@]}" --range 12 --hold 300 --lookahead 30 --quiet)
  shaped=$(awk -v a="$shaped" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
done
rm -f "$out"
printf '  %-42s %8s s\n' "shaping off (best of 8, by turns)" "$plain" "--range 12 --hold 300 --lookahead 30" "$shaped"
echo "  shaping on / off: $(ratio "$shaped" "$plain") (target 1.1 or less)"

list="$work/list.tsv"
: > "$list"
for i in 1 2 3 4 5 6 7 8; do printf '%s\t%s\t%s\n' "$work/job$i.wav" "$in" "$key" >> "$list"; done
one="" two=""
for _ in 1 2 3; do
  t=$(timed "$duck" --batch "$list" -j 1 "${settings[@]}" --quiet); rm -f "$work"/job?.wav
  one=$(awk -v a="$one" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
  t=$(timed "$duck" --batch "$list" -j 2 "${settings[@]}" --quiet); rm -f "$work"/job?.wav
  two=$(awk -v a="$two" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
done
rm -f "$list"
printf '  %-42s %8s s\n' "eight jobs, -j 1 (best of 3, by turns)" "$one" "eight jobs, -j 2" "$two"
echo "  -j 2 / -j 1: $(ratio "$two" "$one") (target 0.7 or less)"

bed="$work/bed.m4a"
ffmpeg -nostdin -v error -y -i "$in" -c:a aac -b:a 160k "$bed"
decode=$(best3 ffmpeg -nostdin -v error -i "$bed" -f null -)
readM4a=$(best3 "$helper" read "$bed")
duckM4a=$(best3 "$duck" --key "$key" "$bed" -o "$out" "${settings[@]}" --quiet); rm -f "$out"
printf '  %-42s %8s s\n' "ffmpeg -i bed.m4a -f null - (best of 3)" "$decode" \
  "the tool's reader on bed.m4a (best of 3)" "$readM4a" \
  "quellmar-duck bed.m4a -o out.wav (best of 3)" "$duckM4a"
echo "  reading M4A / ffmpeg decoding: $(ratio "$readM4a" "$decode") (target 1.3 or less)"
echo "  whole run on M4A / ffmpeg decoding: $(ratio "$duckM4a" "$decode")"
rm -f "$in" "$key" "$bed"
