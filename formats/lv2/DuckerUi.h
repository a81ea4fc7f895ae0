#pragma once
// The LV2 plug-in's editor: the same editor as the VST 2 module's, embedded in the host's X11
// window, reaching the instance only through the host: control changes go out through the host's
// write function (framed by the touch feature's gestures, so hosts record automation), and port
// events bring in the controls, the slot and the meter. The controls are kept in user units as the
// ports carry them. UI thread.

#include <lv2/ui/ui.h>

#include <cstdint>

#include "editor/DuckerEditor.h"
#include "editor/EditorController.h"
#include "formats/lv2/Ports.h"

namespace qm::lv2 {

class DuckerUi : public EditorController {
public:
    // The editor opened in `parent` (an X11 window id), talking to the host through `write` and
    // `controller`, with the optional `touch` and `resize` features (may be null). Null when the
    // editor or its window cannot be made (no parent, no display).
    static DuckerUi* create(void* parent, LV2UI_Write_Function write, LV2UI_Controller controller,
                            const LV2UI_Touch* touch, const LV2UI_Resize* resize);
    ~DuckerUi() override;
    DuckerUi(const DuckerUi&) = delete;
    DuckerUi& operator=(const DuckerUi&) = delete;

    // The editor's window for the host to embed.
    LV2UI_Widget widget() const { return widget_; }
    // A value of port `port` from the host: `size` bytes of `format` (0: one float).
    void portEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format, const void* buffer);
    // The host's idle call: shows what changed and handles the window's events; 0 while open.
    int idle();

    // The editor's controller over the ports: a control's value is its port's, limited to the
    // control's range; a change is written to the port and framed by the touch feature.
    double value(ControlId id) override;
    std::int32_t slot() override;
    float meter() override;
    void beginGesture(ControlId id) override;
    void endGesture(ControlId id) override;
    void setFromEditor(ControlId id, double value) override;

private:
    DuckerUi(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch);
    void touchPort(ControlId id, bool grabbed);

    LV2UI_Write_Function write;
    LV2UI_Controller hostController;
    const LV2UI_Touch* touch;
    DuckerEditor* editor = nullptr;
    LV2UI_Widget widget_ = nullptr;
    // The latest value of every port as the host reported it (controls in user units).
    float values[kPortCount] = {};
};

}  // namespace qm::lv2
