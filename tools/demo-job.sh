#!/usr/bin/env bash
# The demo's job, after the build: our Windows host program loads dist/win32/QuellmarV3.dll under
# Wine, runs a sender carrying speech and a listener on Alpha in duck mode carrying music, and
# saves the listener's editor while it ducks; quellmar-duck draws the listener's gain over time
# and makes the finished episode of the same speech and music; headless Chromium saves the page
# with the same speech and music loaded, previewing.
#   demo-job.sh [OUT_FOLDER [WORK_FOLDER]]   (default out/ and build/demo/)
# $QM_WINEPREFIX, when set, names the Wine prefix to use (made if missing); $QM_BUILD_DIR the
# build folder (default build/).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-out}")
audio=$(realpath -m "${2:-build/demo}")
build=$(realpath -m "${QM_BUILD_DIR:-build}")
source tools/wine-env.sh

bash tools/make-demo-audio.sh "$audio"
sh tools/run-under-xvfb.sh wine "$build/win32/quellmar_host.exe" render "Z:$PWD/dist/win32/QuellmarV3.dll" \
    "Z:$audio/key.f32" "Z:$audio/music.f32" "Z:$audio/ducked.f32" "Z:$audio/editor.bmp"
wineserver -w

mkdir -p "$out"
raw=(-t f32 -r 44100 -c 2)
sox "${raw[@]}" "$audio/ducked.f32" -b 16 "$out/quellmar-demo-ducked.wav"
sox -m "${raw[@]}" "$audio/ducked.f32" "${raw[@]}" "$audio/key.f32" -b 16 "$out/quellmar-demo-mix.wav" norm -1
convert "$audio/editor.bmp" "$out/editor.png"

# The same key, music and listener settings as the render job: 10 ms attack, 300 ms release, -30 dB.
sox "${raw[@]}" "$audio/key.f32" -e floating-point -b 32 "$audio/key.wav"
sox "${raw[@]}" "$audio/music.f32" -e floating-point -b 32 "$audio/music.wav"
dist/linux-x86_64/quellmar-duck --key "$audio/key.wav" "$audio/music.wav" -o "$audio/ducked-by-tool.wav" \
    --mode duck --param 6=0.0707 --param 7=0.5477 --param 9=0.3125 --quiet --plot "$out/quellmar-demo-gain.png"
# The finished episode in one command: ducked, mixed, at -16 LUFS with peaks under -1 dBTP, as MP3.
dist/linux-x86_64/quellmar-duck --key "$audio/key.wav" --preset podcast "$audio/music.wav" \
    -o "$out/quellmar-demo-episode.mp3" --quiet
# The page in the browser with the same speech and music, previewing with the podcast preset.
node tools/web/page-picture.mjs dist/web "$build/web-npm/node_modules" "$audio/key.wav" "$audio/music.wav" \
    "$out/web.png" >/dev/null

echo "The listener's ducked music: $out/quellmar-demo-ducked.wav"
echo "The same with the speech that ducks it: $out/quellmar-demo-mix.wav"
echo "The listener's editor while it ducks: $out/editor.png"
echo "The listener's gain over time (quellmar-duck --plot): $out/quellmar-demo-gain.png"
echo "The finished episode (quellmar-duck --preset podcast): $out/quellmar-demo-episode.mp3"
echo "The page in the browser with the same sounds (dist/web/): $out/web.png"
