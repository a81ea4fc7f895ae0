#pragma once
// The gain CSV file and the plot of a run, when wanted: written like the output, with no name
// until they are complete.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/ducking/GainPlot.h"
#include "cli/ducking/GainTrace.h"
#include "cli/options/DuckOptions.h"
#include "cli/writing/PendingFile.h"

namespace qmduck {

// The plot's title: the input and what ducks it.
std::string titleFor(const DuckOptions& options);
// Whether any of the tool's shaping is on.
bool isShaped(const Shaping& shaping);
// The settings in force on one line, as "name value unit" pairs (`separator` between them).
std::string settingsLine(const DuckOptions& options, const char* separator, bool withUnits);

class TraceFiles {
public:
    // Opens the files wanted; an error naming the file, or empty. `seconds`: the plot's length.
    std::string open(const DuckOptions& options, double seconds) {
        if (!options.gainCsvPath.empty()) {
            csvFile.emplace(options.gainCsvPath);
            if (!csvFile->isOpen()) return options.gainCsvPath + ": " + csvFile->error();
            // The settings head the file when the tool's shaping is on; otherwise the file stays
            // as it always was.
            csv.emplace(csvFile->takeDescriptor(), isShaped(options.shaping) ? settingsLine(options, ",", false) : "");
        }
        if (!options.plotPath.empty()) {
            plotFile.emplace(options.plotPath);
            if (!plotFile->isOpen()) return options.plotPath + ": " + plotFile->error();
            const double thresholdDb = qm::thresholdDbFor(options.parameters[qm::ParamThreshold]);
            plot.emplace(seconds, thresholdDb, titleFor(options));
            plot->setDetails(settingsLine(options, ", ", true), options.shaping.rangeDb,
                             options.shaping.lookaheadMs / 1000.0);
        }
        return {};
    }

    // The key frames the look-ahead reads before the first gain, at `sampleRateHz`: drawn in the
    // plot at their own time, 10 ms at a time.
    void keySkipped(const float* left, const float* right, std::int32_t frames, int sampleRateHz) {
        if (!plot) return;
        for (std::int32_t i = 0; i < frames; ++i) {
            skippedPeak = std::max({skippedPeak, std::fabs(left[i]), std::fabs(right[i])});
            if (++skippedFrames % std::max(1, sampleRateHz / 100) == 0 || i + 1 == frames) {
                plot->addKeyLevel(static_cast<double>(skippedFrames) / sampleRateHz, decibelsOf(skippedPeak));
                skippedPeak = 0.0f;
            }
        }
    }

    std::vector<TraceSink*> sinks() {
        std::vector<TraceSink*> wanted;
        if (csv) wanted.push_back(&*csv);
        if (plot) wanted.push_back(&*plot);
        return wanted;
    }

    // Completes both files under their temporary names.
    std::string finish(const DuckOptions& options) {
        std::string error;
        if (csv && !csv->finish(error)) return options.gainCsvPath + ": cannot write: " + error;
        if (plot && !plot->write(plotFile->takeDescriptor(), error)) return options.plotPath + ": cannot write: " + error;
        return {};
    }

    std::string commit() {
        for (std::optional<PendingFile>* file : {&csvFile, &plotFile}) {
            if (*file && !(*file)->commit()) return (*file)->error();
        }
        return {};
    }

private:
    // Each writer sits after its file, so that it is closed before the file removes its name.
    std::optional<PendingFile> csvFile;
    std::optional<GainCsvWriter> csv;
    std::optional<PendingFile> plotFile;
    std::optional<GainPlot> plot;
    std::int64_t skippedFrames = 0;
    float skippedPeak = 0.0f;
};


}  // namespace qmduck
