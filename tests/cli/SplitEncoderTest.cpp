// An M4A encoded in two stretches on two threads plays as one stream: as long as one encoder's, as
// close to it at the split (where a burst starts) as one encoder's file is, and checked while it
// is made as the finished file decodes. A stream that ends before the second stretch mattered is
// the first encoder's alone. An episode long enough to be split this way reaches its target in
// one writing pass.

#include <gtest/gtest.h>

#include <fcntl.h>

#include <algorithm>
#include <cmath>
#include <thread>
#include <vector>

#include "cli/EpisodeFixtures.h"
#include "cli/SoundFixtures.h"
#include "cli/ToolRun.h"
#include "cli/reading/FfmpegDecoder.h"
#include "cli/writing/EncodedCheck.h"
#include "cli/writing/SplitEncoder.h"

namespace qmduck::test {
namespace {

using SplitEncoding = SoundFolder;

// A chord with bursts that start every half second: the encoder switches to short windows there.
Sound chordWithBursts(std::int64_t frames) {
    const Sound chord = makeSignal(static_cast<double>(frames) / 48000.0 + 0.1, 2, false);
    const Sound bursts = makeSignal(static_cast<double>(frames) / 48000.0 + 0.1, 2, true);
    Sound sound;
    sound.samples.resize(static_cast<std::size_t>(frames) * 2);
    for (std::size_t i = 0; i < sound.samples.size(); ++i) sound.samples[i] = 0.5f * (chord.samples[i] + bursts.samples[i]);
    return sound;
}

// Feeds `sink` the whole of `sound` in blocks of changing sizes.
bool feed(AudioSink& sink, const Sound& sound, std::int64_t firstBlock) {
    std::vector<float> left(9000), right(9000);
    for (std::int64_t done = 0, size = firstBlock; done < sound.frames(); size = size * 7 % 8999 + 1) {
        const std::int64_t count = std::min(size, sound.frames() - done);
        for (std::int64_t i = 0; i < count; ++i) {
            left[static_cast<std::size_t>(i)] = sound.samples[static_cast<std::size_t>(2 * (done + i))];
            right[static_cast<std::size_t>(i)] = sound.samples[static_cast<std::size_t>(2 * (done + i) + 1)];
        }
        if (!sink.write(left.data(), right.data(), count)) return false;
        done += count;
    }
    return true;
}

std::vector<float> decodeAll(const std::string& path) {
    FfmpegDecoder decoder(path);
    std::vector<float> decoded, block(2 * 4096);
    for (std::int64_t got; (got = decoder.read(block.data(), 4096)) > 0;) {
        decoded.insert(decoded.end(), block.begin(), block.begin() + 2 * got);
    }
    return decoded;
}

// The root-mean-square difference from `sound` over frames [from, until) (or its end).
double errorRms(const std::vector<float>& decoded, const Sound& sound, std::int64_t from, std::int64_t until) {
    until = std::min(until, sound.frames());
    double sum = 0.0;
    for (auto i = static_cast<std::size_t>(2 * from); i < static_cast<std::size_t>(2 * until); ++i) {
        sum += std::pow(decoded[i] - sound.samples[i], 2);
    }
    return std::sqrt(sum / static_cast<double>(2 * (until - from)));
}

TEST_F(SplitEncoding, PlaysAsOneStreamAndIsCheckedAsItDecodes) {
    constexpr std::int64_t kSplit = 599040;  // 960 frames before a burst starts
    struct Case {
        const char* name;
        std::int64_t frames;
    };
    for (const Case& c : {Case{"split", 2 * kSplit + 777}, Case{"ends in the first stretch's run-out", kSplit + 2000}}) {
        SCOPED_TRACE(c.name);
        const Sound sound = chordWithBursts(c.frames);
        const std::string whole = path("whole.m4a");
        const std::string split = path("split.m4a");
        FfmpegEncoder one(open(whole.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), EncodedType::M4a, 2, 48000,
                          0, Tags{});
        ASSERT_TRUE(feed(one, sound, 1000) && one.finish()) << one.error();

        EncodedCheck check;
        SplitEncoder two(open(split.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), EncodedType::M4a, 2, 48000, 0,
                         Tags{}, &check, kSplit);
        ASSERT_TRUE(two.error().empty()) << two.error();
        bool secondFed = false;
        std::thread beside([&] { secondFed = feed(two.secondPass(), sound, 3001); });
        const bool firstFed = feed(two, sound, 1);
        beside.join();
        ASSERT_TRUE(firstFed && secondFed && two.finish()) << two.error();

        const std::vector<float> fromWhole = decodeAll(whole);
        const std::vector<float> fromSplit = decodeAll(split);
        // As long as one encoder's file (which FFmpeg decodes with the last frame's padding).
        ASSERT_EQ(fromSplit.size(), fromWhole.size());
        ASSERT_GE(fromWhole.size(), sound.samples.size());
        // Around the split the two files are as close to the input as each other; a stretch
        // joined a frame off, or with windows that do not match, misses by the signal itself.
        const double atSplitWhole = errorRms(fromWhole, sound, kSplit - 4096, kSplit + 4096);
        const double atSplit = errorRms(fromSplit, sound, kSplit - 4096, kSplit + 4096);
        EXPECT_LT(atSplit, 1.5 * atSplitWhole) << "whole " << atSplitWhole;
        EXPECT_LT(errorRms(fromSplit, sound, 0, c.frames), 1.2 * errorRms(fromWhole, sound, 0, c.frames));

        LoudnessMeter meter(2, 48000);
        std::vector<float> left(fromSplit.size() / 2), right(fromSplit.size() / 2);
        for (std::size_t i = 0; i < left.size(); ++i) {
            left[i] = fromSplit[2 * i];
            right[i] = fromSplit[2 * i + 1];
        }
        meter.add(left.data(), right.data(), static_cast<std::int32_t>(left.size()));
        EXPECT_NEAR(check.integratedLufs(), meter.integratedLufs(), 0.01);
    }
}

TEST_F(SplitEncoding, AnEpisodeSplitInTwoIsWrittenOnceAtItsTargetAndLength) {
    constexpr int kSeconds = 70;
    ASSERT_TRUE(makeEpisodeMaterial(folder.string(), kSeconds));
    ASSERT_GT(SplitEncoder::splitFrameFor(EncodedType::M4a, kSeconds * 48000, 48000), 0);
    // Not where the second encoder's lead-in would start before the stream does, nor for other
    // types or short streams.
    struct Unsplit {
        EncodedType type;
        std::int64_t frames;
        int rateHz;
    };
    for (const auto& [type, frames, rateHz] : {Unsplit{EncodedType::M4a, 90 * 8000, 8000}, Unsplit{EncodedType::M4a, 59 * 48000, 48000},
                                               Unsplit{EncodedType::Mp3, 600 * 48000, 48000}, Unsplit{EncodedType::OggOpus, 600 * 48000, 48000}}) {
        EXPECT_EQ(SplitEncoder::splitFrameFor(type, frames, rateHz), 0) << encodedTypeName(type) << " " << frames;
    }
    const ToolRun run = runTool(folder.string(), "--key voice.wav --preset podcast bed.wav -o episode.m4a");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("written"), std::string::npos) << run.err;
    const Measured m = measureWithFfmpeg(path("episode.m4a"));
    EXPECT_NEAR(m.lufs, -16.0, 0.3);
    EXPECT_LE(m.truePeakDb, -1.0);
    // FFmpeg decodes the last frame's padding too.
    EXPECT_NEAR(decodedSeconds(path("episode.m4a"), 48000), kSeconds, 1024.0 / 48000);
}

}  // namespace
}  // namespace qmduck::test
