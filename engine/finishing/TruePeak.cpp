#include "engine/finishing/TruePeak.h"

#include <algorithm>
#include <cmath>


namespace qm {
namespace {

// Kaiser window of shape `beta` at x in -1..1.
double kaiser(double x, double beta) {
    const auto bessel = [](double v) {
        double sum = 1.0, term = 1.0;
        for (int k = 1; k < 30; ++k) {
            term *= (v / (2.0 * k)) * (v / (2.0 * k));
            sum += term;
        }
        return sum;
    };
    return bessel(beta * std::sqrt(std::max(0.0, 1.0 - x * x))) / bessel(beta);
}

}  // namespace

TruePeak::TruePeak(const qm::KernelSet& chosen) : kernels(&chosen) {
    constexpr double kBeta = 3.0;
    // The frame after which a point is interpolated sits at tap kDelayFrames - 1 of the window.
    for (int p = 0; p < 3; ++p) {
        const double offset = (p + 1) / 4.0;
        double sum = 0.0;
        for (int j = 0; j < kTaps; ++j) {
            const double t = offset - (j - (kDelayFrames - 1));
            const double sinc = t == 0.0 ? 1.0 : std::sin(M_PI * t) / (M_PI * t);
            const double value = sinc * kaiser(t / kDelayFrames, kBeta);
            filters[static_cast<std::size_t>(p)][static_cast<std::size_t>(j)] = static_cast<float>(value);
            sum += value;
        }
        // Unity gain at 0 Hz: a constant is its own true peak.
        for (float& tap : filters[static_cast<std::size_t>(p)]) tap = static_cast<float>(tap / sum);
    }
    for (auto& channel : history) channel.assign(kTaps - 1, 0.0f);
}

void TruePeak::process(const float* left, const float* right, std::int32_t frames, float* peaks) {
    const float* inputs[2] = {left, right};
    std::fill_n(peaks, frames, 0.0f);
    for (int c = 0; c < 2; ++c) {
        std::vector<float>& buffer = history[c];
        buffer.insert(buffer.end(), inputs[c], inputs[c] + frames);
        kernels->truePeaks(filters, buffer.data(), frames, peaks);
        buffer.erase(buffer.begin(), buffer.end() - (kTaps - 1));
    }
}

double truePeakDb(double magnitude) { return magnitude > 1e-10 ? 20.0 * std::log10(magnitude) : -200.0; }

}  // namespace qm
