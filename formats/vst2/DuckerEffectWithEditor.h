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

    // The editor's controller: parameters as stored, gestures and changes through the host's
    // begin-edit, automation and end-edit, the host's idle during a drag. UI thread.
    float parameter(std::int32_t index) override { return getParameter(index); }
    float slot() override { return getParameter(ParamOwnSlot); }
    float meter() override { return getParameter(ParamMeter); }
    void beginGesture(std::int32_t index) override { hostBeginEdit(index); }
    void endGesture(std::int32_t index) override { hostEndEdit(index); }
    void setFromEditor(std::int32_t index, float value) override { setParameterAutomated(index, value); }
    void keepHostAlive() override { hostIdle(); }
};

}  // namespace qm
