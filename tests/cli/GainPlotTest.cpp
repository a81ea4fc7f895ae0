#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "cli/DuckJob.h"
#include "cli/SoundFixtures.h"
#include "cli/ducking/GainPlot.h"

namespace qmduck::test {
namespace {

using GainPlotFile = SoundFolder;

bool near(std::uint32_t pixel, const double (&rgb)[3]) {
    const auto channel = [&](int shift, double wanted) {
        return std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>(std::lround(wanted * 255))) <= 40;
    };
    return channel(16, rgb[0]) && channel(8, rgb[1]) && channel(0, rgb[2]);
}

// Pixels of row `y` between the axes that have the colour `rgb`.
int countInRow(cairo_surface_t* image, int y, const double (&rgb)[3]) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(image) +
                                                             y * cairo_image_surface_get_stride(image));
    int count = 0;
    for (int x = PlotLayout::kLeft + 2; x < PlotLayout::kRight - 2; ++x) count += near(row[x], rgb) ? 1 : 0;
    return count;
}

TEST_F(GainPlotFile, ShowsTheKeyTheGainAndTheThresholdWhereItBelongs) {
    Sound key = makeSignal(4.0, 2, false);
    std::fill(key.samples.begin() + static_cast<long>(key.samples.size() / 2), key.samples.end(), 0.0f);
    const std::string keyPath = put("key.wav", key);
    const std::string in = put("in.wav", makeSignal(4.0, 2, false));
    constexpr int kPlotWidth = PlotLayout::kRight - PlotLayout::kLeft;
    for (double thresholdDb : {-20.0, -45.0, -90.0}) {
        DuckOptions options = optionsFor({keyPath}, in, path("out.wav"));
        options.parameters[qm::ParamThreshold] = static_cast<float>(thresholdDb / -96.0);
        options.plotPath = path("plot.png");
        ASSERT_EQ(runDuckJob(options, false).exitStatus, 0);

        cairo_surface_t* image = cairo_image_surface_create_from_png(options.plotPath.c_str());
        ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
        EXPECT_EQ(cairo_image_surface_get_width(image), PlotLayout::kWidth);
        EXPECT_EQ(cairo_image_surface_get_height(image), PlotLayout::kHeight);
        cairo_surface_flush(image);

        const PlotLayout layout = plotLayoutFor(thresholdDb, 4.0);
        EXPECT_LE(layout.floorDb, thresholdDb - 12.0);
        const int thresholdY = static_cast<int>(std::lround(layout.yForDb(thresholdDb)));
        const int onLine = std::max(countInRow(image, thresholdY - 1, GainPlot::kThresholdColor),
                                    countInRow(image, thresholdY, GainPlot::kThresholdColor));
        EXPECT_GT(onLine, kPlotWidth / 2) << "a dashed line across at " << thresholdDb << " dB";
        for (int off : {-12, 12}) {
            EXPECT_LT(countInRow(image, thresholdY + off, GainPlot::kThresholdColor), kPlotWidth / 10)
                << "nowhere else, " << off << " px away";
        }
        // The key is loud in the first half only: its area fills the left half near the bottom.
        const int lowRow = PlotLayout::kBottom - 3;
        const int keyPixels = countInRow(image, lowRow, GainPlot::kKeyColor);
        EXPECT_GT(keyPixels, kPlotWidth / 2 - kPlotWidth / 5);
        EXPECT_LT(keyPixels, kPlotWidth / 2 + 8);
        cairo_surface_destroy(image);
    }
}

TEST_F(GainPlotFile, TheRangeIsALineAndTheSettingsHeadTheCsvWhenShapingIsOn) {
    const std::string keyPath = put("key.wav", makeSignal(2.0, 2, true));
    const std::string in = put("in.wav", makeSignal(2.0, 2, false));
    constexpr int kPlotWidth = PlotLayout::kRight - PlotLayout::kLeft;
    for (double rangeDb : {0.0, 24.0}) {
        DuckOptions options = optionsFor({keyPath}, in, path("out.wav"));
        options.shaping = {rangeDb, 100.0, 20.0};
        options.plotPath = path("plot.png");
        options.gainCsvPath = path("gain.csv");
        ASSERT_EQ(runDuckJob(options, false).exitStatus, 0);
        cairo_surface_t* image = cairo_image_surface_create_from_png(options.plotPath.c_str());
        cairo_surface_flush(image);
        const int rangeY = static_cast<int>(std::lround(plotLayoutFor(-48.0, 2.0).yForDb(-rangeDb)));
        const int onLine = std::max(countInRow(image, rangeY - 1, GainPlot::kRangeColor),
                                    countInRow(image, rangeY, GainPlot::kRangeColor));
        if (rangeDb > 0.0) {
            EXPECT_GT(onLine, kPlotWidth / 2) << "a dashed line across at the range";
        } else {
            EXPECT_LT(onLine, kPlotWidth / 10) << "no range, no line";
        }
        cairo_surface_destroy(image);
        std::ifstream csv(options.gainCsvPath);
        std::string first;
        std::getline(csv, first);
        EXPECT_EQ(first, rangeDb > 0.0 ? "# threshold_db=-48.0,attack_ms=78.9,release_ms=39.4,hold_ms=100,"
                                         "lookahead_ms=20,range_db=24.0"
                                       : "# threshold_db=-48.0,attack_ms=78.9,release_ms=39.4,hold_ms=100,"
                                         "lookahead_ms=20,range_db=none");
    }
}

TEST(GainPlotLayout, LevelsAndTimesMapIntoTheFrame) {
    const PlotLayout layout = plotLayoutFor(-30.0, 600.0);
    EXPECT_EQ(layout.floorDb, -60.0);
    EXPECT_EQ(layout.yForDb(0.0), PlotLayout::kTop);
    EXPECT_EQ(layout.yForDb(-60.0), PlotLayout::kBottom);
    EXPECT_EQ(layout.yForDb(-500.0), PlotLayout::kBottom);
    EXPECT_EQ(layout.xForSeconds(0.0), PlotLayout::kLeft);
    EXPECT_EQ(layout.xForSeconds(600.0), PlotLayout::kRight);
    EXPECT_EQ(plotLayoutFor(-96.0, 1.0).floorDb, -120.0);
}

}  // namespace
}  // namespace qmduck::test
