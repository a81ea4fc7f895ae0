#include "gui/Bitmap.h"

#include "gui/Canvas.h"

namespace qm {

Bitmap::Bitmap(std::int32_t resourceId) : Bitmap(NativeImage::loadResource(resourceId)) {
    this->resourceId = resourceId;
}

Bitmap::Bitmap(std::unique_ptr<NativeImage> loaded) : image(std::move(loaded)) {
    if (image != nullptr) {
        width = image->width();
        height = image->height();
    }
}

void Bitmap::release() {
    if (refCount <= 0) return;
    if (--refCount == 0) delete this;
}

namespace {

Rect moved(const Rect& rect, Point offset) {
    return Rect{rect.left + offset.h, rect.top + offset.v, rect.right + offset.h, rect.bottom + offset.v};
}

}  // namespace

void Bitmap::draw(Canvas& canvas, const Rect& destRect, Point srcPos) const {
    if (image == nullptr || canvas.getTarget() == nullptr) return;
    canvas.getTarget()->drawImage(*image, moved(destRect, canvas.getOffset()), srcPos, nullptr);
}

void Bitmap::drawTransparent(Canvas& canvas, const Rect& destRect, Point srcPos) const {
    if (image == nullptr || canvas.getTarget() == nullptr) return;
    canvas.getTarget()->drawImage(*image, moved(destRect, canvas.getOffset()), srcPos, &transparentColor);
}

}  // namespace qm
