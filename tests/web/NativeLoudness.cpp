// The engine's loudness meter compiled natively, for the web tier: measures a planar stereo float
// file (left then right) at a rate and prints "lufs X" with 17 digits, so that the wasm meter can
// be held against it.
//   quellmar_web_loudness_native RATE_HZ AUDIO.f32

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/loudness/IntegratedLoudness.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quellmar_web_loudness_native RATE_HZ AUDIO.f32\n");
        return 2;
    }
    std::ifstream file(argv[2], std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<float> values(bytes.size() / sizeof(float));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(float));
    const std::size_t frames = values.size() / 2;
    qm::IntegratedLoudness meter(2, std::atof(argv[1]));
    meter.add(values.data(), values.data() + frames, static_cast<std::int32_t>(frames));
    std::printf("lufs %.17g\n", meter.integratedLufs());
    return 0;
}
