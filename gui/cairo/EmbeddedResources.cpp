// Resources of the Linux module: the bitmaps built into it, each decoded once per process and
// shared by every instance and editor.

#include "gui/cairo/CairoImage.h"
#include "resources/EmbeddedBitmaps.h"

namespace qm {
namespace {

std::unique_ptr<NativeImage> decodeEmbedded(std::int32_t resourceId) {
    const EmbeddedBitmap* bitmap = findEmbeddedBitmap(resourceId);
    return bitmap != nullptr ? decodeBmp(bitmap->bytes, bitmap->length) : nullptr;
}

}  // namespace

std::unique_ptr<NativeImage> NativeImage::loadResource(std::int32_t resourceId) {
    return sharedResourcePicture(resourceId, decodeEmbedded);
}

}  // namespace qm
