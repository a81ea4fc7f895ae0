// What the fuzzers of the reading layer and the command line found, kept: files that change
// their shape midway or cannot tell their length, read as the tool reads an input and a key, and
// command lines with empty arguments.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cli/DuckOptions.h"
#include "cli/SoundFiles.h"
#include "cli/SoundFixtures.h"

namespace qmduck::test {
namespace {

using HostileInput = SoundFolder;

// Runs `commands` in the test's folder (sh, with ffmpeg quiet and never asking).
bool make(const std::string& folder, const std::string& commands) {
    const std::string script = "cd '" + folder + "' && ff() { ffmpeg -nostdin -loglevel error -y \"$@\"; } && " + commands;
    return std::system(script.c_str()) == 0;
}

// Reads the whole file as the tool does, in its blocks; -1 on a read error.
std::int64_t readAll(SoundReader& reader) {
    std::vector<float> left(65536);
    std::vector<float> right(left.size());
    std::int64_t total = 0;
    for (std::int64_t got; (got = reader.read(left.data(), right.data(), std::ssize(left))) != 0; total += got) {
        if (got < 0) return -1;
    }
    return total;
}

TEST_F(HostileInput, FilesThatChangeMidwayOrHideTheirLengthAreReadWhole) {
    const std::string tone = "-f lavfi -i sine=f=440:d=0.25:r=";
    const std::string twoTones = "-f lavfi -i aevalsrc=sin(440*2*PI*t)|sin(660*2*PI*t):d=0.25:s=";
    struct Case {
        const char* what;
        std::string commands;
        const char* file;
        // 0: read as the input; otherwise as a key resampled to this rate.
        int keyRateHz;
        int channels;
        // The seconds read, within 10 %.
        double seconds;
    } cases[] = {
        {"stereo, then mono (FFmpeg)",
         "ff " + twoTones + "16000 -c:a libmp3lame a.mp3 && ff " + tone + "16000 -c:a libmp3lame b.mp3 && " +
             "cat a.mp3 b.mp3 > j.mp3 && ff -i j.mp3 -c copy j.mka",
         "j.mka", 0, 2, 0.5},
        {"stereo, then mono, as a key", "", "j.mka", 44100, 2, 0.5},
        {"16 kHz, then 22.05 kHz (FFmpeg)",
         "ff " + tone + "16000 -c:a libmp3lame a.mp3 && ff " + tone + "22050 -c:a libmp3lame b.mp3 && " +
             "cat a.mp3 b.mp3 > r.mp3 && ff -i r.mp3 -c copy r.mka",
         "r.mka", 0, 1, 0.5},
        {"Ogg Vorbis cut short (libsndfile), as a key",
         "ff " + tone + "16000 -c:a libvorbis v.ogg && head -c -300 v.ogg > cut.ogg", "cut.ogg", 48000, 1, 0.25},
        {"Ogg Vorbis cut short, as the input", "", "cut.ogg", 0, 1, 0.25},
    };
    for (const Case& c : cases) {
        if (!c.commands.empty()) ASSERT_TRUE(make(folder.string(), c.commands)) << c.what;
        SoundReader reader(path(c.file));
        ASSERT_TRUE(reader.isOpen()) << c.what << ": " << reader.error();
        EXPECT_EQ(reader.channels(), c.channels) << c.what;
        const int rateHz = c.keyRateHz != 0 ? c.keyRateHz : reader.sampleRateHz();
        if (c.keyRateHz != 0) ASSERT_TRUE(reader.resampleTo(c.keyRateHz)) << c.what << ": " << reader.error();
        // A length that cannot be told is none, never a guess beyond the file.
        EXPECT_LT(reader.expectedFrames(), 2 * c.seconds * rateHz) << c.what;
        const std::int64_t frames = readAll(reader);
        ASSERT_GE(frames, 0) << c.what << ": " << reader.error();
        EXPECT_NEAR(static_cast<double>(frames) / rateHz, c.seconds, 0.1 * c.seconds) << c.what;
    }
}

TEST(HostileCommandLine, EmptyArgumentsAreUsageErrorsThatSayWhat) {
    struct Case {
        std::vector<std::string> arguments;
        const char* mentions;
    } cases[] = {
        {{"--key", "k.wav", "", "-o", "out.wav"}, "INPUT: needs a file name"},
        {{"--key", "k.wav", "in.wav", "-o", ""}, "-o: needs"},
        {{"--key", "", "in.wav", "-o", "out.wav"}, "--key: needs"},
        {{"", "--key", "k.wav", "-o", "out.wav"}, "INPUT: needs a file name"},
    };
    for (const Case& c : cases) {
        const ParseResult result = parseArguments(c.arguments);
        EXPECT_EQ(result.action, ParseAction::UsageError) << c.mentions;
        EXPECT_NE(result.error.find(c.mentions), std::string::npos) << result.error;
    }
}

}  // namespace
}  // namespace qmduck::test
