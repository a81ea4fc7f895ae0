#pragma once
// The input signals of a validation session: silence, full scale, squares, DC, subnormal numbers,
// noise and sines, NaN and infinity bursts, and finite values near the largest float.

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "tools/host/validate/SessionRandom.h"

namespace qmhost::validate {

enum class Signal { Silence, FullScale, Square, Dc, Subnormal, NotANumber, Infinite, Noise, Sine, Huge };

inline const char* signalName(Signal signal) {
    static constexpr const char* kNames[] = {"silence", "full-scale", "square", "dc",   "subnormal",
                                             "nan",     "infinite",   "noise",  "sine", "huge"};
    return kNames[static_cast<int>(signal)];
}

// Mostly what music and speech look like to a plug-in; now and then what a broken one upstream sends.
inline Signal pickSignal(SessionRandom& random) {
    static constexpr Signal kSignals[] = {Signal::Silence,    Signal::FullScale, Signal::Square, Signal::Dc,
                                          Signal::Subnormal,  Signal::NotANumber, Signal::Infinite,
                                          Signal::Noise,      Signal::Sine,      Signal::Huge};
    return kSignals[random.weighted({8, 10, 6, 5, 4, 2, 2, 30, 20, 1})];
}

// A NaN: quiet with a random payload, now and then signalling.
inline float someNaN(SessionRandom& random) {
    const auto payload = static_cast<std::uint32_t>(random.next() >> 42) & 0x3FFFFFu;
    const bool signalling = random.chance(200) && payload != 0;
    const std::uint32_t bits = 0x7F800000u | (signalling ? payload : 0x400000u | payload) | (random.chance(500) ? 0x80000000u : 0u);
    return std::bit_cast<float>(bits);
}

// Fills `frames` samples of one channel with `signal`.
inline void fillSignal(float* samples, std::int32_t frames, Signal signal, SessionRandom& random) {
    const float level = static_cast<float>(std::pow(10.0, -random.unit() * 5.0));
    const float sign = random.chance(500) ? -1.0f : 1.0f;
    switch (signal) {
    case Signal::Silence:
        for (std::int32_t i = 0; i < frames; ++i) samples[i] = 0.0f;
        return;
    case Signal::FullScale:
        for (std::int32_t i = 0; i < frames; ++i) samples[i] = random.chance(500) ? 1.0f : -1.0f;
        return;
    case Signal::Square: {
        const std::int32_t period = random.between(2, 400);
        for (std::int32_t i = 0; i < frames; ++i) samples[i] = (i / period) % 2 == 0 ? level : -level;
        return;
    }
    case Signal::Dc:
        for (std::int32_t i = 0; i < frames; ++i) samples[i] = sign * level;
        return;
    case Signal::Subnormal:
        for (std::int32_t i = 0; i < frames; ++i) {
            samples[i] = std::bit_cast<float>(static_cast<std::uint32_t>(random.next() >> 41) |
                                              (random.chance(500) ? 0x80000000u : 0u));
        }
        return;
    case Signal::Huge:
        for (std::int32_t i = 0; i < frames; ++i) {
            samples[i] = (random.chance(500) ? -1.0f : 1.0f) * std::numeric_limits<float>::max() *
                         static_cast<float>(0.5 + 0.5 * random.unit());
        }
        return;
    case Signal::Sine: {
        const double step = 2.0 * 3.141592653589793 * (20.0 + random.unit() * 20000.0) / 48000.0;
        // A rotation per frame: cheaper than a sine per frame, and the same on every C library.
        const double c = std::cos(step);
        const double s = std::sin(step);
        double x = 1.0;
        double y = 0.0;
        for (std::int32_t i = 0; i < frames; ++i) {
            samples[i] = level * static_cast<float>(y);
            const double turned = x * c - y * s;
            y = x * s + y * c;
            x = turned;
        }
        return;
    }
    default:
        break;
    }
    // Noise, and the bursts on top of it.
    for (std::int32_t i = 0; i < frames; ++i) samples[i] = level * static_cast<float>(2.0 * random.unit() - 1.0);
    if (signal != Signal::NotANumber && signal != Signal::Infinite) return;
    const bool whole = random.chance(200);
    for (std::int32_t i = 0; i < frames; ++i) {
        if (!whole && !random.chance(20)) continue;
        samples[i] = signal == Signal::NotANumber ? someNaN(random)
                                                  : (random.chance(500) ? -1.0f : 1.0f) * std::numeric_limits<float>::infinity();
    }
}

}  // namespace qmhost::validate
