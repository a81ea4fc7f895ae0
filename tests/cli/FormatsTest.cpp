// Files libsndfile cannot carry or read: an MP3 written as WAV, M4A and the audio of an MP4
// video decoded by FFmpeg's libraries, a key at 44.1 kHz under a 48 kHz input.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "cli/DuckJob.h"
#include "cli/SoundFixtures.h"

namespace qmduck::test {
namespace {

using Formats = SoundFolder;

bool runFfmpeg(const std::string& arguments) {
    return std::system(("ffmpeg -nostdin -loglevel error -y " + arguments).c_str()) == 0;
}

double largestDifference(const Sound& a, const Sound& b) {
    double largest = 0.0;
    for (std::size_t i = 0; i < std::min(a.samples.size(), b.samples.size()); ++i) {
        largest = std::max(largest, static_cast<double>(std::fabs(a.samples[i] - b.samples[i])));
    }
    return largest;
}

TEST_F(Formats, CompressedAndVideoFilesAreDuckedLikeTheirDecodedSamples) {
    const std::string key = put("key.wav", makeSignal(3.0, 2, true));
    Sound mp3 = makeSignal(3.0, 2, false);
    mp3.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    put("in.mp3", mp3);
    ASSERT_TRUE(runFfmpeg("-i " + put("music.wav", makeSignal(3.0, 2, false)) + " -c:a aac " + path("in.m4a")));
    ASSERT_TRUE(runFfmpeg("-f lavfi -i testsrc=d=3:s=64x48 -f lavfi -i sine=f=300:d=3:r=48000 -c:v mpeg4 -c:a aac " +
                          path("in.mp4")));
    struct Case {
        const char* input;
        const char* output;
        int format;
    } cases[] = {
        {"in.mp3", "from-mp3.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        {"in.m4a", "from-m4a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
        {"in.mp4", "from-mp4.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24},
    };
    for (const Case& c : cases) {
        // The reference: FFmpeg's own decoding of the same file, as float WAV, ducked alike.
        ASSERT_TRUE(runFfmpeg("-i " + path(c.input) + " -vn -c:a pcm_f32le " + path("decoded.wav")));
        ASSERT_EQ(runDuckJob(optionsFor({key}, path("decoded.wav"), path("reference.wav")), false).exitStatus, 0);
        const JobResult result = runDuckJob(optionsFor({key}, path(c.input), path(c.output)), false);
        ASSERT_EQ(result.exitStatus, 0) << c.input << ": " << result.message;
        const Sound output = readSound(path(c.output));
        const Sound reference = readSound(path("reference.wav"));
        EXPECT_EQ(output.format, c.format) << c.input;
        EXPECT_EQ(output.sampleRateHz, 48000) << c.input;
        EXPECT_EQ(output.frames(), reference.frames()) << c.input;
        // libsndfile decodes MP3 with mpg123, FFmpeg with its own decoder: a few float ulps apart.
        EXPECT_LT(largestDifference(output, reference), 1e-5) << c.input;
    }
}

TEST_F(Formats, AKeyAtAnotherRateIsResampledAndTheInputKeepsItsRate) {
    const Sound input = makeSignal(3.0, 2, false);
    const std::string in = put("in.wav", input);
    const std::string key48 = put("key48.wav", makeSignal(3.0, 2, true, 48000));
    const std::string key44 = put("key44.wav", makeSignal(3.0, 2, true, 44100));
    ASSERT_EQ(runDuckJob(optionsFor({key48}, in, path("by48.wav")), false).exitStatus, 0);
    const JobResult result = runDuckJob(optionsFor({key44}, in, path("by44.wav")), false);
    ASSERT_EQ(result.exitStatus, 0) << result.message;
    const Sound by44 = readSound(path("by44.wav"));
    EXPECT_EQ(by44.sampleRateHz, 48000);
    EXPECT_EQ(by44.frames(), input.frames());
    EXPECT_NE(by44.samples, input.samples) << "the resampled key ducked nothing";
    EXPECT_LT(largestDifference(by44, readSound(path("by48.wav"))), 0.05);
}

}  // namespace
}  // namespace qmduck::test
