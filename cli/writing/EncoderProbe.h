#pragma once
// What the encoder will do to the finished episode, found before writing it: while the loudness
// is measured, a stretch from the middle of the mix and its loudest moments (the windows with
// the highest peaks, where the limiter works hardest and an encoder overshoots most) are kept;
// then they are limited at the planned gain, encoded and decoded again as the output will be.
// The loudness the encoder takes off and the peaks it adds there are what the writing pass plans
// for, so that the check of the written file confirms rather than corrects.

#include <cstdint>
#include <string>
#include <vector>

#include "cli/writing/FfmpegEncoder.h"

namespace qmduck {

class EncoderProbe {
public:
    // The stretch kept for the loudness, in seconds: enough for a stable figure, little to encode.
    static constexpr double kStretchSeconds = 15.0;
    // The loudest windows kept for the peaks: how many, and how long each is.
    static constexpr int kPeakWindows = 16;
    static constexpr double kWindowSeconds = 1.0;

    // Keeps the stretch that starts `startFrame` frames into the stream.
    EncoderProbe(std::int64_t startFrame, int sampleRateHz);

    // Writing thread: the next `frames` frames of the mix, before the loudness gain.
    void add(const float* left, const float* right, std::int32_t frames);
    bool empty() const { return stretch[0].empty(); }

    struct Result {
        // The stretch after the gain and the limiter (LUFS), the same decoded (LUFS); the largest
        // decoded true peak of the stretch and the windows (dBTP).
        double limitedLufs = 0.0;
        double decodedLufs = 0.0;
        double decodedPeakDb = 0.0;
        std::string error;
    };
    // The kept audio at `gainDb`, limited under `ceilingDb` (dBTP), encoded as `type` at
    // `bitrateKbps` (0: its default) with `channels` channels, and decoded.
    Result run(EncodedType type, int channels, int bitrateKbps, double gainDb, double ceilingDb) const;

private:
    struct Window {
        float peak = 0.0f;
        std::vector<float> audio[2];
    };
    void closeWindow();

    std::int64_t start;
    std::int64_t length;
    int rateHz;
    std::int64_t windowFrames;
    std::int64_t seen = 0;
    std::vector<float> stretch[2];
    // The window being filled, and the loudest ones so far (at most kPeakWindows).
    Window current;
    std::vector<Window> loudest;
};

}  // namespace qmduck
