#include "cli/writing/EncoderProbe.h"

#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <thread>

#include "cli/finishing/LoudnessMeter.h"
#include "engine/finishing/PeakLimiter.h"
#include "cli/writing/EncodedCheck.h"

namespace qmduck {
namespace {

struct Trial {
    double limitedLufs = 0.0;
    double decodedLufs = 0.0;
    double decodedPeakDb = -200.0;
    std::string error;
};

// `audio` at `gain`, limited under `ceilingDb`, measured, encoded in memory and decoded again.
Trial tryEncoding(std::vector<float> audio[2], EncodedType type, int channels, int rateHz, int bitrateKbps, float gain,
                  double ceilingDb) {
    Trial trial;
    const auto frames = static_cast<std::int32_t>(audio[0].size());
    if (frames == 0) return trial;
    for (int c = 0; c < 2; ++c) {
        for (float& sample : audio[c]) sample *= gain;
    }
    qm::LimiterSettings settings;
    settings.ceilingDb = ceilingDb;
    qm::PeakLimiter limiter(settings, rateHz);
    const std::int32_t latency = limiter.latencyFrames();
    for (int c = 0; c < 2; ++c) audio[c].resize(static_cast<std::size_t>(frames + latency), 0.0f);
    limiter.process(audio[0].data(), audio[1].data(), frames);
    limiter.flush(audio[0].data() + frames, audio[1].data() + frames);
    const float* left = audio[0].data() + latency;
    const float* right = audio[1].data() + latency;

    LoudnessMeter meter(channels, rateHz);
    meter.add(left, right, frames);
    trial.limitedLufs = meter.integratedLufs();
    const int descriptor = memfd_create("quellmar-duck-trial", MFD_CLOEXEC);
    if (descriptor < 0) {
        trial.error = "cannot make a file in memory";
        return trial;
    }
    EncodedCheck check;
    FfmpegEncoder encoder(descriptor, type, channels, rateHz, bitrateKbps, Tags{}, &check);
    if (!encoder.write(left, right, frames) || !encoder.finish() || !check.error().empty()) {
        trial.error = !check.error().empty() ? check.error() : encoder.error();
        return trial;
    }
    trial.decodedLufs = check.integratedLufs();
    trial.decodedPeakDb = check.truePeakDb();
    return trial;
}

// The largest magnitude of `frames` samples (0 for none), in eight lanes that the compiler keeps
// in one vector register: one chain of maxima would wait on itself at every sample.
float peakOf(const float* samples, std::int32_t frames) {
    constexpr int kLanes = 8;
    std::array<float, kLanes> lanes{};
    std::int32_t i = 0;
    for (; i + kLanes <= frames; i += kLanes) {
        for (int j = 0; j < kLanes; ++j) lanes[j] = std::max(lanes[j], std::fabs(samples[i + j]));
    }
    for (; i < frames; ++i) lanes[0] = std::max(lanes[0], std::fabs(samples[i]));
    return *std::max_element(lanes.begin(), lanes.end());
}

}  // namespace

EncoderProbe::EncoderProbe(std::int64_t startFrame, int sampleRateHz)
    : start(startFrame), length(static_cast<std::int64_t>(kStretchSeconds * sampleRateHz)), rateHz(sampleRateHz),
      windowFrames(static_cast<std::int64_t>(kWindowSeconds * sampleRateHz)) {}

void EncoderProbe::closeWindow() {
    if (loudest.size() < static_cast<std::size_t>(kPeakWindows)) {
        loudest.push_back(std::move(current));
    } else {
        auto quietest = std::min_element(loudest.begin(), loudest.end(),
                                         [](const Window& a, const Window& b) { return a.peak < b.peak; });
        if (quietest->peak < current.peak) std::swap(*quietest, current);
    }
    current.peak = 0.0f;
    for (auto& channel : current.audio) channel.clear();
}

void EncoderProbe::add(const float* left, const float* right, std::int32_t frames) {
    const float* channels[2] = {left, right};
    for (std::int32_t done = 0; done < frames;) {
        const auto take = static_cast<std::int32_t>(
            std::min<std::int64_t>(frames - done, windowFrames - static_cast<std::int64_t>(current.audio[0].size())));
        for (int c = 0; c < 2; ++c) {
            current.audio[c].insert(current.audio[c].end(), channels[c] + done, channels[c] + done + take);
            current.peak = std::max(current.peak, peakOf(channels[c] + done, take));
        }
        done += take;
        if (static_cast<std::int64_t>(current.audio[0].size()) == windowFrames) closeWindow();
    }
    const std::int64_t from = std::max<std::int64_t>(start - seen, 0);
    const std::int64_t to = std::min<std::int64_t>(start + length - seen, frames);
    seen += frames;
    if (from >= to) return;
    for (int c = 0; c < 2; ++c) stretch[c].insert(stretch[c].end(), channels[c] + from, channels[c] + to);
}

EncoderProbe::Result EncoderProbe::run(EncodedType type, int channels, int bitrateKbps, double gainDb,
                                       double ceilingDb) const {
    const float gain = static_cast<float>(std::pow(10.0, gainDb / 20.0));
    std::vector<float> audio[2] = {stretch[0], stretch[1]};
    // The windows one after another, each with a short silence after it.
    std::vector<float> windows[2];
    const auto gap = static_cast<std::size_t>(rateHz / 20);
    for (const Window& window : loudest) {
        for (int c = 0; c < 2; ++c) {
            windows[c].insert(windows[c].end(), window.audio[c].begin(), window.audio[c].end());
            windows[c].insert(windows[c].end(), gap, 0.0f);
        }
    }
    // The two trials side by side: nothing else runs while the writing pass waits for them.
    Trial peaks;
    std::thread peaksTrial([&] { peaks = tryEncoding(windows, type, channels, rateHz, bitrateKbps, gain, ceilingDb); });
    const Trial middle = tryEncoding(audio, type, channels, rateHz, bitrateKbps, gain, ceilingDb);
    peaksTrial.join();
    Result result;
    result.error = !middle.error.empty() ? middle.error : peaks.error;
    result.limitedLufs = middle.limitedLufs;
    result.decodedLufs = middle.decodedLufs;
    result.decodedPeakDb = std::max(middle.decodedPeakDb, peaks.decodedPeakDb);
    return result;
}

}  // namespace qmduck
