#pragma once
// The duck chain over audio and a key that the caller supplies, with no key bus and no host:
// bypass, duck or key, the detector, and the chain's range and hold, set by the plug-in's stored
// parameter values or by controls in user units. The file tool runs one per file and the web
// module one per instance; without range and hold its samples are the plug-in's, bit for bit.
// The look-ahead is the caller's: the file tool reads its key ahead, the web module delays its
// audio.

#include <array>
#include <cstdint>

#include "engine/ControlTable.h"
#include "engine/DuckChain.h"
#include "engine/Parameters.h"

namespace qm {

class StreamDucker {
public:
    // At `sampleRateHz` with the controls' defaults, range and hold off; holds of up to
    // `maxHoldMs` can be set later without allocating. Allocates: set-up only.
    StreamDucker(float sampleRateHz, double maxHoldMs);

    // Stores parameter `index` (0..10, in its 0..1 form; the slot and meter are ignored).
    void setParameter(std::int32_t index, float value);
    // Sets control `id` to `value` in user units, limited to its range, and returns the value
    // taken; the look-ahead is only limited. Between blocks.
    float setControl(ControlId id, float value);
    // The largest reduction in dB (0: none) and the hold in ms (0: off; at most the maximum
    // given at construction). Between blocks.
    void setRangeDb(double rangeDb) { chain.detector().setRangeDb(rangeDb); }
    void setHoldMs(double holdMs);

    // Ducks `frames` frames of `left` and `right` in place by the stereo key; `factors`, when not
    // null, receives each frame's factor (the gain in duck mode, one minus it in key mode, 1 when
    // bypassed). Bypassed, the audio is left as it is. No allocation.
    void process(const float* keyLeft, const float* keyRight, float* left, float* right, std::int32_t frames,
                 float* factors = nullptr);

    // The factor applied to the last frame processed, 0..1; 1 when bypassed.
    double lastFactor() const;

private:
    // Reads bypass, mode and the detector's values from the parameters.
    void applyParameters();

    float rateHz;
    double holdCapacityMs;
    std::array<float, kParameterCount> parameters{};
    DuckSettings settings;
    DuckChain chain;
};

}  // namespace qm
