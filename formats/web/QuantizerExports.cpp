// The 16-bit rounding of the page's WAV export: the file tool's quantizer (TPDF dither, the same
// sequence) over blocks in the module's memory, so that the same audio gives the same file.

#include <cstdint>
#include <new>
#include <vector>

#include "engine/finishing/Quantizer.h"
#include "formats/web/Export.h"

namespace {

struct WebQuantizer {
    WebQuantizer(bool dither, std::int32_t maxBlockFrames) : quantizer(16, dither), capacity(maxBlockFrames) {
        for (std::vector<float>& channel : audio) channel.assign(static_cast<std::size_t>(capacity), 0.0f);
        samples.assign(2 * static_cast<std::size_t>(capacity), 0);
    }
    qm::Quantizer quantizer;
    std::int32_t capacity;
    std::vector<float> audio[2];
    // Interleaved stereo, as a WAV file holds it.
    std::vector<std::int16_t> samples;
};

}  // namespace

// A stereo 16-bit quantizer, dithered when `dither` is not 0, for blocks of up to
// `maxBlockFrames` frames (1 to 2^20); 0 outside that.
QM_EXPORT(qm_quantizer_create) WebQuantizer* qm_quantizer_create(std::int32_t dither, std::int32_t maxBlockFrames) {
    if (maxBlockFrames < 1 || maxBlockFrames > (1 << 20)) return nullptr;
    return new (std::nothrow) WebQuantizer(dither != 0, maxBlockFrames);
}

QM_EXPORT(qm_quantizer_destroy) void qm_quantizer_destroy(WebQuantizer* quantizer) { delete quantizer; }

QM_EXPORT(qm_quantizer_audio) float* qm_quantizer_audio(WebQuantizer* quantizer, std::int32_t channel) {
    return quantizer->audio[channel & 1].data();
}

QM_EXPORT(qm_quantizer_samples) std::int16_t* qm_quantizer_samples(WebQuantizer* quantizer) {
    return quantizer->samples.data();
}

QM_EXPORT(qm_quantizer_max_block_frames) std::int32_t qm_quantizer_max_block_frames(WebQuantizer* quantizer) {
    return quantizer->capacity;
}

// Rounds the first `frames` frames of the audio into the interleaved samples, left then right in
// each frame, as the file tool writes them (limited to the buffers' size).
QM_EXPORT(qm_quantizer_process) void qm_quantizer_process(WebQuantizer* quantizer, std::int32_t frames) {
    if (frames > quantizer->capacity) frames = quantizer->capacity;
    const float* left = quantizer->audio[0].data();
    const float* right = quantizer->audio[1].data();
    std::int16_t* samples = quantizer->samples.data();
    for (std::int32_t i = 0; i < frames; ++i) {
        samples[2 * i] = static_cast<std::int16_t>(quantizer->quantizer.round(left[i]));
        samples[2 * i + 1] = static_cast<std::int16_t>(quantizer->quantizer.round(right[i]));
    }
}
