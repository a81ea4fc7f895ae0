#pragma once
// The base of every control: a view carrying one float value with range and default, a tag that
// tells its owner which quantity it shows, an optional background picture, and a listener told
// of changes the user makes. A control needs drawing whenever its value differs from the value
// it last drew, so setting a value (from any thread) is enough to get it redrawn at the next idle
// pass. Drawing and input on the UI thread.

#include <atomic>
#include <cstdint>

#include "gui/Bitmap.h"
#include "gui/View.h"

namespace qm {

class Control;

class ControlListener {
public:
    virtual ~ControlListener() = default;
    // The user changed `control`'s value; `canvas` is the event's (null for keys). UI thread.
    virtual void onControlChanged(Canvas* canvas, Control* control) = 0;
};

class Control : public View {
public:
    // `background` (may be null) is retained.
    Control(const Rect& size, ControlListener* listener, std::int32_t tag, Bitmap* background);
    ~Control() override;

    bool needsRedraw() override;
    void setNeedsRedraw(bool state) override;

    // Runs the editor's idle pump during a drag; nothing without a frame or editor.
    virtual void pumpIdle();
    // Stores the value; no clamping, no notification. Any thread.
    virtual void setValue(float newValue);
    virtual float getValue();
    virtual void setMin(float value);
    virtual float getMin();
    virtual void setMax(float value);
    virtual float getMax();
    virtual void setDrawnValue(float value);
    virtual float getDrawnValue();
    virtual void setDefaultValue(float value);
    virtual float getDefaultValue();
    virtual void setTag(std::int32_t newTag);
    // Holds `bitmap` (retained; may be null) instead of the current background.
    virtual void setBackground(Bitmap* bitmap);
    virtual Bitmap* getBackground();
    virtual void setBackgroundOffset(Point offset);
    // Takes the background from under the control in a picture of the whole editor.
    virtual void alignBackgroundOffset();
    virtual void setWheelStep(float step);
    virtual float getWheelStep();
    // Limits the value to min..max; a value that is not a number stays.
    virtual void clampValue();

    std::int32_t tag;

protected:
    float loadValue() const { return value.load(std::memory_order_relaxed); }
    // Draws `bitmap` at destRect from srcPos, leaving out its key colour when the view is transparent.
    void drawPicture(Canvas& canvas, const Bitmap& bitmap, const Rect& destRect, Point srcPos) const;

    ControlListener* listener;
    std::atomic<float> drawnValue{1.0f};
    float defaultValue = 0.5f;
    std::atomic<float> value{0.0f};
    float minValue = 0.0f;
    float maxValue = 1.0f;
    float wheelStep = 0.1f;
    Bitmap* background;
    Point backgroundOffset;
};

}  // namespace qm
