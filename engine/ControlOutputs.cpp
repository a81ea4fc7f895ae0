#include "engine/ControlOutputs.h"

#include "engine/ControlTable.h"

namespace qm {
namespace {

constexpr const char* kSlotNames[] = {"none", "Alpha", "Beta", "Gamma", "Delta"};

const OutputInfo kOutputs[kOutputCount] = {
    {"slot", "slot", "", static_cast<float>(kNoSlot), 3.0f, kSlotNames,
     "The key bus slot this instance publishes its input on; none when all four are taken."},
    {"meter", "effect strength", "", 0.0f, 1.0f, nullptr,
     "The gain reduction at the end of the last block: 0 none, 1 silence."},
    {"latency", "latency", "frames", 0.0f,
     static_cast<float>(controlInfo(ControlLookahead).maximum * kLatencyFramesPerMsAtMost), nullptr,
     "The look-ahead in frames."},
};

}  // namespace

const OutputInfo& outputInfo(OutputId id) { return kOutputs[id]; }

}  // namespace qm
