#include "formats/web/WebDucker.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qmweb {

namespace {

bool isControl(std::int32_t id) { return id >= 0 && id < qm::kControlCount; }

}  // namespace

WebDucker::WebDucker(float sampleRateHz, std::int32_t maxBlockFrames)
    : rateHz(sampleRateHz), capacity(std::max<std::int32_t>(maxBlockFrames, 1)),
      ducker(sampleRateHz, qm::controlInfo(qm::ControlHold).maximum) {
    for (std::int32_t id = 0; id < qm::kControlCount; ++id) {
        controls[id] = qm::controlInfo(static_cast<qm::ControlId>(id)).defaultValue;
    }
    for (std::vector<float>& buffer : buffers) buffer.assign(static_cast<std::size_t>(capacity), 0.0f);
    const double maxLookaheadMs = qm::controlInfo(qm::ControlLookahead).maximum;
    ready = delay.reserve(static_cast<std::int32_t>(std::lround(maxLookaheadMs * rateHz / 1000.0)));
}

float WebDucker::setControl(std::int32_t id, float value) {
    if (!isControl(id)) return std::numeric_limits<float>::quiet_NaN();
    const auto control = static_cast<qm::ControlId>(id);
    const float taken = ducker.setControl(control, value);
    controls[id] = taken;
    if (control == qm::ControlLookahead) {
        delay.setDelayFrames(static_cast<std::int32_t>(std::lround(taken * rateHz / 1000.0)));
    }
    return taken;
}

float WebDucker::control(std::int32_t id) const {
    return isControl(id) ? controls[id] : std::numeric_limits<float>::quiet_NaN();
}

float WebDucker::process(std::int32_t frames) {
    frames = std::clamp<std::int32_t>(frames, 0, capacity);
    if (frames == 0) return 1.0f;
    float* audio[2] = {buffers[0].data(), buffers[1].data()};
    // The look-ahead delays the audio bypassed or not, as the plug-ins do: the latency a page
    // compensates stays the same.
    for (std::int32_t done = 0; delay.delayFrames() > 0 && done < frames;) {
        const std::int32_t piece = std::min(frames - done, qm::AudioDelay::kChunkFrames);
        float* pieceAudio[2] = {audio[0] + done, audio[1] + done};
        delay.process(pieceAudio, pieceAudio, piece);
        done += piece;
    }
    float* gains = factors();
    ducker.process(key(0), key(1), audio[0], audio[1], frames, gains);
    return gains[frames - 1];
}

}  // namespace qmweb
