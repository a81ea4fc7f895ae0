#include "cli/finishing/LoudnessMeter.h"

#include <ebur128.h>

#include <cmath>
#include <limits>

namespace qmduck {

LoudnessMeter::LoudnessMeter(int channels, int sampleRateHz)
    : state(ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(sampleRateHz), EBUR128_MODE_I)),
      channelCount(channels) {}

namespace {
ebur128_state* meterOf(void* state) { return static_cast<ebur128_state*>(state); }
}  // namespace

LoudnessMeter::~LoudnessMeter() {
    auto* meter = meterOf(state);
    if (meter != nullptr) ebur128_destroy(&meter);
}

void LoudnessMeter::add(const float* left, const float* right, std::int32_t frames) {
    if (state == nullptr || frames <= 0) return;
    if (channelCount == 1) {
        ebur128_add_frames_float(meterOf(state), left, static_cast<std::size_t>(frames));
        return;
    }
    interleaved.resize(2 * static_cast<std::size_t>(frames));
    for (std::int32_t i = 0; i < frames; ++i) {
        interleaved[2 * static_cast<std::size_t>(i)] = left[i];
        interleaved[2 * static_cast<std::size_t>(i) + 1] = right[i];
    }
    ebur128_add_frames_float(meterOf(state), interleaved.data(), static_cast<std::size_t>(frames));
}

double LoudnessMeter::integratedLufs() const {
    double lufs = -std::numeric_limits<double>::infinity();
    if (state == nullptr || ebur128_loudness_global(meterOf(state), &lufs) != EBUR128_SUCCESS || !std::isfinite(lufs)) {
        return -std::numeric_limits<double>::infinity();
    }
    return lufs;
}

}  // namespace qmduck
