#pragma once
// The bare editor interface that an effect holds: every operation is a default that does nothing
// or answers "not handled". Concrete editors derive from it.

#include <atomic>
#include <cstdint>

#include "formats/vst2/base/PluginInterface.h"

namespace qm {

class EffectBase;

class EditorBase {
public:
    // Attaches nothing by itself; `effect` is the owner (not owned). UI thread.
    explicit EditorBase(EffectBase* effect) : effect(effect) {}
    virtual ~EditorBase() = default;
    EditorBase(const EditorBase&) = delete;
    EditorBase& operator=(const EditorBase&) = delete;

    // Stores the address of the editor rectangle in *rect; answers 1 when it did. UI thread.
    virtual std::int32_t getRect(ERect** rect) {
        if (rect != nullptr) *rect = nullptr;
        return 0;
    }
    // Opens the editor inside the host's native parent window; answers 1 when it opened. UI thread.
    virtual std::int32_t open(void* parent) {
        parentWindow = parent;
        return 0;
    }
    // Closes the editor window. UI thread.
    virtual void close() {}
    // Host idle: runs a pending update. UI thread.
    virtual void idle() {
        if (updatePending.exchange(0, std::memory_order_acq_rel) != 0) update();
    }
    // Called from idle when an update was posted. UI thread.
    virtual void update() {}
    // Marks that the editor should update at its next idle. Any thread.
    virtual void postUpdate() { updatePending.store(1, std::memory_order_release); }
    // Keys from the host; the answer is -1 when nobody took the key. UI thread.
    virtual std::int32_t onKeyDown(VstKeyCode& /*key*/) { return -1; }
    virtual std::int32_t onKeyUp(VstKeyCode& /*key*/) { return -1; }
    // The host's knob mode; the answer is 1 when the editor took it. UI thread.
    virtual std::int32_t setKnobMode(std::int32_t /*mode*/) { return 0; }
    // Mouse wheel by `distance` notches; true when a view took it. UI thread.
    virtual bool onWheel(float /*distance*/) { return false; }
    // The effect is being destroyed: the editor forgets it. True when the editor may be deleted
    // now; false when a call of the editor has not returned yet (a drag loop that called the host,
    // which closed the effect), in which case the editor deletes itself once it is safe. UI thread.
    virtual bool releaseEffect() {
        effect = nullptr;
        return true;
    }

protected:
    EffectBase* effect;
    void* parentWindow = nullptr;
    std::atomic<std::int32_t> updatePending{0};
};

}  // namespace qm
