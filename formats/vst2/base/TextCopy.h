#pragma once
// Copies of NUL-terminated 8-bit texts into buffers that the host or the object owns.

#include <cstddef>
#include <cstring>

namespace qm {

// Copies at most capacity - 1 characters of `source` and a terminator into `destination`; reads
// `source` no further than that. Nothing happens when `destination` is null or capacity is 0.
inline void copyText(char* destination, const char* source, std::size_t capacity) {
    if (destination == nullptr || capacity == 0) return;
    std::size_t length = 0;
    if (source != nullptr) {
        while (length + 1 < capacity && source[length] != '\0') ++length;
        std::memcpy(destination, source, length);
    }
    destination[length] = '\0';
}

// Copies a whole string literal, terminator included.
template <std::size_t N>
inline void copyLiteral(char* destination, const char (&literal)[N]) {
    copyText(destination, literal, N);
}

}  // namespace qm
