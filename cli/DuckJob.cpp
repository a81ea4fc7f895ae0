#include "cli/DuckJob.h"

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "cli/ducking/DuckStream.h"
#include "cli/ducking/TraceFiles.h"
#include "cli/finishing/FinishPlan.h"
#include "cli/reading/StandardInput.h"
#include "cli/writing/EpisodeTags.h"
#include "cli/writing/FfmpegEncoder.h"
#include "cli/writing/FlacCover.h"
#include "cli/writing/OutputChecks.h"
#include "cli/writing/OutputFormat.h"
#include "cli/writing/PendingFile.h"
#include "cli/writing/SplitEncoder.h"

namespace qmduck {
namespace {

JobResult failed(const std::string& message, int exitStatus = 1) { return {exitStatus, message, {}}; }

// What the readers had to say of INPUT and the keys (channels mixed down), joined.
std::string readingRemarks(const DuckOptions& options, const Sources& sources) {
    std::string text = sources.input->remark();
    for (const std::string& path : options.keyPaths) {
        const std::string remark = SoundReader(path).remark();
        if (!remark.empty()) text += (text.empty() ? "" : "; ") + remark;
    }
    return text;
}

// Whether the file at `path` yields at least one frame; one that cannot be read is left to the
// reading pass to report.
bool hasSamples(const std::string& path) {
    SoundReader reader(path);
    if (!reader.isOpen()) return true;
    float left = 0.0f;
    float right = 0.0f;
    return reader.read(&left, &right, 1) != 0;
}

// The options with standard input kept as a file where INPUT or a key is "-".
std::string resolveStandardInput(DuckOptions& options) {
    for (std::string* path : {&options.inputPath}) {
        if (*path != kStandardStream) continue;
        std::string error;
        *path = standardInputPath(error);
        if (!error.empty()) return error;
    }
    for (std::string& key : options.keyPaths) {
        if (key != kStandardStream) continue;
        std::string error;
        key = standardInputPath(error);
        if (!error.empty()) return error;
    }
    return {};
}

// Opens the input and the keys for one pass and reads the keys the look-ahead ahead; `seen`
// gets those first frames.
std::string openSources(const DuckOptions& options, Sources& sources, std::int64_t lookaheadFrames,
                        const std::function<void(const float*, const float*, std::int32_t)>& seen) {
    sources.input = std::make_unique<SoundReader>(options.inputPath);
    SoundReader& input = *sources.input;
    if (!input.isOpen()) return options.inputPath + ": cannot open: " + input.error();
    std::vector<std::unique_ptr<SoundReader>> keys;
    for (const std::string& path : options.keyPaths) {
        auto key = std::make_unique<SoundReader>(path);
        if (!key->isOpen()) return path + ": cannot open: " + key->error();
        // A key at another rate is resampled to the input's, which the output keeps.
        if (!key->resampleTo(input.sampleRateHz())) return path + ": " + key->error();
        keys.push_back(std::move(key));
    }
    sources.keys = std::make_unique<KeyMix>(std::move(keys), kBlockFrames);
    sources.mixKeys = std::make_unique<KeyDelay>(lookaheadFrames);
    const auto ahead = [&](const float* left, const float* right, std::int32_t frames) {
        sources.mixKeys->prime(left, right, frames);
        if (seen) seen(left, right, frames);
    };
    if (!sources.keys->skip(lookaheadFrames, ahead)) return sources.keys->error();
    return {};
}

// The writing pass into a split M4A: a second pass over the same files, beside this one, feeds the
// later stretch's encoder. The bar shows what both encoders have done; the first error wins (the
// other pass is stopped by it).
std::string writeSplit(FinishPlan& plan, const DuckOptions& options, Sources& sources, qm::StreamDucker& engine,
                       SplitEncoder& split, const std::vector<TraceSink*>& traces, int channels, int rateHz,
                       std::int64_t lookaheadFrames, ProgressBar& progress, bool checked) {
    Sources secondSources;
    if (std::string problem = openSources(options, secondSources, lookaheadFrames, {}); !problem.empty()) return problem;
    qm::StreamDucker secondEngine = fileDucker(static_cast<float>(rateHz), options.parameters, options.shaping);
    ProgressBar quietFirst(stderr, false, 0, rateHz);
    ProgressBar quietSecond(stderr, false, 0, rateHz);
    split.reportTo([&progress](std::int64_t frames) { progress.update(frames); });
    enum Pass { None, First, Second };
    std::atomic<int> failedFirst{None};
    const auto stop = [&](Pass pass) {
        int none = None;
        failedFirst.compare_exchange_strong(none, pass);
        split.cancel();
    };
    std::string secondProblem;
    std::thread beside([&] {
        secondProblem = plan.writeAlongside(options, secondSources, secondEngine, split.secondPass(), rateHz,
                                            lookaheadFrames, quietSecond);
        if (!secondProblem.empty()) stop(Second);
    });
    std::string problem =
        plan.write(options, sources, engine, split, traces, channels, rateHz, lookaheadFrames, quietFirst, checked);
    if (!problem.empty()) stop(First);
    beside.join();
    if (failedFirst == Second) return secondProblem;
    if (problem.empty()) progress.finish(split.frames());
    return problem;
}

// The output's channels: the input's, or stereo when a mixed key is stereo.
int outputChannelsFor(const DuckOptions& options, const Sources& sources) {
    if (sources.input->channels() == 2 || !options.finishing.mix) return sources.input->channels();
    for (const std::string& path : options.keyPaths) {
        if (SoundReader(path).channels() == 2) return 2;
    }
    return 1;
}

}  // namespace

JobResult runDuckJob(const DuckOptions& given, bool showProgress,
                     const std::function<void(std::int64_t addedFrames)>& report) {
    DuckOptions options = given;
    if (std::string problem = checkOutputs(given); !problem.empty()) return failed(problem);
    if (std::string problem = resolveStandardInput(options); !problem.empty()) return failed(problem);
    if (!options.allowEmpty && !hasSamples(options.inputPath)) {
        return failed(given.inputPath + ": has no samples; nothing written (--allow-empty writes an empty file)");
    }
    const double lookaheadMs = options.shaping.lookaheadMs;
    Sources sources;
    if (std::string problem = openSources(options, sources, 0, {}); !problem.empty()) return failed(problem);
    const int rateHz = sources.input->sampleRateHz();
    const int channels = outputChannelsFor(options, sources);
    const std::int64_t lookaheadFrames = std::llround(lookaheadMs * rateHz / 1000.0);

    const OutputChoice output = chooseOutput(options, sources.input->format(), channels, rateHz);
    if (!output.error.empty()) return failed(output.error, output.usageError ? 2 : 1);
    std::string coverProblem;
    Tags tags = tagsForOutput(options, coverProblem);
    if (!coverProblem.empty()) return failed(coverProblem);
    const std::string coverNote = coverLeftOut(output.encoded, tags, output.format);
    std::string remarks = readingRemarks(options, sources);
    if (!coverNote.empty()) remarks += (remarks.empty() ? "" : "; ") + coverNote;
    if (!coverNote.empty()) tags.cover.clear();
    // libsndfile writes FLAC without the picture block; it is added to the finished file.
    const bool flacCover = output.encoded == EncodedType::None &&
                           (output.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC && !tags.cover.empty();

    FinishPlan plan(options.finishing, output.encoded);
    const auto openPass = [&](const std::function<void(const float*, const float*, std::int32_t)>& seen) {
        sources = Sources{};
        return openSources(options, sources, lookaheadFrames, seen);
    };
    // One bar for the job: the measuring pass's part sized by its cost against the writing pass's.
    ProgressBar progress(stderr, showProgress, sources.input->expectedFrames(), rateHz);
    if (report) progress.reportTo(report);
    const double measuredShare = plan.needsMeasuring() ? 1.0 / (1.0 + FinishPlan::writingCost(output.encoded)) : 0.0;
    const std::string outputName =
        options.outputPath == kStandardStream ? "standard output" : std::filesystem::path(options.outputPath).filename().string();
    if (plan.needsMeasuring()) {
        if (std::string problem = openPass({}); !problem.empty()) return failed(problem);
        progress.startPass("measuring", 0.0, measuredShare);
        if (std::string problem = plan.measure(options, sources, channels, progress); !problem.empty()) {
            return failed(plan.usageError() ? problem : options.outputPath + ": " + problem, plan.usageError() ? 2 : 1);
        }
    }

    bool splitAllowed = true;
    for (int attempt = 0;; ++attempt) {
        PendingFile outputFile(options.outputPath);
        if (!outputFile.isOpen()) return failed(options.outputPath + ": " + outputFile.error());
        // An encoded result is decoded again and measured while it is encoded.
        const bool checked = output.encoded != EncodedType::None && plan.needsVerifying();
        EncodedCheck check;
        EncodedCheck* checking = checked ? &check : nullptr;
        const std::int64_t splitFrame =
            splitAllowed ? SplitEncoder::splitFrameFor(output.encoded, sources.input->expectedFrames(), rateHz) : 0;
        std::unique_ptr<AudioSink> sink;
        SplitEncoder* split = nullptr;
        if (splitFrame > 0) {
            auto halves = std::make_unique<SplitEncoder>(outputFile.takeDescriptor(), output.encoded, channels, rateHz,
                                                         options.finishing.bitrateKbps, tags, checking, splitFrame);
            split = halves.get();
            sink = std::move(halves);
        } else {
            sink = openSink(output, outputFile.takeDescriptor(), channels, rateHz, options.finishing.bitrateKbps, tags,
                            checking);
        }
        if (!sink->error().empty()) return failed(options.outputPath + ": cannot write: " + sink->error());
        const double seconds = static_cast<double>(std::max<std::int64_t>(sources.input->expectedFrames(), 0)) / rateHz;
        TraceFiles trace;
        if (std::string problem = trace.open(options, seconds); !problem.empty()) return failed(problem);
        const auto drawAhead = [&](const float* left, const float* right, std::int32_t frames) {
            trace.keySkipped(left, right, frames, rateHz);
        };
        if (std::string problem = openPass(drawAhead); !problem.empty()) return failed(problem);
        qm::StreamDucker engine = fileDucker(static_cast<float>(rateHz), options.parameters, options.shaping);
        progress.startPass("writing " + outputName + (attempt > 0 ? " again" : ""), measuredShare, 1.0);
        std::string problem =
            split != nullptr
                ? writeSplit(plan, options, sources, engine, *split, trace.sinks(), channels, rateHz, lookaheadFrames,
                             progress, checked)
                : plan.write(options, sources, engine, *sink, trace.sinks(), channels, rateHz, lookaheadFrames,
                             progress, checked);
        if (!problem.empty()) {
            progress.clear();
            return failed(problem);
        }
        if (!sink->finish()) {
            // Two MP3 stretches that cannot be joined: the stream is written again, whole.
            if (split != nullptr && split->unjoinable()) {
                splitAllowed = false;
                remarks += std::string(remarks.empty() ? "" : "; ") + "written again whole: its two halves could not be joined";
                --attempt;  // the same attempt, whole: no loudness was measured to correct
                continue;
            }
            return failed(options.outputPath + ": cannot write: " + sink->error());
        }
        if (checked) {
            if (std::string verifyProblem = plan.verify(check); !verifyProblem.empty()) {
                return failed(options.outputPath + ": " + verifyProblem);
            }
        }
        if (plan.wantsAnotherTry(attempt)) continue;
        if (std::string traceProblem = trace.finish(options); !traceProblem.empty()) return failed(traceProblem);
        std::optional<PendingFile> withCover;
        if (flacCover) {
            withCover.emplace(options.outputPath);
            if (std::string coverProblem = addFlacCover(outputFile, *withCover, tags); !coverProblem.empty()) {
                return failed(coverProblem);
            }
        }
        PendingFile& result = withCover ? *withCover : outputFile;
        if (!result.commit()) return failed(result.error());
        if (std::string traceProblem = trace.commit(); !traceProblem.empty()) return failed(traceProblem);
        const std::string note = plan.note();
        return {0, {}, remarks.empty() ? note : note.empty() ? remarks : note + "; " + remarks};
    }
}

}  // namespace qmduck
