#pragma once
// One ducker instance of the web module: the engine's stream ducker (the one quellmar-duck runs)
// and a look-ahead delay over buffers that live in the module's memory, set by the controls of
// engine/ControlTable.h in user units. Everything is allocated at creation; `process` allocates
// nothing. The audio is delayed by the look-ahead as the plug-ins delay it.

#include <array>
#include <cstdint>
#include <vector>

#include "engine/AudioDelay.h"
#include "engine/ControlTable.h"
#include "engine/StreamDucker.h"

namespace qmweb {

class WebDucker {
public:
    // The buffers hold `maxBlockFrames` frames each; hold and look-ahead are sized for their
    // controls' maxima. `ok()` is false when the memory could not be had.
    WebDucker(float sampleRateHz, std::int32_t maxBlockFrames);

    bool ok() const { return ready; }
    std::int32_t maxBlockFrames() const { return capacity; }

    // Sets control `id` (a ControlId) to `value` in user units, limited to its range; returns
    // the value taken, or NaN for an unknown id. Between blocks.
    float setControl(std::int32_t id, float value);
    float control(std::int32_t id) const;

    // The buffers JS fills and reads: audio in (ducked in place), key in, the factor applied to
    // each frame (the gain in duck mode, one minus it in key mode, 1 when bypassed).
    float* audio(int channel) { return buffers[channel].data(); }
    float* key(int channel) { return buffers[2 + channel].data(); }
    float* factors() { return buffers[4].data(); }

    // Ducks the first `frames` frames of the audio buffers (limited to the capacity) by the key
    // buffers; bypassed, the audio is only delayed by the look-ahead. Returns the last frame's
    // factor (1 for an empty block). No allocation.
    float process(std::int32_t frames);

    // Frames the audio comes out behind its key: the look-ahead.
    std::int32_t latencyFrames() const { return delay.delayFrames(); }

private:
    float rateHz;
    std::int32_t capacity;
    bool ready = false;
    std::array<float, qm::kControlCount> controls{};
    qm::StreamDucker ducker;
    qm::AudioDelay delay;
    std::vector<float> buffers[5];
};

}  // namespace qmweb
