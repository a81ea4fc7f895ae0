#pragma once
// One pass over the files: the input and the keys read block by block, the input ducked by the
// keys, levelled and mixed with them, then measured, limited and written as the pass asks. The
// calling thread reads, ducks, mixes and limits; a writing thread beside it measures and writes
// (or encodes) the finished blocks in order, a few blocks behind, so that on two cores or more
// the engine's work hides under the encoder's (or the loudness meter's) and results never depend
// on which thread is ahead.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/ProgressBar.h"
#include "cli/SlotRing.h"
#include "cli/ducking/DuckEngine.h"
#include "cli/ducking/GainTrace.h"
#include "cli/ducking/KeyDelay.h"
#include "cli/finishing/LimitedLoudness.h"
#include "cli/finishing/LoudnessMeter.h"
#include "engine/finishing/PeakLimiter.h"
#include "engine/finishing/TruePeak.h"
#include "cli/reading/KeyMix.h"
#include "cli/reading/SoundReader.h"
#include "cli/writing/AudioSink.h"
#include "cli/writing/EncoderProbe.h"

namespace qmduck {

// Frames read, ducked and written at a time.
constexpr int kBlockFrames = 65536;
// Blocks finished ahead of the writing thread at most, the one it works on included.
constexpr int kBlocksInFlight = 4;

// The files of one pass, open, with the keys already read `lookaheadFrames` ahead.
struct Sources {
    std::unique_ptr<SoundReader> input;
    std::unique_ptr<KeyMix> keys;
    std::unique_ptr<KeyDelay> mixKeys;
};

// What a pass does beside ducking; everything is optional.
struct PassSettings {
    // The keys are added to the ducked input, at these linear levels.
    bool mix = false;
    float inputGain = 1.0f;
    float keyGain = 1.0f;
    // The loudness gain, linear, and the limiter after it.
    float outputGain = 1.0f;
    qm::PeakLimiter* limiter = nullptr;
    // Measures what is written (or, without a sink, the mixed audio), on the writing thread.
    LoudnessMeter* meter = nullptr;
    // Keeps what the limiter will take off the loudness (or, with a sink, nothing), on the
    // writing thread.
    LimitedLoudness* limitedLoudness = nullptr;
    // Keeps a stretch of the mix for the encoder's trial, on the writing thread.
    EncoderProbe* encoderProbe = nullptr;
    AudioSink* sink = nullptr;
    // The output's name for messages.
    std::string sinkName;
    std::vector<TraceSink*> traces;
};

class DuckStream {
public:
    DuckStream(Sources& sources, qm::StreamDucker& engine, const PassSettings& settings, ProgressBar& progress);
    ~DuckStream();

    // Runs the pass; an error message naming the file, or empty.
    std::string run();
    // Frames ducked (and written).
    std::int64_t frames() const { return framesDone; }

private:
    struct Block;
    std::string produce(SlotRing& ring);
    std::string consume(SlotRing& ring);
    std::string readInput(Block& block);
    std::string fillKeys(Block& block);
    void settle(Block& block) const;
    std::string writeFrom(Block& block);
    void process(Block& block);
    void finishAudio(Block& block);
    void processTraced(Block& block);
    void emitPoint(std::int64_t endFrame);
    void flushLimiter(SlotRing& ring);

    Sources& sources;
    qm::StreamDucker& engine;
    PassSettings settings;
    ProgressBar& progress;
    std::unique_ptr<Block[]> blocks;
    std::int64_t framesDone = 0;
    // With --mix: the output frame at which the keys end, once known.
    std::int64_t keysEndFrame = -1;
    std::int64_t lookaheadFrames = 0;
    // Output frames still to drop: the limiter's latency.
    std::int64_t skipFrames = 0;
    std::int64_t interval = 0;
    float keyPeak = 0.0f;

public:
    // The look-ahead the keys were read with, in frames (for the end of the mix).
    void setLookahead(std::int64_t frames) { lookaheadFrames = frames; }
};

}  // namespace qmduck
