// The UI binary's only export: the descriptor of the editor as an X11 UI, whose functions turn
// the host's calls into calls on a DuckerUi. No exception leaves them.

#include <lv2/ui/ui.h>

#include <cstring>

#include "formats/lv2/DuckerUi.h"
#include "formats/lv2/Features.h"
#include "formats/lv2/PluginUris.h"

namespace qm::lv2 {
namespace {

DuckerUi* uiOf(LV2UI_Handle handle) { return static_cast<DuckerUi*>(handle); }

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
    try {
        if (pluginUri == nullptr || std::strcmp(pluginUri, kPluginUri) != 0 || widget == nullptr) return nullptr;
        void* parent = const_cast<void*>(findFeature(features, LV2_UI__parent));
        const auto* touch = static_cast<const LV2UI_Touch*>(findFeature(features, LV2_UI__touch));
        const auto* resize = static_cast<const LV2UI_Resize*>(findFeature(features, LV2_UI__resize));
        DuckerUi* ui = DuckerUi::create(parent, write, controller, touch, resize);
        if (ui == nullptr) return nullptr;
        *widget = ui->widget();
        return ui;
    } catch (...) {
        return nullptr;
    }
}

void cleanup(LV2UI_Handle handle) {
    try {
        delete uiOf(handle);
    } catch (...) {
    }
}

void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    if (handle != nullptr) uiOf(handle)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle handle) {
    try {
        return handle != nullptr ? uiOf(handle)->idle() : 1;
    } catch (...) {
        return 1;
    }
}

const LV2UI_Idle_Interface kIdleInterface = {idle};

const void* extensionData(const char* uri) {
    if (uri != nullptr && std::strcmp(uri, LV2_UI__idleInterface) == 0) return &kIdleInterface;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace
}  // namespace qm::lv2

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &qm::lv2::kDescriptor : nullptr;
}
