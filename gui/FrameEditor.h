#pragma once
// What the frame and its controls need of the editor that owns the frame.

#include <cstdint>

namespace qm {

class FrameEditor {
public:
    virtual ~FrameEditor() = default;
    // A drag of the control carrying `tag` begins or ends: the host hears one gesture. UI thread.
    virtual void beginEdit(std::int32_t tag) = 0;
    virtual void endEdit(std::int32_t tag) = 0;
    // Keeps the window painted and the host alive during a drag; called once per tracking pass.
    virtual void pumpIdle() = 0;
    // A click that the editor closed while it was handled is over and no call of the frame is
    // running any more: the editor may delete the frame, and itself when its effect is gone.
    virtual void closedClickFinished() {}
};

}  // namespace qm
