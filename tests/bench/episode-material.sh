#!/usr/bin/env bash
# Material for the finished-episode benches as the tool tests make it, at any length: a voice of
# espeak-ng sentences with pauses (mono 48 kHz, the eight sentences over and over) and a bed of
# chords and drums (stereo 48 kHz), both 16-bit WAV.
#   episode-material.sh FOLDER SECONDS     writes FOLDER/voice.wav and FOLDER/bed.wav
set -euo pipefail
folder=$(realpath -m "$1") seconds=$2
mkdir -p "$folder" && cd "$folder"
rm -f list.txt
for i in 1 2 3 4 5 6 7 8; do
  espeak-ng -s 165 -w "s$i.wav" "Welcome back to the show, part $i. Today we talk about gardens and light."
  ffmpeg -nostdin -v error -y -i "s$i.wav" -af apad=pad_dur=0.8 -ar 48000 "p$i.wav"
  echo "file 'p$i.wav'" >>list.txt
done
ffmpeg -nostdin -v error -y -stream_loop -1 -f concat -safe 0 -i list.txt -t "$seconds" -c:a pcm_s16le voice.wav
rm -f s?.wav p?.wav list.txt
chord="0.12*sin(2*PI*220*t)+0.1*sin(2*PI*277*t)+0.1*sin(2*PI*330*t)"
drums="+0.6*sin(2*PI*55*t)*exp(-12*mod(t,0.5))+0.5*(random(0)-0.5)*exp(-30*mod(t+0.25,0.5))"
ffmpeg -nostdin -v error -y -f lavfi -i "aevalsrc='$chord$drums|$chord$drums':s=48000:d=$seconds" -c:a pcm_s16le bed.wav
