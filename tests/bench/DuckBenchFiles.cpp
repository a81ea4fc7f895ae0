// Helper of the quellmar-duck benchmark: makes its input and key files, copies a file through
// libsndfile as the tool reads and writes it, without the engine (the I/O floor), and reads a
// file as the tool reads its input.
//   quellmar_duck_bench_files make INPUT.wav KEY.wav SECONDS   stereo 48 kHz 16-bit music and speech-like key
//   quellmar_duck_bench_files copy IN OUT                      float blocks of 8192 frames, as the tool does
//   quellmar_duck_bench_files read FILE                        reads FILE as the tool reads its input

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/ducking/DuckStream.h"
#include "cli/reading/SoundReader.h"

namespace {

constexpr int kRateHz = 48000;
constexpr int kBlockFrames = 8192;
constexpr int kPatternSeconds = 10;

// Ten seconds of stereo, repeated: a chord, or bursts of a tone 0.3 s on and 0.2 s off.
std::vector<float> pattern(bool key) {
    std::vector<float> samples(2u * kRateHz * kPatternSeconds);
    for (std::size_t i = 0; i < samples.size() / 2; ++i) {
        const double t = static_cast<double>(i) / kRateHz;
        double value = 0.25 * std::sin(2 * M_PI * 110 * t) + 0.2 * std::sin(2 * M_PI * 164.81 * t) +
                       0.15 * std::sin(2 * M_PI * 220 * t);
        if (key) value = std::fmod(t, 0.5) < 0.3 ? 0.6 * std::sin(2 * M_PI * 190 * t) * std::sin(M_PI * std::fmod(t, 0.5) / 0.3) : 0.0;
        samples[2 * i] = static_cast<float>(value);
        samples[2 * i + 1] = static_cast<float>(0.9 * value);
    }
    return samples;
}

bool makeFile(const std::string& path, bool key, long seconds) {
    SF_INFO info{};
    info.samplerate = kRateHz;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) return false;
    const std::vector<float> samples = pattern(key);
    bool ok = true;
    for (long done = 0; ok && done < seconds; done += kPatternSeconds) {
        const sf_count_t frames = static_cast<sf_count_t>(std::min<long>(kPatternSeconds, seconds - done)) * kRateHz;
        ok = sf_writef_float(file, samples.data(), frames) == frames;
    }
    return sf_close(file) == 0 && ok;
}

bool copyFile(const std::string& from, const std::string& to) {
    SF_INFO info{};
    SNDFILE* in = sf_open(from.c_str(), SFM_READ, &info);
    if (in == nullptr) return false;
    SNDFILE* out = sf_open(to.c_str(), SFM_WRITE, &info);
    if (out == nullptr) return sf_close(in), false;
    sf_command(out, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::vector<float> block(static_cast<std::size_t>(kBlockFrames) * static_cast<std::size_t>(info.channels));
    bool ok = true;
    for (sf_count_t got; ok && (got = sf_readf_float(in, block.data(), kBlockFrames)) > 0;) {
        ok = sf_writef_float(out, block.data(), got) == got;
    }
    // As durable as the tool's output, which reaches the disk before it takes its name.
    sf_write_sync(out);
    sf_close(in);
    return sf_close(out) == 0 && ok;
}

// Reads every frame of `path` as quellmar-duck reads its input (libsndfile, else FFmpeg's
// libraries), in the tool's blocks, and drops them: the reading cost alone.
bool readFile(const char* path) {
    qmduck::SoundReader reader(path);
    if (!reader.isOpen()) return false;
    std::vector<float> left(qmduck::kBlockFrames), right(qmduck::kBlockFrames);
    std::int64_t got = 0;
    while ((got = reader.read(left.data(), right.data(), qmduck::kBlockFrames)) > 0) {
    }
    return got == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    bool ok = false;
    if (mode == "make" && argc == 5) {
        const long seconds = std::atol(argv[4]);
        ok = makeFile(argv[2], false, seconds) && makeFile(argv[3], true, seconds);
    } else if (mode == "copy" && argc == 4) {
        ok = copyFile(argv[2], argv[3]);
    } else if (mode == "read" && argc == 3) {
        ok = readFile(argv[2]);
    } else {
        std::fprintf(stderr, "usage: %s make INPUT KEY SECONDS | copy IN OUT | read FILE\n", argv[0]);
        return 2;
    }
    if (!ok) std::fprintf(stderr, "%s: failed\n", argv[0]);
    return ok ? 0 : 1;
}
