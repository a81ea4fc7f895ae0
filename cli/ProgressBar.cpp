#include "cli/ProgressBar.h"

#include <algorithm>

namespace qmduck {
namespace {

constexpr int kBarWidth = 24;

std::string clock(double seconds) {
    const long whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

}  // namespace

ProgressBar::ProgressBar(std::FILE* stream, bool enabled, std::int64_t totalFrames, int sampleRateHz)
    : stream(stream),
      enabled(enabled),
      totalFrames(totalFrames),
      sampleRateHz(sampleRateHz > 0 ? sampleRateHz : 1),
      started(std::chrono::steady_clock::now()),
      passStarted(started),
      lastDrawn(started) {}

void ProgressBar::startPass(const std::string& label, double startShare, double endShare) {
    passLabel = label;
    passStart = std::clamp(startShare, 0.0, 1.0);
    passEnd = std::clamp(endShare, passStart, 1.0);
    passStarted = std::chrono::steady_clock::now();
}

void ProgressBar::reportTo(std::function<void(std::int64_t addedFrames)> report) { reporting = std::move(report); }

void ProgressBar::update(std::int64_t framesDone) {
    if (reporting) {
        const double passShare = totalFrames > 0 ? std::clamp(static_cast<double>(framesDone) / static_cast<double>(totalFrames), 0.0, 1.0) : 0.0;
        const auto frames = static_cast<std::int64_t>((passStart + (passEnd - passStart) * passShare) *
                                                      static_cast<double>(std::max<std::int64_t>(totalFrames, 0)));
        if (frames > reported) reporting(frames - reported);
        reported = std::max(reported, frames);
    }
    if (!enabled) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn && now - lastDrawn < std::chrono::milliseconds(100)) return;
    lastDrawn = now;
    draw(framesDone);
}

void ProgressBar::finish(std::int64_t framesDone) {
    if (reporting && passEnd >= 1.0) {
        if (totalFrames > reported) reporting(totalFrames - reported);
        reported = std::max(reported, totalFrames);
    } else if (reporting) {
        update(framesDone);
    }
    if (!enabled) return;
    draw(framesDone);
    if (passEnd < 1.0) return;
    std::fputc('\n', stream);
    drawn = false;
}

void ProgressBar::clear() {
    if (!enabled || !drawn) return;
    std::fprintf(stream, "\r%*s\r", 100, "");
    drawn = false;
}

void ProgressBar::draw(std::int64_t framesDone) {
    const double passShare =
        totalFrames > 0 ? std::clamp(static_cast<double>(framesDone) / static_cast<double>(totalFrames), 0.0, 1.0) : 0.0;
    const double share = passStart + (passEnd - passStart) * passShare;
    const auto now = std::chrono::steady_clock::now();
    const double elapsed = std::chrono::duration<double>(now - started).count();
    const double passElapsed = std::chrono::duration<double>(now - passStarted).count();
    const double audioSeconds = static_cast<double>(framesDone) / sampleRateHz;
    std::string bar(static_cast<std::size_t>(share * kBarWidth), '#');
    bar.resize(kBarWidth, '.');
    std::string line = "\r" + passLabel + " [" + bar + "] " + std::to_string(static_cast<int>(share * 100.0)) + "%  " +
                       clock(audioSeconds) + " / " + clock(static_cast<double>(totalFrames) / sampleRateHz);
    if (passElapsed > 0.0) {
        char speed[48];
        std::snprintf(speed, sizeof speed, "  %.0fx real time", audioSeconds / passElapsed);
        line += speed;
    }
    // The time left from the job's pace so far: each pass's part is sized by its cost.
    if (share > 0.0 && share < 1.0) line += ", " + clock(elapsed / share * (1.0 - share)) + " left";
    std::fprintf(stream, "%s  \033[K", line.c_str());
    std::fflush(stream);
    drawn = true;
}

}  // namespace qmduck
