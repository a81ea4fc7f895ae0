#include "engine/TimeConstant.h"

#include <cmath>

#include "engine/kernels/ScalarMath.h"

namespace qm {

TimeConstant::TimeConstant(double timeMs, double sampleRateHz) : sampleRateHz(sampleRateHz), timeMs(timeMs) {
    recompute();
}

// Both setters run once per audio block; an unchanged value costs nothing.
void TimeConstant::setTime(double ms) {
    if (ms == timeMs) return;
    timeMs = ms;
    recompute();
}

double TimeConstant::getTime() { return timeMs; }

void TimeConstant::setSampleRate(double hz) {
    if (hz == sampleRateHz) return;
    sampleRateHz = hz;
    recompute();
}

double TimeConstant::getSampleRate() { return sampleRateHz; }

void TimeConstant::recompute() {
    const double samples = timeMs * sampleRateHz * 0.001;
    if (std::isnan(samples) || samples <= 0.0) {
        coefficient = 0.0;
    } else {
        coefficient = math::expOf(-1.0 / samples);
    }
}

}  // namespace qm
