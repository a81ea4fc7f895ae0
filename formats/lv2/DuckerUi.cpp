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

void DuckerUi::portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer) {
    if (port >= kPortCount || format != 0 || size != sizeof(float) || buffer == nullptr) return;
    std::memcpy(&values[port], buffer, sizeof(float));
    if (editor == nullptr) return;
    if (port == PortSlot) editor->slotChanged();
    else if (port == PortMeter) editor->meterChanged();
    else if (isControlInput(port)) editor->controlChanged(controlOfPort(port));
}

int DuckerUi::idle() {
    if (editor != nullptr) editor->idle();
    return 0;
}

double DuckerUi::value(ControlId id) {
    // The host may send any value: the instance takes it limited, and so the editor shows it.
    return extendedControlValueFor(id, parameterValueFor(id, values[portOfControl(id)]));
}

std::int32_t DuckerUi::slot() {
    const float value = values[PortSlot];
    return value >= 0.0f && value < static_cast<float>(kKeySlotCount) ? static_cast<std::int32_t>(value) : kNoSlot;
}

float DuckerUi::meter() { return values[PortMeter]; }

void DuckerUi::touchPort(ControlId id, bool grabbed) {
    if (touch != nullptr && touch->touch != nullptr) touch->touch(touch->handle, portOfControl(id), grabbed);
}

void DuckerUi::beginGesture(ControlId id) { touchPort(id, true); }

void DuckerUi::endGesture(ControlId id) { touchPort(id, false); }

void DuckerUi::setFromEditor(ControlId id, double value) {
    const std::uint32_t port = portOfControl(id);
    // The port carries the control's value as the instance reads it back.
    const float controlValue = controlValueFor(id, parameterValueForExtended(id, value));
    values[port] = controlValue;
    if (editor != nullptr) editor->controlChanged(id);
    // Last: the host may destroy the UI from inside its write.
    write(hostController, port, sizeof(float), 0, &controlValue);
}

}  // namespace qm::lv2
