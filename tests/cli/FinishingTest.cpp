// The finished episode: the mix, the loudness and true peak (as ffmpeg's own ebur128 filter
// measures them), the encoded types read back by ffprobe, pipes, and the refusals.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "cli/DuckJob.h"
#include "cli/SoundFixtures.h"
#include "cli/ToolRun.h"

namespace qmduck::test {
namespace {

using Finishing = SoundFolder;

TEST_F(Finishing, TheMixIsTheDuckedInputPlusTheKeysAtTheirGains) {
    const Sound input = makeSignal(2.0, 2, false);
    const Sound key = makeSignal(2.0, 1, true);
    const std::string in = put("in.wav", input);
    const std::string keyPath = put("key.wav", key);
    for (auto [inputDb, keyDb] : {std::pair{0.0, 0.0}, std::pair{-6.0, 3.0}}) {
        DuckOptions ducked = optionsFor({keyPath}, in, path("ducked.wav"));
        ducked.shaping.lookaheadMs = 30.0;
        ASSERT_EQ(runDuckJob(ducked, false).exitStatus, 0);
        DuckOptions mixed = ducked;
        mixed.outputPath = path("mixed.wav");
        mixed.finishing.mix = true;
        mixed.finishing.inputGainDb = inputDb;
        mixed.finishing.keyGainDb = keyDb;
        ASSERT_EQ(runDuckJob(mixed, false).exitStatus, 0);
        const Sound a = readSound(path("ducked.wav"));
        const Sound b = readSound(path("mixed.wav"));
        ASSERT_EQ(a.samples.size(), b.samples.size());
        const double inputGain = std::pow(10.0, inputDb / 20.0);
        const double keyGain = std::pow(10.0, keyDb / 20.0);
        double worst = 0.0;
        for (std::size_t i = 0; i < b.samples.size(); ++i) {
            // The mono key on both sides, at its own time despite the look-ahead.
            const double expected = inputGain * a.samples[i] + keyGain * key.samples[i / 2];
            worst = std::max(worst, std::fabs(b.samples[i] - expected));
        }
        EXPECT_LT(worst, 1e-6) << inputDb << " " << keyDb;
    }
}

TEST_F(Finishing, TheMixLastsAsLongAsTheKeysWhenTheyOutlastTheInput) {
    put("in.wav", makeSignal(1.0, 1, false));
    put("key.wav", makeSignal(2.5, 2, true));
    ASSERT_EQ(runTool(folder.string(), "--key key.wav --mix in.wav -o out.wav").status, 0);
    const Sound out = readSound(path("out.wav"));
    EXPECT_EQ(out.channels, 2) << "a stereo key makes the mix stereo";
    EXPECT_EQ(out.frames(), 2.5 * 48000);
}

TEST_F(Finishing, LoudnessAndTruePeakAsFfmpegMeasuresThem) {
    put("speech.wav", makeSignal(12.0, 1, true));
    put("music.wav", makeSignal(12.0, 2, false));
    struct Case {
        const char* arguments;
        double lufs, ceilingDb;
    } cases[] = {
        {"--key speech.wav --loudness -16 speech.wav -o out.wav --param 1=1", -16.0, -1.0},
        {"--key speech.wav --loudness -23 --true-peak -2 music.wav -o out.flac --param 1=1", -23.0, -2.0},
        {"--key speech.wav --mix --loudness -16 music.wav -o out.mp3", -16.0, -1.0},
        {"--key speech.wav --preset podcast music.wav -o out.m4a", -16.0, -1.0},
        {"--key speech.wav --mix --loudness -14 --true-peak -1 music.wav -o out.opus", -14.0, -1.0},
    };
    for (const Case& c : cases) {
        const ToolRun run = runTool(folder.string(), c.arguments);
        ASSERT_EQ(run.status, 0) << c.arguments << "\n" << run.err;
        const std::string out = path(std::string(c.arguments).substr(std::string(c.arguments).find("out.")).substr(0, 8));
        const Measured m = measureWithFfmpeg(out.substr(0, out.find(' ')));
        EXPECT_NEAR(m.lufs, c.lufs, 0.5) << c.arguments;
        EXPECT_LE(m.truePeakDb, c.ceilingDb + 0.1) << c.arguments;
        EXPECT_NE(run.err.find("LUFS"), std::string::npos) << "the loudness reached is reported";
    }
}

TEST_F(Finishing, SilenceAndVeryQuietFilesAreNotRaisedBeyondTheStatedMaximum) {
    Sound quiet = makeSignal(6.0, 2, false);
    for (float& s : quiet.samples) s *= 0.002f;  // some 40 LU below the target
    put("quiet.wav", quiet);
    Sound silent = quiet;
    for (float& s : silent.samples) s = 0.0f;
    put("silent.wav", silent);
    put("key.wav", makeSignal(6.0, 1, true));
    ToolRun run = runTool(folder.string(), "--key key.wav --loudness -16 silent.wav -o a.wav");
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.err.find("no measurable loudness"), std::string::npos) << run.err;
    EXPECT_EQ(readSound(path("a.wav")).samples, silent.samples);
    run = runTool(folder.string(), "--key key.wav --loudness -16 --param 1=1 quiet.wav -o b.wav");
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.err.find("raised by 30 dB only"), std::string::npos) << run.err;
    const Sound raised = readSound(path("b.wav"));
    EXPECT_NEAR(raised.samples[1000] / quiet.samples[1000], std::pow(10.0, 30.0 / 20.0), 0.01);
}

TEST_F(Finishing, EachEncodedTypeReadsBackWithItsDurationRateChannelsAndTags) {
    ASSERT_EQ(runShell(folder.string(), "ffmpeg -nostdin -v error -f lavfi -i 'sine=f=300:d=3:r=44100' -ac 2 "
                                        "-metadata title='Episode 1' -metadata artist='The Hosts' in.flac").status, 0);
    put("key.wav", makeSignal(3.0, 1, true, 44100));
    struct Case {
        const char* output;
        const char* codec;
        int rateHz;
        double frameSeconds;
    } cases[] = {{"out.mp3", "mp3", 44100, 1152.0 / 44100}, {"out.m4a", "aac", 44100, 1024.0 / 44100},
                 {"out.opus", "opus", 48000, 0.02},          {"out.webm", "opus", 48000, 0.02},
                 {"out.ogg", "vorbis", 44100, 0.05}};
    for (const Case& c : cases) {
        const ToolRun run = runTool(folder.string(), std::string("--key key.wav in.flac --bitrate 96 -o ") + c.output +
                                                         (std::string(c.codec) == "vorbis" ? " --format ogg" : ""));
        if (std::string(c.codec) == "vorbis") {
            EXPECT_EQ(run.status, 2) << "--bitrate is for the encoded types";
            continue;
        }
        ASSERT_EQ(run.status, 0) << c.output << ": " << run.err;
        const std::string out = path(c.output);
        EXPECT_EQ(probe(out, "codec_name"), c.codec);
        EXPECT_EQ(probe(out, "sample_rate"), std::to_string(c.rateHz));
        EXPECT_EQ(probe(out, "channels"), "2");
        EXPECT_NEAR(decodedSeconds(out, c.rateHz), 3.0, c.frameSeconds) << c.output;
        const std::string tags = probeTags(out);
        EXPECT_NE(tags.find("title=episode 1"), std::string::npos) << c.output << ": " << tags;
        EXPECT_NE(tags.find("artist=the hosts"), std::string::npos) << c.output << ": " << tags;
    }
    ASSERT_EQ(runTool(folder.string(), "--key key.wav in.flac --no-tags -o plain.mp3").status, 0);
    EXPECT_EQ(probeTags(path("plain.mp3")).find("episode"), std::string::npos);
}

TEST_F(Finishing, PipesInAndOutAndABrokenPipeLeavesNothing) {
    put("bed.wav", makeSignal(2.0, 2, false));
    put("key.wav", makeSignal(2.0, 1, true));
    ToolRun run = runShell(folder.string(), "ffmpeg -nostdin -v error -i bed.wav -f wav - | TOOL --key key.wav - -o piped.m4a");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NEAR(decodedSeconds(path("piped.m4a"), 48000), 2.0, 1024.0 / 48000);
    run = runShell(folder.string(), "TOOL --key key.wav bed.wav -o - --format flac | ffmpeg -v error -i - -y back.wav");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readSound(path("back.wav")).frames(), 96000);
    // The reader goes away after 100 bytes; the tool's status is kept beside the folder.
    run = runShell(folder.string(), "{ TOOL --key key.wav bed.wav -o - --format wav; echo $? >../" +
                                        folder.filename().string() + ".status; } | head -c 100 >/dev/null");
    EXPECT_EQ(slurp(folder.string() + ".status"), "1\n");
    std::filesystem::remove(folder.string() + ".status");
    EXPECT_NE(run.err.find("standard output: cannot write"), std::string::npos) << run.err;
    EXPECT_EQ(files(), (std::vector<std::string>{"back.wav", "bed.wav", "key.wav", "piped.m4a"}));
}

TEST_F(Finishing, AListMakesFinishedEpisodesSeveralAtOnce) {
    put("speech.wav", makeSignal(8.0, 1, true));
    put("music.wav", makeSignal(8.0, 2, false));
    std::ofstream(path("season.tsv")) << "ep1.mp3\tmusic.wav\tspeech.wav\nep2.m4a\tmusic.wav\tspeech.wav\n";
    const ToolRun run = runTool(folder.string(), "--batch season.tsv -j 2 --preset podcast");
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* episode : {"ep1.mp3", "ep2.m4a"}) {
        const Measured m = measureWithFfmpeg(path(episode));
        EXPECT_NEAR(m.lufs, -16.0, 0.5) << episode;
        EXPECT_LE(m.truePeakDb, -0.9) << episode;
        EXPECT_NE(run.err.find(std::string(episode) + ": -16"), std::string::npos) << run.err;
    }
}

TEST_F(Finishing, WrongValuesAreRefusedNamingTheOption) {
    put("in.wav", makeSignal(3.0, 2, false));
    put("key.wav", makeSignal(3.0, 1, true));
    struct Case {
        const char* arguments;
        const char* message;
    } cases[] = {
        {"--key key.wav in.wav -o o.wav --loudness 3", "--loudness: '3' is not a loudness in LUFS from -70 to 0"},
        {"--key key.wav in.wav -o o.wav --loudness -71", "--loudness"},
        {"--key key.wav in.wav -o o.mp3 --bitrate 500", "--bitrate: 500 kbps does not suit MP3"},
        {"--key key.wav in.wav -o o.wav --bitrate 128", "--bitrate: only for the encoded types"},
        {"--key - - -o o.wav", "'-' (standard input) is given more than once"},
        {"--key key.wav in.wav -o o.wav --format aiff:mp3x", "--format"},
        {"--key key.wav in.wav -o o.mp3 --format mp3:16", "--format: mp3 is encoded"},
        {"--key key.wav in.wav -o o.wav --key-gain 3", "--key-gain: only with --mix"},
        {"--key key.wav in.wav -o o.wav --true-peak -12", "--true-peak"},
        {"--key key.wav --mix in.wav -o o.wav --loudness 0 --true-peak -9", "--true-peak: 0.0 LUFS under -9.0 dBTP"},
    };
    for (const Case& c : cases) {
        const ToolRun run = runTool(folder.string(), c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << "\n" << run.err;
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"in.wav", "key.wav"}));
}

}  // namespace
}  // namespace qmduck::test
