#pragma once
// The editor's thirteen bitmaps as built into the Linux module: the bytes of each BMP file.

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
