#include "cli/ducking/GainPlot.h"

#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace qmduck {
namespace {

constexpr int kPlotWidth = PlotLayout::kRight - PlotLayout::kLeft;

void setColor(cairo_t* cr, const double (&rgb)[3], double alpha = 1.0) {
    cairo_set_source_rgba(cr, rgb[0], rgb[1], rgb[2], alpha);
}

// "m:ss", minutes unbounded.
std::string clockText(double seconds) {
    const long whole = std::lround(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

void drawText(cairo_t* cr, double x, double y, const std::string& text, double size, double alignX = 0.0) {
    cairo_set_font_size(cr, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    cairo_move_to(cr, x - alignX * extents.x_advance, y);
    cairo_show_text(cr, text.c_str());
}

// A tick spacing in seconds that gives at most ten ticks.
double timeStep(double durationSeconds) {
    constexpr double steps[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1200, 1800, 3600, 7200};
    for (double step : steps) {
        if (durationSeconds / step <= 10.0) return step;
    }
    return std::ceil(durationSeconds / 36000.0) * 3600.0;
}

void drawAxes(cairo_t* cr, const PlotLayout& layout) {
    cairo_set_line_width(cr, 1.0);
    for (double db = 0.0; db >= layout.floorDb - 0.5; db -= 12.0) {
        const double y = std::round(layout.yForDb(db)) + 0.5;
        cairo_set_source_rgb(cr, 0.88, 0.88, 0.88);
        cairo_move_to(cr, PlotLayout::kLeft, y);
        cairo_line_to(cr, PlotLayout::kRight, y);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0.25, 0.25, 0.25);
        drawText(cr, PlotLayout::kLeft - 6, y + 4, std::to_string(static_cast<int>(db)), 11, 1.0);
    }
    const double step = timeStep(layout.durationSeconds);
    for (double t = 0.0; t <= layout.durationSeconds + 1e-9; t += step) {
        const double x = std::round(layout.xForSeconds(t)) + 0.5;
        cairo_set_source_rgb(cr, 0.88, 0.88, 0.88);
        cairo_move_to(cr, x, PlotLayout::kTop);
        cairo_line_to(cr, x, PlotLayout::kBottom);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0.25, 0.25, 0.25);
        drawText(cr, x, PlotLayout::kBottom + 16, clockText(t), 11, 0.5);
    }
    cairo_set_source_rgb(cr, 0.25, 0.25, 0.25);
    cairo_rectangle(cr, PlotLayout::kLeft + 0.5, PlotLayout::kTop + 0.5, kPlotWidth - 1.0,
                    PlotLayout::kBottom - PlotLayout::kTop - 1.0);
    cairo_stroke(cr);
    drawText(cr, PlotLayout::kLeft - 6, PlotLayout::kTop - 8, "dB", 11, 1.0);
    drawText(cr, PlotLayout::kRight, PlotLayout::kBottom + 32, "minutes:seconds", 11, 1.0);
}

void drawLegend(cairo_t* cr, double thresholdDb, double rangeDb) {
    char threshold[64];
    std::snprintf(threshold, sizeof threshold, "threshold %.1f dB", thresholdDb);
    char range[64];
    std::snprintf(range, sizeof range, "range -%.1f dB", rangeDb);
    struct Entry {
        const double (*rgb)[3];
        std::string text;
    };
    std::vector<Entry> entries = {{&GainPlot::kKeyColor, "key level"}, {&GainPlot::kThresholdColor, threshold}};
    if (rangeDb > 0.0) entries.push_back({&GainPlot::kRangeColor, range});
    entries.push_back({&GainPlot::kGainColor, "gain"});
    // Right-aligned: a swatch, its text, a gap; entry after entry.
    cairo_set_font_size(cr, 12);
    double width = 0.0;
    for (const Entry& entry : entries) {
        cairo_text_extents_t extents;
        cairo_text_extents(cr, entry.text.c_str(), &extents);
        width += 24 + extents.x_advance + 24;
    }
    double x = PlotLayout::kRight - width + 24;
    for (const Entry& entry : entries) {
        setColor(cr, *entry.rgb);
        cairo_rectangle(cr, x, 18, 18, 10);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
        cairo_text_extents_t extents;
        cairo_text_extents(cr, entry.text.c_str(), &extents);
        drawText(cr, x + 24, 28, entry.text, 12);
        x += 24 + extents.x_advance + 24;
    }
}

cairo_status_t writeToDescriptor(void* closure, const unsigned char* data, unsigned int length) {
    const int descriptor = *static_cast<int*>(closure);
    while (length > 0) {
        const ssize_t written = ::write(descriptor, data, length);
        if (written <= 0) return CAIRO_STATUS_WRITE_ERROR;
        data += written;
        length -= static_cast<unsigned int>(written);
    }
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

double PlotLayout::yForDb(double db) const {
    const double clamped = std::clamp(db, floorDb, 0.0);
    return kTop + (kBottom - kTop) * (clamped / floorDb);
}

double PlotLayout::xForSeconds(double seconds) const {
    return kLeft + kPlotWidth * std::clamp(seconds / durationSeconds, 0.0, 1.0);
}

PlotLayout plotLayoutFor(double thresholdDb, double durationSeconds) {
    PlotLayout layout;
    layout.floorDb = std::min(-60.0, 12.0 * std::floor((thresholdDb - 18.0) / 12.0));
    layout.durationSeconds = durationSeconds > 0.0 ? durationSeconds : 1.0;
    return layout;
}

GainPlot::GainPlot(double durationSeconds, double thresholdDb, std::string title)
    : plotLayout(plotLayoutFor(thresholdDb, durationSeconds)), thresholdDb(thresholdDb), title(std::move(title)) {
    // One column per pixel, or per 10 ms when the file is shorter than the picture is wide.
    const auto pieces = static_cast<std::size_t>(std::ceil(plotLayout.durationSeconds * 100.0));
    columns.resize(std::clamp<std::size_t>(pieces, 1, kPlotWidth));
}

void GainPlot::setDetails(std::string subtitleText, double newRangeDb, double newKeyAheadSeconds) {
    subtitle = std::move(subtitleText);
    rangeDb = newRangeDb;
    keyAheadSeconds = newKeyAheadSeconds;
}

std::size_t GainPlot::columnAt(double endSeconds) const {
    // A point stands for the 10 ms before its end.
    const double middle = std::max(0.0, endSeconds - 0.005) / plotLayout.durationSeconds;
    return std::min(columns.size() - 1, static_cast<std::size_t>(std::max(0.0, middle) * columns.size()));
}

void GainPlot::add(const TracePoint& point) {
    Column& column = columns[columnAt(point.endSeconds)];
    column.lowestGainDb = column.filled ? std::min(column.lowestGainDb, point.gainDb) : point.gainDb;
    column.filled = true;
    addKeyLevel(point.endSeconds + keyAheadSeconds, point.keyLevelDb);
}

void GainPlot::addKeyLevel(double endSeconds, double keyLevelDb) {
    Column& column = columns[columnAt(endSeconds)];
    column.keyLevelDb = std::max(column.keyLevelDb, keyLevelDb);
}

bool GainPlot::write(int descriptor, std::string& error) const {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, PlotLayout::kWidth, PlotLayout::kHeight);
    cairo_t* cr = cairo_create(surface);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_paint(cr);
    drawAxes(cr, plotLayout);

    const double columnWidth = static_cast<double>(kPlotWidth) / static_cast<double>(columns.size());
    setColor(cr, kKeyColor);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].keyLevelDb <= kLowestDb) continue;
        const double top = plotLayout.yForDb(columns[i].keyLevelDb);
        cairo_rectangle(cr, PlotLayout::kLeft + i * columnWidth, top, columnWidth, PlotLayout::kBottom - top);
    }
    cairo_fill(cr);

    setColor(cr, kGainColor);
    cairo_set_line_width(cr, 2.0);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (!columns[i].filled) continue;
        cairo_line_to(cr, PlotLayout::kLeft + (i + 0.5) * columnWidth, plotLayout.yForDb(columns[i].lowestGainDb));
    }
    cairo_stroke(cr);

    const double thresholdY = std::round(plotLayout.yForDb(thresholdDb));
    const double dashes[] = {10.0, 5.0};
    setColor(cr, kThresholdColor);
    cairo_set_dash(cr, dashes, 2, 0.0);
    cairo_set_line_width(cr, 2.0);
    cairo_move_to(cr, PlotLayout::kLeft, thresholdY);
    cairo_line_to(cr, PlotLayout::kRight, thresholdY);
    cairo_stroke(cr);
    if (rangeDb > 0.0) {
        const double rangeY = std::round(plotLayout.yForDb(-rangeDb));
        setColor(cr, kRangeColor);
        cairo_move_to(cr, PlotLayout::kLeft, rangeY);
        cairo_line_to(cr, PlotLayout::kRight, rangeY);
        cairo_stroke(cr);
    }
    cairo_set_dash(cr, nullptr, 0, 0.0);

    drawLegend(cr, thresholdDb, rangeDb);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    drawText(cr, PlotLayout::kLeft, 28, title, 14);
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    drawText(cr, PlotLayout::kLeft, 42, subtitle, 11);

    const cairo_status_t status = cairo_surface_write_to_png_stream(surface, writeToDescriptor, &descriptor);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    const bool closed = close(descriptor) == 0;
    if (status != CAIRO_STATUS_SUCCESS || !closed) {
        error = status != CAIRO_STATUS_SUCCESS ? cairo_status_to_string(status) : "cannot close";
        return false;
    }
    return true;
}

}  // namespace qmduck
