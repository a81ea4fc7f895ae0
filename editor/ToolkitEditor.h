#pragma once
// The base of an editor built from the toolkit, whatever the plug-in format: owns the link to the
// open frame, forwards keys, the wheel and idle time to it, and runs the idle pump that keeps the
// window painted and the host alive while a control tracks a drag. It reaches the plug-in only
// through its EditorController. UI thread, except postUpdate.

#include <atomic>
#include <cstdint>
#include <vector>

#include "editor/EditorController.h"
#include "gui/EditorFrame.h"
#include "gui/FrameEditor.h"
#include "gui/KeyCode.h"

namespace qm {

class ToolkitEditor : public FrameEditor {
public:
    // An editor for the instance behind `controller` (not owned; it must outlive the editor or
    // release it first, see releaseController).
    explicit ToolkitEditor(EditorController* controller);
    ~ToolkitEditor() override;
    ToolkitEditor(const ToolkitEditor&) = delete;
    ToolkitEditor& operator=(const ToolkitEditor&) = delete;

    // Opens the editor inside the host's native parent window; true when it opened. The base
    // only posts an update: the concrete editor builds the frame.
    virtual bool open(void* parent);
    // Closes the editor window; the concrete editor tears the frame down.
    virtual void close() {}
    // Host idle: a pending update, then the frame's idle pass (events, what changed is drawn).
    virtual void idle();
    // Called from idle when an update was posted.
    virtual void update() {}
    // Marks that the editor should update at its next idle. Any thread.
    void postUpdate() { updatePending.store(1, std::memory_order_release); }

    // Keys from the host; -1 when nobody took the key.
    std::int32_t onKeyDown(KeyCode& key);
    std::int32_t onKeyUp(KeyCode& key);
    // Mouse wheel by `distance` notches; true when a view took it.
    bool onWheel(float distance);
    // Redraws the whole frame now.
    void draw();

    // One pass of the idle pump: at most one full pass (idle, one paint, the host kept alive) per
    // 100 ms, a 4 ms sleep while none is due.
    void pumpIdle() override;
    void beginEdit(std::int32_t tag) override;
    void endEdit(std::int32_t tag) override;
    void closedClickFinished() override;

    // The instance is going: the editor closes and forgets its controller. True when the caller
    // may delete the editor now; false while an idle call or a click of one of its frames is still
    // running, in which case the editor deletes itself once it is safe.
    bool releaseController();

    EditorFrame* getFrame() const { return frame; }
    // True while an idle call runs or a frame of this editor handles a click.
    bool isBusy() const;
    std::uint32_t getNextIdleTime() const { return nextIdleTime; }

protected:
    EditorController* controller() const { return control; }
    // Takes the frame away from the editor: deletes it now, or, when the host closes the editor
    // from inside a click the frame is still handling (its idle called from a drag loop), takes
    // its window off the screen and deletes it once the click is over.
    void retireFrame();
    // Deletes the retired frames whose click is over.
    void deleteRetiredFrames();

    EditorFrame* frame = nullptr;
    void* parentWindow = nullptr;
    std::uint32_t nextIdleTime = 0;
    bool inHostIdle = false;
    std::atomic<std::int32_t> updatePending{0};

private:
    // An editor whose controller is gone deletes itself here once it is no longer busy.
    void deleteIfOrphanedAndIdle();

    EditorController* control;
    std::vector<EditorFrame*> retiredFrames;
    std::int32_t idleDepth = 0;
    bool orphaned = false;
};

// Deletes the editors that outlived their instance and are no longer busy. UI thread.
void deleteIdleOrphanedEditors();

}  // namespace qm
