#pragma once
// The drawing seam: what a platform's drawing layer supplies to the toolkit. A DrawingTarget is a
// device to draw into (a window's or a memory bitmap's device context with GDI, an image surface
// with cairo) with the current pen, brush, font and text colour selected into it; a NativeImage
// is a loaded picture. Both backends touch exactly the same pixels for lines, rectangle outlines
// and fills, block copies and colour-key transparency; text is drawn by the platform.

#include <cstdint>
#include <memory>

#include "gui/Geometry.h"

namespace qm {

// A font as the canvas resolved it: face, character height in pixels, style.
struct FontSpec {
    const char* face = "Arial";
    std::int32_t heightPx = 12;
    std::int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    bool decorative = false;
};

class NativeImage;

class DrawingTarget {
public:
    // Restores what the target held when it was taken over and deletes what was made through it.
    virtual ~DrawingTarget() = default;

    // Makes and selects a pen; the previous pen made through this target is deleted.
    virtual void selectPen(PenStyle style, std::int32_t width, Color color) = 0;
    // Makes and selects a solid brush; false (previous brush kept) when it cannot be made.
    virtual bool selectBrush(Color color) = 0;
    // The colour behind opaque text.
    virtual void setBackgroundColor(Color color) = 0;
    virtual void setTextColor(Color color) = 0;
    // Makes and selects a font; the previous font made through this target is deleted.
    virtual void selectFont(const FontSpec& font) = 0;

    // A line from the current position to (x, y), end pixel excluded, with the current pen.
    virtual void moveTo(std::int32_t x, std::int32_t y) = 0;
    virtual void lineTo(std::int32_t x, std::int32_t y) = 0;
    // The outline through columns left and right and rows top and bottom, current pen.
    virtual void strokeRect(const Rect& rect) = 0;
    // Fills columns left + 1 .. right - 1 of rows top + 1 .. bottom - 1 with the current brush.
    virtual void fillInside(const Rect& rect) = 0;
    // One line of text, vertically centred and clipped to `rect`, aligned as `align`
    // (AlignLeft, AlignCenter or AlignRight); opaque fills behind the glyphs.
    virtual void drawText(const char* text, const Rect& rect, bool opaque, TextAlign align) = 0;
    // Copies destRect's size from (source.h, source.v) of this target to destRect of `destination`.
    virtual void copyTo(DrawingTarget& destination, const Rect& destRect, Point source) = 0;
    // Copies destRect's size of `image` from `source` into destRect; with a key colour, pixels of
    // that colour (red, green, blue) leave the destination unchanged.
    virtual void drawImage(const NativeImage& image, const Rect& destRect, Point source, const Color* key) = 0;

    // Pixel at (x, y), for tests and screenshots.
    virtual Color pixelAt(std::int32_t x, std::int32_t y) const = 0;
    // The target that really holds the pixels (itself, unless this one only passes calls on).
    virtual DrawingTarget& underlying() { return *this; }
};

class NativeImage {
public:
    virtual ~NativeImage() = default;
    virtual std::int32_t width() const = 0;
    virtual std::int32_t height() const = 0;
    // What holds the pixels: pictures that share their pixels answer the same address.
    virtual const void* pixelStore() const = 0;

    // The picture of resource number `resourceId` of the module; null when it cannot be loaded.
    static std::unique_ptr<NativeImage> loadResource(std::int32_t resourceId);
    // A picture of `width` x `height` pixels from rows of 0x00RRGGBB values, top row first.
    static std::unique_ptr<NativeImage> fromPixels(std::int32_t width, std::int32_t height,
                                                   const std::uint32_t* pixels);
};

// The module whose resources hold the pictures (the Windows build; ignored natively).
void setResourceModule(void* module);

// A target drawing into memory of its own, `width` x `height` pixels, compatible with `like`
// (or with the screen when null); null when it cannot be made.
std::unique_ptr<DrawingTarget> createMemoryTarget(std::int32_t width, std::int32_t height,
                                                  DrawingTarget* like);

}  // namespace qm
