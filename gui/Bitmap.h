#pragma once
// A picture from the module's resources, shared by reference counting, drawn onto a canvas as a
// plain copy or with one colour left out. UI thread.

#include <cstdint>
#include <memory>

#include "gui/DrawingTarget.h"
#include "gui/Geometry.h"
#include "gui/Scale.h"

namespace qm {

class Canvas;

class Bitmap {
public:
    // Loads resource `resourceId`; a picture that fails to load is 0 x 0 and draws nothing.
    // The count starts at 1.
    explicit Bitmap(std::int32_t resourceId);
    // A bitmap of a picture made otherwise (tests, generated pictures); count 1.
    explicit Bitmap(std::unique_ptr<NativeImage> image);
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    void retain() { ++refCount; }
    // Drops one reference; the bitmap deletes itself at 0. Nothing happens at 0 or below.
    void release();
    std::int32_t getRefCount() const { return refCount; }

    std::int32_t getWidth() const { return width; }
    std::int32_t getHeight() const { return height; }
    std::int32_t getResourceId() const { return resourceId; }
    bool isLoaded() const { return image != nullptr; }
    Color getTransparentColor() const { return transparentColor; }
    // The picture itself; null when it failed to load.
    const NativeImage* nativeImage() const { return image.get(); }

    // Copies destRect's size from srcPos of the picture to destRect, moved by the canvas offset.
    // At a scale other than 1x, the resource's picture drawn at that scale is copied to the device
    // pixels of destRect (loaded at the first such draw); a picture without one is copied unscaled.
    void draw(Canvas& canvas, const Rect& destRect, Point srcPos) const;
    // The same, leaving the destination unchanged where the picture has the transparent colour.
    // A picture that failed to load draws nothing here either.
    void drawTransparent(Canvas& canvas, const Rect& destRect, Point srcPos) const;

private:
    ~Bitmap() = default;
    void drawWithKey(Canvas& canvas, const Rect& destRect, Point srcPos, const Color* key) const;
    // The picture to draw at `scale`: the loaded one at 1x, else the resource's picture at that
    // scale when it has one.
    const NativeImage* imageAt(ScalePercent scale) const;

    std::int32_t resourceId = 0;
    std::int32_t refCount = 1;
    std::int32_t width = 0;
    std::int32_t height = 0;
    Color transparentColor = ColorKey;
    std::unique_ptr<NativeImage> image;
    mutable std::unique_ptr<NativeImage> image1_5x;
    mutable std::unique_ptr<NativeImage> image2x;
    mutable bool scaledLoadTried[2] = {false, false};
};

}  // namespace qm
