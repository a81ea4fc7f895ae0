#pragma once
// A picture of a run: the keys' level, the threshold and the gain over time, in dB against
// minutes and seconds, drawn with cairo into a PNG file. It keeps one column of figures per
// pixel, so its memory does not grow with the length of the file.

#include <string>
#include <vector>

#include "cli/GainTrace.h"

namespace qmduck {

// Where things are in the picture, in pixels from its top left corner.
struct PlotLayout {
    static constexpr int kWidth = 1200;
    static constexpr int kHeight = 480;
    static constexpr int kLeft = 64;
    static constexpr int kRight = kWidth - 24;
    static constexpr int kTop = 48;
    static constexpr int kBottom = kHeight - 40;

    // The bottom of the dB axis (its top is 0 dB) and the length of the time axis.
    double floorDb = -60.0;
    double durationSeconds = 1.0;

    // Row of a level (clamped to the axis) and column of a time.
    double yForDb(double db) const;
    double xForSeconds(double seconds) const;
};

// The layout for a run of `durationSeconds` at `thresholdDb`: the axis reaches well below the
// threshold, to -60 dB at least.
PlotLayout plotLayoutFor(double thresholdDb, double durationSeconds);

class GainPlot : public TraceSink {
public:
    // `title` goes above the picture.
    GainPlot(double durationSeconds, double thresholdDb, std::string title);

    void add(const TracePoint& point) override;
    // Draws the picture and writes it as PNG to the open descriptor, which it takes over; false
    // (with `error`) on failure.
    bool write(int descriptor, std::string& error) const;

    const PlotLayout& layout() const { return plotLayout; }

    // Colours, 0..1 red, green, blue: the threshold line, the gain curve and the key level area.
    static constexpr double kThresholdColor[3] = {0.85, 0.10, 0.10};
    static constexpr double kGainColor[3] = {0.95, 0.50, 0.00};
    static constexpr double kKeyColor[3] = {0.55, 0.70, 0.90};

private:
    struct Column {
        double keyLevelDb = kLowestDb;
        double lowestGainDb = 0.0;
        bool filled = false;
    };

    PlotLayout plotLayout;
    double thresholdDb;
    std::string title;
    std::vector<Column> columns;
};

}  // namespace qmduck
