// The module's exports: plain C functions over an instance pointer, so that JS needs nothing but
// numbers. Buffers are handed out as addresses in the module's linear memory; JS views them as
// Float32Arrays (again after the memory grows, which only creation, destruction and the MP3 join
// can cause: never processing).

#include <cstdint>
#include <new>

#include "engine/kernels/DuckKernels.h"
#include "formats/web/Export.h"
#include "formats/web/WebDucker.h"

using qmweb::WebDucker;

// A new instance, or 0 when the memory could not be had.
QM_EXPORT(qm_create) WebDucker* qm_create(float sampleRateHz, std::int32_t maxBlockFrames) {
    if (!(sampleRateHz >= 1.0f && sampleRateHz <= 768000.0f) || maxBlockFrames < 1) return nullptr;
    auto* ducker = new (std::nothrow) WebDucker(sampleRateHz, maxBlockFrames);
    if (ducker != nullptr && !ducker->ok()) {
        delete ducker;
        return nullptr;
    }
    return ducker;
}

QM_EXPORT(qm_destroy) void qm_destroy(WebDucker* ducker) { delete ducker; }

QM_EXPORT(qm_set_control) float qm_set_control(WebDucker* ducker, std::int32_t id, float value) {
    return ducker->setControl(id, value);
}

QM_EXPORT(qm_control) float qm_control(WebDucker* ducker, std::int32_t id) { return ducker->control(id); }

QM_EXPORT(qm_max_block_frames) std::int32_t qm_max_block_frames(WebDucker* ducker) {
    return ducker->maxBlockFrames();
}

QM_EXPORT(qm_audio) float* qm_audio(WebDucker* ducker, std::int32_t channel) { return ducker->audio(channel & 1); }

QM_EXPORT(qm_key) float* qm_key(WebDucker* ducker, std::int32_t channel) { return ducker->key(channel & 1); }

QM_EXPORT(qm_factors) float* qm_factors(WebDucker* ducker) { return ducker->factors(); }

QM_EXPORT(qm_process) float qm_process(WebDucker* ducker, std::int32_t frames) { return ducker->process(frames); }

QM_EXPORT(qm_latency_frames) std::int32_t qm_latency_frames(WebDucker* ducker) { return ducker->latencyFrames(); }

// The kernel set the module runs ("wasm-simd128"), as a NUL-terminated string.
QM_EXPORT(qm_kernels_name) const char* qm_kernels_name() { return qm::activeKernels().name; }
