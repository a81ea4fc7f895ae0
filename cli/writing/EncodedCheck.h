#pragma once
// The check of an encoded output while it is made: every packet the encoder makes is decoded
// again on a thread of its own by FFmpeg's decoder for the type, as a player decodes the
// finished file (the encoder's delay dropped at the start, its padding cut at the end), and the
// decoded audio's integrated loudness and largest true peak are measured. The audio measured is
// the same whichever thread runs ahead: the newest decoded samples wait until the end is known.

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "cli/SlotRing.h"
#include "cli/finishing/LoudnessMeter.h"
#include "engine/finishing/TruePeak.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

namespace qmduck {

class EncodedCheck {
public:
    EncodedCheck();
    // Stops the decoding thread if finish() was not reached (a failed encoding).
    ~EncodedCheck();
    EncodedCheck(const EncodedCheck&) = delete;
    EncodedCheck& operator=(const EncodedCheck&) = delete;

    // Encoder's thread, once the encoder is open: opens its decoder and starts decoding. False
    // (see error()) when the decoder cannot be opened.
    bool start(const AVCodecContext* encoder);
    // Encoder's thread: a packet the encoder just made; the check keeps its own reference.
    void add(const AVPacket* packet);
    // Encoder's thread, after the last packet: `samples` is how many frames the encoder was given
    // (at its own rate). Waits until everything is decoded and measured; false on a failure.
    bool finish(std::int64_t samples);

    // After finish(): why the check failed, or empty.
    const std::string& error() const { return failure; }
    // After finish(): the decoded audio's integrated loudness in LUFS (-infinity when nothing
    // was loud enough to measure) and its true peak in dBTP.
    double integratedLufs() const;
    double truePeakDb() const;

private:
    void run();
    bool decode(const AVPacket* packet);
    bool receiveFrames();
    bool hold(const AVFrame* frame);
    void measureHeld(std::int64_t frames);

    std::unique_ptr<LoudnessMeter> meter;
    qm::TruePeak truePeak;
    float largestPeak = 0.0f;
    AVCodecContext* decoder = nullptr;
    SwrContext* converter = nullptr;
    AVFrame* frame = nullptr;
    std::vector<AVPacket*> packets;
    SlotRing ring;
    std::thread thread;
    int channels = 0;
    // Decoded frames still to drop (the encoder's delay), and how many the encoder was given.
    std::int64_t toSkip = 0;
    std::int64_t total = std::numeric_limits<std::int64_t>::max();
    std::int64_t measured = 0;
    // Decoded frames not yet measured, one vector a channel, and scratch for the estimates.
    std::vector<float> held[2];
    std::vector<float> peaks;
    bool addFailed = false;
    std::string failure;
};

}  // namespace qmduck
