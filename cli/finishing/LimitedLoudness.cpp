#include "cli/finishing/LimitedLoudness.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>

namespace qmduck {
namespace {

constexpr double kPi = 3.14159265358979323846;
// BS.1770 blocks: 400 ms, a new one every 100 ms.
constexpr int kBinsPerStep = 100;
constexpr int kStepsPerBlock = 4;

double blockLoudness(double meanEnergy) { return -0.691 + 10.0 * std::log10(meanEnergy); }

}  // namespace

LimitedLoudness::LimitedLoudness(int channels, int sampleRateHz, const qm::LimiterSettings& settings)
    : channelCount(channels), binFrames(std::max(1, static_cast<int>(std::lround(sampleRateHz / 1000.0)))),
      attackBins(std::max(1, static_cast<int>(std::lround(settings.attackMs)))),
      releasePerBin(std::exp(-1.0 / settings.releaseMs)) {
    // BS.1770's two stages at this rate: the head's high shelf, then the RLB high-pass.
    const double rate = sampleRateHz;
    double k = std::tan(kPi * 1681.974450955533 / rate);
    const double q = 0.7071752369554196;
    const double vh = std::pow(10.0, 3.999843853973347 / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1.0 + k / q + k * k;
    shelf = {(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
             2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    k = std::tan(kPi * 38.13547087602444 / rate);
    const double q2 = 0.5003270373238773;
    a0 = 1.0 + k / q2 + k * k;
    highPass = {1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q2 + k * k) / a0};
}

void LimitedLoudness::closeBin() {
    binEnergies.push_back(static_cast<float>(energy));
    energy = 0.0;
    energyFrames = 0;
}

// Both channels' filters run in one loop: each channel's chain of dependent multiply-adds is
// bound by latency, and two independent chains side by side take little more time than one.
template <int kChannels>
void LimitedLoudness::weigh(const float* const* channels, std::int32_t frames) {
    const Biquad a = shelf;
    const Biquad b = highPass;
    double a1[kChannels], a2[kChannels], b1[kChannels], b2[kChannels], sum[kChannels];
    for (int c = 0; c < kChannels; ++c) {
        a1[c] = shelf.z1[c];
        a2[c] = shelf.z2[c];
        b1[c] = highPass.z1[c];
        b2[c] = highPass.z2[c];
        sum[c] = 0.0;
    }
    for (std::int32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < kChannels; ++c) {
            const double in = channels[c][i];
            const double y = a.b0 * in + a1[c];
            a1[c] = a.b1 * in - a.a1 * y + a2[c];
            a2[c] = a.b2 * in - a.a2 * y;
            const double k = b.b0 * y + b1[c];
            b1[c] = b.b1 * y - b.a1 * k + b2[c];
            b2[c] = b.b2 * y - b.a2 * k;
            sum[c] += k * k;
        }
    }
    for (int c = 0; c < kChannels; ++c) {
        shelf.z1[c] = a1[c];
        shelf.z2[c] = a2[c];
        highPass.z1[c] = b1[c];
        highPass.z2[c] = b2[c];
        energy += sum[c];
    }
}

void LimitedLoudness::add(const float* left, const float* right, std::int32_t frames) {
    // A bin's stretch at a time, the filters' state held in registers.
    for (std::int32_t done = 0; done < frames;) {
        const std::int32_t run = std::min(frames - done, binFrames - energyFrames);
        const float* channels[2] = {left + done, right + done};
        if (channelCount == 2) {
            weigh<2>(channels, run);
        } else {
            weigh<1>(channels, run);
        }
        done += run;
        energyFrames += run;
        if (energyFrames == binFrames) closeBin();
    }
    // The limiter's true peaks, which arrive kDelayFrames late.
    peaks.resize(static_cast<std::size_t>(frames));
    truePeak.process(left, channelCount == 2 ? right : left, frames, peaks.data());
    std::int32_t at = std::min(peaksToSkip, frames);
    peaksToSkip -= at;
    // A bin's stretch at a time.
    while (at < frames) {
        const std::int32_t run = std::min(frames - at, binFrames - peakFrames);
        for (const float value : std::span(peaks).subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(run))) {
            peak = std::max(peak, value);
        }
        largestPeak = std::max(largestPeak, peak);
        at += run;
        peakFrames += run;
        if (peakFrames == binFrames) {
            binPeaks.push_back(peak);
            peak = 0.0f;
            peakFrames = 0;
        }
    }
}

double LimitedLoudness::integratedLufs() const { return loudnessLufs(0.0, 0.0, false); }

double LimitedLoudness::truePeakDb() const { return qm::truePeakDb(largestPeak); }

double LimitedLoudness::loudnessLufs(double gainDb, double ceilingDb, bool limited) const {
    const double gain = std::pow(10.0, gainDb / 20.0);
    const double ceiling = std::pow(10.0, ceilingDb / 20.0);
    const std::size_t bins = binEnergies.size();
    const std::vector<float>& ahead = peaksAhead();
    const auto required = [&](std::size_t bin) {
        const double peakAt = bin < ahead.size() ? gain * ahead[bin] : 0.0;
        return peakAt > ceiling ? ceiling / peakAt : 1.0;
    };
    // The limiter's gain per bin: the smallest need over the look-ahead, released, then averaged.
    std::vector<double> steps;
    steps.reserve(bins / kBinsPerStep + 1);
    std::vector<double> released(static_cast<std::size_t>(attackBins) + 1, 1.0);
    double releasedSum = static_cast<double>(released.size());
    double last = 1.0;
    double stepEnergy = 0.0;
    for (std::size_t bin = 0; bin < bins; ++bin) {
        double applied = 1.0;
        if (limited) {
            last = std::min(required(bin), 1.0 - (1.0 - last) * releasePerBin);
            double& slot = released[bin % released.size()];
            releasedSum += last - slot;
            slot = last;
            applied = std::min(1.0, releasedSum / static_cast<double>(released.size()));
        }
        stepEnergy += applied * applied * binEnergies[bin];
        if ((bin + 1) % kBinsPerStep == 0) {
            steps.push_back(stepEnergy * gain * gain);
            stepEnergy = 0.0;
        }
    }
    // BS.1770 gating over the 400 ms blocks: absolute at -70 LUFS, then relative at -10 LU.
    const double blockFrames = static_cast<double>(binFrames) * kBinsPerStep * kStepsPerBlock;
    std::vector<double> blocks;
    for (std::size_t s = 0; s + kStepsPerBlock <= steps.size(); ++s) {
        const double mean = (steps[s] + steps[s + 1] + steps[s + 2] + steps[s + 3]) / blockFrames;
        if (mean > 0.0 && blockLoudness(mean) > -70.0) blocks.push_back(mean);
    }
    if (blocks.empty()) return -std::numeric_limits<double>::infinity();
    double sum = 0.0;
    for (double mean : blocks) sum += mean;
    const double relativeGate = blockLoudness(sum / static_cast<double>(blocks.size())) - 10.0;
    double gated = 0.0;
    std::size_t count = 0;
    for (double mean : blocks) {
        if (blockLoudness(mean) > relativeGate) {
            gated += mean;
            ++count;
        }
    }
    return count > 0 ? blockLoudness(gated / static_cast<double>(count)) : -std::numeric_limits<double>::infinity();
}

const std::vector<float>& LimitedLoudness::peaksAhead() const {
    if (aheadBins == binPeaks.size()) return largestAhead;
    // The largest peak over each bin and the look-ahead after it: the limiter's smallest need.
    largestAhead.assign(binPeaks.size(), 0.0f);
    for (std::size_t bin = 0; bin < binPeaks.size(); ++bin) {
        const std::size_t last = std::min(binPeaks.size(), bin + static_cast<std::size_t>(attackBins) + 1);
        largestAhead[bin] = *std::max_element(binPeaks.begin() + static_cast<std::ptrdiff_t>(bin),
                                              binPeaks.begin() + static_cast<std::ptrdiff_t>(last));
    }
    aheadBins = binPeaks.size();
    return largestAhead;
}

double LimitedLoudness::lossLu(double gainDb, double ceilingDb) const {
    const double open = loudnessLufs(gainDb, ceilingDb, false);
    const double limited = loudnessLufs(gainDb, ceilingDb, true);
    if (!std::isfinite(open) || !std::isfinite(limited)) return 0.0;
    return std::max(0.0, open - limited);
}

}  // namespace qmduck
