#pragma once
// The lossy outputs, encoded and muxed by FFmpeg's libraries: MP3 (LAME), M4A (FFmpeg's AAC),
// Opus in Ogg and in WebM. Float samples in, at any rate: they are copied straight into the
// encoder's frames in its own float layout (planar or interleaved), and only where Opus needs
// another rate (48 kHz) resampled first by libswresample. Tags and a cover picture are written
// where the container carries them. An EncodedCheck, when given, sees every packet.

#include <cstdint>
#include <functional>
#include <string>

#include <vector>

#include "cli/writing/AudioSink.h"
#include "cli/writing/EncodedCheck.h"
#include "cli/writing/Tags.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVIOContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;

namespace qmduck {

enum class EncodedType { None, Mp3, M4a, OggOpus, WebmOpus };

// The encoded type for a name or extension ("mp3", "m4a", "aac", "opus", "webm"); None if none.
EncodedType encodedTypeNamed(const std::string& name);
// Short name for messages: "MP3", "M4A (AAC)", "Opus in Ogg", "Opus in WebM".
const char* encodedTypeName(EncodedType type);
// The bitrate in kbps used when none is given.
int defaultBitrateKbps(EncodedType type, int channels);
// Why the cover of `tags` cannot go into `type` (None: the type libsndfile writes, of format word
// `fileFormat`), naming the picture; empty when it can or there is none.
std::string coverLeftOut(EncodedType type, const Tags& tags, int fileFormat = 0);
// Why `kbps` does not suit `type` with `channels` channels; empty when it does.
std::string checkBitrate(EncodedType type, int channels, int kbps);

class FfmpegEncoder : public AudioSink {
public:
    // Encodes to the open descriptor `fileDescriptor` (seekable), which it takes over; `check`
    // (may be null), which must outlive the encoder, decodes and measures the packets.
    FfmpegEncoder(int fileDescriptor, EncodedType type, int channels, int sampleRateHz, int bitrateKbps,
                  const Tags& tags, EncodedCheck* check = nullptr);
    // An encoder without a file for the later stretch of a stream encoded in two (SplitEncoder):
    // its input starts at frame `firstFrame` of the stream, and it keeps the packets that present
    // frames from `keepFrom` on, timed in the stream's frames, for takeKept().
    FfmpegEncoder(EncodedType type, int channels, int sampleRateHz, int bitrateKbps, std::int64_t firstFrame,
                  std::int64_t keepFrom);
    ~FfmpegEncoder() override;
    FfmpegEncoder(const FfmpegEncoder&) = delete;
    FfmpegEncoder& operator=(const FfmpegEncoder&) = delete;

    bool isOpen() const { return opened; }
    bool write(const float* left, const float* right, std::int64_t frames) override;
    bool finish() override;
    const std::string& error() const override { return failure; }

    // Packets presenting frames from `frame` on are held back, not written: the file either ends
    // with them or continues with another encoder's (endWith()).
    void holdBackFrom(std::int64_t frame) { keepUntil = frame; }
    // Before finish(): the file continues with `packets` (from takeKept() of the later stretch's
    // encoder, which this one takes over) instead of the held-back ones; the stream then has
    // `streamFrames` frames in all.
    void endWith(std::vector<AVPacket*> packets, std::int64_t streamFrames);
    // Before finish(), with endWith(): how the held-back packets and the continuation become the
    // file's end, once this encoder has given all its packets. `join` leaves in `continuation`
    // the packets to write, in order, and in `heldBack` those it leaves out (both lists stay this
    // encoder's to free); it returns why they cannot be joined, or an empty string.
    using Join = std::function<std::string(std::vector<AVPacket*>& heldBack, std::vector<AVPacket*>& continuation)>;
    void joinWith(Join join) { joining = std::move(join); }
    // After finish(), for an encoder without a file: its packets, which the caller takes over, and
    // the stream's frames up to its end.
    std::vector<AVPacket*> takeKept();
    std::int64_t streamEndFrame() const { return streamOffset + nextPts; }

private:
    bool open(EncodedType type, int channels, int sampleRateHz, int bitrateKbps, const Tags& tags);
    bool openFile(EncodedType type, const Tags& tags);
    bool addCover(const Tags& tags);
    bool queue(const float* left, const float* right, std::int64_t frames);
    bool startFrame();
    bool sendFrame();
    bool send(AVFrame* frame);
    bool deliver(AVPacket* packet);
    bool fail(const std::string& what, int code);

    int descriptor;
    int channelCount;
    AVFormatContext* muxer = nullptr;
    AVCodecContext* encoder = nullptr;
    AVIOContext* io = nullptr;
    // Only where the encoder takes another rate.
    SwrContext* converter = nullptr;
    std::vector<float> converted[2];
    EncodedCheck* check;
    // The codec frame being filled, and how many frames it holds so far.
    AVFrame* frame = nullptr;
    int filled = 0;
    bool planar = true;
    AVPacket* packet = nullptr;
    int coverStream = -1;
    std::int64_t nextPts = 0;
    bool opened = false;
    bool headerWritten = false;
    std::string failure;
    // Split encoding: where this encoder's input starts in the stream, which packets it keeps (those
    // presenting frames from keepFrom on and before keepUntil), the ones it holds back (or, without
    // a file, keeps) and what follows its own.
    std::int64_t streamOffset = 0;
    std::int64_t keepFrom = INT64_MIN;
    std::int64_t keepUntil = INT64_MAX;
    std::vector<AVPacket*> heldBack;
    std::vector<AVPacket*> continuation;
    std::int64_t continuationEnd = -1;
    Join joining;
};

}  // namespace qmduck
