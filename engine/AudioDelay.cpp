#include "engine/AudioDelay.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace qm {
namespace {

// Copies `count` floats from `from` to the ring of `size` at `at`, wrapping at its end.
void writeRing(float* ring, std::int32_t size, std::int32_t at, const float* from, std::int32_t count) {
    const std::int32_t first = std::min(count, size - at);
    std::memcpy(ring + at, from, sizeof(float) * static_cast<std::size_t>(first));
    std::memcpy(ring, from + first, sizeof(float) * static_cast<std::size_t>(count - first));
}

// Copies `count` floats of the ring of `size` from `at` to `to`, wrapping at its end.
void readRing(const float* ring, std::int32_t size, std::int32_t at, float* to, std::int32_t count) {
    const std::int32_t first = std::min(count, size - at);
    std::memcpy(to, ring + at, sizeof(float) * static_cast<std::size_t>(first));
    std::memcpy(to + first, ring, sizeof(float) * static_cast<std::size_t>(count - first));
}

}  // namespace

bool AudioDelay::reserve(std::int32_t maxDelayFrames) {
    maxDelay = 0;
    delay = 0;
    size = 0;
    writeAt = 0;
    const std::int32_t frames = std::max(maxDelayFrames, 0);
    try {
        for (std::vector<float>& channel : ring) channel.assign(static_cast<std::size_t>(frames) + kChunkFrames, 0.0f);
    } catch (const std::bad_alloc&) {
        for (std::vector<float>& channel : ring) std::vector<float>().swap(channel);
        return false;
    }
    maxDelay = frames;
    size = frames + kChunkFrames;
    return true;
}

void AudioDelay::setDelayFrames(std::int32_t frames) { delay = std::clamp(frames, 0, maxDelay); }

void AudioDelay::process(const float* const* in, float* const* out, std::int32_t frames) {
    if (size == 0) {
        for (int c = 0; c < 2; ++c) {
            if (out[c] != in[c]) std::memmove(out[c], in[c], sizeof(float) * static_cast<std::size_t>(frames));
        }
        return;
    }
    // The input goes into the ring first, so that `out` may be `in`; the ring holds the largest
    // delay and a chunk, so what is read was written at most `size` frames ago.
    const std::int32_t readAt = (writeAt + size - delay) % size;
    for (int c = 0; c < 2; ++c) {
        writeRing(ring[c].data(), size, writeAt, in[c], frames);
        readRing(ring[c].data(), size, readAt, out[c], frames);
    }
    writeAt = (writeAt + frames) % size;
}

}  // namespace qm
