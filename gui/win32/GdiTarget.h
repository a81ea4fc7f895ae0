#pragma once
// The GDI drawing target: a device context with the pen, brush and font made through it selected.
// On destruction the context gets back what it held when the target took it over, and everything
// made through the target is deleted; a memory target also deletes its context and bitmap.

#include <windows.h>

#include "gui/DrawingTarget.h"

namespace qm {

class GdiTarget : public DrawingTarget {
public:
    // A target on `dc`, which the caller keeps and releases after the target is gone.
    explicit GdiTarget(HDC dc);
    // A memory target of `width` x `height` pixels compatible with `like` (the screen when null).
    GdiTarget(std::int32_t width, std::int32_t height, HDC like);
    ~GdiTarget() override;
    GdiTarget(const GdiTarget&) = delete;
    GdiTarget& operator=(const GdiTarget&) = delete;

    bool isValid() const { return dc != nullptr; }
    HDC deviceContext() const { return dc; }

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

private:
    void takeOver();
    void composeWithMask(HDC source, const Rect& destRect, Point from, COLORREF key);

    HDC dc = nullptr;
    bool ownsDc = false;
    HBITMAP memoryBitmap = nullptr;
    HGDIOBJ savedBitmap = nullptr;
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;
    HGDIOBJ savedPen = nullptr;
    HGDIOBJ savedBrush = nullptr;
    HGDIOBJ savedFont = nullptr;
};

}  // namespace qm
