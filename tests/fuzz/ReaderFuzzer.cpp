// quellmar-duck's reading layer over any bytes, as the tool uses it: the bytes become a file (named
// with an extension of the fuzzer's choosing, without one, or an unnamed file read through
// /proc/self/fd as standard input is), opened as the input (its format word, the output type
// chosen from it, its tags) or as one or two keys (resampled to a rate of the fuzzer's choosing and
// summed block by block, read ahead for the look-ahead), then read to its end in blocks. The last
// eight bytes of an input steer all this (see Controls); the rest is the file.
//
// Besides crashes and sanitizer reports, a run stops when a reader breaks its word: a refusal or a
// failed read without a reason, an open file with no rate or channels, more frames than asked or
// than the file announced exactly, a resampled reader at another rate than asked.

#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/reading/KeyMix.h"
#include "cli/reading/SoundReader.h"
#include "cli/writing/OutputFormat.h"
#include "cli/writing/Tags.h"

namespace {

using namespace qmduck;

// What one run reads at most: enough for several blocks and the resampler's whole pipeline,
// little enough that a file decoding to hours of sound stays one quick run.
constexpr std::int64_t kMaxFramesRead = 1 << 17;
constexpr int kMaxReads = 512;

constexpr std::array<const char*, 16> kExtensions = {
    ".wav", ".aiff", ".flac", ".ogg", ".opus", ".mp3", ".m4a", ".caf",
    ".mp4", ".mkv",  ".webm", ".aac", ".w64", ".au",   ".mka", ".mov"};
// The tool reads 65536 frames at a time; the smaller blocks find what only a partial read meets.
constexpr std::array<std::int32_t, 4> kBlockFrames = {65536, 4096, 1000, 1};
constexpr std::array<int, 8> kKeyRatesHz = {48000, 44100, 8000, 96000, 22050, 384000, 1000, 192000};

void fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "reader fuzzer: %s %s\n", what, detail.c_str());
    std::abort();
}

// The run's choices, from the input's last eight bytes.
struct Controls {
    bool asKey = false;
    // 0: "sound" with the extension; 1: without one; 2: an unnamed file through /proc/self/fd.
    int naming = 0;
    const char* extension = kExtensions[0];
    std::int32_t blockFrames = kBlockFrames[0];
    bool twoKeys = false;
    std::int64_t lookaheadFrames = 0;
    int keyRateHz = kKeyRatesHz[0];

    static constexpr std::size_t kBytes = 8;

    // In file order: how (bit 0 a key, bits 1-2 the naming, bit 3 two keys), the extension, the
    // reading (bits 0-1 the block, the rest the look-ahead), the key's rate (from 240 on: the next
    // four bytes, little-endian, as any rate a file could announce for the input).
    explicit Controls(const std::uint8_t* bytes) {
        asKey = (bytes[0] & 1) != 0;
        naming = ((bytes[0] >> 1) & 3) % 3;
        twoKeys = (bytes[0] & 8) != 0;
        extension = kExtensions[bytes[1] % kExtensions.size()];
        blockFrames = kBlockFrames[bytes[2] % kBlockFrames.size()];
        lookaheadFrames = (bytes[2] >> 2) * 397;
        const std::uint32_t wildRate = bytes[4] | (bytes[5] << 8) | (bytes[6] << 16) | (static_cast<std::uint32_t>(bytes[7]) << 24);
        keyRateHz = bytes[3] < 240 ? kKeyRatesHz[bytes[3] % kKeyRatesHz.size()] : static_cast<int>(wildRate % 0x7fffffffu) + 1;
    }
};

std::string folder;

void removeFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

// The file the run reads; `descriptor` stays open for the unnamed one.
std::string writeFile(const Controls& controls, const std::uint8_t* bytes, std::size_t size, int& descriptor) {
    std::string path = folder + "/sound";
    if (controls.naming == 2) {
        descriptor = memfd_create("sound", MFD_CLOEXEC);
        path = "/proc/self/fd/" + std::to_string(descriptor);
    } else {
        if (controls.naming == 0) path += controls.extension;
        descriptor = -1;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) fail("cannot write", path);
        if (size > 0 && std::fwrite(bytes, 1, size, file) != size) fail("cannot write", path);
        std::fclose(file);
        return path;
    }
    if (descriptor < 0) fail("memfd_create");
    for (std::size_t done = 0; done < size;) {
        const ssize_t wrote = write(descriptor, bytes + done, size - done);
        if (wrote <= 0) fail("cannot write the unnamed file");
        done += static_cast<std::size_t>(wrote);
    }
    return path;
}

// Opens as the tool does: a reason when refused, mono or stereo, a rate.
std::unique_ptr<SoundReader> openReader(const std::string& path) {
    auto reader = std::make_unique<SoundReader>(path);
    if (!reader->isOpen()) {
        if (reader->error().empty()) fail("refused without a reason");
        return nullptr;
    }
    if (reader->sampleRateHz() <= 0 || reader->channels() <= 0) {
        fail("open with rate or channels", std::to_string(reader->sampleRateHz()) + " " +
                                               std::to_string(reader->channels()));
    }
    if (reader->expectedFrames() < 0) fail("a negative length", std::to_string(reader->expectedFrames()));
    reader->decoderName();
    // The tool refuses anything but mono and stereo.
    if (reader->channels() > 2) return nullptr;
    return reader;
}

void readAsInput(const std::string& path, const Controls& controls) {
    std::unique_ptr<SoundReader> input = openReader(path);
    if (input == nullptr) return;
    DuckOptions options;
    options.outputPath = folder + "/out.wav";
    chooseOutput(options, input->format(), input->channels(), input->sampleRateHz());
    readTags(path);
    const std::int64_t exactFrames = input->frames();
    std::vector<float> left(static_cast<std::size_t>(controls.blockFrames));
    std::vector<float> right(left.size());
    std::int64_t total = 0;
    for (int reads = 0; reads < kMaxReads && total < kMaxFramesRead; ++reads) {
        const std::int64_t got = input->read(left.data(), right.data(), controls.blockFrames);
        if (got < 0 && input->error().empty()) fail("a failed read without a reason");
        if (got > controls.blockFrames) fail("more frames than asked");
        if (got <= 0) break;
        total += got;
    }
    if (exactFrames > 0 && total > exactFrames) fail("more frames than announced", std::to_string(total));
}

void readAsKeys(const std::string& path, const Controls& controls) {
    std::vector<std::unique_ptr<SoundReader>> keys;
    for (int k = 0; k < (controls.twoKeys ? 2 : 1); ++k) {
        std::unique_ptr<SoundReader> key = openReader(path);
        if (key == nullptr) return;
        if (!key->resampleTo(controls.keyRateHz)) {
            if (key->error().empty()) fail("a resampler refused without a reason");
            return;
        }
        if (key->sampleRateHz() != controls.keyRateHz) fail("resampled to another rate");
        keys.push_back(std::move(key));
    }
    KeyMix mix(std::move(keys), controls.blockFrames);
    if (!mix.skip(std::min<std::int64_t>(controls.lookaheadFrames, kMaxFramesRead / 2))) {
        if (mix.error().empty()) fail("a failed look-ahead without a reason");
        return;
    }
    std::vector<float> left(static_cast<std::size_t>(controls.blockFrames));
    std::vector<float> right(left.size());
    std::int64_t total = 0;
    for (int reads = 0; reads < kMaxReads && total < kMaxFramesRead; ++reads) {
        if (!mix.fill(left.data(), right.data(), controls.blockFrames)) {
            if (mix.error().empty()) fail("a failed key read without a reason");
            return;
        }
        if (mix.lastFilledFrames() == 0) break;
        total += mix.lastFilledFrames();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (std::filesystem::temp_directory_path() / "quellmar-reader-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    folder = pattern;
    std::atexit(removeFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < Controls::kBytes) return 0;
    const Controls controls(data + size - Controls::kBytes);
    int descriptor = -1;
    const std::string path = writeFile(controls, data, size - Controls::kBytes, descriptor);
    if (controls.asKey) readAsKeys(path, controls);
    else readAsInput(path, controls);
    if (descriptor >= 0) close(descriptor);
    return 0;
}
