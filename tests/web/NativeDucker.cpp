// The web shell's ducker compiled natively, for the web tier: ducks planar stereo float files
// (left then right) with a chosen kernel set and reports the time per frame, so that the wasm
// module can be held against the same engine, block and key on this processor.
//   quellmar_web_native KERNELS BLOCK REPEATS AUDIO.f32 KEY.f32 OUT.f32 [ID=VALUE ...]
// KERNELS names a set of this processor ("sse2", "avx2+fma") or is "best". Prints
// "kernels NAME", "ns_per_frame X" (the fastest of REPEATS runs over the whole file, copies in and
// out of the engine's buffers included) and "engine_ns_per_frame Y" (the same runs' engine calls).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "engine/kernels/DuckKernels.h"
#include "formats/web/WebDucker.h"

namespace {

std::vector<float> readFloats(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<float> values(bytes.size() / sizeof(float));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(float));
    return values;
}

bool chooseKernels(const std::string& name) {
    if (name == "best") return true;
    for (std::int32_t i = 0; i < qm::kernelVariantCount(); ++i) {
        if (name == qm::kernelVariant(i).name) {
            qm::useKernels(qm::kernelVariant(i));
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr, "usage: %s KERNELS BLOCK REPEATS AUDIO.f32 KEY.f32 OUT.f32 [ID=VALUE ...]\n", argv[0]);
        return 2;
    }
    if (!chooseKernels(argv[1])) {
        std::fprintf(stderr, "no kernel set %s on this processor\n", argv[1]);
        return 2;
    }
    const auto block = static_cast<std::int32_t>(std::atoi(argv[2]));
    const int repeats = std::max(1, std::atoi(argv[3]));
    const std::vector<float> audio = readFloats(argv[4]);
    const std::vector<float> key = readFloats(argv[5]);
    const std::size_t frames = audio.size() / 2;
    if (block < 1 || key.size() != audio.size()) {
        std::fprintf(stderr, "the block must be positive and the key as long as the audio\n");
        return 2;
    }
    std::vector<float> out(audio.size());
    double bestNs = 0.0;
    double bestEngineNs = 0.0;
    for (int run = 0; run < repeats; ++run) {
        qmweb::WebDucker ducker(48000.0f, block);
        for (int i = 7; i < argc; ++i) {
            const char* equals = std::strchr(argv[i], '=');
            if (equals != nullptr) ducker.setControl(std::atoi(argv[i]), std::strtof(equals + 1, nullptr));
        }
        double engineNs = 0.0;
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t at = 0; at < frames; at += static_cast<std::size_t>(block)) {
            const auto count = static_cast<std::int32_t>(std::min<std::size_t>(static_cast<std::size_t>(block), frames - at));
            std::copy_n(audio.data() + at, count, ducker.audio(0));
            std::copy_n(audio.data() + frames + at, count, ducker.audio(1));
            std::copy_n(key.data() + at, count, ducker.key(0));
            std::copy_n(key.data() + frames + at, count, ducker.key(1));
            const auto before = std::chrono::steady_clock::now();
            ducker.process(count);
            engineNs += std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - before).count();
            std::copy_n(ducker.audio(0), count, out.data() + at);
            std::copy_n(ducker.audio(1), count, out.data() + frames + at);
        }
        const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
        if (run == 0 || ns < bestNs) bestNs = ns;
        if (run == 0 || engineNs < bestEngineNs) bestEngineNs = engineNs;
    }
    std::ofstream(argv[6], std::ios::binary)
        .write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size() * sizeof(float)));
    std::printf("kernels %s\nns_per_frame %.3f\nengine_ns_per_frame %.3f\n", qm::activeKernels().name,
                bestNs / static_cast<double>(frames), bestEngineNs / static_cast<double>(frames));
    return 0;
}
