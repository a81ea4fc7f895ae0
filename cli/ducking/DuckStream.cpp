#include "cli/ducking/DuckStream.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace qmduck {

// One block of the stream: the audio's two channels, the detector's key and the keys the mix
// hears; `inputFrames` of the input, `frames` in all (more with --mix while the keys go on).
struct DuckStream::Block {
    std::vector<float> samples = std::vector<float>(6 * static_cast<std::size_t>(kBlockFrames));
    float* left() { return samples.data(); }
    float* right() { return samples.data() + kBlockFrames; }
    float* keyLeft() { return samples.data() + 2 * kBlockFrames; }
    float* keyRight() { return samples.data() + 3 * kBlockFrames; }
    float* mixLeft() { return samples.data() + 4 * kBlockFrames; }
    float* mixRight() { return samples.data() + 5 * kBlockFrames; }
    std::int32_t inputFrames = 0;
    std::int32_t keyFrames = 0;
    std::int32_t frames = 0;
    // The first frame to write (the limiter's latency is dropped at the start).
    std::int32_t firstWritten = 0;
};

DuckStream::DuckStream(Sources& sources, qm::StreamDucker& engine, const PassSettings& settings, ProgressBar& progress)
    : sources(sources), engine(engine), settings(settings), progress(progress), blocks(new Block[kBlocksInFlight]) {
    if (settings.limiter != nullptr) skipFrames = settings.limiter->latencyFrames();
}

DuckStream::~DuckStream() = default;

std::string DuckStream::run() {
    SlotRing ring(kBlocksInFlight);
    std::string writeError;
    std::thread writer([&] { writeError = consume(ring); });
    std::string error = produce(ring);
    if (error.empty()) {
        ring.close();
    } else {
        ring.cancel();
    }
    writer.join();
    if (error.empty()) error = writeError;
    if (!error.empty()) return error;
    if (!settings.traces.empty() && framesDone > (interval * sources.input->sampleRateHz() + 50) / 100) {
        emitPoint(framesDone);
    }
    progress.finish(framesDone);
    return {};
}

// The engine's side: every block read, ducked, mixed and limited, then handed to the writing
// thread. An error, or empty (also when the writing thread stopped: its error says why).
std::string DuckStream::produce(SlotRing& ring) {
    for (;;) {
        const int slot = ring.acquire();
        if (slot < 0) return {};
        Block& block = blocks[static_cast<std::size_t>(slot)];
        if (std::string problem = readInput(block); !problem.empty()) return problem;
        if (std::string problem = fillKeys(block); !problem.empty()) return problem;
        settle(block);
        if (block.frames == 0) break;
        process(block);
        framesDone += block.frames;
        ring.publish();
        progress.update(framesDone);
    }
    flushLimiter(ring);
    return {};
}

// The writing thread's side: each finished block measured and written, in order.
std::string DuckStream::consume(SlotRing& ring) {
    for (int slot; (slot = ring.next()) >= 0;) {
        Block& block = blocks[static_cast<std::size_t>(slot)];
        const std::int32_t first = block.firstWritten;
        if (settings.meter != nullptr) settings.meter->add(block.left() + first, block.right() + first, block.frames - first);
        if (settings.encoderProbe != nullptr) {
            settings.encoderProbe->add(block.left() + first, block.right() + first, block.frames - first);
        }
        if (settings.limitedLoudness != nullptr) {
            settings.limitedLoudness->add(block.left() + first, block.right() + first, block.frames - first);
        }
        std::string problem = writeFrom(block);
        ring.release();
        if (!problem.empty()) {
            ring.cancel();
            return problem;
        }
    }
    return {};
}

std::string DuckStream::readInput(Block& block) {
    SoundReader& input = *sources.input;
    const std::int64_t got = input.read(block.left(), block.right(), kBlockFrames);
    block.inputFrames = static_cast<std::int32_t>(std::max<std::int64_t>(got, 0));
    if (got < 0) return input.path() + ": cannot read: " + input.error();
    return {};
}

// The keys of the block after the frames processed so far: without --mix as many frames as the
// input still has, up to a block (a whole block when its length is unknown); with it a whole
// block, since the keys may outlast the input.
std::string DuckStream::fillKeys(Block& block) {
    const SoundReader& input = *sources.input;
    const std::int64_t left = !settings.mix && input.frames() > 0 ? input.frames() - framesDone : kBlockFrames;
    const auto frames = static_cast<std::int32_t>(std::clamp<std::int64_t>(left, 0, kBlockFrames));
    block.keyFrames = frames;
    if (frames == 0) return {};
    if (!sources.keys->fill(block.keyLeft(), block.keyRight(), frames)) return sources.keys->error();
    const std::int32_t filled = sources.keys->lastFilledFrames();
    // The detector reads the keys ahead; they end for the mix that much later.
    if (filled < frames && keysEndFrame < 0) keysEndFrame = framesDone + lookaheadFrames + filled;
    if (settings.mix) sources.mixKeys->process(block.keyLeft(), block.keyRight(), frames, block.mixLeft(), block.mixRight());
    return {};
}

// How many frames the block has: the input's, or with --mix as long as the input or the keys last.
void DuckStream::settle(Block& block) const {
    block.frames = block.inputFrames;
    if (settings.mix) {
        const std::int64_t keysLeft = keysEndFrame < 0 ? kBlockFrames : keysEndFrame - framesDone;
        block.frames = static_cast<std::int32_t>(
            std::max<std::int64_t>(block.inputFrames, std::clamp<std::int64_t>(keysLeft, 0, block.keyFrames)));
        std::fill(block.left() + block.inputFrames, block.left() + block.frames, 0.0f);
        std::fill(block.right() + block.inputFrames, block.right() + block.frames, 0.0f);
    }
}

std::string DuckStream::writeFrom(Block& block) {
    if (settings.sink == nullptr) return {};
    const std::int32_t count = block.frames - block.firstWritten;
    if (count <= 0 || settings.sink->write(block.left() + block.firstWritten, block.right() + block.firstWritten, count)) {
        return {};
    }
    return settings.sinkName + ": cannot write: " + settings.sink->error();
}

void DuckStream::process(Block& block) {
    if (settings.traces.empty()) {
        engine.process(block.keyLeft(), block.keyRight(), block.left(), block.right(), block.frames);
    } else {
        processTraced(block);
    }
    finishAudio(block);
}

// Level and mix, then the loudness gain and the limiter.
void DuckStream::finishAudio(Block& block) {
    float* channels[2] = {block.left(), block.right()};
    const float* keys[2] = {block.mixLeft(), block.mixRight()};
    const std::int32_t n = block.frames;
    for (int c = 0; c < 2; ++c) {
        float* audio = channels[c];
        if (settings.inputGain != 1.0f) {
            for (std::int32_t i = 0; i < n; ++i) audio[i] *= settings.inputGain;
        }
        if (settings.mix) {
            const float* key = keys[c];
            for (std::int32_t i = 0; i < n; ++i) audio[i] += settings.keyGain * key[i];
        }
    }
    if (settings.outputGain != 1.0f) {
        for (float* audio : channels) {
            for (std::int32_t i = 0; i < n; ++i) audio[i] *= settings.outputGain;
        }
    }
    if (settings.limiter != nullptr) settings.limiter->process(block.left(), block.right(), n);
    block.firstWritten = static_cast<std::int32_t>(std::min<std::int64_t>(skipFrames, n));
    skipFrames -= block.firstWritten;
}

// The limiter's tail: its last latency's frames, handed over after the last block.
void DuckStream::flushLimiter(SlotRing& ring) {
    if (settings.limiter == nullptr) return;
    const int slot = ring.acquire();
    if (slot < 0) return;
    Block& tail = blocks[static_cast<std::size_t>(slot)];
    settings.limiter->flush(tail.left(), tail.right());
    tail.frames = settings.limiter->latencyFrames();
    tail.firstWritten = static_cast<std::int32_t>(std::min<std::int64_t>(skipFrames, tail.frames));
    skipFrames -= tail.firstWritten;
    ring.publish();
}

void DuckStream::processTraced(Block& block) {
    const int rateHz = sources.input->sampleRateHz();
    const auto boundary = [rateHz](std::int64_t at) { return (at * rateHz + 50) / 100; };
    for (std::int32_t done = 0; done < block.frames;) {
        const std::int64_t end = boundary(interval + 1);
        const auto piece = static_cast<std::int32_t>(std::min<std::int64_t>(block.frames - done, end - framesDone - done));
        for (std::int32_t i = done; i < done + piece; ++i) {
            keyPeak = std::max({keyPeak, std::fabs(block.keyLeft()[i]), std::fabs(block.keyRight()[i])});
        }
        engine.process(block.keyLeft() + done, block.keyRight() + done, block.left() + done, block.right() + done, piece);
        done += piece;
        if (framesDone + done == end) emitPoint(end);
    }
}

void DuckStream::emitPoint(std::int64_t endFrame) {
    TracePoint point;
    point.endSeconds = static_cast<double>(endFrame) / sources.input->sampleRateHz();
    point.gainDb = std::min(0.0, decibelsOf(engine.lastFactor()));
    point.keyLevelDb = decibelsOf(keyPeak);
    for (TraceSink* sink : settings.traces) sink->add(point);
    keyPeak = 0.0f;
    ++interval;
}

}  // namespace qmduck
