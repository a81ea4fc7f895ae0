#pragma once
// Sound files for the command-line tests: written and read back through libsndfile, in a
// folder of their own that disappears with the test.

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/options/DuckOptions.h"

namespace qmduck::test {

struct Sound {
    int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    int channels = 2;
    int sampleRateHz = 48000;
    std::vector<float> samples;  // interleaved
    std::int64_t frames() const { return static_cast<std::int64_t>(samples.size()) / channels; }
};

inline bool writeSound(const std::string& path, const Sound& sound) {
    SF_INFO info{};
    info.format = sound.format;
    info.channels = sound.channels;
    info.samplerate = sound.sampleRateHz;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) return false;
    const bool written = sf_writef_float(file, sound.samples.data(), sound.frames()) == sound.frames();
    return sf_close(file) == 0 && written;
}

inline Sound readSound(const std::string& path) {
    SF_INFO info{};
    Sound sound;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) return sound;
    sound.format = info.format;
    sound.channels = info.channels;
    sound.sampleRateHz = info.samplerate;
    sound.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, sound.samples.data(), info.frames);
    sf_close(file);
    return sound;
}

// `seconds` of `channels` channels: a chord for the input, or speech-like bursts for a key
// (`bursts`: 0.3 s loud, 0.2 s quiet, with a changing level).
inline Sound makeSignal(double seconds, int channels, bool bursts, int sampleRateHz = 48000) {
    Sound sound;
    sound.channels = channels;
    sound.sampleRateHz = sampleRateHz;
    const auto frames = static_cast<std::size_t>(seconds * sampleRateHz);
    sound.samples.resize(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / sampleRateHz;
        for (int c = 0; c < channels; ++c) {
            double value = 0.3 * std::sin(2 * M_PI * (220.0 + 110.0 * c) * t) + 0.2 * std::sin(2 * M_PI * 277.0 * t);
            if (bursts) {
                const bool loud = std::fmod(t, 0.5) < 0.3;
                value = loud ? (0.2 + 0.6 * std::fmod(t, 1.7) / 1.7) * std::sin(2 * M_PI * (180.0 + 20 * c) * t) : 0.0;
            }
            sound.samples[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
                static_cast<float>(value);
        }
    }
    return sound;
}

// A folder for one test's files.
class SoundFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = std::filesystem::temp_directory_path() /
                 ("qmduck-" + std::to_string(getpid()) + "-" + info->test_suite_name() + "-" + info->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string path(const std::string& name) const { return (folder / name).string(); }
    std::string put(const std::string& name, const Sound& sound) const {
        EXPECT_TRUE(writeSound(path(name), sound)) << name;
        return path(name);
    }
    // Names of every file in the folder.
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // Options for INPUT ducked by KEYS into OUTPUT with the plug-in's defaults.
    DuckOptions optionsFor(const std::vector<std::string>& keys, const std::string& input,
                           const std::string& output) const {
        DuckOptions options;
        options.parameters = defaultParameters();
        options.keyPaths = keys;
        options.inputPath = input;
        options.outputPath = output;
        return options;
    }

    std::filesystem::path folder;
};

}  // namespace qmduck::test
