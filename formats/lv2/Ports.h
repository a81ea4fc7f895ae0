#pragma once
// The LV2 plug-in's ports in index order: stereo audio in and out, the stereo side-chain input,
// one control input per user control of the first release (bypass to look-ahead, in the order of
// the control table), the control outputs (the instance's key slot, the meter and the latency), and
// one control input per control added since, in the table's order. Hosts keep port indices and
// symbols in their sessions: the order never changes, ports are only ever added at the end.

#include <cstdint>

#include "engine/ControlOutputs.h"
#include "engine/ControlTable.h"

namespace qm::lv2 {

// The controls whose ports come before the outputs; the later ones follow the outputs.
constexpr std::int32_t kControlsBeforeOutputs = ControlLookahead + 1;

enum PortIndex : std::uint32_t {
    PortInLeft = 0,
    PortInRight,
    PortOutLeft,
    PortOutRight,
    PortSideLeft,
    PortSideRight,
    PortFirstControl,
    PortSlot = PortFirstControl + kControlsBeforeOutputs,
    PortMeter,
    PortLatency,
    PortFirstLaterControl,
};
constexpr std::uint32_t kPortCount = PortFirstLaterControl + (kControlCount - kControlsBeforeOutputs);

constexpr std::uint32_t portOfControl(ControlId id) {
    return id < kControlsBeforeOutputs ? PortFirstControl + static_cast<std::uint32_t>(id)
                                       : PortFirstLaterControl + static_cast<std::uint32_t>(id - kControlsBeforeOutputs);
}
constexpr bool isControlInput(std::uint32_t port) {
    return (port >= PortFirstControl && port < PortSlot) || (port >= PortFirstLaterControl && port < kPortCount);
}
constexpr ControlId controlOfPort(std::uint32_t port) {
    return static_cast<ControlId>(port < PortSlot ? port - PortFirstControl
                                                  : port - PortFirstLaterControl + kControlsBeforeOutputs);
}

struct AudioPortInfo {
    const char* symbol;
    const char* name;
    bool input;
    bool sideChain;
};

// The six audio ports, by index.
constexpr AudioPortInfo kAudioPorts[PortFirstControl] = {
    {"in_l", "In left", true, false},           {"in_r", "In right", true, false},
    {"out_l", "Out left", false, false},        {"out_r", "Out right", false, false},
    {"sidechain_l", "Side-chain left", true, true}, {"sidechain_r", "Side-chain right", true, true},
};

// The instance's key slot as the slot output carries it: 0..3, -1 without one.
constexpr float kNoSlotOutput = static_cast<float>(kNoSlot);

}  // namespace qm::lv2
