#pragma once
// The reverse of libFuzzer's FuzzedDataProvider: writes the input from which a provider reads
// back, call for call, the values chosen here. Numbers go to the end of the input, which the
// provider reads backwards (the most significant byte first); byte strings and text go to the
// front. The seed generators describe their fuzz inputs with it.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string_view>
#include <type_traits>
#include <vector>

namespace qm::fuzz {

class SeedWriter {
public:
    // What ConsumeIntegralInRange(min, max) reads as `value`; nothing when min equals max.
    template <class T>
    void integral(T min, T max, T value) {
        static_assert(std::is_integral_v<T> && sizeof(T) <= sizeof(std::uint64_t));
        if (value < min || value > max) throw std::out_of_range("a choice outside its range");
        const std::uint64_t range = static_cast<std::uint64_t>(max) - static_cast<std::uint64_t>(min);
        const std::uint64_t offset = static_cast<std::uint64_t>(value) - static_cast<std::uint64_t>(min);
        std::size_t bytes = 0;
        while (bytes < sizeof(T) && (range >> (8 * bytes)) > 0) ++bytes;
        for (std::size_t i = bytes; i > 0; --i) back.push_back(static_cast<std::uint8_t>(offset >> (8 * (i - 1))));
    }
    // What ConsumeIntegral<T>() reads as `value`.
    template <class T>
    void integral(T value) {
        integral(std::numeric_limits<T>::min(), std::numeric_limits<T>::max(), value);
    }
    // What ConsumeBool() reads as `value`.
    void boolean(bool value) { integral<std::uint8_t>(value ? 1 : 0); }

    // What ConsumeProbability<T>() reads as the nearest it can give to `p` (0..1).
    template <class T>
    void probability(T p) {
        using Integral = std::conditional_t<sizeof(T) <= sizeof(std::uint32_t), std::uint32_t, std::uint64_t>;
        constexpr auto kMost = static_cast<long double>(std::numeric_limits<Integral>::max());
        const long double scaled = std::round(std::clamp<long double>(p, 0.0L, 1.0L) * kMost);
        integral<Integral>(scaled >= kMost ? std::numeric_limits<Integral>::max() : static_cast<Integral>(scaled));
    }
    // What ConsumeFloatingPointInRange(min, max) reads as the nearest it can give to `value`. Over
    // a range wider than the type's largest value (ConsumeFloatingPoint), that is 0 or a number
    // whose magnitude is at least the largest value divided by 2^32 (for float, about 8e28).
    template <class T>
    void floatingInRange(T min, T max, T value) {
        static_assert(std::is_floating_point_v<T>);
        const long double least = min;
        const long double wanted = value;
        if (max > T(0) && min < T(0) && max > min + std::numeric_limits<T>::max()) {
            const long double half = static_cast<long double>(static_cast<T>((max / 2.0) - (min / 2.0)));
            const bool upper = wanted >= least + half;
            boolean(upper);
            probability<T>(static_cast<T>((wanted - (upper ? least + half : least)) / half));
            return;
        }
        probability<T>(static_cast<T>((wanted - least) / (static_cast<long double>(max) - least)));
    }
    // What ConsumeFloatingPoint<T>() reads as the nearest it can give to `value`.
    template <class T>
    void floating(T value) {
        floatingInRange(std::numeric_limits<T>::lowest(), std::numeric_limits<T>::max(), value);
    }

    // What ConsumeBytes(count) reads, `bytes` being count bytes.
    void bytes(const std::vector<std::uint8_t>& bytes) { front.insert(front.end(), bytes.begin(), bytes.end()); }
    // What ConsumeRandomLengthString(maxLength) reads as `text` (at most maxLength characters):
    // backslashes doubled, and a shorter text ended by a backslash and another character.
    void text(std::string_view text, std::size_t maxLength) {
        if (text.size() > maxLength) throw std::length_error("a text longer than its buffer");
        for (char c : text) {
            front.push_back(static_cast<std::uint8_t>(c));
            if (c == '\\') front.push_back(static_cast<std::uint8_t>(c));
        }
        if (text.size() < maxLength) {
            front.push_back('\\');
            front.push_back('.');
        }
    }

    // The whole input: the front, then the numbers in the reverse of the order they were written.
    std::vector<std::uint8_t> input() const {
        std::vector<std::uint8_t> all = front;
        all.insert(all.end(), back.rbegin(), back.rend());
        return all;
    }

private:
    std::vector<std::uint8_t> front;
    std::vector<std::uint8_t> back;
};

}  // namespace qm::fuzz
