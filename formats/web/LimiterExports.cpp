// The finished episode's true-peak limiter (its last stage, as in the file tool) for the page:
// blocks in the module's memory, limited in place, latencyFrames() behind. Its look-ahead minimum may still
// grow its lists while processing, unlike the ducker.

#include <cstdint>
#include <new>
#include <vector>

#include "engine/finishing/PeakLimiter.h"
#include "formats/web/Export.h"

namespace {

struct WebLimiter {
    WebLimiter(const qm::LimiterSettings& settings, int sampleRateHz, std::int32_t maxBlockFrames)
        : limiter(settings, sampleRateHz), capacity(maxBlockFrames) {
        for (std::vector<float>& channel : audio) channel.assign(static_cast<std::size_t>(capacity), 0.0f);
    }
    qm::PeakLimiter limiter;
    std::int32_t capacity;
    std::vector<float> audio[2];
};

}  // namespace

// A limiter with the file tool's times (5 ms attack, 150 ms release) and a ceiling of `ceilingDb`
// dBTP (-12..0: the file tool's -9..0 less its margins); 0 for settings out of range.
QM_EXPORT(qm_limiter_create) WebLimiter* qm_limiter_create(float sampleRateHz, double ceilingDb,
                                                           std::int32_t maxBlockFrames) {
    if (!(sampleRateHz >= 8000.0f && sampleRateHz <= 768000.0f) || !(ceilingDb >= -12.0 && ceilingDb <= 0.0)) {
        return nullptr;
    }
    // Room for the tail that flush writes as well as for blocks.
    qm::LimiterSettings settings;
    settings.ceilingDb = ceilingDb;
    const qm::PeakLimiter probe(settings, static_cast<int>(sampleRateHz));
    const std::int32_t frames = maxBlockFrames > probe.latencyFrames() ? maxBlockFrames : probe.latencyFrames();
    return new (std::nothrow) WebLimiter(settings, static_cast<int>(sampleRateHz), frames);
}

QM_EXPORT(qm_limiter_destroy) void qm_limiter_destroy(WebLimiter* limiter) { delete limiter; }

QM_EXPORT(qm_limiter_audio) float* qm_limiter_audio(WebLimiter* limiter, std::int32_t channel) {
    return limiter->audio[channel & 1].data();
}

QM_EXPORT(qm_limiter_max_block_frames) std::int32_t qm_limiter_max_block_frames(WebLimiter* limiter) {
    return limiter->capacity;
}

QM_EXPORT(qm_limiter_latency_frames) std::int32_t qm_limiter_latency_frames(WebLimiter* limiter) {
    return limiter->limiter.latencyFrames();
}

// Limits the first `frames` frames of the buffers in place (limited to their size).
QM_EXPORT(qm_limiter_process) void qm_limiter_process(WebLimiter* limiter, std::int32_t frames) {
    if (frames > limiter->capacity) frames = limiter->capacity;
    if (frames > 0) limiter->limiter.process(limiter->audio[0].data(), limiter->audio[1].data(), frames);
}

// Writes the last latencyFrames() frames into the buffers' start.
QM_EXPORT(qm_limiter_flush) void qm_limiter_flush(WebLimiter* limiter) {
    limiter->limiter.flush(limiter->audio[0].data(), limiter->audio[1].data());
}

QM_EXPORT(qm_limiter_deepest_reduction_db) double qm_limiter_deepest_reduction_db(WebLimiter* limiter) {
    return limiter->limiter.deepestReductionDb();
}
