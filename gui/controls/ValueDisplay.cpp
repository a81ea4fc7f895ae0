#include "gui/controls/ValueDisplay.h"

#include <cstdio>

namespace qm {

ValueDisplay::ValueDisplay(const Rect& size, Bitmap* background, std::int32_t style)
    : Control(size, nullptr, 0, background), style(style) {
    if ((style & NoDraw) != 0) {
        View::setNeedsRedraw(false);
        drawnValue.store(getValue(), std::memory_order_relaxed);
    }
}

void ValueDisplay::setFont(FontId id) {
    if (id != fontId) setNeedsRedraw(true);
    fontId = id;
}

void ValueDisplay::setFontStyle(std::uint32_t newStyle) {
    if (newStyle != fontStyle) setNeedsRedraw(true);
    fontStyle = newStyle;
}

void ValueDisplay::setAlign(TextAlign newAlign) {
    if (newAlign != align) setNeedsRedraw(true);
    align = newAlign;
}

void ValueDisplay::setStyle(std::int32_t newStyle) {
    if (newStyle != style) setNeedsRedraw(true);
    style = newStyle;
}

void ValueDisplay::changeColor(Color& stored, Color color) {
    if (!stored.sameRgb(color)) setNeedsRedraw(true);
    stored = color;
}

void ValueDisplay::setFontColor(Color color) { changeColor(fontColor, color); }
void ValueDisplay::setBackColor(Color color) { changeColor(backColor, color); }
void ValueDisplay::setFrameColor(Color color) { changeColor(frameColor, color); }
void ValueDisplay::setShadowColor(Color color) { changeColor(shadowColor, color); }

void ValueDisplay::setFormatterWithData(FormatterWithData function, void* data) {
    formatterWithData = function;
    formatterData = data;
}

void ValueDisplay::setFormatter(Formatter function) { formatter = function; }
void ValueDisplay::setSpareHook(void* hook) { spareHook = hook; }
void ValueDisplay::setTransparentText(bool state) { transparentText = state; }

void ValueDisplay::draw(Canvas& canvas) {
    char text[256] = {};
    if (formatterWithData != nullptr) formatterWithData(getValue(), text, formatterData);
    else if (formatter != nullptr) formatter(getValue(), text);
    else std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(getValue()));
    drawDisplay(canvas, text, nullptr);
}

void ValueDisplay::drawDisplay(Canvas& canvas, const char* text, Bitmap* overrideBitmap) {
    setNeedsRedraw(false);
    if ((style & NoDraw) != 0) return;
    Bitmap* picture = overrideBitmap != nullptr ? overrideBitmap : background;
    const bool edges = (style & (SunkenEdges | RaisedEdges)) != 0;
    if (picture != nullptr) {
        drawPicture(canvas, *picture, size, backgroundOffset);
    } else if (!transparent) {
        canvas.setBrushColor(backColor);
        canvas.paintRect(size);
        if (!edges) {
            canvas.setPenColor(frameColor);
            canvas.strokeRect(size);
        }
    }
    if (edges) {
        const bool sunken = (style & SunkenEdges) != 0;
        canvas.setPenColor(sunken ? backColor : frameColor);
        canvas.moveTo(Point{size.left, size.bottom});
        canvas.lineTo(Point{size.left, size.top});
        canvas.lineTo(Point{size.right + 1, size.top});
        canvas.setPenColor(sunken ? frameColor : backColor);
        canvas.moveTo(Point{size.right, size.top + 1});
        canvas.lineTo(Point{size.right, size.bottom});
        canvas.lineTo(Point{size.left, size.bottom});
    }
    if ((style & NoText) != 0 || text == nullptr) return;
    canvas.selectFont(fontId, 0, fontStyle);
    if ((style & ShadowText) != 0) {
        canvas.setTextColor(shadowColor);
        const Rect shadow{size.left + 1, size.top + 1, size.right + 1, size.bottom + 1};
        canvas.drawText(text, shadow, !transparentText, align);
    }
    canvas.setTextColor(fontColor);
    canvas.drawText(text, size, !transparentText, align);
}

}  // namespace qm
