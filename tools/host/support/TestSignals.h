#pragma once
// Deterministic test signals: the same samples on every platform and compiler, so that figures and
// failures reproduce.

#include <cmath>
#include <cstdint>
#include <vector>

namespace qmhost::signals {

// xorshift64*: a small generator whose output does not depend on the standard library.
class Random {
public:
    explicit Random(std::uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t next() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        return state * 0x2545F4914F6CDD1Dull;
    }
    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * 0x1p-53; }
    double between(double low, double high) { return low + (high - low) * unit(); }
    int below(int count) { return static_cast<int>(next() % static_cast<std::uint64_t>(count)); }

private:
    std::uint64_t state;
};

// White noise, uniform in [-level, level].
inline std::vector<float> noise(Random& random, std::size_t frames, double level) {
    std::vector<float> samples(frames);
    for (float& s : samples) s = static_cast<float>(random.between(-level, level));
    return samples;
}

// Speech-like: noise shaped by syllables of about 150 ms at random loudness, with pauses of up to
// half a second between words; `startFrame` continues the same utterance across blocks.
class SpeechLike {
public:
    explicit SpeechLike(std::uint64_t seed, double sampleRateHz = 44100.0) : random(seed), rate(sampleRateHz) {}
    std::vector<float> next(std::size_t frames) {
        std::vector<float> samples(frames);
        for (float& s : samples) {
            if (left == 0) startSegment();
            const double phase = 1.0 - static_cast<double>(left) / static_cast<double>(length);
            const double envelope = voiced ? loudness * std::sin(3.141592653589793 * phase) : 0.0;
            s = static_cast<float>(envelope * random.between(-1.0, 1.0));
            --left;
        }
        return samples;
    }

private:
    void startSegment() {
        voiced = random.unit() < 0.75;
        length = static_cast<std::size_t>(rate * (voiced ? random.between(0.06, 0.25) : random.between(0.02, 0.5)));
        if (length == 0) length = 1;
        left = length;
        loudness = std::pow(10.0, random.between(-30.0, 0.0) / 20.0);
    }

    Random random;
    double rate;
    bool voiced = false;
    std::size_t length = 1;
    std::size_t left = 0;
    double loudness = 0.0;
};

// A sine of `frequencyHz` at `levelDb` (peak, dBFS) from frame `startFrame` on.
inline std::vector<float> sine(std::size_t frames, double frequencyHz, double levelDb, std::size_t startFrame,
                               double sampleRateHz = 44100.0) {
    std::vector<float> samples(frames);
    const double amplitude = std::pow(10.0, levelDb / 20.0);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(startFrame + i) / sampleRateHz;
        samples[i] = static_cast<float>(amplitude * std::sin(2.0 * 3.141592653589793 * frequencyHz * t));
    }
    return samples;
}

}  // namespace qmhost::signals
