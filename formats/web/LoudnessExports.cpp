// The engine's integrated loudness meter for the page: blocks written into the meter's buffers in
// the module's memory, then added; the finished episode is measured with it before its gain.

#include <cstdint>
#include <new>
#include <vector>

#include "engine/loudness/IntegratedLoudness.h"
#include "formats/web/Export.h"

namespace {

struct WebLoudness {
    WebLoudness(int channels, float sampleRateHz, std::int32_t maxBlockFrames)
        : meter(channels, sampleRateHz), capacity(maxBlockFrames) {
        for (std::vector<float>& channel : audio) channel.assign(static_cast<std::size_t>(capacity), 0.0f);
    }
    qm::IntegratedLoudness meter;
    std::int32_t capacity;
    std::vector<float> audio[2];
};

}  // namespace

// A meter for 1 or 2 channels taking blocks of up to `maxBlockFrames`; 0 for settings out of range.
QM_EXPORT(qm_loudness_create) WebLoudness* qm_loudness_create(float sampleRateHz, std::int32_t channels,
                                                              std::int32_t maxBlockFrames) {
    if (!(sampleRateHz >= 8000.0f && sampleRateHz <= 768000.0f) || (channels != 1 && channels != 2) ||
        maxBlockFrames < 1) {
        return nullptr;
    }
    return new (std::nothrow) WebLoudness(channels, sampleRateHz, maxBlockFrames);
}

QM_EXPORT(qm_loudness_destroy) void qm_loudness_destroy(WebLoudness* meter) { delete meter; }

QM_EXPORT(qm_loudness_audio) float* qm_loudness_audio(WebLoudness* meter, std::int32_t channel) {
    return meter->audio[channel & 1].data();
}

QM_EXPORT(qm_loudness_max_block_frames) std::int32_t qm_loudness_max_block_frames(WebLoudness* meter) {
    return meter->capacity;
}

// Adds the first `frames` frames of the buffers (limited to their size).
QM_EXPORT(qm_loudness_add) void qm_loudness_add(WebLoudness* meter, std::int32_t frames) {
    if (frames > meter->capacity) frames = meter->capacity;
    if (frames > 0) meter->meter.add(meter->audio[0].data(), meter->audio[1].data(), frames);
}

// The integrated loudness in LUFS; -infinity when nothing passed the gates.
QM_EXPORT(qm_loudness_integrated_lufs) double qm_loudness_integrated_lufs(WebLoudness* meter) {
    return meter->meter.integratedLufs();
}

QM_EXPORT(qm_loudness_reset) void qm_loudness_reset(WebLoudness* meter) { meter->meter.reset(); }
