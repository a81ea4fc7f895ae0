#pragma once
// The effect that every instance is: the ducking engine with its editor, which hears every
// parameter change and reaches the effect as its controller, and the identification the host
// shows.

#include "editor/EditorController.h"
#include "formats/vst2/DuckerEffect.h"

namespace qm {

class DuckerEffectWithEditor : public DuckerEffect, public EditorController {
public:
    // Creates the editor with the effect; a failed editor allocation marks the module as unable
    // to create instances.
    explicit DuckerEffectWithEditor(HostCallback hostCallback);

    // Stores the value and passes it to the editor. Any thread.
    void setParameter(std::int32_t index, float value) override;
    // "QuellmarV3EditGUI" for both the effect name and the product string.
    bool getEffectName(char* text) override;
    bool getProductString(char* text) override;
    std::int32_t getVendorVersion() override;

    // The editor's controller, translated in one place to the eleven parameters: a control's
    // value is its parameter's stored value on the control's extended curve, the slot parameter
    // 0's (kNoSlotValue or any other number: none), gestures and changes go through the host's begin-edit, automation and end-edit, and
    // the host idles during a drag. UI thread.
    double value(ControlId id) override;
    std::int32_t slot() override;
    float meter() override { return getParameter(ParamMeter); }
    void beginGesture(ControlId id) override { hostBeginEdit(controlInfo(id).parameter); }
    void endGesture(ControlId id) override { hostEndEdit(controlInfo(id).parameter); }
    void setFromEditor(ControlId id, double value) override;
    void keepHostAlive() override { hostIdle(); }
};

}  // namespace qm
