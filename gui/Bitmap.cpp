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

const NativeImage* Bitmap::imageAt(ScalePercent scale) const {
    if (scale == kScale1x || resourceId == 0) return image.get();
    const bool twice = scale == kScale2x;
    std::unique_ptr<NativeImage>& scaled = twice ? image2x : image1_5x;
    bool& tried = scaledLoadTried[twice ? 1 : 0];
    if (!tried) {
        tried = true;
        scaled = NativeImage::loadResource(resourceIdAtScale(resourceId, scale));
    }
    return scaled != nullptr ? scaled.get() : image.get();
}

void Bitmap::drawWithKey(Canvas& canvas, const Rect& destRect, Point srcPos, const Color* key) const {
    if (image == nullptr || canvas.getTarget() == nullptr) return;
    const ScalePercent scale = canvas.getScale();
    const Rect moved1x = moved(destRect, canvas.getOffset());
    const NativeImage* picture = imageAt(scale);
    if (picture == image.get()) {
        // 1x, or no picture at this scale: a plain copy to the device pixels where the rectangle begins.
        const Rect device = toDevice(moved1x, scale);
        canvas.getTarget()->drawImage(
            *picture, Rect{device.left, device.top, device.left + destRect.width(), device.top + destRect.height()},
            srcPos, key);
        return;
    }
    canvas.getTarget()->drawImage(*picture, toDevice(moved1x, scale),
                                  Point{toDevice(srcPos.h, scale), toDevice(srcPos.v, scale)}, key);
}

void Bitmap::draw(Canvas& canvas, const Rect& destRect, Point srcPos) const {
    drawWithKey(canvas, destRect, srcPos, nullptr);
}

void Bitmap::drawTransparent(Canvas& canvas, const Rect& destRect, Point srcPos) const {
    drawWithKey(canvas, destRect, srcPos, &transparentColor);
}

}  // namespace qm
