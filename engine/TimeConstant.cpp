#include "engine/TimeConstant.h"

#include <cmath>

namespace qm {

TimeConstant::TimeConstant(double timeMs, double sampleRateHz) : sampleRateHz(sampleRateHz), timeMs(timeMs) {
    recompute();
}

void TimeConstant::setTime(double ms) {
    timeMs = ms;
    recompute();
}

double TimeConstant::getTime() { return timeMs; }

void TimeConstant::setSampleRate(double hz) {
    sampleRateHz = hz;
    recompute();
}

double TimeConstant::getSampleRate() { return sampleRateHz; }

void TimeConstant::recompute() {
    const double samples = timeMs * sampleRateHz * 0.001;
    if (std::isnan(samples) || samples <= 0.0) {
        coefficient = 0.0;
    } else {
        coefficient = std::exp2(-1.0 / samples * 1.4426950408889634);
    }
}

}  // namespace qm
