#include "cli/writing/Quantizer.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

namespace qmduck {

int Quantizer::bitsFor(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return 8;
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_ALAC_16: return 16;
    default: return 0;
    }
}

Quantizer::Quantizer(int bits, bool dither)
    : shift(32 - bits), scale(std::ldexp(1.0, bits - 1)), lowest(-scale), highest(scale - 1.0), dithered(dither) {}

double Quantizer::uniform() {
    // xorshift64*: fast, and its 53 top bits are evenly spread.
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return static_cast<double>((state * 0x2545f4914f6cdd1dULL) >> 11) * 0x1p-53;
}

void Quantizer::convert(const float* samples, int* integers, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const double value = static_cast<double>(samples[i]) * scale;
        double rounded = std::nearbyint(value);
        if (dithered && rounded != value) rounded = std::nearbyint(value + uniform() - uniform());
        rounded = std::clamp(rounded, lowest, highest);
        integers[i] = static_cast<int>(static_cast<std::int64_t>(rounded) * (std::int64_t{1} << shift));
    }
}

}  // namespace qmduck
