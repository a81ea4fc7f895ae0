#pragma once
// The VST 2 hosting of an editor built from the toolkit: answers the host's editor requests (the
// rectangle, open, close, idle, keys, the knob mode) by the editor it holds, and forgets the
// editor when the effect goes. UI thread.

#include <cstdint>

#include "editor/DuckerEditor.h"
#include "formats/vst2/base/EditorBase.h"
#include "formats/vst2/base/EffectBaseExt.h"

namespace qm {

class EditorHosting : public EditorBase {
public:
    // Attaches itself to `effect` (the effect's editor becomes this one and its record says so)
    // and hosts `editor`, which it owns.
    EditorHosting(EffectBaseExt* effect, DuckerEditor* editor);
    ~EditorHosting() override;

    // Lets the toolkit find the module's pictures: call before an editor is made.
    static void useModuleResources();

    // Stores the address of the editor rectangle, in device pixels; answers 1.
    std::int32_t getRect(ERect** rect) override;
    // Opens the editor in the host's window; answers 1.
    std::int32_t open(void* parent) override;
    void close() override;
    void idle() override;
    void postUpdate() override;
    std::int32_t onKeyDown(VstKeyCode& key) override;
    std::int32_t onKeyUp(VstKeyCode& key) override;
    // Stores the knob mode for every editor of the process; answers 1.
    std::int32_t setKnobMode(std::int32_t mode) override;
    bool onWheel(float distance) override;
    // The effect is going: the editor closes and forgets it, and goes now or, while one of its calls
    // still runs, once it is over. The hosting itself may be deleted at once.
    bool releaseEffect() override;

    // The hosted editor; null once the effect is gone.
    DuckerEditor* toolkitEditor() const { return editor; }
    // The knob mode that the host set last, for every editor of the process.
    static std::int32_t knobMode();

private:
    DuckerEditor* editor;
    ERect rect{0, 0, 0, 0};
};

}  // namespace qm
