#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

#include "engine/Parameters.h"
#include "tools/host/RenderBlocks.h"
#include "tools/host/Jobs.h"
#include "tools/host/PluginLoader.h"

namespace qmhost {
namespace {

std::vector<float> readSamples(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return {};
    const std::streamsize bytes = file.tellg();
    std::vector<float> samples(static_cast<std::size_t>(bytes) / sizeof(float));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * sizeof(float)));
    return samples;
}

}  // namespace

int renderJob(const std::string& modulePath, const std::string& keyPath, const std::string& musicPath,
              const std::string& outPath, const std::string& screenshotPath) {
    PluginModule module(modulePath);
    if (!module.isLoaded()) {
        std::fprintf(stderr, "cannot load %s\n", modulePath.c_str());
        return 1;
    }
    const std::vector<float> key = readSamples(keyPath);
    const std::vector<float> music = readSamples(musicPath);
    if (key.empty() || music.empty()) {
        std::fprintf(stderr, "cannot read the key or the music\n");
        return 1;
    }

    Plugin sender(module.create());
    Plugin listener(module.create());
    if (!sender || !listener) return 1;
    for (Plugin* plugin : {&sender, &listener}) {
        plugin->dispatch(qm::effSetBlockSizeAndSampleRate, 0, kBlockFrames, nullptr, 44100.0f);
        plugin->dispatch(qm::effMainsChanged, 0, 1);
    }
    listener.setParameter(qm::ParamBypass, 0.0f);
    listener.setParameter(qm::ParamInputAlpha, 1.0f);
    listener.setParameter(qm::ParamDuckKey, 1.0f);
    listener.setParameter(qm::ParamAttack, 0.0707f);    // about 10 ms
    listener.setParameter(qm::ParamRelease, 0.5477f);   // about 300 ms
    listener.setParameter(qm::ParamThreshold, 0.3125f); // -30 dB

    const std::size_t frames = music.size() / 2;
    std::vector<float> out(frames * 2);
    float in[4][kBlockFrames];
    float result[4][kBlockFrames];
    double deepestReduction = 0.0;
    std::size_t loudestFrame = 0;
    for (std::size_t start = 0; start < frames; start += kBlockFrames) {
        const int count = static_cast<int>(std::min<std::size_t>(kBlockFrames, frames - start));
        fillBlock(in, key, music, start, count);
        sender.processReplacing(in[0], in[1], result[0], result[1], count);
        listener.processReplacing(in[2], in[3], result[2], result[3], count);
        const double reduction = listener.getParameter(qm::ParamMeter);
        if (reduction > deepestReduction) {
            deepestReduction = reduction;
            loudestFrame = start;
        }
        for (int i = 0; i < count; ++i) {
            out[(start + i) * 2] = result[2][i];
            out[(start + i) * 2 + 1] = result[3][i];
        }
    }

    std::ofstream file(outPath, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size() * sizeof(float)));
    if (!file) {
        std::fprintf(stderr, "cannot write %s\n", outPath.c_str());
        return 1;
    }
    if (!screenshotPath.empty() && !saveEditorScreenshot(sender, listener, key, music, loudestFrame, screenshotPath)) {
        return 1;
    }
    std::printf("rendered %u frames; deepest gain reduction %.1f dB\n", static_cast<unsigned>(frames),
                deepestReduction < 1.0 ? -20.0 * std::log10(1.0 - deepestReduction) : 500.0);
    return 0;
}

}  // namespace qmhost
