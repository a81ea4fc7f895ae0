#pragma once
// The base of a bitmap editor built from the toolkit: answers the host's editor requests, owns
// the link to the open frame, forwards keys and idle time to it, and runs the idle pump that keeps
// the window painted and the host alive while a control tracks a drag. UI thread, except
// setParameter and postUpdate.

#include <cstdint>
#include <vector>

#include "gui/EditorFrame.h"
#include "gui/FrameEditor.h"
#include "formats/vst2/EditorBase.h"
#include "formats/vst2/EffectBaseExt.h"

namespace qm {

class GuiEditorBase : public EditorBase, public FrameEditor {
public:
    // Attaches itself to `effect`: the effect's editor becomes this one and its record says so.
    explicit GuiEditorBase(EffectBaseExt* effect);
    ~GuiEditorBase() override;

    // Stores the address of the editor rectangle; answers 1.
    std::int32_t getRect(ERect** rect) override;
    std::int32_t open(void* parent) override;
    void close() override;
    void idle() override;
    void update() override;
    std::int32_t onKeyDown(VstKeyCode& key) override;
    std::int32_t onKeyUp(VstKeyCode& key) override;
    // Stores the knob mode for every editor of the process; answers 1.
    std::int32_t setKnobMode(std::int32_t mode) override;
    bool onWheel(float distance) override;

    // A parameter of the effect changed (any thread): the base only posts an update.
    virtual void setParameter(std::int32_t index, float value);
    // Redraws the whole frame now.
    virtual void draw(ERect* rect);
    // One pass of the idle pump: at most one full pass (idle, one paint, host idle) per 100 ms,
    // a 4 ms sleep while none is due.
    void pumpIdle() override;

    void beginEdit(std::int32_t tag) override;
    void endEdit(std::int32_t tag) override;
    // Closes the editor and forgets the effect; false (the editor deletes itself later) while an idle
    // call or a click of one of its frames is still running.
    bool releaseEffect() override;
    void closedClickFinished() override;

    EditorFrame* getFrame() const { return frame; }
    // True while an idle call runs or a frame of this editor handles a click.
    bool isBusy() const;
    std::uint32_t getNextIdleTime() const { return nextIdleTime; }
    // The knob mode that the host set last, for every editor of the process.
    static std::int32_t knobMode();

protected:
    EffectBaseExt* owner() const { return static_cast<EffectBaseExt*>(effect); }
    // Takes the frame away from the editor: deletes it now, or, when the host closes the editor
    // from inside a click the frame is still handling (its idle called from a drag loop), takes
    // its window off the screen and deletes it once the click is over.
    void retireFrame();
    // Deletes the retired frames whose click is over.
    void deleteRetiredFrames();

    ERect rect{0, 0, 0, 0};
    EditorFrame* frame = nullptr;
    std::uint32_t nextIdleTime = 0;
    bool inHostIdle = false;

private:
    // An editor whose effect is gone deletes itself here once it is no longer busy.
    void deleteIfOrphanedAndIdle();

    std::vector<EditorFrame*> retiredFrames;
    std::int32_t idleDepth = 0;
    bool orphaned = false;
};

// Deletes the editors that outlived their effect and are no longer busy. UI thread.
void deleteIdleOrphanedEditors();

}  // namespace qm
