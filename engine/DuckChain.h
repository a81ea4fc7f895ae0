#pragma once
// The ducking engine over plain buffers: key peaks in, the audio times its gain (duck) or one
// minus it (key) out, frame by frame, with the detector's envelope carried from call to call.
// The plug-in's processor feeds it the peaks of the slots it listens to; quellmar-duck feeds it
// the summed key of its files. Beyond the plug-in's parameters it can limit the reduction (the
// range, a floor on the gain in the kernels) and hold the key's peak over pauses; both are off
// unless set, and then cost nothing.

#include <array>
#include <cstdint>

#include "engine/EnvelopeDetector.h"
#include "engine/Parameters.h"
#include "engine/PeakHold.h"
#include "engine/kernels/DuckKernels.h"

namespace qm {

// What the parameters ask of the chain, read the same way by the plug-in's core and by the stream
// ducker: bypassed or not, duck or key, and the detector's attack, release and threshold as stored
// values.
struct DuckSettings {
    bool bypassed = false;
    // Key mode: the audio times one minus the gain; duck mode: times the gain.
    bool keyMode = false;
    float attackValue = kParameterDefaults[ParamAttack];
    float releaseValue = kParameterDefaults[ParamRelease];
    float thresholdValue = kParameterDefaults[ParamThreshold];
};

// The settings from `parameter(index)`, the stored value of parameter `index`.
template <class Parameter>
DuckSettings duckSettingsOf(const Parameter& parameter) {
    DuckSettings settings;
    settings.bypassed = isSwitchOn(parameter(ParamBypass));
    settings.keyMode = !isDuckMode(parameter(ParamDuckKey));
    settings.attackValue = parameter(ParamAttack);
    settings.releaseValue = parameter(ParamRelease);
    settings.thresholdValue = parameter(ParamThreshold);
    return settings;
}

class DuckChain {
public:
    // The most frames one call of `duckPeaks` takes.
    static constexpr std::int32_t kChunkFrames = 256;

    // The detector for the plug-in's stored attack, release and threshold values at
    // `sampleRateHz`; a value that maps to no finite time or level keeps the previous setting.
    // Computes the coefficients on every call; `follow` calls it only when the values change.
    void configure(float sampleRateHz, float attackValue, float releaseValue, float thresholdValue);
    // Keeps the detector on the settings' attack, release and threshold at `sampleRateHz`. The
    // same values give the same coefficients, so they are computed again only on a change: cheap
    // enough for every block.
    void follow(float sampleRateHz, const DuckSettings& settings);
    // The largest reduction in dB; 0 is none (the plug-in's behaviour). A steady key loud enough
    // to go further settles exactly at it, and the gain starts to recover within
    // EnvelopeDetector::kRangeRecoveryMs of the key's end. Set-up call.
    void setRangeDb(double rangeDb) { envelope.setRangeDb(rangeDb); }
    // Holds the key's peak for `holdMs` (0: off) at `sampleRateHz`. Set-up call: allocates, unless
    // `reserveHoldMs` made room for the time.
    void setHoldMs(double holdMs, double sampleRateHz);
    // Makes room for holds up to `maxHoldMs` at `sampleRateHz`, so that setHoldMs within it
    // allocates nothing and may be called between blocks. Set-up call: allocates.
    void reserveHoldMs(double maxHoldMs, double sampleRateHz);

    // Ducks `frames` (at most kChunkFrames) frames of `in` into `out` (which may be `in`) by one
    // key peak per frame; the peaks are overwritten by the held ones. When `factors` is not null
    // it receives each frame's factor (the gain in duck mode, one minus it in key mode). Audio
    // thread.
    void duckPeaks(const KernelSet& kernels, float* peaks, const float* const* in, float* const* out,
                   std::int32_t frames, DuckMode mode, float* factors = nullptr);
    // The same by a stereo key in two buffers of `frames` frames, any number of them.
    void duck(const KernelSet& kernels, const float* keyLeft, const float* keyRight, const float* const* in,
              float* const* out, std::int32_t frames, DuckMode mode, float* factors = nullptr);

    // The gain (0..1, range applied) of the last frame ducked; 1 before any.
    double lastGain() const;

    EnvelopeDetector& detector() { return envelope; }
    const EnvelopeDetector& detector() const { return envelope; }

private:
    EnvelopeDetector envelope;
    PeakHold hold;
    // The rate and the stored attack, release and threshold (as bits) that `follow` last applied.
    std::array<std::uint32_t, 4> followed{};
    bool following = false;
};

}  // namespace qm
