#pragma once
// What the editor needs of the plug-in instance it shows, whatever the plug-in format: the values
// of the parameters, the gestures and changes the user makes, the meter and the slot. Each
// format's shell implements it (the VST 2 effect itself; the LV2 UI through the host's port
// writes and port events). UI thread.

#include <cstdint>

namespace qm {

class EditorController {
public:
    virtual ~EditorController() = default;

    // The stored value of user control `index` (ParamBypass .. ParamThreshold), in the 0..1 form
    // of the eleven parameters.
    virtual float parameter(std::int32_t index) = 0;
    // The instance's own key slot as parameter 0 carries it: 0..3, or 6 without a slot.
    virtual float slot() = 0;
    // The gain reduction at the end of the last block, 0..1.
    virtual float meter() = 0;

    // The user begins or ends dragging the control of `index`: the host hears one gesture.
    virtual void beginGesture(std::int32_t index) = 0;
    virtual void endGesture(std::int32_t index) = 0;
    // The user set control `index` to `value` (0..1): stored, and told to the host so that it
    // records the change.
    virtual void setFromEditor(std::int32_t index, float value) = 0;
    // Called about every 100 ms while a drag holds the host's event loop, for hosts that want to
    // hear from the plug-in meanwhile.
    virtual void keepHostAlive() {}
};

}  // namespace qm
