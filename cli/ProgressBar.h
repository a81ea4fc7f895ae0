#pragma once
// A progress bar on standard error: done and total time of the audio, the share done, and the
// speed against real time. Redrawn at most ten times a second.

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace qmduck {

class ProgressBar {
public:
    // Shows nothing unless `enabled`; `totalFrames` may be 0 or less when unknown.
    ProgressBar(std::FILE* stream, bool enabled, std::int64_t totalFrames, int sampleRateHz);

    // Frames done so far.
    void update(std::int64_t framesDone);
    // Draws the final state and ends the line.
    void finish(std::int64_t framesDone);
    // Clears the bar's line, before a message is printed on the same stream.
    void clear();

private:
    void draw(std::int64_t framesDone);

    std::FILE* stream;
    bool enabled;
    std::int64_t totalFrames;
    int sampleRateHz;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::time_point lastDrawn;
    bool drawn = false;
};

}  // namespace qmduck
