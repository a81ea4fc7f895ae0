#include "tools/host/validate/lv2/Lv2Editor.h"

#include <cstring>

namespace qmhost::validate {

std::unique_ptr<Lv2Editor> Lv2Editor::open(const LV2UI_Descriptor* descriptor, const std::string& pluginUri,
                                           const std::string& bundlePath, void* parent, PortSink& sink,
                                           LV2_URID_Map* map) {
    if (descriptor == nullptr || descriptor->instantiate == nullptr) return nullptr;
    std::unique_ptr<Lv2Editor> editor(new Lv2Editor(descriptor, sink));
    const LV2_Feature parentFeature{LV2_UI__parent, parent};
    const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    const LV2_Feature resizeFeature{LV2_UI__resize, &editor->resizeFeatureData};
    const LV2_Feature touchFeature{LV2_UI__touch, &editor->touchFeatureData};
    const LV2_Feature mapFeature{LV2_URID__map, map};
    const LV2_Feature* features[] = {&parentFeature, &idleFeature, &resizeFeature, &touchFeature, &mapFeature, nullptr};
    LV2UI_Widget widget = nullptr;
    editor->handle = descriptor->instantiate(descriptor, pluginUri.c_str(), bundlePath.c_str(), write, editor.get(),
                                             &widget, features);
    if (editor->handle == nullptr) return nullptr;
    if (descriptor->extension_data != nullptr) {
        editor->idleInterface =
            static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    }
    return editor;
}

Lv2Editor::~Lv2Editor() {
    if (handle != nullptr && descriptor->cleanup != nullptr) descriptor->cleanup(handle);
}

void Lv2Editor::portEvent(std::uint32_t port, float value) {
    if (descriptor->port_event != nullptr) descriptor->port_event(handle, port, sizeof(float), 0, &value);
}

bool Lv2Editor::idle() { return idleInterface != nullptr && idleInterface->idle(handle) == 0; }

bool Lv2Editor::size(std::int32_t& width, std::int32_t& height) const {
    if (toldWidth <= 0 || toldHeight <= 0) return false;
    width = toldWidth;
    height = toldHeight;
    return true;
}

void Lv2Editor::write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t bytes, std::uint32_t protocol,
                      const void* buffer) {
    // Control ports take one float in the default protocol; nothing else is written to them.
    if (controller == nullptr || protocol != 0 || bytes != sizeof(float) || buffer == nullptr) return;
    float value = 0.0f;
    std::memcpy(&value, buffer, sizeof value);
    static_cast<Lv2Editor*>(controller)->sink.portWritten(port, value);
}

int Lv2Editor::resize(LV2UI_Feature_Handle handle, int width, int height) {
    auto* editor = static_cast<Lv2Editor*>(handle);
    editor->toldWidth = width;
    editor->toldHeight = height;
    return 0;
}

void Lv2Editor::touch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed) {
    static_cast<Lv2Editor*>(handle)->sink.portTouched(port, grabbed);
}

}  // namespace qmhost::validate
