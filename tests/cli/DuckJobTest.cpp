#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "cli/DuckJob.h"
#include "cli/SoundFixtures.h"

namespace qmduck::test {
namespace {

using DuckJob = SoundFolder;

// Interleaved stereo made of a mono signal on both sides.
Sound bothSides(const Sound& mono) {
    Sound stereo = mono;
    stereo.channels = 2;
    stereo.samples.clear();
    for (float s : mono.samples) stereo.samples.insert(stereo.samples.end(), {s, s});
    return stereo;
}

Sound resized(Sound sound, std::int64_t frames) {
    sound.samples.resize(static_cast<std::size_t>(frames * sound.channels), 0.0f);
    return sound;
}

TEST_F(DuckJob, KeysShorterThanTheInputEndInSilenceAndLongerOnesAreCut) {
    const Sound input = makeSignal(3.0, 2, false);
    const std::string in = put("in.wav", input);
    const Sound key = makeSignal(1.3, 2, true);
    const std::string shortKey = put("short.wav", key);
    const std::string paddedKey = put("padded.wav", resized(key, input.frames()));
    const std::string longKey = put("long.wav", makeSignal(5.0, 2, true));
    const std::string cutKey = put("cut.wav", resized(makeSignal(5.0, 2, true), input.frames()));
    for (auto [first, second] : {std::pair{shortKey, paddedKey}, std::pair{longKey, cutKey}}) {
        ASSERT_EQ(runDuckJob(optionsFor({first}, in, path("a.wav")), false).exitStatus, 0);
        ASSERT_EQ(runDuckJob(optionsFor({second}, in, path("b.wav")), false).exitStatus, 0);
        const Sound a = readSound(path("a.wav"));
        EXPECT_EQ(a.frames(), input.frames());
        EXPECT_EQ(a.samples, readSound(path("b.wav")).samples) << first;
        EXPECT_NE(a.samples, input.samples) << "the key ducked nothing";
    }
}

TEST_F(DuckJob, MonoGoesToBothSidesAndTheOutputKeepsTheInputsChannels) {
    const Sound monoKey = makeSignal(2.0, 1, true);
    const Sound monoInput = makeSignal(2.0, 1, false);
    const std::string monoKeyPath = put("key1.wav", monoKey);
    const std::string stereoKeyPath = put("key2.wav", bothSides(monoKey));
    const std::string monoInPath = put("in1.wav", monoInput);
    const std::string stereoInPath = put("in2.wav", bothSides(monoInput));

    ASSERT_EQ(runDuckJob(optionsFor({monoKeyPath}, stereoInPath, path("a.wav")), false).exitStatus, 0);
    ASSERT_EQ(runDuckJob(optionsFor({stereoKeyPath}, stereoInPath, path("b.wav")), false).exitStatus, 0);
    EXPECT_EQ(readSound(path("a.wav")).samples, readSound(path("b.wav")).samples);

    ASSERT_EQ(runDuckJob(optionsFor({stereoKeyPath}, monoInPath, path("mono.wav")), false).exitStatus, 0);
    const Sound mono = readSound(path("mono.wav"));
    EXPECT_EQ(mono.channels, 1);
    EXPECT_EQ(bothSides(mono).samples, readSound(path("b.wav")).samples);
}

TEST_F(DuckJob, FailuresNameTheFileAndLeaveNoOutputBehind) {
    const std::string in = put("in.wav", makeSignal(1.0, 2, false));
    const std::string key = put("key.wav", makeSignal(1.0, 2, true));
    std::filesystem::create_directory(path("folder"));
    writeSound(path("old.wav"), makeSignal(0.1, 1, false));
    const auto oldBytes = std::filesystem::file_size(path("old.wav"));

    struct Case {
        std::vector<std::string> keys;
        std::string input;
        std::string output;
        std::string mentions;
        std::string plot;
    } cases[] = {
        {{key}, path("missing.wav"), path("old.wav"), "missing.wav: cannot open: No such file", ""},
        {{path("nokey.wav")}, in, path("old.wav"), "nokey.wav: cannot open", ""},
        {{key}, in, in, "would overwrite the input", ""},
        {{key}, in, key, "would overwrite the key", ""},
        {{key}, in, path("old.wav"), "would overwrite the key", key},
        {{key}, in, path("old.wav"), "given for two results", path("old.wav")},
        {{key}, in, path("nowhere/out.wav"), "cannot create a file in", ""},
        {{key}, path("folder"), path("old.wav"), "folder: cannot open", ""},
        {{key}, in, path("old.wav"), "nowhere/p.png: cannot create", path("nowhere/p.png")},
        {{key}, in, path("old.aiff"), "cannot write", ""},
    };
    const auto before = files();
    for (const Case& c : cases) {
        DuckOptions options = optionsFor(c.keys, c.input, c.output);
        options.plotPath = c.plot;
        if (c.output.ends_with(".aiff")) options.format = "aiff:vorbis";
        const JobResult result = runDuckJob(options, false);
        EXPECT_EQ(result.exitStatus, 1) << c.mentions;
        EXPECT_NE(result.message.find(c.mentions), std::string::npos) << result.message;
        EXPECT_EQ(files(), before) << c.mentions;
        EXPECT_EQ(std::filesystem::file_size(path("old.wav")), oldBytes);
    }
    DuckOptions options = optionsFor({key}, in, path("x.wav"));
    options.format = "wav:mp4";
    EXPECT_EQ(runDuckJob(options, false).exitStatus, 2);
    EXPECT_EQ(files(), before);

    // A file that breaks off in the middle fails after blocks were written: still nothing left.
    Sound flac = makeSignal(3.0, 2, false);
    flac.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    const std::string whole = put("whole.flac", flac);
    std::filesystem::copy_file(whole, path("broken.flac"));
    std::filesystem::resize_file(path("broken.flac"), std::filesystem::file_size(whole) / 2);
    std::filesystem::remove(whole);
    const auto withBroken = files();
    options = optionsFor({key}, path("broken.flac"), path("x.wav"));
    options.plotPath = path("x.png");
    options.gainCsvPath = path("x.csv");
    const JobResult broken = runDuckJob(options, false);
    EXPECT_EQ(broken.exitStatus, 1);
    EXPECT_NE(broken.message.find("broken.flac: cannot read"), std::string::npos) << broken.message;
    EXPECT_EQ(files(), withBroken);
}

TEST_F(DuckJob, IntegerSamplesThatAreNotDuckedComeBackUnchanged) {
    const int formats[] = {SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_WAV | SF_FORMAT_PCM_24,
                           SF_FORMAT_WAV | SF_FORMAT_PCM_U8, SF_FORMAT_FLAC | SF_FORMAT_PCM_16,
                           SF_FORMAT_AIFF | SF_FORMAT_PCM_S8};
    Sound silence = makeSignal(0.5, 2, false);
    std::fill(silence.samples.begin(), silence.samples.end(), 0.0f);
    const std::string key = put("silence.wav", silence);
    for (int format : formats) {
        Sound input = makeSignal(0.5, 2, false);
        input.format = format;
        for (float& s : input.samples) s *= 1.9f;  // up to 0.95 of full scale
        input.samples[0] = -1.0f;                  // the extremes of the integer range
        input.samples[1] = 32767.0f / 32768.0f;
        const int type = format & SF_FORMAT_TYPEMASK;
        const std::string name = "in" + std::to_string(format) +
                                 (type == SF_FORMAT_FLAC ? ".flac" : type == SF_FORMAT_AIFF ? ".aiff" : ".wav");
        const std::string in = put(name, input);
        ASSERT_EQ(runDuckJob(optionsFor({key}, in, path("out-" + name)), false).exitStatus, 0);
        const Sound original = readSound(in);
        const Sound copy = readSound(path("out-" + name));
        EXPECT_EQ(copy.format, format);
        EXPECT_EQ(copy.samples, original.samples) << std::hex << format;
    }
}

TEST_F(DuckJob, RealFormatsInAndOut) {
    Sound key = makeSignal(2.0, 2, true);
    Sound input = makeSignal(2.0, 2, false);
    input.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    const std::string flacIn = put("in.flac", input);
    input.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    const std::string wavIn = put("in.wav", input);
    input.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    const std::string oggIn = put("in.ogg", input);
    const std::string keyPath = put("key.wav", key);

    // FLAC in, WAV out: the same samples as from the same input in WAV.
    ASSERT_EQ(runDuckJob(optionsFor({keyPath}, flacIn, path("from-flac.wav")), false).exitStatus, 0);
    ASSERT_EQ(runDuckJob(optionsFor({keyPath}, wavIn, path("from-wav.wav")), false).exitStatus, 0);
    const Sound fromFlac = readSound(path("from-flac.wav"));
    EXPECT_EQ(fromFlac.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(fromFlac.samples, readSound(path("from-wav.wav")).samples);

    // Ogg in, FLAC out: the name picks the type; Vorbis samples become 24-bit.
    ASSERT_EQ(runDuckJob(optionsFor({keyPath}, oggIn, path("from-ogg.flac")), false).exitStatus, 0);
    const Sound decoded = readSound(oggIn);
    const Sound fromOgg = readSound(path("from-ogg.flac"));
    EXPECT_EQ(fromOgg.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    EXPECT_EQ(fromOgg.frames(), decoded.frames());
    double inputEnergy = 0.0;
    double outputEnergy = 0.0;
    for (std::size_t i = 0; i < decoded.samples.size(); ++i) {
        inputEnergy += decoded.samples[i] * decoded.samples[i];
        outputEnergy += fromOgg.samples[i] * fromOgg.samples[i];
    }
    EXPECT_LT(outputEnergy, 0.5 * inputEnergy) << "the key ducks the music";

    DuckOptions explicitFormat = optionsFor({keyPath}, wavIn, path("float.out"));
    explicitFormat.format = "wav:float";
    ASSERT_EQ(runDuckJob(explicitFormat, false).exitStatus, 0);
    EXPECT_EQ(readSound(path("float.out")).format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
}

TEST_F(DuckJob, TheGainCsvHasOneLinePerTenMillisecondsAndTheSettledReduction) {
    Sound key = makeSignal(1.0, 2, false);
    std::fill(key.samples.begin(), key.samples.end(), 0.5f);  // -6.02 dB, 41.98 dB over -48 dB
    const std::string keyPath = put("key.wav", key);
    const std::string in = put("in.wav", makeSignal(1.004, 2, false));
    DuckOptions options = optionsFor({keyPath}, in, path("out.wav"));
    options.gainCsvPath = path("gain.csv");
    ASSERT_EQ(runDuckJob(options, false).exitStatus, 0);
    std::ifstream csv(path("gain.csv"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(csv, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 1u + 101u) << "100 whole stretches and the last 4 ms";
    EXPECT_EQ(lines[0], "time_s,gain_reduction_db,key_level_db");
    EXPECT_EQ(lines[1].substr(0, 5), "0.01,");
    double seconds = 0.0, reduction = 0.0, level = 0.0;
    ASSERT_EQ(std::sscanf(lines[100].c_str(), "%lf,%lf,%lf", &seconds, &reduction, &level), 3);
    EXPECT_DOUBLE_EQ(seconds, 1.0);
    EXPECT_NEAR(reduction, 41.98, 0.01);
    EXPECT_NEAR(level, -6.02, 0.01);
    ASSERT_EQ(std::sscanf(lines[101].c_str(), "%lf,%lf,%lf", &seconds, &reduction, &level), 3);
    EXPECT_DOUBLE_EQ(seconds, 1.0) << "1.004 s printed with two decimals";
    EXPECT_LT(reduction, 41.98) << "the key has ended: the gain recovers";
}

}  // namespace
}  // namespace qmduck::test
