#pragma once
// A drawing target for one event that passes every call on to a picture living longer than the
// event (a window's picture in memory).

#include "gui/DrawingTarget.h"

namespace qm {

class ForwardingTarget : public DrawingTarget {
public:
    explicit ForwardingTarget(DrawingTarget& inner) : inner(inner) {}
    void selectPen(PenStyle style, std::int32_t width, Color color) override { inner.selectPen(style, width, color); }
    bool selectBrush(Color color) override { return inner.selectBrush(color); }
    void setBackgroundColor(Color color) override { inner.setBackgroundColor(color); }
    void setTextColor(Color color) override { inner.setTextColor(color); }
    void selectFont(const FontSpec& font) override { inner.selectFont(font); }
    void moveTo(std::int32_t x, std::int32_t y) override { inner.moveTo(x, y); }
    void lineTo(std::int32_t x, std::int32_t y) override { inner.lineTo(x, y); }
    void strokeRect(const Rect& rect) override { inner.strokeRect(rect); }
    void fillInside(const Rect& rect) override { inner.fillInside(rect); }
    void drawText(const char* text, const Rect& rect, bool opaque, TextAlign align) override {
        inner.drawText(text, rect, opaque, align);
    }
    void copyTo(DrawingTarget& destination, const Rect& destRect, Point source) override {
        inner.copyTo(destination, destRect, source);
    }
    void drawImage(const NativeImage& image, const Rect& destRect, Point source, const Color* key) override {
        inner.drawImage(image, destRect, source, key);
    }
    Color pixelAt(std::int32_t x, std::int32_t y) const override { return inner.pixelAt(x, y); }
    DrawingTarget& underlying() override { return inner.underlying(); }

private:
    DrawingTarget& inner;
};

}  // namespace qm
