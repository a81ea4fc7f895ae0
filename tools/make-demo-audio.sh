#!/usr/bin/env bash
# Makes the demo's two signals in folder $1 as raw float32 stereo at 44100 Hz:
# key.f32, a spoken sentence with two short pauses, and music.f32, a sustained chord pad.
set -euo pipefail
dir=$1
mkdir -p "$dir"
raw=(-t f32 -r 44100 -c 2)

espeak-ng -s 150 -w "$dir/speech1.wav" "Every instance publishes its input on its own slot."
espeak-ng -s 150 -w "$dir/speech2.wav" "A listener on Alpha ducks the music while I speak."
sox -n -r 22050 -c 1 "$dir/pause.wav" trim 0 1.2
sox "$dir/pause.wav" "$dir/speech1.wav" "$dir/pause.wav" "$dir/speech2.wav" "$dir/pause.wav" \
    "${raw[@]}" "$dir/key.f32" rate 44100 channels 2 norm -1
seconds=$(sox "${raw[@]}" "$dir/key.f32" -n stat 2>&1 | awk '/Length \(seconds\)/ {print $3}')

sox -n "${raw[@]}" "$dir/music.f32" \
    synth "$seconds" sawtooth 110 sawtooth 164.81 sawtooth 220 sawtooth 277.18 \
    remix 1,3 2,4 lowpass 1200 tremolo 0.5 30 norm -6
