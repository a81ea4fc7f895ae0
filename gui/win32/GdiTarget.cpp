#include "gui/win32/GdiTarget.h"

#include <cstring>

#include "gui/win32/GdiImage.h"
#include "gui/win32/GdiObjects.h"

namespace qm {
namespace {

COLORREF colorRef(Color color) { return RGB(color.red, color.green, color.blue); }

}  // namespace

std::unique_ptr<DrawingTarget> createMemoryTarget(std::int32_t width, std::int32_t height, DrawingTarget* like) {
    auto* gdi = dynamic_cast<GdiTarget*>(like != nullptr ? &like->underlying() : nullptr);
    auto target = std::make_unique<GdiTarget>(width, height, gdi != nullptr ? gdi->deviceContext() : nullptr);
    if (!target->isValid()) return nullptr;
    return target;
}

GdiTarget::GdiTarget(HDC existing) : dc(existing) {
    if (dc != nullptr) takeOver();
}

GdiTarget::GdiTarget(std::int32_t width, std::int32_t height, HDC like) {
    if (width <= 0 || height <= 0) return;
    HDC memory = countedMemoryDc(like);
    if (memory == nullptr) return;
    void* bits = nullptr;
    memoryBitmap = countedDibSection(memory, width, height, &bits);
    if (memoryBitmap == nullptr) {
        deleteCountedDc(memory);
        return;
    }
    std::memset(bits, 0, sizeof(std::uint32_t) * static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    savedBitmap = SelectObject(memory, memoryBitmap);
    dc = memory;
    ownsDc = true;
    takeOver();
}

void GdiTarget::takeOver() {
    savedBrush = GetCurrentObject(dc, OBJ_BRUSH);
    savedPen = GetCurrentObject(dc, OBJ_PEN);
    savedFont = GetCurrentObject(dc, OBJ_FONT);
    SetBkMode(dc, TRANSPARENT);
}

GdiTarget::~GdiTarget() {
    if (dc == nullptr) return;
    if (savedBrush != nullptr) SelectObject(dc, savedBrush);
    if (savedPen != nullptr) SelectObject(dc, savedPen);
    if (savedFont != nullptr) SelectObject(dc, savedFont);
    deleteCounted(brush);
    deleteCounted(pen);
    deleteCounted(font);
    if (ownsDc) {
        SelectObject(dc, savedBitmap);
        deleteCountedDc(dc);
        deleteCounted(memoryBitmap);
    }
}

void GdiTarget::selectPen(PenStyle style, std::int32_t width, Color color) {
    HPEN made = countedPen(style == PenDotted ? PS_DOT : PS_SOLID, width, colorRef(color));
    SelectObject(dc, made);
    deleteCounted(pen);
    pen = made;
}

bool GdiTarget::selectBrush(Color color) {
    HBRUSH made = countedSolidBrush(colorRef(color));
    if (made == nullptr) {
        GetLastError();
        return false;
    }
    SelectObject(dc, made);
    deleteCounted(brush);
    brush = made;
    return true;
}

void GdiTarget::setBackgroundColor(Color color) { SetBkColor(dc, colorRef(color)); }
void GdiTarget::setTextColor(Color color) { SetTextColor(dc, colorRef(color)); }

void GdiTarget::selectFont(const FontSpec& requested) {
    LOGFONTA description{};
    description.lfHeight = -requested.heightPx;
    description.lfWeight = requested.weight;
    description.lfItalic = requested.italic ? 1 : 0;
    description.lfUnderline = requested.underline ? 1 : 0;
    description.lfCharSet = ANSI_CHARSET;
    description.lfOutPrecision = OUT_STRING_PRECIS;
    description.lfClipPrecision = CLIP_STROKE_PRECIS;
    description.lfQuality = DEFAULT_QUALITY;
    description.lfPitchAndFamily = requested.decorative ? (FF_DECORATIVE | DEFAULT_PITCH) : (VARIABLE_PITCH | FF_SWISS);
    std::strncpy(description.lfFaceName, requested.face, LF_FACESIZE - 1);
    HFONT made = countedFont(description);
    SelectObject(dc, made);
    deleteCounted(font);
    font = made;
}

void GdiTarget::moveTo(std::int32_t x, std::int32_t y) { MoveToEx(dc, x, y, nullptr); }
void GdiTarget::lineTo(std::int32_t x, std::int32_t y) { LineTo(dc, x, y); }

void GdiTarget::strokeRect(const Rect& rect) {
    MoveToEx(dc, rect.left, rect.top, nullptr);
    LineTo(dc, rect.right, rect.top);
    LineTo(dc, rect.right, rect.bottom);
    LineTo(dc, rect.left, rect.bottom);
    LineTo(dc, rect.left, rect.top);
}

void GdiTarget::fillInside(const Rect& rect) {
    // Without an outline a rectangle leaves out its right column and bottom row.
    HGDIOBJ previous = SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1);
    SelectObject(dc, previous);
}

void GdiTarget::drawText(const char* text, const Rect& rect, bool opaque, TextAlign align) {
    SetBkMode(dc, opaque ? OPAQUE : TRANSPARENT);
    RECT area{rect.left, rect.top, rect.right, rect.bottom};
    const UINT alignment = align == AlignCenter ? DT_CENTER : align == AlignRight ? DT_RIGHT : DT_LEFT;
    DrawTextA(dc, text, -1, &area, DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | alignment);
    SetBkMode(dc, TRANSPARENT);
}

void GdiTarget::copyTo(DrawingTarget& destination, const Rect& destRect, Point source) {
    auto* dest = dynamic_cast<GdiTarget*>(&destination.underlying());
    if (dest == nullptr) return;
    BitBlt(dest->dc, destRect.left, destRect.top, destRect.width(), destRect.height(), dc, source.h, source.v, SRCCOPY);
}

void GdiTarget::drawImage(const NativeImage& image, const Rect& destRect, Point source, const Color* key) {
    const auto& picture = static_cast<const GdiImage&>(image);
    HDC memory = countedMemoryDc(dc);
    if (memory == nullptr) return;
    HGDIOBJ previous = SelectObject(memory, picture.handle());
    if (key == nullptr) {
        BitBlt(dc, destRect.left, destRect.top, destRect.width(), destRect.height(), memory, source.h, source.v,
               SRCCOPY);
    } else if (TransparentBltProc transparentBlt = transparentBltProc()) {
        transparentBlt(dc, destRect.left, destRect.top, destRect.width(), destRect.height(), memory, source.h,
                       source.v, destRect.width(), destRect.height(), colorRef(*key));
    } else {
        composeWithMask(memory, destRect, source, colorRef(*key));
    }
    SelectObject(memory, previous);
    deleteCountedDc(memory);
}

// Three passes through a monochrome mask that is 1 where the picture has the key colour:
// XOR the picture in, AND the mask (key pixels white, others black), XOR the picture again.
void GdiTarget::composeWithMask(HDC source, const Rect& destRect, Point from, COLORREF key) {
    const int w = destRect.width();
    const int h = destRect.height();
    HDC maskDc = countedMemoryDc(dc);
    HBITMAP mask = countedBitmap(CreateBitmap(w, h, 1, 1, nullptr));
    if (maskDc == nullptr || mask == nullptr) {
        deleteCounted(mask);
        deleteCountedDc(maskDc);
        return;
    }
    HGDIOBJ previousMask = SelectObject(maskDc, mask);
    const COLORREF previousBack = SetBkColor(dc, RGB(255, 255, 255));
    const COLORREF previousText = ::SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF sourceBack = SetBkColor(source, key);
    BitBlt(maskDc, 0, 0, w, h, source, from.h, from.v, SRCCOPY);
    SetBkColor(source, sourceBack);
    BitBlt(dc, destRect.left, destRect.top, w, h, source, from.h, from.v, SRCINVERT);
    BitBlt(dc, destRect.left, destRect.top, w, h, maskDc, 0, 0, SRCAND);
    BitBlt(dc, destRect.left, destRect.top, w, h, source, from.h, from.v, SRCINVERT);
    SelectObject(maskDc, previousMask);
    deleteCounted(mask);
    deleteCountedDc(maskDc);
    SetBkColor(dc, previousBack);
    ::SetTextColor(dc, previousText);
}

Color GdiTarget::pixelAt(std::int32_t x, std::int32_t y) const {
    const COLORREF pixel = GetPixel(dc, x, y);
    return Color{GetRValue(pixel), GetGValue(pixel), GetBValue(pixel), 0};
}

}  // namespace qm
