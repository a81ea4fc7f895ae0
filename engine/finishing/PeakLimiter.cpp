#include "engine/finishing/PeakLimiter.h"

#include <algorithm>
#include <cmath>

namespace qm {

PeakLimiter::PeakLimiter(const LimiterSettings& settings, int sampleRateHz)
    : ceiling(static_cast<float>(std::pow(10.0, settings.ceilingDb / 20.0))),
      attackFrames(std::max<std::int32_t>(1, static_cast<std::int32_t>(std::lround(settings.attackMs * sampleRateHz / 1000.0)))),
      releaseCoefficient(static_cast<float>(std::exp(-1000.0 / (settings.releaseMs * sampleRateHz)))),
      recent(static_cast<std::size_t>(attackFrames) + 1, 1.0f),
      recentSum(static_cast<double>(attackFrames) + 1.0) {
    for (auto& channel : delayed) channel.assign(static_cast<std::size_t>(latencyFrames()), 0.0f);
}

// One required gain in (for frame framesIn - kDelay); one gain out, for the frame attackFrames
// before it, into `gains`. The gain of frame t is the mean of the released look-ahead minima of
// frames t - attack .. t, each of which covers t: so it is at most what frame t requires.
void PeakLimiter::pushGain(float required) {
    const std::int64_t frame = framesIn;
    while (minimumFrames.size() > minimumHead && minimumGains.back() >= required) {
        minimumFrames.pop_back();
        minimumGains.pop_back();
    }
    minimumFrames.push_back(frame);
    minimumGains.push_back(required);
    while (minimumFrames[minimumHead] < frame - attackFrames) ++minimumHead;
    if (minimumHead > 4096) {
        minimumFrames.erase(minimumFrames.begin(), minimumFrames.begin() + static_cast<std::ptrdiff_t>(minimumHead));
        minimumGains.erase(minimumGains.begin(), minimumGains.begin() + static_cast<std::ptrdiff_t>(minimumHead));
        minimumHead = 0;
    }
    // The smallest need over frames frame - attack .. frame, for frame - attack.
    const float lookAhead = minimumGains[minimumHead];
    released = std::min(lookAhead, 1.0f - (1.0f - released) * releaseCoefficient);
    recentSum += static_cast<double>(released) - recent[recentAt];
    recent[recentAt] = released;
    recentAt = recentAt + 1 == recent.size() ? 0 : recentAt + 1;
    const float gain = std::min(static_cast<float>(recentSum / static_cast<double>(recent.size())), 1.0f);
    gains.push_back(gain);
    lowestGain = std::min(lowestGain, gain);
    ++framesIn;
}

void PeakLimiter::process(float* left, float* right, std::int32_t frames) {
    peaks.resize(static_cast<std::size_t>(frames));
    truePeak.process(left, right, frames, peaks.data());
    gains.clear();
    for (std::int32_t i = 0; i < frames; ++i) {
        const float peak = peaks[static_cast<std::size_t>(i)];
        pushGain(peak > ceiling ? ceiling / peak : 1.0f);
    }
    // gains[i] belongs to the frame latencyFrames() before input frame i: the delay line's oldest.
    float* channels[2] = {left, right};
    const std::size_t length = delayed[0].size();
    for (std::int32_t i = 0; i < frames; ++i) {
        const float gain = gains[static_cast<std::size_t>(i)];
        for (int c = 0; c < 2; ++c) {
            const float oldest = delayed[c][delayedAt];
            delayed[c][delayedAt] = channels[c][i];
            channels[c][i] = oldest * gain;
        }
        delayedAt = delayedAt + 1 == length ? 0 : delayedAt + 1;
    }
}

void PeakLimiter::flush(float* left, float* right) {
    std::fill_n(left, latencyFrames(), 0.0f);
    std::fill_n(right, latencyFrames(), 0.0f);
    process(left, right, latencyFrames());
}

double PeakLimiter::deepestReductionDb() const { return -20.0 * std::log10(std::max(lowestGain, 1e-10f)); }

}  // namespace qm
