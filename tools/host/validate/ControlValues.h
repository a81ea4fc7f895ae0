#pragma once
// The control values a session sends: what hosts and users send (0..1, the switches' exact
// values) and what broken automation sends (outside 0..1, NaN, infinities, subnormal numbers). They
// are drawn in the stored 0..1 form that hosts automate in, and reach a driver in user units on the
// extended curve, which gives every stored value back bit for bit.

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/ControlTable.h"
#include "tools/host/validate/Signals.h"

namespace qmhost::validate {

inline float chooseControlValue(SessionRandom& random) {
    static constexpr float kExact[] = {0.0f, 1.0f, 0.5f, 0.49999997f, 0.999f, 1.0000001f, -0.0f};
    switch (random.weighted({40, 20, 8, 8, 4, 4, 4, 4})) {
    case 0: return static_cast<float>(random.unit());
    case 1: return kExact[random.below(7)];
    case 2: return static_cast<float>((random.unit() - 0.5) * 20.0);
    case 3: return someNaN(random);
    case 4: return (random.chance(500) ? -1.0f : 1.0f) * std::numeric_limits<float>::infinity();
    case 5: return std::bit_cast<float>(static_cast<std::uint32_t>(random.next() >> 41));
    case 6: return (random.chance(500) ? -1.0f : 1.0f) * static_cast<float>(std::pow(10.0, random.unit() * 38.0));
    default: return std::nextafter(1.0f, random.chance(500) ? 2.0f : 0.0f);
    }
}

// The value of control `id` (user units, extended curve) whose stored form is `stored`.
inline double controlAtStored(qm::ControlId id, float stored) { return qm::extendedControlValueFor(id, stored); }

// The stored form of `value` of control `id`: what the session hashes of a control it read back,
// as it has since it read the stored form itself (the recorded hashes stay valid).
inline float storedFormOf(qm::ControlId id, double value) { return qm::parameterValueForExtended(id, value); }

// Whether `got` is what the host set, `sent`: the same bits; a 32-bit x86 host receives floating
// point results in an x87 register, which turns a signalling NaN into the quiet one of the same
// payload.
inline bool readsBackAs(double sent, double got) {
    const auto sentBits = std::bit_cast<std::uint64_t>(sent);
    const auto gotBits = std::bit_cast<std::uint64_t>(got);
    if (sentBits == gotBits) return true;
#if defined(__i386__)
    return std::isnan(sent) && gotBits == (sentBits | 0x0008000000000000ull);
#else
    return false;
#endif
}

}  // namespace qmhost::validate
