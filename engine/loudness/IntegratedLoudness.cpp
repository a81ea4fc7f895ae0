#include "engine/loudness/IntegratedLoudness.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qm {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kAbsoluteGateLufs = -70.0;
constexpr double kRelativeGateLu = -10.0;

double loudnessOf(double meanSquare) { return -0.691 + 10.0 * std::log10(meanSquare); }

}  // namespace

double IntegratedLoudness::Biquad::run(double x) {
    // Transposed direct form II.
    const double y = b0 * x + z1;
    z1 = b1 * x - a1 * y + z2;
    z2 = b2 * x - a2 * y;
    return y;
}

IntegratedLoudness::IntegratedLoudness(int channels, double sampleRateHz)
    : channelCount(channels == 1 ? 1 : 2),
      rateHz(sampleRateHz),
      stepFrames(static_cast<std::int32_t>((static_cast<std::int64_t>(std::llround(sampleRateHz)) + 5) / 10)) {
    // BS.1770's two stages derived for this rate (the 48 kHz coefficients of the recommendation
    // are these at 48 kHz): the head's high shelf, then the RLB high-pass.
    Biquad shelf;
    {
        const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
        const double k = std::tan(kPi * f0 / sampleRateHz);
        const double vh = std::pow(10.0, gainDb / 20.0);
        const double vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1.0 + k / q + k * k;
        shelf.b0 = (vh + vb * k / q + k * k) / a0;
        shelf.b1 = 2.0 * (k * k - vh) / a0;
        shelf.b2 = (vh - vb * k / q + k * k) / a0;
        shelf.a1 = 2.0 * (k * k - 1.0) / a0;
        shelf.a2 = (1.0 - k / q + k * k) / a0;
    }
    Biquad highPass;
    {
        const double f0 = 38.13547087602444, q = 0.5003270373238773;
        const double k = std::tan(kPi * f0 / sampleRateHz);
        const double a0 = 1.0 + k / q + k * k;
        highPass.b0 = 1.0;
        highPass.b1 = -2.0;
        highPass.b2 = 1.0;
        highPass.a1 = 2.0 * (k * k - 1.0) / a0;
        highPass.a2 = (1.0 - k / q + k * k) / a0;
    }
    shelves = {shelf, shelf};
    highPasses = {highPass, highPass};
}

void IntegratedLoudness::reset() { *this = IntegratedLoudness(channelCount, rateHz); }

double IntegratedLoudness::weighted(int channel, float sample) {
    return highPasses[channel].run(shelves[channel].run(static_cast<double>(sample)));
}

void IntegratedLoudness::add(const float* left, const float* right, std::int32_t frames) {
    for (std::int32_t i = 0; i < frames; ++i) {
        const double l = weighted(0, left[i]);
        double energy = l * l;
        if (channelCount == 2) {
            const double r = weighted(1, right[i]);
            energy += r * r;
        }
        stepEnergy += energy;
        if (++stepFill < stepFrames) continue;
        recentSteps[static_cast<std::size_t>(stepsDone % 4)] = stepEnergy;
        ++stepsDone;
        stepEnergy = 0.0;
        stepFill = 0;
        if (stepsDone >= 4) {
            const double sum = recentSteps[0] + recentSteps[1] + recentSteps[2] + recentSteps[3];
            blockEnergies.push_back(sum / (4.0 * stepFrames));
        }
    }
}

double IntegratedLoudness::integratedLufs() const {
    const double absoluteGate = std::pow(10.0, (kAbsoluteGateLufs + 0.691) / 10.0);
    double sum = 0.0;
    std::int64_t count = 0;
    for (const double energy : blockEnergies) {
        if (energy > absoluteGate) {
            sum += energy;
            ++count;
        }
    }
    if (count == 0) return -std::numeric_limits<double>::infinity();
    const double relativeGate = sum / static_cast<double>(count) * std::pow(10.0, kRelativeGateLu / 10.0);
    const double gate = std::max(relativeGate, absoluteGate);
    sum = 0.0;
    count = 0;
    for (const double energy : blockEnergies) {
        if (energy > gate) {
            sum += energy;
            ++count;
        }
    }
    if (count == 0) return -std::numeric_limits<double>::infinity();
    return loudnessOf(sum / static_cast<double>(count));
}

}  // namespace qm
