#pragma once
// Float samples rounded to the integers of a sample type of 16 bits or fewer, with TPDF dither
// (two uniform values of one step each, summed: the rounding error becomes a steady noise that
// no longer follows the signal) or without, so that WAV, FLAC, AIFF and every other integer
// output round alike. A sample already on the integer grid (digital silence, samples passed
// through unchanged) is written as it is. The dither's sequence is the same in every writer and
// every run: the same audio gives the same file.

#include <cstddef>
#include <cstdint>

namespace qmduck {

class Quantizer {
public:
    // The bits of libsndfile's sample type in `format` when they are 16 or fewer (then this
    // quantizer rounds for it); 0 for wider, float or coded types, which libsndfile converts.
    static int bitsFor(int format);

    // Rounds to `bits` bits (8 to 16), dithered when `dither`.
    Quantizer(int bits, bool dither);

    // Writes `count` samples (-1..1) as libsndfile's 32-bit integers: the rounded value in the
    // top `bits` bits, limited to the type's range.
    void convert(const float* samples, int* integers, std::size_t count);

private:
    // A uniform value in [0, 1).
    double uniform();

    int shift;
    double scale;
    double lowest;
    double highest;
    bool dithered;
    std::uint64_t state = 0x9e3779b97f4a7c15ULL;
};

}  // namespace qmduck
