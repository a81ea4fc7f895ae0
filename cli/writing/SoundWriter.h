#pragma once
// The output as a sound file through libsndfile: two channels of float samples in, integer
// samples written back exactly as they were read, those of 16 bits or fewer dithered.

#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/writing/AudioSink.h"
#include "cli/writing/Tags.h"
#include "engine/finishing/Quantizer.h"

namespace qmduck {

class SoundWriter : public AudioSink {
public:
    // Writes a new file of `format` (libsndfile's word) on the open descriptor, which it takes
    // over, with the `tags` the type carries; samples of 16 bits or fewer are dithered when
    // `dither`.
    SoundWriter(int fileDescriptor, int format, int channels, int sampleRateHz, const Tags& tags = {},
                bool dither = true);
    ~SoundWriter() override;
    SoundWriter(const SoundWriter&) = delete;
    SoundWriter& operator=(const SoundWriter&) = delete;

    bool isOpen() const { return file != nullptr; }
    const std::string& error() const override { return failure; }

    bool write(const float* left, const float* right, std::int64_t frames) override;
    bool finish() override;

private:
    std::string failure;
    SNDFILE* file = nullptr;
    int descriptor;
    int channelCount;
    std::vector<float> interleaved;
    // For sample types of 16 bits or fewer: the rounding, its integers, and how far they are
    // shifted into libsndfile's 32 bits.
    std::unique_ptr<qm::Quantizer> quantizer;
    int quantizerShift = 0;
    std::vector<int> integers;
};

}  // namespace qmduck
