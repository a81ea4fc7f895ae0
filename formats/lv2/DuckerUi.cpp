#include "formats/lv2/DuckerUi.h"

#include <cstring>
#include <new>

#include "engine/Parameters.h"

namespace qm::lv2 {

DuckerUi* DuckerUi::create(void* parent, LV2UI_Write_Function write, LV2UI_Controller controller,
                           const LV2UI_Touch* touch, const LV2UI_Resize* resize) {
    if (parent == nullptr || write == nullptr) return nullptr;
    auto* ui = new (std::nothrow) DuckerUi(write, controller, touch);
    if (ui == nullptr) return nullptr;
    ui->editor = new (std::nothrow) DuckerEditor(ui);
    if (ui->editor == nullptr) {
        delete ui;
        return nullptr;
    }
    ui->editor->open(parent);
    EditorFrame* frame = ui->editor->getFrame();
    FrameWindow* window = frame != nullptr ? frame->getWindow() : nullptr;
    if (window == nullptr || window->systemWindowId() == 0) {
        delete ui;
        return nullptr;
    }
    ui->widget_ = reinterpret_cast<LV2UI_Widget>(window->systemWindowId());
    if (resize != nullptr && resize->ui_resize != nullptr) {
        const Rect size = ui->editor->deviceSize();
        resize->ui_resize(resize->handle, size.width(), size.height());
    }
    return ui;
}

DuckerUi::DuckerUi(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch)
    : write(write), hostController(controller), touch(touch) {
    for (std::int32_t id = 0; id < kControlCount; ++id) {
        values[portOfControl(static_cast<ControlId>(id))] = controlInfo(static_cast<ControlId>(id)).defaultValue;
    }
    values[PortSlot] = kNoSlotOutput;
}

DuckerUi::~DuckerUi() {
    // An editor still busy with a click goes by itself once the click is over.
    if (editor != nullptr && editor->releaseController()) delete editor;
}

std::uint32_t DuckerUi::portOfParameter(std::int32_t index) {
    const std::int32_t control = controlForParameter(index);
    return control >= 0 ? portOfControl(static_cast<ControlId>(control)) : kPortCount;
}

void DuckerUi::portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer) {
    if (port >= kPortCount || format != 0 || size != sizeof(float) || buffer == nullptr) return;
    std::memcpy(&values[port], buffer, sizeof(float));
    if (editor == nullptr) return;
    if (port == PortSlot) editor->parameterChanged(ParamOwnSlot);
    else if (port == PortMeter) editor->parameterChanged(ParamMeter);
    else if (isControlInput(port) && controlInfo(controlOfPort(port)).parameter >= 0) {
        editor->parameterChanged(controlInfo(controlOfPort(port)).parameter);
    }
}

int DuckerUi::idle() {
    if (editor != nullptr) editor->idle();
    return 0;
}

float DuckerUi::parameter(std::int32_t index) {
    const std::uint32_t port = portOfParameter(index);
    if (port == kPortCount) return 0.0f;
    return parameterValueFor(controlOfPort(port), values[port]);
}

float DuckerUi::slot() {
    const float value = values[PortSlot];
    return value >= 0.0f && value < static_cast<float>(kKeySlotCount) ? value : kNoSlotValue;
}

float DuckerUi::meter() { return values[PortMeter]; }

void DuckerUi::beginGesture(std::int32_t index) {
    const std::uint32_t port = portOfParameter(index);
    if (port != kPortCount && touch != nullptr && touch->touch != nullptr) touch->touch(touch->handle, port, true);
}

void DuckerUi::endGesture(std::int32_t index) {
    const std::uint32_t port = portOfParameter(index);
    if (port != kPortCount && touch != nullptr && touch->touch != nullptr) touch->touch(touch->handle, port, false);
}

void DuckerUi::setFromEditor(std::int32_t index, float value) {
    const std::uint32_t port = portOfParameter(index);
    if (port == kPortCount) return;
    const float controlValue = controlValueFor(controlOfPort(port), value);
    values[port] = controlValue;
    if (editor != nullptr) editor->parameterChanged(index);
    // Last: the host may destroy the UI from inside its write.
    write(hostController, port, sizeof(float), 0, &controlValue);
}

}  // namespace qm::lv2
