#pragma once
// The course of a run every 10 ms: the gain the audio got and the level of the keys, for the
// plot and the CSV file.

#include <cstdio>
#include <string>

namespace qmduck {

struct TracePoint {
    // End of the 10 ms, in seconds from the start.
    double endSeconds = 0.0;
    // The gain of the last frame, in dB (0 or below, at least kLowestDb).
    double gainDb = 0.0;
    // The keys' largest absolute peak in the 10 ms, in dB (at least kLowestDb).
    double keyLevelDb = 0.0;
};

// Levels below this are shown and written as this.
constexpr double kLowestDb = -144.0;

// dB of a linear value, no lower than kLowestDb.
double decibelsOf(double linear);

// Receives the trace, point by point, in time order.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void add(const TracePoint& point) = 0;
};

// Writes the trace as CSV lines "time_s,gain_reduction_db,key_level_db" after a header.
class GainCsvWriter : public TraceSink {
public:
    // Writes to the open descriptor, which it takes over; a non-empty `comment` goes first, on a
    // line of its own after "# ".
    explicit GainCsvWriter(int descriptor, const std::string& comment = {});
    ~GainCsvWriter() override;
    GainCsvWriter(const GainCsvWriter&) = delete;
    GainCsvWriter& operator=(const GainCsvWriter&) = delete;

    void add(const TracePoint& point) override;
    // Completes the file; false (with `error`) when anything failed.
    bool finish(std::string& error);

private:
    std::FILE* file;
};

}  // namespace qmduck
