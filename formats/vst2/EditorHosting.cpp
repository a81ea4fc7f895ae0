#include "formats/vst2/EditorHosting.h"

#include <atomic>
#include <utility>

#include "formats/vst2/base/ModuleState.h"
#include "gui/DrawingTarget.h"

namespace qm {
namespace {

std::atomic<std::int32_t> sharedKnobMode{0};

KeyCode toKeyCode(const VstKeyCode& key) { return KeyCode{key.character, key.virt, key.modifier}; }

}  // namespace

EditorHosting::EditorHosting(EffectBaseExt* effect, DuckerEditor* editor) : EditorBase(effect), editor(editor) {
    if (effect != nullptr) effect->attachEditor(this);
}

EditorHosting::~EditorHosting() { delete std::exchange(editor, nullptr); }

void EditorHosting::useModuleResources() {
    // The module's pictures and window class belong to the module the loader reported.
    if (void* module = moduleInstance.load(std::memory_order_acquire)) setResourceModule(module);
}

std::int32_t EditorHosting::getRect(ERect** out) {
    if (editor != nullptr) {
        const Rect size = editor->deviceSize();
        rect = ERect{0, 0, static_cast<std::int16_t>(size.height()), static_cast<std::int16_t>(size.width())};
    }
    if (out != nullptr) *out = &rect;
    return 1;
}

std::int32_t EditorHosting::open(void* parent) {
    parentWindow = parent;
    if (editor != nullptr) editor->open(parent);
    return 1;
}

void EditorHosting::close() {
    if (editor != nullptr) editor->close();
}

// Nothing of this object is used after the editor's idle: the host may close the effect from inside.
void EditorHosting::idle() {
    if (editor != nullptr) editor->idle();
}

void EditorHosting::postUpdate() {
    if (editor != nullptr) editor->postUpdate();
}

std::int32_t EditorHosting::onKeyDown(VstKeyCode& key) {
    KeyCode code = toKeyCode(key);
    return editor != nullptr ? editor->onKeyDown(code) : -1;
}

std::int32_t EditorHosting::onKeyUp(VstKeyCode& key) {
    KeyCode code = toKeyCode(key);
    return editor != nullptr ? editor->onKeyUp(code) : -1;
}

std::int32_t EditorHosting::setKnobMode(std::int32_t mode) {
    sharedKnobMode.store(mode, std::memory_order_relaxed);
    return 1;
}

std::int32_t EditorHosting::knobMode() { return sharedKnobMode.load(std::memory_order_relaxed); }

bool EditorHosting::onWheel(float distance) { return editor != nullptr && editor->onWheel(distance); }

bool EditorHosting::releaseEffect() {
    effect = nullptr;
    DuckerEditor* going = std::exchange(editor, nullptr);
    if (going != nullptr && going->releaseController()) delete going;
    return true;
}

}  // namespace qm
