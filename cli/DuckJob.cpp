#include "cli/DuckJob.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "cli/DuckEngine.h"
#include "cli/GainPlot.h"
#include "cli/IoWorker.h"
#include "cli/KeyMix.h"
#include "cli/OutputFormat.h"
#include "cli/PendingFile.h"
#include "cli/ProgressBar.h"
#include "cli/SoundFiles.h"

namespace qmduck {
namespace {

JobResult failed(const std::string& message, int exitStatus = 1) { return {exitStatus, message}; }

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error)) return true;
    const auto normal = [](const std::string& path) {
        std::error_code ignored;
        return std::filesystem::weakly_canonical(std::filesystem::absolute(path, ignored), ignored);
    };
    return normal(a) == normal(b);
}

std::string checkChannels(const SoundReader& file) {
    if (file.channels() == 1 || file.channels() == 2) return {};
    return file.path() + ": " + std::to_string(file.channels()) + " channels; only mono and stereo can be read";
}

// Opens the keys and checks them against the input.
std::string openKeys(const DuckOptions& options, const SoundReader& input,
                     std::vector<std::unique_ptr<SoundReader>>& keys) {
    for (const std::string& path : options.keyPaths) {
        auto key = std::make_unique<SoundReader>(path);
        if (!key->isOpen()) return path + ": cannot open: " + key->error();
        if (std::string problem = checkChannels(*key); !problem.empty()) return problem;
        // A key at another rate is resampled to the input's, which the output keeps.
        if (!key->resampleTo(input.sampleRateHz())) return path + ": " + key->error();
        keys.push_back(std::move(key));
    }
    return {};
}

// No result may overwrite a file the run reads, nor another result.
std::string checkDistinct(const DuckOptions& options) {
    std::vector<std::string> writes;
    for (const std::string* path : {&options.outputPath, &options.plotPath, &options.gainCsvPath}) {
        if (path->empty()) continue;
        if (sameFile(*path, options.inputPath)) return *path + ": would overwrite the input " + options.inputPath;
        for (const std::string& key : options.keyPaths) {
            if (sameFile(*path, key)) return *path + ": would overwrite the key " + key;
        }
        for (const std::string& other : writes) {
            if (sameFile(*path, other)) return *path + ": is given for two results";
        }
        writes.push_back(*path);
    }
    return {};
}

std::string titleFor(const DuckOptions& options) {
    std::string keys;
    for (const std::string& key : options.keyPaths) {
        keys += (keys.empty() ? "" : " + ") + std::filesystem::path(key).filename().string();
    }
    const bool duck = qm::isDuckMode(options.parameters[qm::ParamDuckKey]);
    std::string title = std::filesystem::path(options.inputPath).filename().string() +
                        (duck ? " ducked by " : " keyed by ") + keys;
    return title.size() > 60 ? title.substr(0, 57) + "..." : title;
}

bool isShaped(const Shaping& shaping) {
    return shaping.rangeDb > 0.0 || shaping.holdMs > 0.0 || shaping.lookaheadMs > 0.0;
}

// The settings in force on one line, as "name value unit" pairs (`separator` between them).
std::string settingsLine(const DuckOptions& options, const char* separator, bool withUnits) {
    const auto& p = options.parameters;
    char text[256];
    const char* format = withUnits
        ? "threshold %.1f dB%sattack %.1f ms%srelease %.1f ms%shold %.0f ms%slook-ahead %.0f ms%srange %s"
        : "threshold_db=%.1f%sattack_ms=%.1f%srelease_ms=%.1f%shold_ms=%.0f%slookahead_ms=%.0f%srange_db=%s";
    char range[32] = "none";
    if (options.shaping.rangeDb > 0.0) std::snprintf(range, sizeof range, withUnits ? "%.1f dB" : "%.1f", options.shaping.rangeDb);
    std::snprintf(text, sizeof text, format, qm::thresholdDbFor(p[qm::ParamThreshold]), separator,
                  static_cast<double>(qm::attackMsFor(p[qm::ParamAttack])), separator,
                  static_cast<double>(qm::releaseMsFor(p[qm::ParamRelease])), separator, options.shaping.holdMs, separator,
                  options.shaping.lookaheadMs, separator, range);
    return text;
}

// One block of the stream: the input's two channels and the keys' sum.
struct Block {
    std::vector<float> samples = std::vector<float>(4 * static_cast<std::size_t>(kBlockFrames));
    float* left() { return samples.data(); }
    float* right() { return samples.data() + kBlockFrames; }
    float* keyLeft() { return samples.data() + 2 * kBlockFrames; }
    float* keyRight() { return samples.data() + 3 * kBlockFrames; }
    std::int32_t frames = 0;
};

// Streams the input through the engine and the trace sinks; the trace has one point per 10 ms.
// While the engine works on one block, a worker thread reads the input of the next and writes the
// previous one; the caller reads the keys of the next block after the engine's work, beside the
// worker. The input and output are touched by the worker alone, the keys, the engine and the
// sinks by the caller alone.
class Stream {
public:
    Stream(SoundReader& input, KeyMix& keys, DuckEngine& engine, SoundWriter& output, ProgressBar& progress)
        : input(input), keys(keys), engine(engine), output(output), progress(progress) {}

    std::vector<TraceSink*> sinks;

    std::string run() {
        std::string ioError = readInto(blocks[0]);
        std::string keyError = ioError.empty() ? fillKeys(blocks[0]) : std::string();
        std::size_t i = 0;
        {
            IoWorker worker;
            for (; ioError.empty() && keyError.empty() && blocks[i % 3].frames > 0; ++i) {
                Block& current = blocks[i % 3];
                Block& next = blocks[(i + 1) % 3];
                Block* previous = i > 0 ? &blocks[(i + 2) % 3] : nullptr;
                worker.start([&, previous] {
                    ioError = readInto(next);
                    if (ioError.empty() && previous != nullptr) ioError = writeFrom(*previous);
                });
                process(current);
                framesDone += current.frames;
                keyError = fillKeys(next);
                worker.wait();
                progress.update(framesDone);
            }
        }
        if (ioError.empty() && keyError.empty() && i > 0) ioError = writeFrom(blocks[(i + 2) % 3]);
        if (!ioError.empty()) return ioError;
        if (!keyError.empty()) return keyError;
        if (!sinks.empty() && framesDone > intervalStart()) emitPoint(framesDone);
        progress.finish(framesDone);
        return {};
    }

private:
    std::string readInto(Block& block) {
        const std::int64_t got = input.read(block.left(), block.right(), kBlockFrames);
        block.frames = static_cast<std::int32_t>(std::max<std::int64_t>(got, 0));
        if (got < 0) return input.path() + ": cannot read: " + input.error();
        return {};
    }

    // The keys of the block after the `framesDone` frames processed so far: as many frames as the
    // input still has, up to a block (the input's length may be unknown, then a whole block).
    std::string fillKeys(Block& block) {
        const std::int64_t left = input.frames() > 0 ? input.frames() - framesDone : kBlockFrames;
        const auto frames = static_cast<std::int32_t>(std::clamp<std::int64_t>(left, 0, kBlockFrames));
        if (frames > 0 && !keys.fill(block.keyLeft(), block.keyRight(), frames)) return keys.error();
        return {};
    }

    std::string writeFrom(Block& block) {
        if (output.write(block.left(), block.right(), block.frames)) return {};
        return "cannot write the output: " + output.error();
    }

    void process(Block& block) {
        if (sinks.empty()) {
            engine.process(block.keyLeft(), block.keyRight(), block.left(), block.right(), block.frames);
        } else {
            processTraced(block.keyLeft(), block.keyRight(), block.left(), block.right(), block.frames);
        }
    }

    // First frame of 10 ms stretch number `interval` (rounded, so that any rate works).
    std::int64_t boundary(std::int64_t interval) const {
        return (interval * input.sampleRateHz() + 50) / 100;
    }
    std::int64_t intervalStart() const { return boundary(interval); }

    void processTraced(float* keyLeft, float* keyRight, float* left, float* right, std::int32_t frames) {
        for (std::int32_t done = 0; done < frames;) {
            const std::int64_t end = boundary(interval + 1);
            const auto piece = static_cast<std::int32_t>(std::min<std::int64_t>(frames - done, end - framesDone - done));
            for (std::int32_t i = done; i < done + piece; ++i) {
                keyPeak = std::max({keyPeak, std::fabs(keyLeft[i]), std::fabs(keyRight[i])});
            }
            engine.process(keyLeft + done, keyRight + done, left + done, right + done, piece);
            done += piece;
            if (framesDone + done == end) emitPoint(end);
        }
    }

    void emitPoint(std::int64_t endFrame) {
        TracePoint point;
        point.endSeconds = static_cast<double>(endFrame) / input.sampleRateHz();
        point.gainDb = std::min(0.0, decibelsOf(engine.lastFrameGain()));
        point.keyLevelDb = decibelsOf(keyPeak);
        for (TraceSink* sink : sinks) sink->add(point);
        keyPeak = 0.0f;
        ++interval;
    }

    SoundReader& input;
    KeyMix& keys;
    DuckEngine& engine;
    SoundWriter& output;
    ProgressBar& progress;
    Block blocks[3];
    std::int64_t framesDone = 0;
    std::int64_t interval = 0;
    float keyPeak = 0.0f;
};

// The CSV file and the plot, when wanted: written under temporary names like the output.
class TraceFiles {
public:
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

}  // namespace

JobResult runDuckJob(const DuckOptions& options, bool showProgress) {
    SoundReader input(options.inputPath);
    if (!input.isOpen()) return failed(options.inputPath + ": cannot open: " + input.error());
    if (std::string problem = checkChannels(input); !problem.empty()) return failed(problem);
    std::vector<std::unique_ptr<SoundReader>> keyReaders;
    if (std::string problem = openKeys(options, input, keyReaders); !problem.empty()) return failed(problem);
    if (std::string problem = checkDistinct(options); !problem.empty()) return failed(problem);

    const FormatChoice format = chooseOutputFormat(options.format, options.outputPath, input.format(),
                                                   input.channels(), input.sampleRateHz());
    if (format.format == 0) return failed(format.usageError ? format.error : options.outputPath + ": " + format.error,
                                          format.usageError ? 2 : 1);

    PendingFile outputFile(options.outputPath);
    if (!outputFile.isOpen()) return failed(options.outputPath + ": " + outputFile.error());
    SoundWriter output(outputFile.takeDescriptor(), format.format, input.channels(), input.sampleRateHz());
    if (!output.isOpen()) return failed(options.outputPath + ": cannot write: " + output.error());

    const double seconds = static_cast<double>(std::max<std::int64_t>(input.expectedFrames(), 0)) / input.sampleRateHz();
    TraceFiles trace;
    if (std::string problem = trace.open(options, seconds); !problem.empty()) return failed(problem);

    KeyMix keys(std::move(keyReaders), kBlockFrames);
    const std::int64_t lookaheadFrames = std::llround(options.shaping.lookaheadMs * input.sampleRateHz() / 1000.0);
    const auto drawSkipped = [&](const float* left, const float* right, std::int32_t frames) {
        trace.keySkipped(left, right, frames, input.sampleRateHz());
    };
    if (!keys.skip(lookaheadFrames, drawSkipped)) return failed(keys.error());
    DuckEngine engine(static_cast<float>(input.sampleRateHz()), options.parameters, options.shaping);
    ProgressBar progress(stderr, showProgress, input.expectedFrames(), input.sampleRateHz());
    Stream stream(input, keys, engine, output, progress);
    stream.sinks = trace.sinks();
    if (std::string problem = stream.run(); !problem.empty()) {
        progress.clear();
        return failed(problem);
    }

    if (!output.finish()) return failed(options.outputPath + ": cannot write: " + output.error());
    if (std::string problem = trace.finish(options); !problem.empty()) return failed(problem);
    if (!outputFile.commit()) return failed(outputFile.error());
    if (std::string problem = trace.commit(); !problem.empty()) return failed(problem);
    return {};
}

}  // namespace qmduck
