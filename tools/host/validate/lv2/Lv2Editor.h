#pragma once
// One LV2 UI as a host shows it: instantiated into the host's X11 window (ui:parent) with the
// idle interface, ui:resize (the size it tells is kept) and ui:touch; its writes and gestures go to
// the host's `PortSink`, the host's port values come in as port events. No instance access.
// User-interface thread.

#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <memory>
#include <string>

namespace qmhost::validate {

class PortSink {
public:
    virtual ~PortSink() = default;
    // The UI wrote `value` to control input `port`.
    virtual void portWritten(std::uint32_t port, float value) = 0;
    // The UI grabbed or released control input `port`.
    virtual void portTouched(std::uint32_t port, bool grabbed) = 0;
};

class Lv2Editor {
public:
    // The UI of `descriptor` for `pluginUri` in `parent`, or null when it refuses.
    static std::unique_ptr<Lv2Editor> open(const LV2UI_Descriptor* descriptor, const std::string& pluginUri,
                                           const std::string& bundlePath, void* parent, PortSink& sink,
                                           LV2_URID_Map* map);
    ~Lv2Editor();
    Lv2Editor(const Lv2Editor&) = delete;
    Lv2Editor& operator=(const Lv2Editor&) = delete;

    // Tells the UI the value of `port`.
    void portEvent(std::uint32_t port, float value);
    // One idle call; false when the UI asks to be closed (or has no idle interface).
    bool idle();
    // The size the UI told through ui:resize; false when it told none.
    bool size(std::int32_t& width, std::int32_t& height) const;

private:
    Lv2Editor(const LV2UI_Descriptor* descriptor, PortSink& sink) : descriptor(descriptor), sink(sink) {}
    static void write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t bytes, std::uint32_t protocol,
                      const void* buffer);
    static int resize(LV2UI_Feature_Handle handle, int width, int height);
    static void touch(LV2UI_Feature_Handle handle, std::uint32_t port, bool grabbed);

    const LV2UI_Descriptor* descriptor;
    PortSink& sink;
    LV2UI_Handle handle = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    std::int32_t toldWidth = 0;
    std::int32_t toldHeight = 0;
    LV2UI_Resize resizeFeatureData{this, resize};
    LV2UI_Touch touchFeatureData{this, touch};
};

}  // namespace qmhost::validate
