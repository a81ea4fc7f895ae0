#include "cli/writing/SplitEncoder.h"

#include <algorithm>
#include <thread>

namespace qmduck {
namespace {

const std::string kStopped = "stopped: the pass beside it failed";

}  // namespace

std::int64_t SplitEncoder::splitFrameFor(EncodedType type, std::int64_t expectedFrames, int rateHz) {
    // Half a minute a half at least: shorter ones are done before a second pass would pay.
    constexpr std::int64_t kShortestSeconds = 60;
    if (type != EncodedType::M4a || std::thread::hardware_concurrency() < 2) return 0;
    if (rateHz <= 0 || expectedFrames < kShortestSeconds * rateHz) return 0;
    // The second encoder's lead-in, counted in AAC frames, lasts longer at low rates: each half
    // holds two at least.
    const std::int64_t split = expectedFrames / 2 / 1024 * 1024;
    return split >= 2 * kLeadInFrames ? split : 0;
}

SplitEncoder::SplitEncoder(int fileDescriptor, EncodedType type, int channels, int sampleRateHz, int bitrateKbps,
                           const Tags& tags, EncodedCheck* check, std::int64_t splitFrame)
    : splitFrame(splitFrame),
      first(fileDescriptor, type, channels, sampleRateHz, bitrateKbps, tags, check),
      later(type, channels, sampleRateHz, bitrateKbps, splitFrame - kLeadInFrames, splitFrame) {
    first.holdBackFrom(splitFrame);
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
    if (!passOn(first, left, right, at, frames, 0, splitFrame + kRunOutFrames)) return false;
    firstSeen = at + frames;
    report();
    return true;
}

bool SplitEncoder::Second::write(const float* left, const float* right, std::int64_t frames) {
    if (owner.cancelled) return false;
    const std::int64_t at = owner.secondSeen;
    const std::int64_t leadIn = owner.splitFrame - kLeadInFrames;
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
    if (firstSeen > splitFrame + kRunOutFrames) {
        if (!later.finish()) return false;
        first.endWith(later.takeKept(), later.streamEndFrame());
    }
    return first.finish();
}

}  // namespace qmduck
