#include "cli/writing/SplitEncoder.h"

extern "C" {
#include <libavcodec/packet.h>
}

#include <algorithm>
#include <thread>

#include "codecs/Mp3Join.h"

namespace qmduck {
namespace {

const std::string kStopped = "stopped: the pass beside it failed";
const std::string kNoJoin = "the two MP3 stretches could not be joined";

// The MP3 file's end: the first encoder's held-back frames up to the join, the second's from it.
// The first encoder's frames that start after `lastWholeStart` are made partly of the silence it
// was flushed with.
FfmpegEncoder::Join joinMp3Packets(std::int64_t splitFrame, std::int64_t lastWholeStart) {
    return [splitFrame, lastWholeStart](std::vector<AVPacket*>& heldBack, std::vector<AVPacket*>& continuation) -> std::string {
        const std::size_t shared = std::min(heldBack.size(), continuation.size());
        if (shared == 0 || heldBack[0]->pts != continuation[0]->pts) return kNoJoin;
        std::vector<qm::Mp3FrameBytes> first, second;
        for (const auto& [packets, frames] : {std::pair{&heldBack, &first}, std::pair{&continuation, &second}}) {
            for (AVPacket* packet : *packets) {
                if (av_packet_make_writable(packet) < 0) return "out of memory";
                frames->push_back({packet->data, static_cast<std::size_t>(packet->size)});
            }
        }
        std::size_t earliest = 0;
        while (earliest < shared && heldBack[earliest]->pts < splitFrame) ++earliest;
        std::size_t firstWhole = 0;
        while (firstWhole < heldBack.size() && heldBack[firstWhole]->pts <= lastWholeStart) ++firstWhole;
        const std::ptrdiff_t join = qm::joinMp3Frames(first, second, earliest, firstWhole);
        if (join < 0) return kNoJoin;
        std::vector<AVPacket*> file(heldBack.begin(), heldBack.begin() + join);
        file.insert(file.end(), continuation.begin() + join, continuation.end());
        std::vector<AVPacket*> leftOut(heldBack.begin() + join, heldBack.end());
        leftOut.insert(leftOut.end(), continuation.begin(), continuation.begin() + join);
        continuation = std::move(file);
        heldBack = std::move(leftOut);
        return {};
    };
}

}  // namespace

SplitEncoder::Stretches SplitEncoder::stretchesFor(EncodedType type) {
    if (type == EncodedType::Mp3) return {1152, 420 * 1152, 420 * 1152, 3 * 1152};
    return {1024, 256 * 1024, 4 * 1024, 0};
}

std::int64_t SplitEncoder::splitFrameFor(EncodedType type, std::int64_t expectedFrames, int rateHz) {
    // Half a minute a half at least: shorter ones are done before a second pass would pay.
    constexpr std::int64_t kShortestSeconds = 60;
    if ((type != EncodedType::M4a && type != EncodedType::Mp3) || std::thread::hardware_concurrency() < 2) return 0;
    // Below 32 kHz LAME writes MPEG-2 frames, which the join does not take.
    if (type == EncodedType::Mp3 && rateHz < 32000) return 0;
    if (rateHz <= 0 || expectedFrames < kShortestSeconds * rateHz) return 0;
    // The second encoder's lead-in, counted in codec frames, lasts longer at low rates: each half
    // holds two at least.
    const Stretches stretches = stretchesFor(type);
    const std::int64_t split = expectedFrames / 2 / stretches.codecFrames * stretches.codecFrames;
    return split >= 2 * stretches.leadInFrames ? split : 0;
}

SplitEncoder::SplitEncoder(int fileDescriptor, EncodedType type, int channels, int sampleRateHz, int bitrateKbps,
                           const Tags& tags, EncodedCheck* check, std::int64_t splitFrame)
    : splitFrame(splitFrame),
      stretches(stretchesFor(type)),
      first(fileDescriptor, type, channels, sampleRateHz, bitrateKbps, tags, check),
      later(type, channels, sampleRateHz, bitrateKbps, splitFrame - stretches.leadInFrames,
            splitFrame - stretches.keptBeforeFrames) {
    first.holdBackFrom(splitFrame - stretches.keptBeforeFrames);
    if (type == EncodedType::Mp3) {
        const std::int64_t runOutEnd = splitFrame + stretches.runOutFrames;
        first.joinWith(joinMp3Packets(splitFrame, runOutEnd - std::int64_t{qm::kLameReachFrames} * stretches.codecFrames));
    }
}

const std::string& SplitEncoder::error() const {
    if (!first.error().empty()) return first.error();
    if (!later.error().empty()) return later.error();
    return failure;
}

const std::string& SplitEncoder::Second::error() const { return owner.cancelled ? kStopped : owner.later.error(); }

bool SplitEncoder::passOn(FfmpegEncoder& encoder, const float* left, const float* right, std::int64_t at,
                          std::int64_t frames, std::int64_t from, std::int64_t until) {
    const std::int64_t begin = std::clamp(from - at, std::int64_t{0}, frames);
    const std::int64_t end = std::clamp(until - at, begin, frames);
    if (end == begin) return true;
    return encoder.write(left + begin, right == nullptr ? nullptr : right + begin, end - begin);
}

bool SplitEncoder::write(const float* left, const float* right, std::int64_t frames) {
    if (cancelled) {
        failure = kStopped;
        return false;
    }
    const std::int64_t at = firstSeen;
    if (!passOn(first, left, right, at, frames, 0, splitFrame + stretches.runOutFrames)) return false;
    firstSeen = at + frames;
    report();
    return true;
}

bool SplitEncoder::Second::write(const float* left, const float* right, std::int64_t frames) {
    if (owner.cancelled) return false;
    const std::int64_t at = owner.secondSeen;
    const std::int64_t leadIn = owner.splitFrame - owner.stretches.leadInFrames;
    if (!passOn(owner.later, left, right, at, frames, leadIn, INT64_MAX)) return false;
    owner.secondSeen = at + frames;
    owner.report();
    return true;
}

void SplitEncoder::report() {
    if (!reporting) return;
    const std::lock_guard<std::mutex> guard(reportingLock);
    reporting(std::min<std::int64_t>(firstSeen, splitFrame) + std::max<std::int64_t>(secondSeen - splitFrame, 0));
}

bool SplitEncoder::finish() {
    // A stream that ended before the first encoder's stretch did is that encoder's alone.
    if (firstSeen > splitFrame + stretches.runOutFrames) {
        if (!later.finish()) return false;
        first.endWith(later.takeKept(), later.streamEndFrame());
    }
    if (first.finish()) return true;
    unjoined = first.error() == kNoJoin;
    return false;
}

}  // namespace qmduck
