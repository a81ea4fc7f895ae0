#pragma once
// One instance of the LV2 plug-in made through its descriptor, linked into the test: its ports
// connected to buffers of the test's own, run as a host runs it. For the tests that need no host
// library (the sanitizer builds run them too).

#include <lv2/core/lv2.h>

#include <array>
#include <cstdint>
#include <vector>

#include "formats/lv2/Ports.h"

namespace qm::lv2::test {

class DirectInstance {
public:
    // Instantiates at `rateHz` with `features` (may be null); check `isValid`.
    explicit DirectInstance(double rateHz = 48000.0, const LV2_Feature* const* features = nullptr)
        : descriptor(lv2_descriptor(0)), handle(descriptor->instantiate(descriptor, rateHz, "", features)) {
        for (std::uint32_t id = 0; id < static_cast<std::uint32_t>(kControlCount); ++id) {
            controls[id] = controlInfo(static_cast<ControlId>(id)).defaultValue;
        }
        if (handle != nullptr) descriptor->activate(handle);
    }
    ~DirectInstance() {
        if (handle == nullptr) return;
        descriptor->deactivate(handle);
        descriptor->cleanup(handle);
    }
    DirectInstance(const DirectInstance&) = delete;
    DirectInstance& operator=(const DirectInstance&) = delete;

    bool isValid() const { return handle != nullptr; }
    LV2_Handle get() const { return handle; }
    const LV2_Descriptor& entry() const { return *descriptor; }

    // Connects every control port to this object's values, and the outputs.
    void connectControls() {
        for (std::uint32_t id = 0; id < static_cast<std::uint32_t>(kControlCount); ++id) {
            descriptor->connect_port(handle, portOfControl(static_cast<ControlId>(id)), &controls[id]);
        }
        descriptor->connect_port(handle, PortSlot, &slot);
        descriptor->connect_port(handle, PortMeter, &meter);
        descriptor->connect_port(handle, PortLatency, &latency);
    }
    float& control(ControlId id) { return controls[static_cast<std::size_t>(id)]; }

    // Runs `left`/`right` in place (the host's buffers shared by input and output), with `sideLeft`
    // and `sideRight` on the side-chain when not null.
    void run(std::vector<float>& left, std::vector<float>& right, const std::vector<float>* sideLeft = nullptr,
             const std::vector<float>* sideRight = nullptr) {
        descriptor->connect_port(handle, PortInLeft, left.data());
        descriptor->connect_port(handle, PortInRight, right.data());
        descriptor->connect_port(handle, PortOutLeft, left.data());
        descriptor->connect_port(handle, PortOutRight, right.data());
        descriptor->connect_port(handle, PortSideLeft, sideLeft != nullptr ? const_cast<float*>(sideLeft->data()) : nullptr);
        descriptor->connect_port(handle, PortSideRight,
                                 sideRight != nullptr ? const_cast<float*>(sideRight->data()) : nullptr);
        descriptor->run(handle, static_cast<std::uint32_t>(left.size()));
    }

    float slot = -9.0f;
    float meter = -9.0f;
    float latency = -9.0f;

private:
    const LV2_Descriptor* descriptor;
    LV2_Handle handle;
    std::array<float, kControlCount> controls{};
};

}  // namespace qm::lv2::test
