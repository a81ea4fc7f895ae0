#pragma once
// A box that prints the value as text ("%2.2f" unless a formatter is installed) in a font of the
// canvas table, with background, frame and text colours and optional 3D edges and shadow.

#include "gui/controls/Control.h"

namespace qm {

enum : std::int32_t {
    ShadowText = 4,
    SunkenEdges = 128,
    RaisedEdges = 256,
    NoText = 2048,
    NoDraw = 4096,
};

class ValueDisplay : public Control {
public:
    using Formatter = void (*)(float value, char* text);
    using FormatterWithData = void (*)(float value, char* text, void* data);

    ValueDisplay(const Rect& size, Bitmap* background, std::int32_t style);

    void draw(Canvas& canvas) override;

    virtual void setFont(FontId id);
    virtual void setFontColor(Color color);
    virtual void setBackColor(Color color);
    virtual void setFrameColor(Color color);
    virtual void setShadowColor(Color color);
    virtual void setAlign(TextAlign align);
    virtual void setFormatterWithData(FormatterWithData function, void* data);
    virtual void setFormatter(Formatter function);
    virtual void setSpareHook(void* hook);
    virtual void setStyle(std::int32_t style);
    virtual void setFontStyle(std::uint32_t style);
    virtual void setTransparentText(bool state);

    // Draws the box and `text` (may be null), with `overrideBitmap` instead of the background.
    void drawDisplay(Canvas& canvas, const char* text, Bitmap* overrideBitmap);

private:
    void changeColor(Color& stored, Color color);

    Formatter formatter = nullptr;
    FormatterWithData formatterWithData = nullptr;
    void* spareHook = nullptr;
    void* formatterData = nullptr;
    TextAlign align = AlignCenter;
    std::int32_t style;
    FontId fontId = FontMedium;
    std::uint32_t fontStyle = 0;
    Color fontColor = ColorWhite;
    Color backColor = ColorBlack;
    Color frameColor = ColorBlack;
    Color shadowColor = ColorRed;
    bool transparentText = true;
};

}  // namespace qm
