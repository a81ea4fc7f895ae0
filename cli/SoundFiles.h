#pragma once
// Sound files through libsndfile, as two channels of float samples: a reader for the input and
// the keys (mono goes to both sides) and a writer for the output that writes integer samples back exactly as they were read.

#include <sndfile.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qmduck {

class SoundReader {
public:
    // Opens `path`; check `isOpen`, `error` says why not.
    explicit SoundReader(std::string path);
    ~SoundReader();
    SoundReader(const SoundReader&) = delete;
    SoundReader& operator=(const SoundReader&) = delete;

    bool isOpen() const { return file != nullptr; }
    const std::string& error() const { return failure; }
    const std::string& path() const { return filePath; }
    int channels() const { return info.channels; }
    int sampleRateHz() const { return info.samplerate; }
    // libsndfile's format word: file type | sample type | byte order.
    int format() const { return info.format; }
    std::int64_t frames() const { return info.frames; }

    // Reads up to `count` frames (at most the block size given at the first call) into `left`
    // and `right`, -1..1; returns the frames read, 0 at the end, -1 on a read error (see `error`).
    std::int64_t read(float* left, float* right, std::int64_t count);

private:
    std::string filePath;
    std::string failure;
    SF_INFO info{};
    SNDFILE* file = nullptr;
    std::vector<float> interleaved;
};

class SoundWriter {
public:
    // Writes a new file of `format` (libsndfile's word) on the open descriptor, which it takes over.
    SoundWriter(int fileDescriptor, int format, int channels, int sampleRateHz);
    ~SoundWriter();
    SoundWriter(const SoundWriter&) = delete;
    SoundWriter& operator=(const SoundWriter&) = delete;

    bool isOpen() const { return file != nullptr; }
    const std::string& error() const { return failure; }

    // Appends `frames` frames; a mono file takes `left` alone. False on a write error.
    bool write(const float* left, const float* right, std::int64_t frames);
    // Completes the file; false when anything failed since it was opened.
    bool finish();

private:
    std::string failure;
    SNDFILE* file = nullptr;
    int descriptor;
    int channelCount;
    std::vector<float> interleaved;
};

}  // namespace qmduck
