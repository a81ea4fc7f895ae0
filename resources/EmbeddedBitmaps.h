#pragma once
// The editor's thirteen bitmaps as built into the Linux module, at 1x, 1.5x (number + 1500) and 2x
// (number + 2000): the bytes of each BMP file.

#include <cstddef>
#include <cstdint>

namespace qm {

struct EmbeddedBitmap {
    std::int32_t resourceId;
    const unsigned char* bytes;
    std::size_t length;
};

// The bitmap of `resourceId`, or null when the module has none of that number.
const EmbeddedBitmap* findEmbeddedBitmap(std::int32_t resourceId);

}  // namespace qm
