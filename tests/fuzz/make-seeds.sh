#!/bin/sh
# Makes the seeds of the file tool's fuzzers in OUT: sound files of every type the tool reads,
# each 0.25 s or less, with sox and ffmpeg (reader/), the lists of seeds/*.tsv (lists/) and the
# command lines of seeds/options.txt (options/). Only these three folders of OUT are replaced: the
# other fuzzers' seeds live beside them.
#
# A reader seed is the file followed by the eight control bytes of ReaderFuzzer.cpp: how it is
# read (0 the input, 1 a key, 9 two keys), the extension's index, the reading (the block and the
# look-ahead) and the key's rate, then four bytes of a rate of its own. Every sound becomes one
# seed read as the input and one read as a key at another rate.
set -eu
out=$1
seeds=$2
work="$out/work"
rm -rf "$out/reader" "$out/lists" "$out/options" "$work"
mkdir -p "$out/reader" "$out/lists" "$out/options" "$work"

ff() { ffmpeg -nostdin -loglevel error -y "$@"; }
tone="sine=f=440:d=0.25:r=16000"
stereo="aevalsrc=sin(440*2*PI*t)|0.5*sin(660*2*PI*t):d=0.25:s=16000"
wide="aevalsrc=sin(220*2*PI*t)|sin(330*2*PI*t)|sin(440*2*PI*t)|0.1*sin(50*2*PI*t)|sin(550*2*PI*t)|sin(660*2*PI*t):d=0.2:s=16000:c=5.1"
video="testsrc=d=0.25:s=32x24:r=8"

sox -n -r 8000 -c 1 -b 16 "$work/mono16.wav" synth 0.25 sine 440
sox -n -r 44100 -c 2 -b 24 "$work/stereo24.wav" trim 0 0.1 synth 0.1 sine 440 sine 660
sox -n -r 16000 -c 2 -e floating-point -b 32 "$work/float.wav" synth 0.1 sine 440 sine 660
sox -n -r 8000 -c 1 -e a-law "$work/alaw.wav" synth 0.25 sine 440
sox -n -r 8000 -c 2 -b 8 -e unsigned "$work/u8.wav" synth 0.25 sine 440 sine 660
sox -n -r 8000 -c 3 -b 16 "$work/three.wav" synth 0.1 sine 440 sine 550 sine 660
sox -n -r 16000 -c 2 -b 16 "$work/stereo.aiff" synth 0.2 sine 440 sine 660
sox -n -r 16000 -c 1 -b 16 "$work/mono.flac" synth 0.25 sine 440
sox -n -r 8000 -c 1 -b 16 "$work/mono.au" synth 0.25 sine 440
sox -n -r 8000 -c 2 -b 16 "$work/stereo.w64" synth 0.1 sine 440 sine 660
ff -f lavfi -i "$stereo" -c:a libvorbis -q:a 0 "$work/stereo.ogg"
ff -f lavfi -i "$tone" -ar 48000 -c:a libopus -b:a 16k "$work/mono.opus"
ff -f lavfi -i "$tone" -c:a libmp3lame -b:a 24k "$work/mono.mp3"
ff -f lavfi -i "$stereo" -ar 44100 -c:a libmp3lame -b:a 64k "$work/stereo.mp3"
# A stream that turns from stereo to mono midway, as a joined broadcast recording does.
ff -f lavfi -i "$stereo" -c:a libmp3lame -b:a 32k "$work/part1.mp3"
ff -f lavfi -i "$tone" -c:a libmp3lame -b:a 32k "$work/part2.mp3"
cat "$work/part1.mp3" "$work/part2.mp3" > "$work/joined.mp3"
ff -f lavfi -i "$stereo" -c:a aac -b:a 32k -movflags +faststart "$work/stereo.m4a"
ff -f lavfi -i "$wide" -c:a aac -b:a 64k -movflags +faststart "$work/wide.m4a"
ff -f lavfi -i "$stereo" -c:a alac "$work/stereo.caf"
ff -f lavfi -i "$tone" -c:a aac -b:a 24k "$work/mono.aac"
ff -f lavfi -i "$video" -f lavfi -i "$stereo" -c:v mpeg4 -q:v 31 -c:a aac -b:a 32k -movflags +faststart -shortest \
  "$work/video.mp4"
ff -f lavfi -i "$video" -f lavfi -i "$wide" -c:v mpeg4 -q:v 31 -c:a flac -shortest "$work/video.mkv"
ff -f lavfi -i "$video" -f lavfi -i "$stereo" -ar 48000 -c:v libvpx -b:v 20k -c:a libopus -b:a 16k -shortest \
  "$work/video.webm"
ff -i "$work/joined.mp3" -c copy "$work/joined.mka"

# The extension indices of ReaderFuzzer.cpp.
index() {
  case $1 in
    wav) echo 0 ;; aiff) echo 1 ;; flac) echo 2 ;; ogg) echo 3 ;; opus) echo 4 ;; mp3) echo 5 ;;
    m4a) echo 6 ;; caf) echo 7 ;; mp4) echo 8 ;; mkv) echo 9 ;; webm) echo 10 ;; aac) echo 11 ;;
    w64) echo 12 ;; au) echo 13 ;; mka) echo 14 ;; *) echo 15 ;;
  esac
}
octal() { printf '\\%03o' "$1"; }
for file in "$work"/*; do
  name=${file##*/}
  case $name in part*) continue ;; esac
  extension=$(index "${name##*.}")
  { cat "$file"; printf "$(octal 0)$(octal "$extension")$(octal 0)$(octal 0)\\000\\000\\000\\000"; } \
    > "$out/reader/$name.input"
  # As a key: blocks of 4096 frames, read 3573 frames ahead, resampled to 44.1 kHz.
  { cat "$file"; printf "$(octal 1)$(octal "$extension")$(octal 37)$(octal 1)\\000\\000\\000\\000"; } \
    > "$out/reader/$name.key"
done
rm -rf "$work"

# Lists: shard 1 of 1 and 2 of 3.
for list in "$seeds"/*.tsv; do
  name=${list##*/}
  { cat "$list"; printf '\000\000'; } > "$out/lists/$name.1-1"
  { cat "$list"; printf '\001\002'; } > "$out/lists/$name.2-3"
done

# Command lines: one a line, arguments separated by single spaces, become NUL-separated.
number=0
while IFS= read -r line; do
  number=$((number + 1))
  printf '%s' "$line" | tr ' ' '\000' > "$out/options/line-$number"
done < "$seeds/options.txt"
