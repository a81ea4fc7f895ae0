#pragma once
// Float samples rounded to the integers of a sample type of 16 bits or fewer, with TPDF dither
// (two uniform values of one step each, summed: the rounding error becomes a steady noise that
// no longer follows the signal) or without, so that every integer output, the file tool's and the
// page's, rounds alike. A sample already on the integer grid (digital silence, samples passed
// through unchanged) is written as it is. The dither's sequence is the same in every writer and
// every run: the same audio gives the same file. Each sample draws its dither whether it uses it
// or not, so the sequence follows the samples' positions: audio a rounding apart (the page's
// float gains against the tool's) keeps the same dither on every later sample.

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace qm {

class Quantizer {
public:
    // Rounds to `bits` bits (8 to 16), dithered when `dither`.
    Quantizer(int bits, bool dither);

    // One sample (-1..1) rounded, limited to the type's range.
    int round(float sample) {
        const double value = static_cast<double>(sample) * scale;
        double rounded = std::nearbyint(value);
        if (dithered) {
            const double noise = uniform() - uniform();
            if (rounded != value) rounded = std::nearbyint(value + noise);
        }
        return static_cast<int>(rounded < lowest ? lowest : rounded > highest ? highest : rounded);
    }

    // `count` samples rounded, each shifted left by `shift` bits (libsndfile's 32-bit integers
    // carry the value in their top bits).
    void convert(const float* samples, int* integers, std::size_t count, int shift = 0);

private:
    // A uniform value in [0, 1).
    double uniform() {
        // xorshift64*: fast, and its 53 top bits are evenly spread.
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return static_cast<double>((state * 0x2545f4914f6cdd1dULL) >> 11) * 0x1p-53;
    }

    double scale;
    double lowest;
    double highest;
    bool dithered;
    std::uint64_t state = 0x9e3779b97f4a7c15ULL;
};

}  // namespace qm
