#pragma once
// What a session's drawn number names, in the instance model's terms: one of the controls every
// format carries (by id), one of the outputs, or a place past the ends of the host's list (hosts ask
// there now and then). The one table from numbers to targets is here; each driver translates a
// target into its format (a VST 2 parameter index, an LV2 port).

#include <cstdint>

#include "engine/ControlOutputs.h"
#include "engine/ControlTable.h"

namespace qmhost::validate {

struct HostTarget {
    enum class Kind { Control, Output, PastTheEnds };
    Kind kind;
    // The ControlId or OutputId; past the ends, how far: -1 just before the first, 1 just after the last.
    std::int32_t id;

    constexpr bool isControl() const { return kind == Kind::Control; }
    constexpr bool isOutput() const { return kind == Kind::Output; }
    constexpr qm::ControlId control() const { return static_cast<qm::ControlId>(id); }
    constexpr qm::OutputId output() const { return static_cast<qm::OutputId>(id); }
};

constexpr std::int32_t kHostTargetCount = 11;

// The numbers 0..10 in the order the sessions have always drawn them (the slot first, the meter
// last, the nine controls between): keeping the order keeps every seed's random choices and the
// hash of what it read back. The range, hold and look-ahead are not drawn, as not every format
// carries them.
constexpr HostTarget kHostTargets[kHostTargetCount] = {
    {HostTarget::Kind::Output, qm::OutputSlot},        {HostTarget::Kind::Control, qm::ControlEnabled},
    {HostTarget::Kind::Control, qm::ControlInputAlpha}, {HostTarget::Kind::Control, qm::ControlInputBeta},
    {HostTarget::Kind::Control, qm::ControlInputGamma}, {HostTarget::Kind::Control, qm::ControlInputDelta},
    {HostTarget::Kind::Control, qm::ControlAttack},     {HostTarget::Kind::Control, qm::ControlRelease},
    {HostTarget::Kind::Control, qm::ControlDuckKey},    {HostTarget::Kind::Control, qm::ControlThreshold},
    {HostTarget::Kind::Output, qm::OutputMeter},
};

// The drawn numbers 1..9, the controls the sessions set and read back.
constexpr std::int32_t kFirstDrawnControl = 1;
constexpr std::int32_t kLastDrawnControl = 9;

// The target that `number` names: 0..10 from the table, anything else past its ends.
constexpr HostTarget hostTarget(std::int32_t number) {
    if (number < 0) return {HostTarget::Kind::PastTheEnds, number};
    if (number >= kHostTargetCount) return {HostTarget::Kind::PastTheEnds, number - (kHostTargetCount - 1)};
    return kHostTargets[number];
}

// The control that drawn number `number` (kFirstDrawnControl..kLastDrawnControl) names.
constexpr qm::ControlId drawnControl(std::int32_t number) { return hostTarget(number).control(); }

}  // namespace qmhost::validate
