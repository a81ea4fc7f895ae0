#include "gui/Canvas.h"

#include "gui/EditorFrame.h"
#include "gui/PlatformInput.h"

namespace qm {

const FontTableEntry kFontTable[8] = {
    {"Arial", 12}, {"Arial", 18}, {"Arial", 14}, {"Arial", 12},
    {"Arial", 11}, {"Arial", 10}, {"Arial", 9},  {"Symbol", 13},
};

Canvas::Canvas(EditorFrame* frame, DrawingTarget* target, void* window)
    : target(target), window(window), frame(frame) {
    if (frame != nullptr) frame->getSize(clipRect);
    else clipRect = Rect{0, 0, 1000, 1000};
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
    fontSpec.heightPx = fontSize;
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
    if (target != nullptr) target->moveTo(point.h + offset.h, point.v + offset.v);
}

void Canvas::lineTo(Point point) {
    if (target != nullptr) target->lineTo(point.h + offset.h, point.v + offset.v);
}

void Canvas::strokeRect(const Rect& rect) {
    if (target != nullptr) target->strokeRect(translated(rect));
}

void Canvas::paintRect(const Rect& rect) {
    if (target != nullptr) target->fillInside(translated(rect));
}

void Canvas::drawText(const char* text, const Rect& rect, bool opaque, TextAlign align) {
    if (text == nullptr || target == nullptr) return;
    Rect area = translated(rect);
    if (align != AlignCenter && align != AlignRight) {
        align = AlignLeft;
        area.left += 1;
    }
    target->drawText(text, area, opaque, align);
}

void Canvas::blitTo(Canvas& dest, const Rect& destRect, Point srcPos) {
    if (target == nullptr || dest.target == nullptr) return;
    target->copyTo(*dest.target, dest.translated(destRect), srcPos);
}

std::int32_t Canvas::queryMouseButtons() {
    // A frame that is closing reads as released, so that a control tracking a drag lets go.
    if (frame != nullptr && frame->isClosing()) return 0;
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
    where = Point{cursor.h - windowOrigin.h, cursor.v - windowOrigin.v};
}

}  // namespace qm
