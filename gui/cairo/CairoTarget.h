#pragma once
// The cairo drawing target: an RGB image surface in memory. Lines, rectangles, copies and colour
// keys are set pixel by pixel with the rules of the Windows build (end pixel of a line left out,
// outline through all four edges, fill of the inside only); text goes through cairo.

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "gui/DrawingTarget.h"
#include "gui/cairo/DamageList.h"

namespace qm {

class CairoTarget : public DrawingTarget {
public:
    // A black picture of `width` x `height` pixels; check `isValid`.
    CairoTarget(std::int32_t width, std::int32_t height);
    ~CairoTarget() override;

    bool isValid() const { return surface != nullptr; }
    std::int32_t width() const { return surfaceWidth; }
    std::int32_t height() const { return surfaceHeight; }
    cairo_surface_t* cairoSurface() const { return surface; }
    // Writes the picture as PNG; false on failure.
    bool writePng(const char* path) const;

    void selectPen(PenStyle style, std::int32_t width, Color color) override;
    bool selectBrush(Color color) override;
    void setBackgroundColor(Color color) override;
    void setTextColor(Color color) override;
    void selectFont(const FontSpec& font) override;
    void moveTo(std::int32_t x, std::int32_t y) override;
    void lineTo(std::int32_t x, std::int32_t y) override;
    void strokeRect(const Rect& rect) override;
    void fillInside(const Rect& rect) override;
    void drawText(const char* text, const Rect& rect, bool opaque, TextAlign align) override;
    void copyTo(DrawingTarget& destination, const Rect& destRect, Point source) override;
    void drawImage(const NativeImage& image, const Rect& destRect, Point source, const Color* key) override;
    Color pixelAt(std::int32_t x, std::int32_t y) const override;

    // Sets one pixel, if inside the picture; callers note the damage themselves.
    void plot(std::int32_t x, std::int32_t y, std::uint32_t rgb);
    // Notes that the pixels of `rect` (right and bottom excluded) may have changed.
    void addDamage(const Rect& rect);
    // The rectangles drawn since the last call, clipped to the picture; none overlap.
    std::vector<Rect> takeDamage();
    std::uint32_t rgbAt(std::int32_t x, std::int32_t y) const;

private:
    std::uint32_t* row(std::int32_t y) const;
    void fillPixels(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, std::uint32_t rgb);

    // Copies the pixels for which `source(sx, sy)` gives a colour (key pixels and pixels outside
    // either picture left out) of the block destRect, from `from` on.
    template <typename Source>
    void copyBlock(const Rect& destRect, Point from, std::int32_t sourceWidth, std::int32_t sourceHeight,
                   Source source, const std::uint32_t* key);

    cairo_surface_t* surface = nullptr;
    // The surface's pixels and row length in bytes, fixed for an image surface's life.
    unsigned char* pixelData = nullptr;
    std::int32_t rowBytes = 0;
    std::int32_t surfaceWidth = 0;
    std::int32_t surfaceHeight = 0;
    DamageList damage;
    Point position;
    PenStyle penStyle = PenSolid;
    std::uint32_t penRgb = 0;
    std::uint32_t brushRgb = 0;
    Color backgroundColor;
    Color textColor;
    FontSpec font;
};

}  // namespace qm
