#pragma once
// What an instance reports beside its controls, written once like them: the key bus slot it
// publishes on, the gain reduction meter and the latency the look-ahead adds.

#include <cstdint>

namespace qm {

enum OutputId : std::int32_t {
    OutputSlot = 0,
    OutputMeter,
    OutputLatency,
};
constexpr std::int32_t kOutputCount = 3;

// The slot output of an instance without a slot (all four taken).
constexpr std::int32_t kNoSlot = -1;
// Frames per ms of look-ahead at the highest rate (384 kHz) that the latency's range covers.
constexpr double kLatencyFramesPerMsAtMost = 384.0;

struct OutputInfo {
    const char* symbol;
    const char* name;
    // "frames", or "" for the slot and the meter.
    const char* unit;
    float minimum;
    float maximum;
    // For the slot, the names of minimum, minimum + 1, ...; null otherwise.
    const char* const* choices;
    const char* comment;
};

// The output's row; `id` must be 0..kOutputCount - 1.
const OutputInfo& outputInfo(OutputId id);

}  // namespace qm
