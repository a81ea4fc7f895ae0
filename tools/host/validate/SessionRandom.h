#pragma once
// The random numbers of a validation session: xoshiro256** seeded through splitmix64, written out
// here so that one seed gives the same session with every compiler and C library.

#include <cstdint>
#include <initializer_list>

namespace qmhost::validate {

class SessionRandom {
public:
    explicit SessionRandom(std::uint64_t seed) {
        for (std::uint64_t& word : state) {
            seed += 0x9E3779B97F4A7C15ull;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            word = z ^ (z >> 31);
        }
    }

    std::uint64_t next() {
        const std::uint64_t result = rotate(state[1] * 5, 7) * 9;
        const std::uint64_t t = state[1] << 17;
        state[2] ^= state[0];
        state[3] ^= state[1];
        state[1] ^= state[2];
        state[0] ^= state[3];
        state[2] ^= t;
        state[3] = rotate(state[3], 45);
        return result;
    }
    // 0 .. count - 1 (0 when count is 0).
    std::uint32_t below(std::uint32_t count) {
        return count == 0 ? 0 : static_cast<std::uint32_t>(((next() >> 32) * count) >> 32);
    }
    // lowest .. highest, both included.
    std::int32_t between(std::int32_t lowest, std::int32_t highest) {
        return lowest + static_cast<std::int32_t>(below(static_cast<std::uint32_t>(highest - lowest) + 1));
    }
    // True `permille` times in a thousand.
    bool chance(std::uint32_t permille) { return below(1000) < permille; }
    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * 0x1p-53; }
    // An index into `weights`, each chosen in proportion to its weight.
    std::uint32_t weighted(std::initializer_list<std::uint32_t> weights) {
        std::uint32_t total = 0;
        for (std::uint32_t weight : weights) total += weight;
        std::uint32_t pick = below(total);
        std::uint32_t index = 0;
        for (std::uint32_t weight : weights) {
            if (pick < weight) return index;
            pick -= weight;
            ++index;
        }
        return 0;
    }

private:
    static std::uint64_t rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::uint64_t state[4];
};

}  // namespace qmhost::validate
