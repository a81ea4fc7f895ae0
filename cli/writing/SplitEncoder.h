#pragma once
// An M4A or MP3 encoded in two stretches side by side, on two cores: the encoder (FFmpeg's AAC,
// LAME) takes most of a finished episode's time and runs on one thread. The first writing pass
// feeds the file's own encoder up to the split and a little past it; a second pass beside it,
// over the same files and engine (so its audio is the same, bit for bit), feeds an encoder without
// a file from a little before the split on. The file takes the first encoder's packets before the
// split and the second's from it: both encoders have heard enough on either side of it to make
// the same windows there, and a player hears one stream. AAC frames decode on their own but for
// the overlap of their windows; MP3 frames also borrow bytes of the frames before them, so there
// the join is chosen and the later frames' bytes laid out again (Mp3Join.h). Without a split frame
// the stream is encoded whole by the first encoder.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "cli/writing/AudioSink.h"
#include "cli/writing/EncodedCheck.h"
#include "cli/writing/FfmpegEncoder.h"
#include "cli/writing/Tags.h"

namespace qmduck {

class SplitEncoder : public AudioSink {
public:
    // How a type's stream is split, in frames of audio: its codec's frame; what the second
    // encoder hears before the split, and the first after it; and how far before the split
    // both keep their packets, for a join that reaches back there.
    //   AAC: the first encoder's look-ahead needs a few frames to choose its windows at the split
    //   as one encoder would; the second's bitrate control takes about three seconds to settle
    //   from its start (before it, the noise is up to ten times as loud), so it starts five and a
    //   half seconds (at 48 kHz) before the split.
    //   MP3: LAME's windows settle within a few frames, but its bit reservoir (the space its
    //   frames leave for later ones) fills differently from a later start until both encoders
    //   meet a passage that fills or empties it: the second starts ten seconds (at 48 kHz) before
    //   the split, the join is chosen among the first's ten seconds past it, and its frames'
    //   main data may begin up to three frames before it.
    struct Stretches {
        std::int64_t codecFrames;
        std::int64_t leadInFrames;
        std::int64_t runOutFrames;
        std::int64_t keptBeforeFrames;
    };
    static Stretches stretchesFor(EncodedType type);
    // The frame at which an output of `type` and about `expectedFrames` frames at `rateHz` is
    // split; 0 when it is encoded whole (another type, MP3 below 32 kHz, a short one, a single
    // core, or halves shorter than two lead-ins, as for M4A at 16 kHz and below under two minutes).
    static std::int64_t splitFrameFor(EncodedType type, std::int64_t expectedFrames, int rateHz);

    SplitEncoder(int fileDescriptor, EncodedType type, int channels, int sampleRateHz, int bitrateKbps,
                 const Tags& tags, EncodedCheck* check, std::int64_t splitFrame);

    // The first pass's side: the whole stream, of which the first encoder takes its stretch.
    bool write(const float* left, const float* right, std::int64_t frames) override;
    // After both passes ended: the file, with the second stretch's packets where the stream went on.
    bool finish() override;
    const std::string& error() const override;

    // The second pass's side (another thread): the whole stream again.
    AudioSink& secondPass() { return second; }
    // Makes every later write of either side fail: the other pass failed.
    void cancel() { cancelled = true; }
    // Hands `report` the frames encoded so far by both encoders together (each stretch counted
    // once), from either pass's thread, one call at a time.
    void reportTo(std::function<void(std::int64_t framesEncoded)> report) { reporting = std::move(report); }
    // The frames the first pass wrote in all.
    std::int64_t frames() const { return firstSeen; }
    // After finish() failed: whether it was for want of a join of the two MP3 stretches (rare:
    // the stream is then to be encoded whole).
    bool unjoinable() const { return unjoined; }

private:
    class Second : public AudioSink {
    public:
        explicit Second(SplitEncoder& owner) : owner(owner) {}
        bool write(const float* left, const float* right, std::int64_t frames) override;
        bool finish() override { return true; }
        const std::string& error() const override;

    private:
        SplitEncoder& owner;
    };

    // Passes the frames of [from, until) of the stream in a block at `at` to `encoder`.
    static bool passOn(FfmpegEncoder& encoder, const float* left, const float* right, std::int64_t at,
                       std::int64_t frames, std::int64_t from, std::int64_t until);
    void report();

    std::int64_t splitFrame;
    Stretches stretches;
    FfmpegEncoder first;
    FfmpegEncoder later;
    Second second{*this};
    std::atomic<std::int64_t> firstSeen{0};
    std::atomic<std::int64_t> secondSeen{0};
    std::atomic<bool> cancelled{false};
    bool unjoined = false;
    std::mutex reportingLock;
    std::function<void(std::int64_t)> reporting;
    std::string failure;
};

}  // namespace qmduck
