#pragma once
// Sound files as two channels of float samples: a reader for the input and the keys (mono goes
// to both sides) through libsndfile, or through FFmpeg's libraries for what libsndfile does not
// read, optionally resampled (libsamplerate). The writer is writing/SoundWriter.h.

#include <samplerate.h>
#include <sndfile.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/reading/DownMix.h"
#include "cli/reading/FfmpegDecoder.h"

namespace qmduck {

class SoundReader {
public:
    // Opens `path`; check `isOpen`, `error` says why not.
    explicit SoundReader(std::string path);
    ~SoundReader();
    SoundReader(const SoundReader&) = delete;
    SoundReader& operator=(const SoundReader&) = delete;

    bool isOpen() const { return file != nullptr || decoder != nullptr; }
    const std::string& error() const { return failure; }
    const std::string& path() const { return filePath; }
    // 1 or 2: more are mixed down to stereo (DownMix).
    int channels() const { return info.channels > 2 ? 2 : info.channels; }
    // What a user should know of this file's reading (its channels mixed down), or empty.
    const std::string& remark() const { return note; }
    // The rate read() delivers: the file's, or the one given to resampleTo.
    int sampleRateHz() const { return info.samplerate; }
    // libsndfile's format word: file type | sample type | byte order; 0 for a file FFmpeg decodes.
    int format() const { return decoder != nullptr ? 0 : info.format; }
    // The exact length in frames; 0 when it is not known before the end (FFmpeg, resampled).
    std::int64_t frames() const { return decoder != nullptr || converter != nullptr ? 0 : info.frames; }
    // The length as far as the file announces it, for the progress bar and the plot.
    std::int64_t expectedFrames() const { return info.frames; }
    // What decodes the file, for messages: "libsndfile" or "FFmpeg (codec)".
    std::string decoderName() const;

    // From now on read() delivers the samples at `rateHz`. Set-up: false (see `error`) when the
    // resampler cannot be made.
    bool resampleTo(int rateHz);

    // Reads up to `count` frames into `left` and `right`, -1..1; fewer only at the end. Returns
    // the frames read, 0 at the end, -1 on a read error (see `error`).
    std::int64_t read(float* left, float* right, std::int64_t count);

private:
    // The file's own frames, interleaved; -1 on error.
    std::int64_t readInterleaved(float* samples, std::int64_t count);
    static long supply(void* reader, float** data);

    std::string filePath;
    std::string failure;
    std::string note;
    std::unique_ptr<DownMix> downMix;
    SF_INFO info{};
    SNDFILE* file = nullptr;
    std::unique_ptr<FfmpegDecoder> decoder;
    SRC_STATE* converter = nullptr;
    double rateRatio = 1.0;
    bool supplyFailed = false;
    std::vector<float> raw;
    std::vector<float> interleaved;
};
}  // namespace qmduck
