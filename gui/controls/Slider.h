#pragma once
// A track picture with a handle that moves along one axis in proportion to the value. Dragged with
// the primary button (Shift: ten times finer), reset to the default with a Control-click, stepped
// by the wheel and the arrow keys. Composes its picture off screen and copies it in one block.

#include <memory>

#include "gui/OffscreenCanvas.h"
#include "gui/controls/Control.h"

namespace qm {

enum : std::int32_t {
    SliderHorizontal = 1,
    SliderOriginLeft = 8,
    SliderOriginRight = 16,
    SliderOriginTop = 32,
    SliderOriginBottom = 64,
};

class Slider : public Control {
public:
    // startPos and endPos are window coordinates along the axis: the travel of values 0..1.
    // `handle` and `background` (may be null) are retained.
    Slider(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t startPos, std::int32_t endPos,
           Bitmap* handle, Bitmap* background, Point backgroundOrigin, std::int32_t style);
    ~Slider() override;

    void draw(Canvas& canvas) override;
    void onMouseDown(Canvas& canvas, Point& where) override;
    std::int32_t onKeyDown(KeyCode& key) override;
    bool onWheel(Canvas* canvas, Point where, float distance) override;
    bool onDetached(EditorFrame* frame) override;
    bool onAttached(EditorFrame* frame) override;

    virtual void setTransparentHandle(bool state);
    virtual void setGrabAnywhere(bool state);
    virtual bool getGrabAnywhere();
    // The handle's cross-axis position and the start of its travel inside the control.
    virtual void setHandleOffset(Point offset);
    virtual void setHandle(Bitmap* bitmap);
    virtual Bitmap* getHandle();
    virtual void setFineFactor(float factor);
    virtual float getFineFactor();

    std::int32_t getStyle() const { return style; }
    std::int32_t getTravel() const { return travel; }
    std::int32_t getMinLimit() const { return minLimit; }
    std::int32_t getMaxLimit() const { return maxLimit; }
    std::int32_t getStartOffset() const { return startOffset; }
    // The handle's rectangle in the control's own pixels for the current value.
    Rect handleRect();

private:
    bool isHorizontal() const { return (style & SliderHorizontal) != 0; }
    float drawnPosition();
    // The value for a mouse position along the axis, before clamping and fine movement.
    float valueAt(Point where, std::int32_t grab) const;

    Point backgroundOrigin;
    Point handleOffset;
    Bitmap* handle;
    std::unique_ptr<OffscreenCanvas> offscreen;
    std::int32_t handleWidth = 1;
    std::int32_t handleHeight = 1;
    std::int32_t travel = 0;
    std::int32_t style;
    std::int32_t minLimit = 0;
    std::int32_t maxLimit = 0;
    std::int32_t startOffset = 0;
    std::int32_t controlWidth;
    std::int32_t controlHeight;
    float fineFactor = 10.0f;
    bool transparentHandle = true;
    bool grabAnywhere = true;
};

// A slider that always moves along x.
class HorizontalSlider : public Slider {
public:
    HorizontalSlider(const Rect& size, ControlListener* listener, std::int32_t tag, std::int32_t startPos,
                     std::int32_t endPos, Bitmap* handle, Bitmap* background, Point backgroundOrigin,
                     std::int32_t style)
        : Slider(size, listener, tag, startPos, endPos, handle, background, backgroundOrigin,
                 style | SliderHorizontal) {}
};

}  // namespace qm
