#include "editor/GuiEditorBase.h"

#include <atomic>
#include <utility>

#include "gui/DrawingTarget.h"
#include "gui/PlatformInput.h"
#include "formats/vst2/ModuleState.h"

namespace qm {
namespace {

std::atomic<std::int32_t> sharedKnobMode{0};

// True when tick `a` comes before tick `b`, also across the wrap of the 32-bit counter.
bool isBefore(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) < 0; }

KeyCode toKeyCode(const VstKeyCode& key) { return KeyCode{key.character, key.virt, key.modifier}; }

// Editors whose effect the host destroyed while a call of theirs was running; whatever is left
// when the module unloads goes with it.
struct OrphanedEditors {
    std::vector<GuiEditorBase*> editors;
    ~OrphanedEditors() {
        for (GuiEditorBase* editor : std::exchange(editors, {})) delete editor;
    }
};

OrphanedEditors& orphanedEditors() {
    static OrphanedEditors orphans;
    return orphans;
}

}  // namespace

void deleteIdleOrphanedEditors() {
    std::vector<GuiEditorBase*>& editors = orphanedEditors().editors;
    std::vector<GuiEditorBase*> done;
    std::erase_if(editors, [&done](GuiEditorBase* editor) {
        if (editor->isBusy()) return false;
        done.push_back(editor);
        return true;
    });
    for (GuiEditorBase* editor : done) delete editor;
}

GuiEditorBase::GuiEditorBase(EffectBaseExt* effect) : EditorBase(effect) {
    deleteIdleOrphanedEditors();
    // The module's pictures and window class belong to the module the loader reported.
    if (void* module = moduleInstance.load(std::memory_order_acquire)) setResourceModule(module);
    if (effect != nullptr) effect->attachEditor(this);
    nextIdleTime = platformInput().tickCountMs();
    platformInput().beginObjectLinking();
}

GuiEditorBase::~GuiEditorBase() {
    std::erase(orphanedEditors().editors, this);
    for (EditorFrame* retired : retiredFrames) delete retired;
    platformInput().endObjectLinking();
}

bool GuiEditorBase::isBusy() const {
    if (idleDepth > 0 || (frame != nullptr && frame->isHandlingMouse())) return true;
    for (const EditorFrame* retired : retiredFrames) {
        if (retired->isHandlingMouse()) return true;
    }
    return false;
}

bool GuiEditorBase::releaseEffect() {
    close();
    effect = nullptr;
    if (!isBusy()) return true;
    orphaned = true;
    orphanedEditors().editors.push_back(this);
    return false;
}

void GuiEditorBase::deleteIfOrphanedAndIdle() {
    if (!orphaned || isBusy()) return;
    delete this;
}

void GuiEditorBase::closedClickFinished() {
    if (orphaned) deleteIfOrphanedAndIdle();
    else deleteRetiredFrames();
}

void GuiEditorBase::retireFrame() {
    EditorFrame* going = frame;
    frame = nullptr;
    if (going == nullptr) return;
    if (!going->isHandlingMouse()) {
        delete going;
        return;
    }
    going->beginClosing();
    retiredFrames.push_back(going);
}

void GuiEditorBase::deleteRetiredFrames() {
    std::erase_if(retiredFrames, [](EditorFrame* retired) {
        if (retired->isHandlingMouse()) return false;
        delete retired;
        return true;
    });
}

std::int32_t GuiEditorBase::getRect(ERect** out) {
    if (out != nullptr) *out = &rect;
    return 1;
}

std::int32_t GuiEditorBase::open(void* parent) {
    deleteRetiredFrames();
    postUpdate();
    parentWindow = parent;
    return 0;
}

void GuiEditorBase::close() {}

void GuiEditorBase::idle() {
    if (inHostIdle) return;
    if (idleDepth == 0 && !orphanedEditors().editors.empty()) deleteIdleOrphanedEditors();
    ++idleDepth;
    if (updatePending.exchange(0, std::memory_order_acq_rel) != 0) update();
    if (frame != nullptr) frame->idleUpdate();
    if (!retiredFrames.empty()) deleteRetiredFrames();
    --idleDepth;
    // Last: the host may have destroyed the effect from inside this call.
    deleteIfOrphanedAndIdle();
}

void GuiEditorBase::update() {}

std::int32_t GuiEditorBase::onKeyDown(VstKeyCode& key) {
    if (frame == nullptr) return -1;
    KeyCode code = toKeyCode(key);
    return frame->onKeyDown(code);
}

std::int32_t GuiEditorBase::onKeyUp(VstKeyCode& key) {
    if (frame == nullptr) return -1;
    KeyCode code = toKeyCode(key);
    return frame->onKeyUp(code);
}

std::int32_t GuiEditorBase::setKnobMode(std::int32_t mode) {
    sharedKnobMode.store(mode, std::memory_order_relaxed);
    return 1;
}

std::int32_t GuiEditorBase::knobMode() { return sharedKnobMode.load(std::memory_order_relaxed); }

bool GuiEditorBase::onWheel(float distance) {
    return frame != nullptr && frame->onWheel(nullptr, Point{0, 0}, distance);
}

void GuiEditorBase::setParameter(std::int32_t, float) { postUpdate(); }

void GuiEditorBase::draw(ERect*) {
    if (frame != nullptr) frame->redrawView(frame);
}

void GuiEditorBase::pumpIdle() {
    PlatformInput& platform = platformInput();
    std::uint32_t now = platform.tickCountMs();
    if (isBefore(now, nextIdleTime)) {
        platform.sleepMs(4);
        if (isBefore(now + 4, nextIdleTime - 50)) return;
        now += 4;
    }
    idle();
    platform.dispatchOnePaintMessage();
    nextIdleTime = now + 100;
    inHostIdle = true;
    if (effect != nullptr) owner()->hostIdle();
    inHostIdle = false;
}

void GuiEditorBase::beginEdit(std::int32_t tag) {
    if (effect != nullptr) owner()->hostBeginEdit(tag);
}

void GuiEditorBase::endEdit(std::int32_t tag) {
    if (effect != nullptr) owner()->hostEndEdit(tag);
}

}  // namespace qm
