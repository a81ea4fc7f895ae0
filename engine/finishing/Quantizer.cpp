#include "engine/finishing/Quantizer.h"

#include <cmath>

namespace qm {

Quantizer::Quantizer(int bits, bool dither)
    : scale(std::ldexp(1.0, bits - 1)), lowest(-scale), highest(scale - 1.0), dithered(dither) {}

void Quantizer::convert(const float* samples, int* integers, std::size_t count, int shift) {
    for (std::size_t i = 0; i < count; ++i) {
        integers[i] = static_cast<int>(static_cast<std::int64_t>(round(samples[i])) * (std::int64_t{1} << shift));
    }
}

}  // namespace qm
