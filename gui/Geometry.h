#pragma once
// The toolkit's value types: points and rectangles in pixels, colours, and the named constants
// of fonts, pens, text alignment and mouse state.

#include <cstdint>

namespace qm {

// A position in pixels; h grows to the right, v downwards.
struct Point {
    std::int32_t h = 0;
    std::int32_t v = 0;

    // True when the point lies in `rect`, all four edges included.
    template <typename R>
    bool isInside(const R& rect) const {
        return h >= rect.left && h <= rect.right && v >= rect.top && v <= rect.bottom;
    }
    bool operator==(const Point&) const = default;
};

// A rectangle in pixels; width is right - left, height bottom - top.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// A colour; alpha is carried but never drawn.
struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 0;

    // The platform's form: red | green << 8 | blue << 16.
    std::uint32_t rgb() const { return red | (green << 8) | (blue << 16); }
    bool sameRgb(const Color& other) const { return rgb() == other.rgb(); }
    bool operator==(const Color&) const = default;
};

constexpr Color ColorKey{255, 255, 255, 0};
constexpr Color ColorWhite{255, 255, 255, 0};
constexpr Color ColorGrey{127, 127, 127, 0};
constexpr Color ColorRed{255, 0, 0, 0};
constexpr Color ColorGreen{0, 255, 0, 0};
constexpr Color ColorBlue{0, 0, 255, 0};
constexpr Color ColorYellow{255, 255, 0, 0};
constexpr Color ColorMagenta{255, 0, 255, 0};
constexpr Color ColorCyan{0, 255, 255, 0};
constexpr Color ColorBlack{0, 0, 0, 0};

using FontId = std::int32_t;
enum : FontId { FontBold = 0, FontHuge, FontLarge, FontMedium, FontSmall, FontSmaller, FontTiny, FontSymbol };

// Font style bits.
enum : std::uint32_t { FontStyleBold = 1, FontStyleItalic = 2, FontStyleUnderline = 4 };

using PenStyle = std::int32_t;
enum : PenStyle { PenSolid = 0, PenDotted = 1 };

using TextAlign = std::int32_t;
enum : TextAlign { AlignLeft = 0, AlignCenter = 1, AlignRight = 2 };

// Bits of queryMouseButtons.
enum : std::int32_t {
    ButtonPrimary = 1,
    ButtonMiddle = 2,
    ButtonSecondary = 4,
    KeyShift = 8,
    KeyControl = 16,
    KeyAlt = 32,
};

}  // namespace qm
