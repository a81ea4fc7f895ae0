#pragma once
// What the editor needs of the plug-in instance it shows, whatever the plug-in format, in the
// instance model's terms: the controls by id in user units, the gestures and changes the user
// makes, the meter and the slot. Each format's shell implements it, translating in one place (the
// VST 2 effect to its parameters; the LV2 UI to the host's port writes and port events). UI thread.

#include <cstdint>

#include "engine/ControlTable.h"

namespace qm {

class EditorController {
public:
    virtual ~EditorController() = default;

    // The value of control `id` in user units, on its extended curve (extendedControlValueFor), so
    // that a value a host set outside the control's range is shown and stepped from as it is.
    virtual double value(ControlId id) = 0;
    // The instance's own key slot: 0..3, or kNoSlot without one.
    virtual std::int32_t slot() = 0;
    // The gain reduction at the end of the last block, 0..1.
    virtual float meter() = 0;

    // The user begins or ends dragging control `id`: the host hears one gesture.
    virtual void beginGesture(ControlId id) = 0;
    virtual void endGesture(ControlId id) = 0;
    // The user set control `id` to `value` (user units, extended curve): stored, and told to the
    // host so that it records the change.
    virtual void setFromEditor(ControlId id, double value) = 0;
    // Called about every 100 ms while a drag holds the host's event loop, for hosts that want to
    // hear from the plug-in meanwhile.
    virtual void keepHostAlive() {}
};

}  // namespace qm
