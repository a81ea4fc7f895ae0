#pragma once
// The effect that every instance is: the ducking engine with its editor, which hears every
// parameter change, and the identification the host shows.

#include "formats/vst2/DuckerEffect.h"

namespace qm {

class DuckerEffectWithEditor : public DuckerEffect {
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
};

}  // namespace qm
