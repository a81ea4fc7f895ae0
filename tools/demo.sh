#!/usr/bin/env bash
# The main job: builds everything, then our Windows host program loads dist/win32/QuellmarV3.dll
# under Wine, runs a sender carrying speech and a listener on Alpha in duck mode carrying music,
# writes the listener's ducked output (and a mix with the speech) as WAV files into out/, and a
# screenshot of the listener's editor while it ducks as out/editor.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/build.sh
source tools/wine-env.sh

audio=build/demo
bash tools/make-demo-audio.sh "$audio"
sh tools/run-under-xvfb.sh wine build/win32/quellmar_host.exe render "Z:$PWD/dist/win32/QuellmarV3.dll" \
    "Z:$PWD/$audio/key.f32" "Z:$PWD/$audio/music.f32" "Z:$PWD/$audio/ducked.f32" "Z:$PWD/$audio/editor.bmp"
wineserver -w

mkdir -p out
raw=(-t f32 -r 44100 -c 2)
sox "${raw[@]}" "$audio/ducked.f32" -b 16 out/quellmar-demo-ducked.wav
sox -m "${raw[@]}" "$audio/ducked.f32" "${raw[@]}" "$audio/key.f32" -b 16 out/quellmar-demo-mix.wav norm -1
convert "$audio/editor.bmp" out/editor.png
echo "The listener's ducked music: $PWD/out/quellmar-demo-ducked.wav"
echo "The same with the speech that ducks it: $PWD/out/quellmar-demo-mix.wav"
echo "The listener's editor while it ducks: $PWD/out/editor.png"
