// Where the finished episode's time goes: every stage of quellmar-duck --preset podcast to MP3
// (the first pass, the writing pass, the check of the encoded result) run alone, one after the
// other on one thread, over the same files, with the tool's own classes; and the tool's encoding
// path fed the input alone (what ffmpeg's encoding alone does). Wall seconds per stage: their
// sum is the processor time the job needs, which the tool spreads over its threads.
//   quellmar_finish_stages INPUT.wav KEY.wav WORK_FOLDER

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/ducking/DuckStream.h"
#include "cli/finishing/FinishPlan.h"
#include "cli/options/DuckOptions.h"
#include "cli/reading/FfmpegDecoder.h"
#include "cli/writing/FfmpegEncoder.h"

namespace {

using namespace qmduck;
using Clock = std::chrono::steady_clock;

// Seconds per stage, in the order the stages first ran.
class StageClock {
public:
    template <class Work>
    auto time(const std::string& stage, Work&& work) {
        const Clock::time_point start = Clock::now();
        struct Stop {
            StageClock& clock;
            const std::string& stage;
            Clock::time_point start;
            ~Stop() { clock.add(stage, std::chrono::duration<double>(Clock::now() - start).count()); }
        } stop{*this, stage, start};
        return work();
    }
    void print(const char* title) const {
        double total = 0.0;
        std::printf("%s\n", title);
        for (const std::string& stage : order) {
            std::printf("  %-52s %6.2f s\n", stage.c_str(), seconds.at(stage));
            total += seconds.at(stage);
        }
        std::printf("  %-52s %6.2f s\n", "all of it", total);
    }

private:
    void add(const std::string& stage, double value) {
        if (seconds.emplace(stage, 0.0).second) order.push_back(stage);
        seconds[stage] += value;
    }
    std::map<std::string, double> seconds;
    std::vector<std::string> order;
};

struct Buffers {
    std::vector<float> left = std::vector<float>(kBlockFrames), right = left, keyLeft = left, keyRight = left,
                       mixLeft = left, mixRight = left, peaks = left;
};

// Reads, ducks and mixes block by block as the tool does; `after` takes each mixed block.
template <class After>
bool duckAndMix(const DuckOptions& options, StageClock& clock, Buffers& b, After&& after) {
    SoundReader input(options.inputPath);
    std::vector<std::unique_ptr<SoundReader>> readers;
    readers.push_back(std::make_unique<SoundReader>(options.keyPaths.at(0)));
    if (!input.isOpen() || !readers[0]->isOpen()) return false;
    const int rateHz = input.sampleRateHz();
    const std::int64_t lookahead = std::llround(options.shaping.lookaheadMs * rateHz / 1000.0);
    KeyMix keys(std::move(readers), kBlockFrames);
    KeyDelay mixKeys(lookahead);
    keys.skip(lookahead, [&](const float* l, const float* r, std::int32_t n) { mixKeys.prime(l, r, n); });
    qm::StreamDucker engine = fileDucker(static_cast<float>(rateHz), options.parameters, options.shaping);
    for (;;) {
        const std::int64_t got = clock.time("read the input", [&] { return input.read(b.left.data(), b.right.data(), kBlockFrames); });
        if (got <= 0) return got == 0;
        const auto n = static_cast<std::int32_t>(got);
        clock.time("read the keys, delay the mixed keys", [&] {
            keys.fill(b.keyLeft.data(), b.keyRight.data(), n);
            mixKeys.process(b.keyLeft.data(), b.keyRight.data(), n, b.mixLeft.data(), b.mixRight.data());
        });
        clock.time("duck", [&] { engine.process(b.keyLeft.data(), b.keyRight.data(), b.left.data(), b.right.data(), n); });
        clock.time("mix", [&] {
            for (std::int32_t i = 0; i < n; ++i) {
                b.left[static_cast<std::size_t>(i)] += b.mixLeft[static_cast<std::size_t>(i)];
                b.right[static_cast<std::size_t>(i)] += b.mixRight[static_cast<std::size_t>(i)];
            }
        });
        after(n);
    }
}

std::unique_ptr<FfmpegEncoder> openEncoder(const std::string& path, int rateHz) {
    const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return std::make_unique<FfmpegEncoder>(descriptor, EncodedType::Mp3, 2, rateHz, 0, Tags{});
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s INPUT.wav KEY.wav WORK_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string work = argv[3];
    const ParseResult parsed = parseArguments({"--key", argv[2], "--preset", "podcast", argv[1], "-o", work + "/stages.mp3"});
    const DuckOptions& options = parsed.options;
    const int rateHz = SoundReader(options.inputPath).sampleRateHz();
    Buffers b;

    StageClock first;
    LoudnessMeter meter(2, rateHz);
    duckAndMix(options, first, b, [&](std::int32_t n) {
        first.time("measure the loudness (libebur128)", [&] { meter.add(b.left.data(), b.right.data(), n); });
    });
    first.print("The first pass:");

    StageClock writing;
    const double gainDb = options.finishing.loudnessLufs - meter.integratedLufs() + FinishPlan::expectedShiftLu(EncodedType::Mp3, 0);
    const auto gain = static_cast<float>(std::pow(10.0, gainDb / 20.0));
    qm::LimiterSettings limiting;
    limiting.ceilingDb = options.finishing.ceilingDbtp() - FinishPlan::kEstimateMarginDb - FinishPlan::lossyMarginDb(EncodedType::Mp3);
    qm::PeakLimiter limiter(limiting, rateHz);
    qm::TruePeak estimate;
    const std::string written = work + "/stages.mp3";
    std::unique_ptr<FfmpegEncoder> encoder = openEncoder(written, rateHz);
    const std::string encoding = "encode (conversion, LAME, muxer)";
    duckAndMix(options, writing, b, [&](std::int32_t n) {
        writing.time("loudness gain", [&] {
            for (std::int32_t i = 0; i < n; ++i) {
                b.left[static_cast<std::size_t>(i)] *= gain;
                b.right[static_cast<std::size_t>(i)] *= gain;
            }
        });
        writing.time("true-peak estimate alone (part of the limiter)",
                     [&] { estimate.process(b.left.data(), b.right.data(), n, b.peaks.data()); });
        writing.time("limiter, its estimate included", [&] { limiter.process(b.left.data(), b.right.data(), n); });
        writing.time(encoding, [&] { encoder->write(b.left.data(), b.right.data(), n); });
    });
    writing.time("limiter, its estimate included", [&] { limiter.flush(b.left.data(), b.right.data()); });
    writing.time(encoding, [&] { return encoder->write(b.left.data(), b.right.data(), limiter.latencyFrames()) && encoder->finish(); });
    writing.print("The writing pass (the estimate alone is counted twice in all of it):");

    StageClock check;
    FfmpegDecoder decoded(written);
    const auto width = static_cast<std::size_t>(decoded.channels());
    std::vector<float> interleaved(width * kBlockFrames);
    LoudnessMeter decodedMeter(decoded.channels(), decoded.sampleRateHz());
    qm::TruePeak decodedEstimate;
    for (;;) {
        const std::int64_t got = check.time("decode the MP3 (FFmpeg's decoder, as the check does)", [&] {
            const std::int64_t frames = decoded.read(interleaved.data(), kBlockFrames);
            for (std::size_t i = 0; i < static_cast<std::size_t>(std::max<std::int64_t>(frames, 0)); ++i) {
                b.left[i] = interleaved[i * width];
                b.right[i] = interleaved[i * width + width - 1];
            }
            return frames;
        });
        if (got <= 0) break;
        const auto n = static_cast<std::int32_t>(got);
        check.time("measure the loudness (libebur128)", [&] { decodedMeter.add(b.left.data(), b.right.data(), n); });
        check.time("true-peak estimate", [&] { decodedEstimate.process(b.left.data(), b.right.data(), n, b.peaks.data()); });
    }
    check.print("The check of the encoded result (its own thread in the tool):");

    StageClock alone;
    SoundReader input(options.inputPath);
    std::unique_ptr<FfmpegEncoder> bedEncoder = openEncoder(work + "/stages-input.mp3", rateHz);
    for (;;) {
        const std::int64_t got = alone.time("read the input", [&] { return input.read(b.left.data(), b.right.data(), kBlockFrames); });
        if (got <= 0) break;
        alone.time(encoding, [&] { bedEncoder->write(b.left.data(), b.right.data(), got); });
    }
    alone.time(encoding, [&] { return bedEncoder->finish(); });
    alone.print("The tool's encoding path fed the input alone:");
    return 0;
}
