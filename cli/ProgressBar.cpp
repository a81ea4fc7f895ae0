#include "cli/ProgressBar.h"

#include <algorithm>
#include <string>

namespace qmduck {
namespace {

constexpr int kBarWidth = 30;

std::string clock(double seconds) {
    const long whole = static_cast<long>(seconds);
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
      lastDrawn(started) {}

void ProgressBar::update(std::int64_t framesDone) {
    if (!enabled) return;
    const auto now = std::chrono::steady_clock::now();
    if (drawn && now - lastDrawn < std::chrono::milliseconds(100)) return;
    lastDrawn = now;
    draw(framesDone);
}

void ProgressBar::finish(std::int64_t framesDone) {
    if (!enabled) return;
    draw(framesDone);
    std::fputc('\n', stream);
    drawn = false;
}

void ProgressBar::clear() {
    if (!enabled || !drawn) return;
    std::fprintf(stream, "\r%*s\r", 79, "");
    drawn = false;
}

void ProgressBar::draw(std::int64_t framesDone) {
    const double share = totalFrames > 0 ? std::clamp(static_cast<double>(framesDone) / totalFrames, 0.0, 1.0) : 0.0;
    const int filled = static_cast<int>(share * kBarWidth);
    const double audioSeconds = static_cast<double>(framesDone) / sampleRateHz;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, '.');
    std::fprintf(stream, "\r[%s] %3d%%  %s / %s", bar.c_str(), static_cast<int>(share * 100.0),
                 clock(audioSeconds).c_str(), clock(static_cast<double>(totalFrames) / sampleRateHz).c_str());
    if (elapsed > 0.05) std::fprintf(stream, "  %.0fx real time ", audioSeconds / elapsed);
    std::fflush(stream);
    drawn = true;
}

}  // namespace qmduck
