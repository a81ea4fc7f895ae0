#pragma once
// The first audio stream of any file FFmpeg's libraries read (AAC/M4A, ALAC, WMA, the sound of
// MP4, MOV, MKV or WebM videos), decoded to interleaved float samples at the stream's own rate:
// mono stays mono, anything wider is mixed down to stereo.

#include <cstdint>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;
struct AVChannelLayout;

namespace qmduck {

class FfmpegDecoder {
public:
    // Opens `path`; check `isOpen`, `error` says why not.
    explicit FfmpegDecoder(const std::string& path);
    ~FfmpegDecoder();
    FfmpegDecoder(const FfmpegDecoder&) = delete;
    FfmpegDecoder& operator=(const FfmpegDecoder&) = delete;

    bool isOpen() const { return open; }
    const std::string& error() const { return failure; }
    int channels() const { return outputChannels; }
    // The stream's own channels, before more than two are mixed down to stereo.
    int sourceChannels() const { return streamChannels; }
    int sampleRateHz() const { return rateHz; }
    // The length the container announces, in frames; 0 when it announces none.
    std::int64_t expectedFrames() const { return expected; }
    // The codec's name, such as "aac".
    const std::string& codecName() const { return codec; }

    // Reads `count` frames into `interleaved` (channels() values a frame); fewer only at the end.
    // Returns the frames read, 0 at the end, -1 on a decoding error (see `error`).
    std::int64_t read(float* interleaved, std::int64_t count);

private:
    bool decodeMore();
    bool convert(const AVFrame* frame);
    bool append(const AVFrame* frame);
    bool configure(const AVFrame& shape);
    bool setDownMix(const AVChannelLayout& layout);

    AVFormatContext* format = nullptr;
    AVCodecContext* decoder = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    SwrContext* resampler = nullptr;
    // The channels, sample type and rate the resampler takes in (no samples): a stream may change
    // them midway, as joined recordings do, and the resampler is set up again for its frames.
    AVFrame* inputShape = nullptr;
    int streamIndex = -1;
    int outputChannels = 0;
    int streamChannels = 0;
    int rateHz = 0;
    std::int64_t expected = 0;
    std::string codec;
    std::string failure;
    bool open = false;
    bool drained = false;
    // Decoded frames not yet handed out, from `pendingStart` on.
    std::vector<float> pending;
    std::size_t pendingStart = 0;
};

}  // namespace qmduck
