#include "gui/Canvas.h"

#include <algorithm>

#include "gui/EditorFrame.h"
#include "gui/PlatformInput.h"

namespace qm {

const FontTableEntry kFontTable[8] = {
    {"Arial", 12}, {"Arial", 18}, {"Arial", 14}, {"Arial", 12},
    {"Arial", 11}, {"Arial", 10}, {"Arial", 9},  {"Symbol", 13},
};

Canvas::Canvas(EditorFrame* frame, DrawingTarget* target, void* window)
    : target(target), window(window), frame(frame) {
    if (frame != nullptr) {
        frame->getSize(clipRect);
        scale = frame->getScale();
    } else {
        clipRect = Rect{0, 0, 1000, 1000};
    }
    if (window != nullptr) windowOrigin = platformInput().windowScreenOrigin(window);
    if (target != nullptr) {
        setPenColor(penColor);
        setPenStyle(penStyle);
        setBrushColor(brushColor);
        target->setTextColor(textColor);
    }
}

void Canvas::setPenColor(Color color) {
    penColor = color;
    if (target != nullptr) target->selectPen(penStyle == PenDotted ? PenDotted : PenSolid, penWidth, penColor);
}

void Canvas::setPenStyle(PenStyle style) {
    penStyle = style;
    if (target != nullptr) target->selectPen(penStyle == PenDotted ? PenDotted : PenSolid, penWidth, penColor);
}

void Canvas::setBrushColor(Color color) {
    brushColor = color;
    if (target == nullptr) return;
    target->setBackgroundColor(color);
    target->selectBrush(color);
}

void Canvas::setTextColor(Color color) {
    textColor = color;
    if (target != nullptr) target->setTextColor(color);
}

void Canvas::selectFont(FontId id, std::int32_t sizePx, std::uint32_t style) {
    fontId = id < 0 || id > 7 ? 0 : id;
    fontSize = sizePx == 0 ? kFontTable[fontId].defaultSizePx : sizePx;
    fontSpec = FontSpec{};
    fontSpec.face = kFontTable[fontId].face;
    fontSpec.heightPx = scale == kScale1x ? fontSize : (fontSize * scale + 50) / 100;
    fontSpec.weight = (style & FontStyleBold) != 0 || fontId == FontBold ? 700 : 400;
    fontSpec.italic = (style & FontStyleItalic) != 0;
    fontSpec.underline = (style & FontStyleUnderline) != 0;
    fontSpec.decorative = fontId == FontSymbol;
    if (target != nullptr) target->selectFont(fontSpec);
}

Rect Canvas::translated(const Rect& rect) const {
    return Rect{rect.left + offset.h, rect.top + offset.v, rect.right + offset.h, rect.bottom + offset.v};
}

void Canvas::moveTo(Point point) {
    position = Point{point.h + offset.h, point.v + offset.v};
    if (target != nullptr) target->moveTo(toDevice(position.h, scale), toDevice(position.v, scale));
}

// At 1x the target's own line. At a scale, a horizontal or vertical line fills the device pixels
// of the logical pixels it crosses (its end left out, as at 1x); other lines join the scaled ends.
void Canvas::lineTo(Point point) {
    const Point from = position;
    position = Point{point.h + offset.h, point.v + offset.v};
    if (target == nullptr) return;
    if (scale == kScale1x) {
        target->lineTo(position.h, position.v);
        return;
    }
    if (from.v == position.v && from.h != position.h) {
        const bool right = position.h > from.h;
        const std::int32_t first = right ? from.h : position.h + 1;
        const std::int32_t last = right ? position.h : from.h + 1;
        fillWithPen(Rect{first, from.v, last, from.v + 1});
    } else if (from.h == position.h && from.v != position.v) {
        const bool down = position.v > from.v;
        const std::int32_t first = down ? from.v : position.v + 1;
        const std::int32_t last = down ? position.v : from.v + 1;
        fillWithPen(Rect{from.h, first, from.h + 1, last});
    } else {
        target->lineTo(toDevice(position.h, scale), toDevice(position.v, scale));
        return;
    }
    target->moveTo(toDevice(position.h, scale), toDevice(position.v, scale));
}

void Canvas::fillWithPen(const Rect& rect) {
    const Rect device = toDevice(rect, scale);
    for (std::int32_t y = device.top; y < device.bottom; ++y) {
        target->moveTo(device.left, y);
        target->lineTo(device.right, y);
    }
}

void Canvas::strokeRect(const Rect& rect) {
    if (target == nullptr) return;
    if (scale == kScale1x) {
        target->strokeRect(translated(rect));
        return;
    }
    // The outline through logical columns left and right and rows top and bottom.
    const Rect r = translated(rect);
    const std::int32_t left = std::min(r.left, r.right);
    const std::int32_t right = std::max(r.left, r.right);
    const std::int32_t top = std::min(r.top, r.bottom);
    const std::int32_t bottom = std::max(r.top, r.bottom);
    fillWithPen(Rect{left, top, right + 1, top + 1});
    fillWithPen(Rect{left, bottom, right + 1, bottom + 1});
    fillWithPen(Rect{left, top, left + 1, bottom + 1});
    fillWithPen(Rect{right, top, right + 1, bottom + 1});
    position = Point{r.left, r.top};
    target->moveTo(toDevice(r.left, scale), toDevice(r.top, scale));
}

void Canvas::paintRect(const Rect& rect) {
    if (target == nullptr) return;
    if (scale == kScale1x) {
        target->fillInside(translated(rect));
        return;
    }
    // The target fills inside its rectangle: the device pixels of logical left + 1 .. right - 1.
    const Rect r = translated(rect);
    target->fillInside(Rect{toDevice(r.left + 1, scale) - 1, toDevice(r.top + 1, scale) - 1,
                            toDevice(r.right, scale), toDevice(r.bottom, scale)});
}

void Canvas::drawText(const char* text, const Rect& rect, bool opaque, TextAlign align) {
    if (text == nullptr || target == nullptr) return;
    Rect area = rect;
    if (align != AlignCenter && align != AlignRight) {
        align = AlignLeft;
        area.left += 1;
    }
    target->drawText(text, toDeviceRect(area), opaque, align);
}

void Canvas::blitTo(Canvas& dest, const Rect& destRect, Point srcPos) {
    if (target == nullptr || dest.target == nullptr) return;
    target->copyTo(*dest.target, dest.toDeviceRect(destRect),
                   Point{toDevice(srcPos.h, scale), toDevice(srcPos.v, scale)});
}

std::int32_t Canvas::queryMouseButtons() {
    // A frame that is closing or whose window is gone reads as released, so that a control
    // tracking a drag lets go.
    if (frame != nullptr && (frame->isClosing() || !frame->isOpen())) return 0;
    const PhysicalInput input = platformInput().physicalInput();
    const bool swapped = buttonsSwapped();
    std::int32_t buttons = 0;
    if (input.leftButton) buttons |= swapped ? ButtonSecondary : ButtonPrimary;
    if (input.middleButton) buttons |= ButtonMiddle;
    if (input.rightButton) buttons |= swapped ? ButtonPrimary : ButtonSecondary;
    if (input.shift) buttons |= KeyShift;
    if (input.control) buttons |= KeyControl;
    if (input.alt) buttons |= KeyAlt;
    return buttons;
}

void Canvas::queryMouseLocation(Point& where) {
    const Point cursor = platformInput().cursorScreenPosition();
    where = Point{toLogical(cursor.h - windowOrigin.h, scale), toLogical(cursor.v - windowOrigin.v, scale)};
}

}  // namespace qm
