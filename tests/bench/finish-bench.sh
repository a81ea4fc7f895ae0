#!/usr/bin/env bash
# The finished episode, side by side in one run: twenty minutes of espeak-ng speech with pauses over
# a bed of chords and drums, to MP3, M4A and WAV at -16 LUFS with quellmar-duck --preset podcast,
# beside ffmpeg encoding the bed alone with the same encoder (the floor) and ffmpeg doing the whole
# job (sidechaincompress, amix, two-pass loudnorm, libmp3lame); and --mix against plain ducking.
# Figures are reported, never asserted.
#   finish-bench.sh QUELLMAR_DUCK WORK_FOLDER [SECONDS]
set -euo pipefail
duck=$(realpath "$1") work=$(realpath -m "$2") seconds=${3:-1200}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$work"
now() { date +%s.%N; }
timed() {
  local start end
  start=$(now)
  "$@" >/dev/null 2>&1
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
least() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
measure() { ffmpeg -nostdin -hide_banner -i "$1" -af ebur128=peak=true -f null - 2>&1 |
  awk '/Summary:/ { s = 1 } s && $1 == "I:" { i = $2 } s && $1 == "Peak:" { p = $2 } END { printf "%6.1f LUFS %6.1f dBTP", i, p }'; }

music="$work/bed.wav" voice="$work/voice.wav"
bash "$here/episode-material.sh" "$work" "$seconds"

# ffmpeg's whole job: duck, mix, measure (loudnorm's first pass), then normalise and encode.
ffmpegJob() {
  local graph="[1:a]asplit[key][voice];[0:a][key]sidechaincompress=threshold=0.01:ratio=4:attack=20:release=400[bed];[bed][voice]amix=inputs=2:normalize=0"
  local stats
  stats=$(ffmpeg -nostdin -hide_banner -i "$music" -i "$voice" -filter_complex "$graph,loudnorm=I=-16:TP=-1:print_format=json" \
    -f null - 2>&1 | sed -n '/^{/,/^}/p')
  local value
  value() { echo "$stats" | sed -n "s/.*\"$1\" : \"\\(.*\\)\".*/\\1/p"; }
  ffmpeg -nostdin -v error -y -i "$music" -i "$voice" -filter_complex \
    "$graph,loudnorm=I=-16:TP=-1:measured_I=$(value input_i):measured_TP=$(value input_tp):measured_LRA=$(value input_lra):measured_thresh=$(value input_thresh):offset=$(value target_offset):linear=true,aresample=48000" \
    -c:a libmp3lame -b:a 128k "$work/ffmpeg-job.mp3"
}

echo "A $((seconds / 60))-minute espeak-ng voice and a bed (48 kHz 16-bit) to a finished episode at 128 kbps ($(nproc) cores)"
encode="" tool="" job=""
for _ in 1 2 3; do
  encode=$(least "$encode" "$(timed ffmpeg -nostdin -v error -y -i "$music" -c:a libmp3lame -b:a 128k "$work/encode.mp3")")
  tool=$(least "$tool" "$(timed "$duck" --quiet --key "$voice" --preset podcast "$music" -o "$work/episode.mp3")")
done
job=$(timed ffmpegJob)
printf '  %-56s %8s s\n' "ffmpeg -c:a libmp3lame alone (the floor, best of 3)" "$encode" \
  "quellmar-duck --preset podcast -o episode.mp3 (best of 3)" "$tool" \
  "ffmpeg: sidechaincompress, amix, two-pass loudnorm, lame" "$job"
echo "  quellmar-duck / ffmpeg's encoding alone: $(ratio "$tool" "$encode") (target 1.3 or less)"
aac=$(timed ffmpeg -nostdin -v error -y -i "$music" -c:a aac -b:a 128k "$work/encode.m4a")
toolAac=$(timed "$duck" --quiet --key "$voice" --preset podcast "$music" -o "$work/episode.m4a")
toolWav=$(timed "$duck" --quiet --key "$voice" --preset podcast "$music" -o "$work/episode.wav")
printf '  %-56s %8s s\n' "ffmpeg -c:a aac alone" "$aac" "quellmar-duck --preset podcast -o episode.m4a" "$toolAac" \
  "quellmar-duck --preset podcast -o episode.wav" "$toolWav"
echo "  M4A / ffmpeg's AAC alone: $(ratio "$toolAac" "$aac") (target 1.3 or less; the tool's AAC runs on two threads);" \
  "WAV / the MP3 encoder alone: $(ratio "$toolWav" "$encode") (target 0.5 or less)"
echo "  ffmpeg's whole job / quellmar-duck: $(ratio "$job" "$tool") (target 6 or more)"
echo "  episode.mp3: $(measure "$work/episode.mp3");  episode.m4a: $(measure "$work/episode.m4a");  ffmpeg's job: $(measure "$work/ffmpeg-job.mp3")"

plain="" mixed=""
for _ in 1 2 3 4 5; do
  plain=$(least "$plain" "$(timed "$duck" --quiet --key "$voice" --preset standard "$music" -o "$work/plain.wav")")
  mixed=$(least "$mixed" "$(timed "$duck" --quiet --key "$voice" --preset standard --mix "$music" -o "$work/mix.wav")")
done
printf '  %-56s %8s s\n' "plain ducking to WAV (best of 5, by turns)" "$plain" "the same with --mix" "$mixed"
echo "  --mix / plain: $(ratio "$mixed" "$plain") (target 1.2 or less)"
rm -rf "$work"
