#pragma once
// A drawing context for one event: the current pen, brush, text colour and font of a drawing
// target, a translation offset, the few primitives the views need, and the mouse as a view sees
// it while it tracks a drag. Coordinates are the editor's 1x pixels; at another scale the canvas
// turns them into device pixels of the target (pictures, lines as wide as one 1x pixel, texts at
// the scale's size), and the mouse back into 1x pixels. UI thread.

#include <cstdint>

#include "gui/DrawingTarget.h"
#include "gui/Geometry.h"
#include "gui/Scale.h"

namespace qm {

class EditorFrame;

// Font table: face, default size in pixels.
struct FontTableEntry {
    const char* face;
    std::int32_t defaultSizePx;
};
extern const FontTableEntry kFontTable[8];

class Canvas {
public:
    // A canvas on `target` (may be null: nothing is drawn) of `frame` (may be null) for the native
    // `window` (may be null); applies the default pen, brush and text colour to the target.
    Canvas(EditorFrame* frame, DrawingTarget* target, void* window);
    virtual ~Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void setPenColor(Color color);
    void setPenStyle(PenStyle style);
    void setBrushColor(Color color);
    void setTextColor(Color color);
    // Selects font `id` (0..7, else 0) at `sizePx` pixels (0: the table's size) with style bits.
    void selectFont(FontId id, std::int32_t sizePx, std::uint32_t style);

    void moveTo(Point point);
    void lineTo(Point point);
    void strokeRect(const Rect& rect);
    void paintRect(const Rect& rect);
    // One line of `text` in `rect`; null text draws nothing.
    void drawText(const char* text, const Rect& rect, bool opaque, TextAlign align);
    // Copies destRect's size from srcPos of this canvas to destRect of `dest` (plus its offset).
    void blitTo(Canvas& dest, const Rect& destRect, Point srcPos);

    // Buttons and modifier keys down right now, as ButtonPrimary .. KeyAlt bits; none while the
    // frame is closing or after its window is gone.
    std::int32_t queryMouseButtons();
    // The cursor relative to the window's top-left corner.
    void queryMouseLocation(Point& where);

    Point getOffset() const { return offset; }
    // The scale of the frame (1x without one).
    ScalePercent getScale() const { return scale; }
    Point getWindowOrigin() const { return windowOrigin; }
    const Rect& getClipRect() const { return clipRect; }
    EditorFrame* getFrame() const { return frame; }
    DrawingTarget* getTarget() const { return target; }
    FontId getFontId() const { return fontId; }
    std::int32_t getFontSize() const { return fontSize; }
    Color getPenColor() const { return penColor; }
    Color getBrushColor() const { return brushColor; }
    Color getTextColor() const { return textColor; }
    PenStyle getPenStyle() const { return penStyle; }
    // The font that the last selectFont made, as handed to the target.
    const FontSpec& getFontSpec() const { return fontSpec; }

protected:
    void setTarget(DrawingTarget* newTarget) { target = newTarget; }
    Rect translated(const Rect& rect) const;
    // The device pixels of the logical pixels of `rect` after translation.
    Rect toDeviceRect(const Rect& rect) const { return toDevice(translated(rect), scale); }
    // Fills the device pixels of logical pixels left .. right - 1, top .. bottom - 1 with the pen.
    void fillWithPen(const Rect& rect);

    Point windowOrigin;
    Point offset;
    DrawingTarget* target;
    void* window;
    EditorFrame* frame;
    std::int32_t fontSize = 0;
    FontId fontId = 0;
    Color textColor = ColorWhite;
    std::int32_t penWidth = 1;
    Color penColor = ColorWhite;
    Color brushColor = ColorBlack;
    PenStyle penStyle = PenSolid;
    Rect clipRect;
    FontSpec fontSpec;
    ScalePercent scale = kScale1x;
    // The current position in translated logical pixels, for lines at a scale.
    Point position;
};

}  // namespace qm
