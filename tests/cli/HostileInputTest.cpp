// What the fuzzers of the reading layer and the command line found, kept: files that change
// their shape midway or cannot tell their length, read as the tool reads an input and a key; names
// the system refuses; command lines with empty arguments.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/DuckJob.h"
#include "cli/JobList.h"
#include "cli/SoundFixtures.h"
#include "cli/options/DuckOptions.h"
#include "cli/reading/SoundReader.h"

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

// The frames ffmpeg itself decodes from the file at `rateHz`.
std::int64_t ffmpegFrames(const std::string& path, int rateHz) {
    const std::string command = "ffmpeg -nostdin -loglevel quiet -i '" + path + "' -ac 1 -ar " + std::to_string(rateHz) +
                                " -f f32le - | wc -c";
    std::FILE* pipe = popen(command.c_str(), "r");
    long long bytes = -1;
    if (pipe == nullptr || std::fscanf(pipe, "%lld", &bytes) != 1) bytes = -1;
    if (pipe != nullptr) pclose(pipe);
    return bytes / 4;
}

TEST_F(HostileInput, FilesThatChangeMidwayOrHideTheirLengthAreReadWhole) {
    const auto tone = [](int rateHz) { return "-f lavfi -i sine=f=440:d=0.5:r=" + std::to_string(rateHz); };
    const std::string twoTones = "-f lavfi -i 'aevalsrc=sin(440*2*PI*t)|sin(660*2*PI*t):d=0.5:s=16000'";
    struct Case {
        const char* what;
        std::string commands;
        const char* file;
        // 0: read as the input; otherwise as a key resampled to this rate.
        int keyRateHz;
        int channels;
    } cases[] = {
        {"stereo, then mono (FFmpeg)",
         "ff " + twoTones + " -c:a libmp3lame a.mp3 && ff " + tone(16000) + " -c:a libmp3lame b.mp3 && " +
             "cat a.mp3 b.mp3 > j.mp3 && ff -i j.mp3 -c copy j.mka",
         "j.mka", 0, 2},
        {"stereo, then mono, as a key", "", "j.mka", 44100, 2},
        {"16 kHz, then 22.05 kHz (FFmpeg)",
         "ff " + tone(16000) + " -c:a libmp3lame a.mp3 && ff " + tone(22050) + " -c:a libmp3lame b.mp3 && " +
             "cat a.mp3 b.mp3 > r.mp3 && ff -i r.mp3 -c copy r.mka",
         "r.mka", 0, 1},
        {"Ogg Vorbis cut short (libsndfile), as a key",
         "ff -f lavfi -i sine=f=440:d=3:r=16000 -c:a libvorbis v.ogg && head -c -300 v.ogg > cut.ogg", "cut.ogg",
         48000, 1},
        {"Ogg Vorbis cut short, as the input", "", "cut.ogg", 0, 1},
    };
    for (const Case& c : cases) {
        if (!c.commands.empty()) {
            ASSERT_TRUE(make(folder.string(), c.commands)) << c.what;
        }
        SoundReader reader(path(c.file));
        ASSERT_TRUE(reader.isOpen()) << c.what << ": " << reader.error();
        EXPECT_EQ(reader.channels(), c.channels) << c.what;
        const int rateHz = c.keyRateHz != 0 ? c.keyRateHz : reader.sampleRateHz();
        if (c.keyRateHz != 0) {
            ASSERT_TRUE(reader.resampleTo(c.keyRateHz)) << c.what << ": " << reader.error();
        }
        const std::int64_t reference = ffmpegFrames(path(c.file), rateHz);
        ASSERT_GT(reference, rateHz / 4) << c.what;
        // A length that cannot be told is none, never a guess beyond the file.
        EXPECT_LT(reader.expectedFrames(), 2 * reference) << c.what;
        const std::int64_t frames = readAll(reader);
        ASSERT_GE(frames, 0) << c.what << ": " << reader.error();
        // Within the decoders' and resamplers' own edges: 30 ms.
        EXPECT_NEAR(static_cast<double>(frames), static_cast<double>(reference), 0.03 * rateHz) << c.what;
    }
}

TEST_F(HostileInput, NamesTooLongForTheSystemAreNeverTakenForOneAnother) {
    const std::string longA = path(std::string(300, 'a').append(".wav"));
    const std::string longB = path(std::string(300, 'b').append(".wav"));
    const std::string key = put("key.wav", makeSignal(0.1, 1, true));
    struct Case {
        std::string output;
        std::string input;
        // What the list's check and the job say; empty: the list finds nothing to refuse.
        const char* listSays;
        const char* jobSays;
    } cases[] = {
        {longA, longB, "", "cannot open"},
        {longA, longA, "would overwrite", "would overwrite the input"},
        {path("out.wav"), longB, "", "cannot open"},
    };
    for (const Case& c : cases) {
        ListedJob job;
        job.lineNumber = 1;
        job.outputPath = c.output;
        job.inputPath = c.input;
        job.keyPaths = {key};
        const std::string overwrite = findOverwrites("list.tsv", {job});
        if (c.listSays[0] == '\0') {
            EXPECT_EQ(overwrite, "") << c.input.size() << " " << c.output.size();
        } else {
            EXPECT_NE(overwrite.find(c.listSays), std::string::npos) << overwrite;
        }
        const JobResult result = runDuckJob(optionsFor({key}, c.input, c.output), false);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_NE(result.message.find(c.jobSays), std::string::npos) << result.message;
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
