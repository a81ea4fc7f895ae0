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
};

}  // namespace qm
