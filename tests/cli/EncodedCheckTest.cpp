// The check of an encoded output while it is made measures exactly what FFmpeg decodes from the
// finished file: the same samples (the encoder's delay and padding dropped), so the same
// loudness and true peak, for every encoded type, mono and stereo, at the encoder's rate or not.

#include <gtest/gtest.h>

#include <fcntl.h>

#include <algorithm>
#include <vector>

#include "cli/SoundFixtures.h"
#include "cli/reading/FfmpegDecoder.h"
#include "cli/writing/EncodedCheck.h"
#include "cli/writing/FfmpegEncoder.h"

namespace qmduck::test {
namespace {

using EncodedChecking = SoundFolder;

struct Figures {
    double lufs = 0.0;
    double truePeakDb = 0.0;
    std::int64_t frames = 0;
};

// Encodes `sound` in blocks of odd sizes, checked while it is encoded.
Figures encodeChecked(const Sound& sound, EncodedType type, const std::string& path, std::string& failure) {
    EncodedCheck check;
    const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    FfmpegEncoder encoder(descriptor, type, sound.channels, sound.sampleRateHz, 0, Tags{}, &check);
    std::vector<float> left(5000), right(5000);
    const auto width = static_cast<std::size_t>(sound.channels);
    std::int64_t done = 0;
    for (std::int64_t size = 1; done < sound.frames(); size = size * 7 % 4999 + 1) {
        const std::int64_t count = std::min(size, sound.frames() - done);
        for (std::int64_t i = 0; i < count; ++i) {
            const std::size_t at = static_cast<std::size_t>(done + i) * width;
            left[static_cast<std::size_t>(i)] = sound.samples[at];
            right[static_cast<std::size_t>(i)] = sound.samples[at + width - 1];
        }
        if (!encoder.write(left.data(), right.data(), count)) failure = encoder.error();
        done += count;
    }
    if (!encoder.finish()) failure = encoder.error();
    if (!check.error().empty()) failure = check.error();
    return {check.integratedLufs(), check.truePeakDb(), 0};
}

// The finished file as FFmpeg decodes it, its first `frames` frames measured in blocks of
// another size; `frames` in the result is the whole decoded length.
Figures decodeFile(const std::string& path, std::int64_t frames) {
    FfmpegDecoder decoder(path);
    const auto width = static_cast<std::size_t>(decoder.channels());
    LoudnessMeter meter(decoder.channels(), decoder.sampleRateHz());
    qm::TruePeak truePeak;
    std::vector<float> interleaved(3000 * width), left(3000), right(3000), peaks(3000);
    float largest = 0.0f;
    Figures figures;
    for (std::int64_t got; (got = decoder.read(interleaved.data(), 3000)) > 0;) {
        const auto count = static_cast<std::int32_t>(std::clamp<std::int64_t>(frames - figures.frames, 0, got));
        for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
            left[i] = interleaved[i * width];
            right[i] = interleaved[i * width + width - 1];
        }
        meter.add(left.data(), right.data(), count);
        truePeak.process(left.data(), right.data(), count, peaks.data());
        for (std::int32_t i = 0; i < count; ++i) largest = std::max(largest, peaks[static_cast<std::size_t>(i)]);
        figures.frames += got;
    }
    figures.lufs = meter.integratedLufs();
    figures.truePeakDb = qm::truePeakDb(largest);
    return figures;
}

TEST_F(EncodedChecking, MeasuresWhatFfmpegDecodesFromTheFinishedFile) {
    struct Case {
        EncodedType type;
        const char* name;
        int channels;
        int rateHz;
    } cases[] = {
        {EncodedType::Mp3, "out.mp3", 2, 48000},     {EncodedType::Mp3, "mono.mp3", 1, 44100},
        {EncodedType::M4a, "out.m4a", 2, 44100},     {EncodedType::M4a, "mono.m4a", 1, 48000},
        {EncodedType::OggOpus, "out.opus", 2, 48000}, {EncodedType::OggOpus, "resampled.opus", 2, 44100},
        {EncodedType::WebmOpus, "out.webm", 1, 44100},
    };
    for (const Case& c : cases) {
        Sound sound = makeSignal(4.0, c.channels, true, c.rateHz);
        for (float& sample : sound.samples) sample *= 1.4f;
        std::string failure;
        const Figures checked = encodeChecked(sound, c.type, path(c.name), failure);
        ASSERT_EQ(failure, "") << c.name;
        const int rateHz = c.type == EncodedType::Mp3 || c.type == EncodedType::M4a ? c.rateHz : 48000;
        const Figures decoded = decodeFile(path(c.name), 4 * rateHz);
        EXPECT_EQ(checked.lufs, decoded.lufs) << c.name;
        EXPECT_EQ(checked.truePeakDb, decoded.truePeakDb) << c.name;
        // FFmpeg's MP4 reader keeps AAC's padding at the end: at most one codec frame.
        EXPECT_GE(decoded.frames, 4 * rateHz) << c.name << ": the file's decoded length";
        EXPECT_LT(decoded.frames, 4 * rateHz + 1024) << c.name << ": the file's decoded length";
        EXPECT_GT(checked.truePeakDb, 0.0) << c.name << ": the peaks over full scale are measured, not clipped";
    }
}

}  // namespace
}  // namespace qmduck::test
