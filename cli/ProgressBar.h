#pragma once
// One progress bar for a whole job on standard error: the pass under way by name ("measuring",
// "writing episode.mp3"), the share of the job done, the audio time done in this pass, its speed
// against real time and the time left for the whole job. Each pass fills its own part of the
// bar, sized by what it costs against the others. Redrawn at most ten times a second.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace qmduck {

class ProgressBar {
public:
    // Shows nothing unless `enabled`; `totalFrames` (one pass's frames) may be 0 or less when
    // unknown.
    ProgressBar(std::FILE* stream, bool enabled, std::int64_t totalFrames, int sampleRateHz);

    // A new pass named `label` that fills the part of the bar from `startShare` to `endShare`
    // (0..1); the bar ends its line when a pass that reaches 1 finishes.
    void startPass(const std::string& label, double startShare, double endShare);
    // Frames done so far in this pass.
    void update(std::int64_t framesDone);
    // Draws the pass's final state; ends the line after the job's last pass.
    void finish(std::int64_t framesDone);
    // Clears the bar's line, before a message is printed on the same stream.
    void clear();
    // Instead of drawing, hands `report` the job's progress as it grows, in frames of the job's
    // `totalFrames` (all of them once the last pass ends): a list's bar sums its jobs.
    void reportTo(std::function<void(std::int64_t addedFrames)> report);

private:
    void draw(std::int64_t framesDone);

    std::FILE* stream;
    bool enabled;
    std::int64_t totalFrames;
    int sampleRateHz;
    std::string passLabel;
    double passStart = 0.0;
    double passEnd = 1.0;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point passStarted;
    std::chrono::steady_clock::time_point lastDrawn;
    bool drawn = false;
    std::function<void(std::int64_t)> reporting;
    std::int64_t reported = 0;
};

}  // namespace qmduck
