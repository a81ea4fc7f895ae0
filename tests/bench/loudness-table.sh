#!/usr/bin/env bash
# The loudness and true peak quellmar-duck's finished episode reaches, per material, target,
# ceiling and output type, as ffmpeg's ebur128 filter measures them, and how many times each was
# written. Nothing here is timed, so it need not run alone. Figures are reported, never asserted.
#   loudness-table.sh QUELLMAR_DUCK BENCH_FILES_HELPER WORK_FOLDER
set -euo pipefail
duck=$(realpath "$1") helper=$(realpath "$2") work=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work" && mkdir -p "$work"
measure() { ffmpeg -nostdin -hide_banner -i "$1" -af ebur128=peak=true -f null - 2>&1 |
  awk '/Summary:/ { s = 1 } s && $1 == "I:" { i = $2 } s && $1 == "Peak:" { p = $2 } END { printf "%6.1f LUFS %6.1f dBTP", i, p }'; }

"$helper" make "$work/music1.wav" "$work/voice1.wav" 20
echo "Loudness and true peak reached, as ffmpeg's ebur128 filter measures them:"
bash "$(dirname "$here")/../tools/make-demo-audio.sh" "$work/demo" >/dev/null 2>&1
sox -t f32 -r 44100 -c 2 "$work/demo/key.f32" -e floating-point -b 32 "$work/speech.wav"
sox -t f32 -r 44100 -c 2 "$work/demo/music.f32" -e floating-point -b 32 "$work/pad.wav"
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
