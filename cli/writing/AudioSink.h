#pragma once
// Where the finished audio goes: a libsndfile writer or an FFmpeg encoder, fed block by block
// from one thread.

#include <cstdint>
#include <string>

namespace qmduck {

class AudioSink {
public:
    virtual ~AudioSink() = default;
    // Appends `frames` frames; a mono sink takes `left` alone. False on a failure (see `error`).
    virtual bool write(const float* left, const float* right, std::int64_t frames) = 0;
    // Completes the file; false when anything failed since it was opened.
    virtual bool finish() = 0;
    virtual const std::string& error() const = 0;
};

}  // namespace qmduck
