#pragma once
// A picture of a run: the keys' level, the threshold and the gain over time, in dB against
// minutes and seconds, drawn with cairo into a PNG file. It keeps one column of figures per
// pixel, so its memory does not grow with the length of the file.

#include <string>
#include <vector>

#include "cli/ducking/GainTrace.h"

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

    // A second line under the title (the settings in force); a dashed line at -rangeDb dB when
    // rangeDb > 0; the key level drawn `keyAheadSeconds` later than its point, where the key was
    // read that far ahead of the gain (look-ahead), so that it shows at its own time.
    void setDetails(std::string subtitle, double rangeDb, double keyAheadSeconds);

    void add(const TracePoint& point) override;
    // The key's level in the 10 ms before `endSeconds` where no point carries it (the stretch
    // the look-ahead reads before the first gain).
    void addKeyLevel(double endSeconds, double keyLevelDb);
    // Draws the picture and writes it as PNG to the open descriptor, which it takes over; false
    // (with `error`) on failure.
    bool write(int descriptor, std::string& error) const;

    const PlotLayout& layout() const { return plotLayout; }

    // Colours, 0..1 red, green, blue: the threshold line, the gain curve, the key level area and
    // the range line.
    static constexpr double kThresholdColor[3] = {0.85, 0.10, 0.10};
    static constexpr double kGainColor[3] = {0.95, 0.50, 0.00};
    static constexpr double kKeyColor[3] = {0.55, 0.70, 0.90};
    static constexpr double kRangeColor[3] = {0.20, 0.55, 0.20};

private:
    struct Column {
        double keyLevelDb = kLowestDb;
        double lowestGainDb = 0.0;
        bool filled = false;
    };

    // The column a point ending at `endSeconds` falls in.
    std::size_t columnAt(double endSeconds) const;

    PlotLayout plotLayout;
    double thresholdDb;
    std::string title;
    std::string subtitle;
    double rangeDb = 0.0;
    double keyAheadSeconds = 0.0;
    std::vector<Column> columns;
};

}  // namespace qmduck
