#!/usr/bin/env bash
# Where the finished episode's time goes, beside ffmpeg's encoding in the same run: ffmpeg
# encoding the input alone (the floor) and encoding the tool's own finished mix (the same
# encoder on what the tool hands it), the whole job's wall and processor time, and each stage
# run alone on one thread (quellmar_finish_stages). Figures are reported, never asserted.
#   finish-stages.sh QUELLMAR_DUCK BENCH_FILES_HELPER STAGES_HELPER WORK_FOLDER [SECONDS]
set -euo pipefail
duck=$(realpath "$1") helper=$(realpath "$2") stages=$(realpath "$3") work=$(realpath -m "$4") seconds=${5:-600}
mkdir -p "$work"
music="$work/music.wav" voice="$work/voice.wav"
"$helper" make "$music" "$voice" "$seconds"
"$duck" --quiet --key "$voice" --preset podcast "$music" -o "$work/finished.wav" --format wav:float
timed() { /usr/bin/time -f "%e s wall, %U s user, %S s system" "$@" 2>&1 >/dev/null | tail -1; }
echo "$((seconds / 60)) minutes, stereo 48 kHz, MP3 at 128 kbps ($(nproc) cores)"
printf '  %-58s %s\n' "ffmpeg encoding the input alone" \
  "$(timed ffmpeg -nostdin -v error -y -i "$music" -c:a libmp3lame -b:a 128k "$work/encode.mp3")"
printf '  %-58s %s\n' "ffmpeg encoding the tool's finished mix (float WAV)" \
  "$(timed ffmpeg -nostdin -v error -y -i "$work/finished.wav" -c:a libmp3lame -b:a 128k "$work/encode-mix.mp3")"
printf '  %-58s %s\n' "quellmar-duck --preset podcast -o episode.mp3" \
  "$(timed "$duck" --quiet --key "$voice" --preset podcast "$music" -o "$work/episode.mp3")"
printf '  %-58s %s\n' "--preset standard --mix --true-peak -1 (no first pass)" \
  "$(timed "$duck" --quiet --key "$voice" --preset standard --mix --true-peak -1 "$music" -o "$work/episode.mp3")"
echo
"$stages" "$music" "$voice" "$work"
rm -rf "$work"
