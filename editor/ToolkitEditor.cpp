#include "editor/ToolkitEditor.h"

#include <utility>

#include "gui/PlatformInput.h"

namespace qm {
namespace {

// True when tick `a` comes before tick `b`, also across the wrap of the 32-bit counter.
bool isBefore(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) < 0; }

// Editors whose instance went while a call of theirs was running; whatever is left when the
// module unloads goes with it.
struct OrphanedEditors {
    std::vector<ToolkitEditor*> editors;
    ~OrphanedEditors() {
        for (ToolkitEditor* editor : std::exchange(editors, {})) delete editor;
    }
};

OrphanedEditors& orphanedEditors() {
    static OrphanedEditors orphans;
    return orphans;
}

}  // namespace

void deleteIdleOrphanedEditors() {
    std::vector<ToolkitEditor*>& editors = orphanedEditors().editors;
    std::vector<ToolkitEditor*> done;
    std::erase_if(editors, [&done](ToolkitEditor* editor) {
        if (editor->isBusy()) return false;
        done.push_back(editor);
        return true;
    });
    for (ToolkitEditor* editor : done) delete editor;
}

ToolkitEditor::ToolkitEditor(EditorController* controller) : control(controller) {
    deleteIdleOrphanedEditors();
    nextIdleTime = platformInput().tickCountMs();
    platformInput().beginObjectLinking();
}

ToolkitEditor::~ToolkitEditor() {
    std::erase(orphanedEditors().editors, this);
    for (EditorFrame* retired : retiredFrames) delete retired;
    platformInput().endObjectLinking();
}

bool ToolkitEditor::isBusy() const {
    if (idleDepth > 0 || (frame != nullptr && frame->isHandlingMouse())) return true;
    for (const EditorFrame* retired : retiredFrames) {
        if (retired->isHandlingMouse()) return true;
    }
    return false;
}

bool ToolkitEditor::releaseController() {
    close();
    control = nullptr;
    if (!isBusy()) return true;
    orphaned = true;
    orphanedEditors().editors.push_back(this);
    return false;
}

void ToolkitEditor::deleteIfOrphanedAndIdle() {
    if (!orphaned || isBusy()) return;
    delete this;
}

void ToolkitEditor::closedClickFinished() {
    if (orphaned) deleteIfOrphanedAndIdle();
    else deleteRetiredFrames();
}

void ToolkitEditor::retireFrame() {
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

void ToolkitEditor::deleteRetiredFrames() {
    std::erase_if(retiredFrames, [](EditorFrame* retired) {
        if (retired->isHandlingMouse()) return false;
        delete retired;
        return true;
    });
}

bool ToolkitEditor::open(void* parent) {
    deleteRetiredFrames();
    postUpdate();
    parentWindow = parent;
    return false;
}

void ToolkitEditor::idle() {
    if (inHostIdle) return;
    if (idleDepth == 0 && !orphanedEditors().editors.empty()) deleteIdleOrphanedEditors();
    ++idleDepth;
    if (updatePending.exchange(0, std::memory_order_acq_rel) != 0) update();
    if (frame != nullptr) frame->idleUpdate();
    if (!retiredFrames.empty()) deleteRetiredFrames();
    --idleDepth;
    // Last: the host may have destroyed the instance from inside this call.
    deleteIfOrphanedAndIdle();
}

std::int32_t ToolkitEditor::onKeyDown(KeyCode& key) { return frame != nullptr ? frame->onKeyDown(key) : -1; }

std::int32_t ToolkitEditor::onKeyUp(KeyCode& key) { return frame != nullptr ? frame->onKeyUp(key) : -1; }

bool ToolkitEditor::onWheel(float distance) {
    return frame != nullptr && frame->onWheel(nullptr, Point{0, 0}, distance);
}

void ToolkitEditor::draw() {
    if (frame != nullptr) frame->redrawView(frame);
}

void ToolkitEditor::pumpIdle() {
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
    if (control != nullptr) control->keepHostAlive();
    inHostIdle = false;
}

// A control's tag is the id of the instance's control it shows.
void ToolkitEditor::beginEdit(std::int32_t tag) {
    if (control != nullptr && tag >= 0 && tag < kControlCount) control->beginGesture(static_cast<ControlId>(tag));
}

void ToolkitEditor::endEdit(std::int32_t tag) {
    if (control != nullptr && tag >= 0 && tag < kControlCount) control->endGesture(static_cast<ControlId>(tag));
}

}  // namespace qm
