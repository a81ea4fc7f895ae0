#pragma once
// The integrated loudness of a stream (ITU-R BS.1770, EBU R128 gating) measured by libebur128.

#include <cstdint>
#include <vector>


namespace qmduck {

class LoudnessMeter {
public:
    // A meter for `channels` (1 or 2) channels at `sampleRateHz`.
    LoudnessMeter(int channels, int sampleRateHz);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    // Adds `frames` frames (a mono meter takes `left` alone).
    void add(const float* left, const float* right, std::int32_t frames);
    // The integrated loudness in LUFS so far; -infinity when nothing was loud enough to measure
    // (silence, or everything below the -70 LUFS gate).
    double integratedLufs() const;

private:
    // libebur128's state (ebur128_state*), kept opaque here.
    void* state;
    int channelCount;
    std::vector<float> interleaved;
};

}  // namespace qmduck
