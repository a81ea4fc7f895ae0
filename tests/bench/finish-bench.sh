#!/usr/bin/env bash
# The finished episode, side by side in one run: a ten-minute voice and music bed to an MP3 at
# -16 LUFS with quellmar-duck --preset podcast, beside ffmpeg encoding the same ten minutes to MP3
# alone (the floor) and ffmpeg doing the whole job (sidechaincompress, amix, two-pass loudnorm,
# libmp3lame); --mix against plain ducking; and the loudness and true peak reached per material
# and output type, as ffmpeg's ebur128 filter measures them. Figures are reported, never asserted.
#   finish-bench.sh QUELLMAR_DUCK BENCH_FILES_HELPER WORK_FOLDER [SECONDS]
set -euo pipefail
duck=$(realpath "$1") helper=$(realpath "$2") work=$(realpath -m "$3") seconds=${4:-600}
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

music="$work/music.wav" voice="$work/voice.wav"
"$helper" make "$music" "$voice" "$seconds"

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

echo "A $((seconds / 60))-minute voice and music bed (stereo 48 kHz 16-bit) to a finished MP3 at 128 kbps ($(nproc) cores)"
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
echo "  M4A / ffmpeg's AAC alone: $(ratio "$toolAac" "$aac") (target 1.3 or less);" \
  "WAV / the MP3 encoder alone: $(ratio "$toolWav" "$encode") (target 0.5 or less)"
echo "  ffmpeg's whole job / quellmar-duck: $(ratio "$job" "$tool") (target 6 or more)"
echo "  episode.mp3: $(measure "$work/episode.mp3");  ffmpeg's job: $(measure "$work/ffmpeg-job.mp3")"

plain="" mixed=""
for _ in 1 2 3 4 5; do
  plain=$(least "$plain" "$(timed "$duck" --quiet --key "$voice" --preset standard "$music" -o "$work/bed.wav")")
  mixed=$(least "$mixed" "$(timed "$duck" --quiet --key "$voice" --preset standard --mix "$music" -o "$work/mix.wav")")
done
printf '  %-56s %8s s\n' "plain ducking to WAV (best of 5, by turns)" "$plain" "the same with --mix" "$mixed"
echo "  --mix / plain: $(ratio "$mixed" "$plain") (target 1.2 or less)"
rm -f "$work"/*.mp3 "$work/bed.wav" "$work/mix.wav"

echo
echo "Loudness and true peak reached, as ffmpeg's ebur128 filter measures them:"
bash "$(dirname "$here")/../tools/make-demo-audio.sh" "$work/demo" >/dev/null 2>&1
sox -t f32 -r 44100 -c 2 "$work/demo/key.f32" -e floating-point -b 32 "$work/speech.wav"
sox -t f32 -r 44100 -c 2 "$work/demo/music.f32" -e floating-point -b 32 "$work/pad.wav"
sox "$music" "$work/music1.wav" trim 0 60
sox "$voice" "$work/voice1.wav" trim 0 60
printf '  %-26s %-8s %-6s %-34s %s\n' material target type "quellmar-duck (LUFS, dBTP)" "ceiling"
for material in "speech|--key speech.wav --param 1=1 speech.wav" "pad (music)|--key speech.wav --param 1=1 pad.wav" \
                "speech over pad, mixed|--key speech.wav --preset standard --mix pad.wav" \
                "bench music|--key voice1.wav --param 1=1 music1.wav" \
                "bench voice and music|--key voice1.wav --preset standard --mix music1.wav"; do
  name=${material%%|*} arguments=${material#*|}
  for target in "-23 -1" "-23 -2" "-16 -1" "-16 -2" "-14 -1" "-14 -2"; do
    read -r lufs ceiling <<<"$target"
    for type in wav mp3 m4a opus; do
      if (cd "$work" && "$duck" $arguments --loudness "$lufs" --true-peak "$ceiling" -o "out.$type" 2>"$work/note"); then
        passes=$(grep -o 'written [0-9]* times' "$work/note" || echo "written once")
        printf '  %-26s %-8s %-6s %-34s %-7s %s\n' "$name" "$lufs" "$type" "$(measure "$work/out.$type")" "$ceiling" "$passes"
      else
        printf '  %-26s %-8s %-6s %-34s %s\n' "$name" "$lufs" "$type" "refused (more than 12 dB of limiting)" "$ceiling"
      fi
      rm -f "$work/out.$type"
    done
  done
done
rm -rf "$work"
