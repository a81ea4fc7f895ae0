#pragma once
// Material for the finished-episode tests as podcasters have it: a voice made by espeak-ng
// (sentences with pauses) and a bed of chords and drums, in a test's folder.

#include <string>

#include "cli/ToolRun.h"

namespace qmduck::test {

// Makes voice.wav (mono, 48 kHz) and bed.wav (stereo chords and drums), `seconds` long, in
// `folder`; false when a tool failed.
inline bool makeEpisodeMaterial(const std::string& folder, int seconds) {
    const std::string voice =
        "for i in 1 2 3 4 5 6 7 8; do "
        "espeak-ng -s 165 -w s$i.wav \"Welcome back to the show, part $i. Today we talk about gardens and light.\" && "
        "ffmpeg -nostdin -v error -y -i s$i.wav -af apad=pad_dur=0.8 -ar 48000 p$i.wav && echo \"file 'p$i.wav'\" >>list.txt; "
        "done && ffmpeg -nostdin -v error -y -f concat -safe 0 -i list.txt -t " + std::to_string(seconds) +
        " -c:a pcm_s16le voice.wav && rm -f s?.wav p?.wav list.txt";
    const std::string chord = "0.12*sin(2*PI*220*t)+0.1*sin(2*PI*277*t)+0.1*sin(2*PI*330*t)";
    const std::string drums = "+0.6*sin(2*PI*55*t)*exp(-12*mod(t,0.5))+0.5*(random(0)-0.5)*exp(-30*mod(t+0.25,0.5))";
    const std::string bed = "ffmpeg -nostdin -v error -y -f lavfi -i \"aevalsrc='" + chord + drums + "|" + chord + drums +
                            "':s=48000:d=" + std::to_string(seconds) + "\" -c:a pcm_s16le bed.wav";
    return runShell(folder, voice).status == 0 && runShell(folder, bed).status == 0;
}

}  // namespace qmduck::test
