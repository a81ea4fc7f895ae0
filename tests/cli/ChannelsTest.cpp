// More than two channels: folded to the same stereo by ITU-R BS.775 whichever reader decodes
// the file (libsndfile for WAV and FLAC, FFmpeg for M4A), with a message.

#include <gtest/gtest.h>

#include <cmath>

#include "cli/SoundFixtures.h"
#include "cli/ToolRun.h"

namespace qmduck::test {
namespace {

using Channels = SoundFolder;

// Six different tones in the order FL FR FC LFE BL BR.
Sound fiveOne() {
    Sound sound = makeSignal(1.0, 6, false);
    for (std::size_t i = 0; i < sound.samples.size(); ++i) {
        const double t = static_cast<double>(i / 6) / 48000.0;
        sound.samples[i] = static_cast<float>(0.1 * std::sin(2 * M_PI * (200.0 + 100.0 * static_cast<double>(i % 6)) * t));
    }
    return sound;
}

double largestDifference(const Sound& a, const Sound& b) {
    double largest = a.samples.size() == b.samples.size() ? 0.0 : 1.0;
    for (std::size_t i = 0; i < std::min(a.samples.size(), b.samples.size()); ++i) {
        largest = std::max(largest, static_cast<double>(std::fabs(a.samples[i] - b.samples[i])));
    }
    return largest;
}

TEST_F(Channels, SixChannelsFromEveryReaderGiveTheSameStereo) {
    const Sound wide = fiveOne();
    put("in.wav", wide);
    Sound flac = wide;
    flac.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
    put("in.flac", flac);
    ASSERT_EQ(runShell(folder.string(), "ffmpeg -nostdin -v error -i in.wav -c:a aac -b:a 384k in.m4a && "
                                        "ffmpeg -nostdin -v error -i in.m4a -c:a pcm_f32le decoded.wav").status, 0);
    Sound silence = makeSignal(1.0, 1, false);
    for (float& s : silence.samples) s = 0.0f;
    put("key.wav", silence);
    // BS.775: L = FL + 0.707 FC + 0.707 BL, R = FR + 0.707 FC + 0.707 BR, the LFE left out.
    const auto fold = [](const Sound& six) {
        Sound two;
        const double k = std::sqrt(0.5);
        for (std::int64_t f = 0; f < six.frames(); ++f) {
            const float* s = &six.samples[static_cast<std::size_t>(f * 6)];
            two.samples.push_back(static_cast<float>(s[0] + k * s[2] + k * s[4]));
            two.samples.push_back(static_cast<float>(s[1] + k * s[2] + k * s[5]));
        }
        return two;
    };
    struct Case {
        const char* input;
        Sound expected;
        double tolerance;
    } cases[] = {{"in.wav", fold(wide), 1e-6}, {"in.flac", fold(readSound(path("in.flac"))), 1e-6},
                 {"in.m4a", fold(readSound(path("decoded.wav"))), 1e-5}};
    for (const Case& c : cases) {
        const ToolRun run = runTool(folder.string(), std::string("--key key.wav ") + c.input + " -o out.wav --format wav:float");
        ASSERT_EQ(run.status, 0) << c.input << "\n" << run.err;
        EXPECT_NE(run.err.find(std::string(c.input) + ": its 6 channels are mixed down to stereo"), std::string::npos)
            << run.err;
        const Sound out = readSound(path("out.wav"));
        EXPECT_EQ(out.channels, 2) << c.input;
        EXPECT_LT(largestDifference(out, c.expected), c.tolerance) << c.input;
    }
}

}  // namespace
}  // namespace qmduck::test
