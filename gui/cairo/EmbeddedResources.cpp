// Resources of the Linux module: the bitmaps built into it.

#include "gui/cairo/CairoImage.h"
#include "resources/EmbeddedBitmaps.h"

namespace qm {

std::unique_ptr<NativeImage> NativeImage::loadResource(std::int32_t resourceId) {
    const EmbeddedBitmap* bitmap = findEmbeddedBitmap(resourceId);
    return bitmap != nullptr ? decodeBmp(bitmap->bytes, bitmap->length) : nullptr;
}

}  // namespace qm
