#include "gui/cairo/CairoTarget.h"

#include <algorithm>
#include <cstdlib>

#include "gui/cairo/CairoImage.h"

namespace qm {
namespace {

std::uint32_t rgbOf(Color color) {
    return (std::uint32_t{color.red} << 16) | (std::uint32_t{color.green} << 8) | color.blue;
}

void setSource(cairo_t* cr, Color color) {
    cairo_set_source_rgb(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0);
}

}  // namespace

std::unique_ptr<DrawingTarget> createMemoryTarget(std::int32_t width, std::int32_t height, DrawingTarget*) {
    auto target = std::make_unique<CairoTarget>(width, height);
    if (!target->isValid()) return nullptr;
    return target;
}

CairoTarget::CairoTarget(std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return;
    cairo_surface_t* made = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(made) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(made);
        return;
    }
    surface = made;
    pixelData = cairo_image_surface_get_data(surface);
    rowBytes = cairo_image_surface_get_stride(surface);
    surfaceWidth = width;
    surfaceHeight = height;
    cairo_surface_flush(surface);
    // A new image surface is all zeros (black) already: only the damage is noted, not written.
    addDamage(Rect{0, 0, width, height});
}

CairoTarget::~CairoTarget() {
    if (surface != nullptr) cairo_surface_destroy(surface);
}

bool CairoTarget::writePng(const char* path) const {
    return surface != nullptr && cairo_surface_write_to_png(surface, path) == CAIRO_STATUS_SUCCESS;
}

std::uint32_t* CairoTarget::row(std::int32_t y) const {
    return reinterpret_cast<std::uint32_t*>(pixelData + static_cast<std::ptrdiff_t>(y) * rowBytes);
}

void CairoTarget::plot(std::int32_t x, std::int32_t y, std::uint32_t rgb) {
    if (surface == nullptr || x < 0 || y < 0 || x >= surfaceWidth || y >= surfaceHeight) return;
    row(y)[x] = rgb;
}

std::uint32_t CairoTarget::rgbAt(std::int32_t x, std::int32_t y) const {
    if (surface == nullptr || x < 0 || y < 0 || x >= surfaceWidth || y >= surfaceHeight) return 0;
    return row(y)[x] & 0xFFFFFFu;
}

Color CairoTarget::pixelAt(std::int32_t x, std::int32_t y) const {
    const std::uint32_t rgb = rgbAt(x, y);
    return Color{static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                 static_cast<std::uint8_t>(rgb), 0};
}

void CairoTarget::addDamage(const Rect& rect) {
    damage.add(Rect{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, surfaceWidth),
                    std::min(rect.bottom, surfaceHeight)});
}

std::vector<Rect> CairoTarget::takeDamage() { return damage.take(); }

void CairoTarget::fillPixels(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                             std::uint32_t rgb) {
    if (surface == nullptr) return;
    addDamage(Rect{left, top, right, bottom});
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, surfaceWidth);
    bottom = std::min(bottom, surfaceHeight);
    for (std::int32_t y = top; y < bottom; ++y) std::fill(row(y) + left, row(y) + std::max(left, right), rgb);
}

void CairoTarget::selectPen(PenStyle style, std::int32_t, Color color) {
    penStyle = style;
    penRgb = rgbOf(color);
}

bool CairoTarget::selectBrush(Color color) {
    brushRgb = rgbOf(color);
    return true;
}

void CairoTarget::setBackgroundColor(Color color) { backgroundColor = color; }
void CairoTarget::setTextColor(Color color) { textColor = color; }
void CairoTarget::selectFont(const FontSpec& requested) { font = requested; }

void CairoTarget::moveTo(std::int32_t x, std::int32_t y) { position = Point{x, y}; }

// Bresenham from the current position to (x, y), the end pixel left out; a dotted pen sets every
// other pixel.
void CairoTarget::lineTo(std::int32_t x, std::int32_t y) {
    std::int32_t cx = position.h;
    std::int32_t cy = position.v;
    addDamage(Rect{std::min(cx, x), std::min(cy, y), std::max(cx, x) + 1, std::max(cy, y) + 1});
    const std::int32_t dx = std::abs(x - cx);
    const std::int32_t dy = -std::abs(y - cy);
    const std::int32_t sx = cx < x ? 1 : -1;
    const std::int32_t sy = cy < y ? 1 : -1;
    std::int32_t error = dx + dy;
    for (std::int32_t step = 0; cx != x || cy != y; ++step) {
        if (penStyle != PenDotted || step % 2 == 0) plot(cx, cy, penRgb);
        const std::int32_t doubled = 2 * error;
        if (doubled >= dy) {
            error += dy;
            cx += sx;
        }
        if (doubled <= dx) {
            error += dx;
            cy += sy;
        }
    }
    position = Point{x, y};
}

void CairoTarget::strokeRect(const Rect& rect) {
    moveTo(rect.left, rect.top);
    lineTo(rect.right, rect.top);
    lineTo(rect.right, rect.bottom);
    lineTo(rect.left, rect.bottom);
    lineTo(rect.left, rect.top);
}

void CairoTarget::fillInside(const Rect& rect) {
    fillPixels(rect.left + 1, rect.top + 1, rect.right, rect.bottom, brushRgb);
}

void CairoTarget::drawText(const char* text, const Rect& rect, bool opaque, TextAlign align) {
    if (surface == nullptr || text == nullptr) return;
    addDamage(rect);
    cairo_surface_mark_dirty(surface);
    cairo_t* cr = cairo_create(surface);
    cairo_rectangle(cr, rect.left, rect.top, rect.width(), rect.height());
    cairo_clip(cr);
    cairo_select_font_face(cr, font.face, font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           font.weight >= 600 ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, font.heightPx);
    cairo_font_extents_t fontExtents;
    cairo_font_extents(cr, &fontExtents);
    cairo_text_extents_t textExtents;
    cairo_text_extents(cr, text, &textExtents);
    const double lineHeight = fontExtents.ascent + fontExtents.descent;
    double x = rect.left;
    if (align == AlignCenter) x = rect.left + (rect.width() - textExtents.x_advance) / 2.0;
    else if (align == AlignRight) x = rect.right - textExtents.x_advance;
    const double top = rect.top + (rect.height() - lineHeight) / 2.0;
    if (opaque) {
        setSource(cr, backgroundColor);
        cairo_rectangle(cr, x, top, textExtents.x_advance, lineHeight);
        cairo_fill(cr);
    }
    setSource(cr, textColor);
    cairo_move_to(cr, x, top + fontExtents.ascent);
    cairo_show_text(cr, text);
    if (font.underline) {
        cairo_rectangle(cr, x, top + fontExtents.ascent + 1, textExtents.x_advance, 1);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
}

template <typename Source>
void CairoTarget::copyBlock(const Rect& destRect, Point from, std::int32_t sourceWidth, std::int32_t sourceHeight,
                            Source source, const std::uint32_t* key) {
    // The offsets x, y of the block whose source and destination pixels both lie inside.
    const std::int32_t firstX = std::max({0, -from.h, -destRect.left});
    const std::int32_t endX = std::min({destRect.width(), sourceWidth - from.h, surfaceWidth - destRect.left});
    const std::int32_t firstY = std::max({0, -from.v, -destRect.top});
    const std::int32_t endY = std::min({destRect.height(), sourceHeight - from.v, surfaceHeight - destRect.top});
    for (std::int32_t y = firstY; y < endY; ++y) {
        std::uint32_t* out = row(destRect.top + y) + destRect.left;
        for (std::int32_t x = firstX; x < endX; ++x) {
            const std::uint32_t rgb = source(from.h + x, from.v + y);
            if (key == nullptr || rgb != *key) out[x] = rgb;
        }
    }
}

void CairoTarget::copyTo(DrawingTarget& destination, const Rect& destRect, Point source) {
    auto* dest = dynamic_cast<CairoTarget*>(&destination.underlying());
    if (dest == nullptr || surface == nullptr || dest->surface == nullptr) return;
    dest->addDamage(destRect);
    dest->copyBlock(destRect, source, surfaceWidth, surfaceHeight,
                    [this](std::int32_t x, std::int32_t y) { return row(y)[x] & 0xFFFFFFu; }, nullptr);
}

void CairoTarget::drawImage(const NativeImage& image, const Rect& destRect, Point source, const Color* key) {
    if (surface == nullptr) return;
    const auto& picture = static_cast<const CairoImage&>(image);
    const std::uint32_t keyRgb = key != nullptr ? rgbOf(*key) : 0;
    addDamage(destRect);
    copyBlock(destRect, source, picture.width(), picture.height(),
              [&picture](std::int32_t x, std::int32_t y) { return picture.rgbAt(x, y); },
              key != nullptr ? &keyRgb : nullptr);
}

}  // namespace qm
