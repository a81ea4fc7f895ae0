// An M4A or MP3 encoded in two stretches on two threads plays as one stream: as long as one
// encoder's, as close to it at the split (where a burst starts) as one encoder's file is, and
// checked while it is made as the finished file decodes; an MP3's frames decode without an error
// (each frame's main data where its pointer says). A stream that ends before the second stretch
// mattered is the first encoder's alone. An episode long enough to be split this way reaches its
// target in one writing pass.

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
    struct Case {
        const char* name;
        EncodedType type;
        std::int64_t split;  // a multiple of the codec's frame, 960 frames before a burst starts
        std::int64_t frames;
    };
    constexpr std::int64_t kAacSplit = 599040;  // 585 AAC frames
    constexpr std::int64_t kMp3Split = 599040;  // 520 MP3 frames
    for (const Case& c : {Case{"M4A split", EncodedType::M4a, kAacSplit, 2 * kAacSplit + 777},
                          Case{"M4A ending in the first stretch's run-out", EncodedType::M4a, kAacSplit, kAacSplit + 2000},
                          Case{"MP3 split", EncodedType::Mp3, kMp3Split, 2 * kMp3Split + 777},
                          Case{"MP3 ending in the first stretch's run-out", EncodedType::Mp3, kMp3Split, kMp3Split + 2000}}) {
        SCOPED_TRACE(c.name);
        const std::int64_t kSplit = c.split;
        const Sound sound = chordWithBursts(c.frames);
        const char* extension = c.type == EncodedType::Mp3 ? ".mp3" : ".m4a";
        const std::string whole = path(std::string("whole") + extension);
        const std::string split = path(std::string("split") + extension);
        FfmpegEncoder one(open(whole.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), c.type, 2, 48000, 0, Tags{});
        ASSERT_TRUE(feed(one, sound, 1000) && one.finish()) << one.error();

        EncodedCheck check;
        SplitEncoder two(open(split.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), c.type, 2, 48000, 0, Tags{},
                         &check, kSplit);
        ASSERT_TRUE(two.error().empty()) << two.error();
        bool secondFed = false;
        std::thread beside([&] { secondFed = feed(two.secondPass(), sound, 3001); });
        const bool firstFed = feed(two, sound, 1);
        beside.join();
        ASSERT_TRUE(firstFed && secondFed && two.finish()) << two.error();
        const ToolRun strict = runShell(folder.string(), "ffmpeg -nostdin -v error -err_detect explode -i '" + split + "' -f null -");
        EXPECT_EQ(strict.status, 0) << strict.err;
        EXPECT_EQ(strict.err, "");

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
    ASSERT_GT(SplitEncoder::splitFrameFor(EncodedType::Mp3, kSeconds * 44100, 44100), 0);
    // Not where the second encoder's lead-in would start before the stream does, nor for other
    // types, MP3's MPEG-2 frames (below 32 kHz) or short streams.
    struct Unsplit {
        EncodedType type;
        std::int64_t frames;
        int rateHz;
    };
    for (const auto& [type, frames, rateHz] : {Unsplit{EncodedType::M4a, 90 * 8000, 8000}, Unsplit{EncodedType::M4a, 59 * 48000, 48000},
                                               Unsplit{EncodedType::Mp3, 600 * 24000, 24000}, Unsplit{EncodedType::OggOpus, 600 * 48000, 48000}}) {
        EXPECT_EQ(SplitEncoder::splitFrameFor(type, frames, rateHz), 0) << encodedTypeName(type) << " " << frames;
    }
    for (const auto& [name, codecFrames] : {std::pair{"episode.m4a", 1024}, std::pair{"episode.mp3", 1152}}) {
        const ToolRun run = runTool(folder.string(), std::string("--key voice.wav --preset podcast bed.wav -o ") + name);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.find("written"), std::string::npos) << run.err;
        const Measured m = measureWithFfmpeg(path(name));
        EXPECT_NEAR(m.lufs, -16.0, 0.3) << name;
        EXPECT_LE(m.truePeakDb, -1.0) << name;
        // FFmpeg decodes the last frame's padding too.
        EXPECT_NEAR(decodedSeconds(path(name), 48000), kSeconds, codecFrames / 48000.0) << name;
    }
}

}  // namespace
}  // namespace qmduck::test
