#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

#include "engine/Parameters.h"
#include "tools/host/EditorWindow.h"
#include "tools/host/Jobs.h"
#include "tools/host/PluginLoader.h"

namespace qmhost {
namespace {

constexpr int kBlockFrames = 512;

std::vector<float> readSamples(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return {};
    const std::streamsize bytes = file.tellg();
    std::vector<float> samples(static_cast<std::size_t>(bytes) / sizeof(float));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(samples.size() * sizeof(float)));
    return samples;
}

// One channel of interleaved stereo, or silence past the end.
float sampleAt(const std::vector<float>& interleaved, std::size_t frame, int channel) {
    const std::size_t index = frame * 2 + static_cast<std::size_t>(channel);
    return index < interleaved.size() ? interleaved[index] : 0.0f;
}

// Fills one block of `count` frames from `start` of the key (rows 0, 1) and the music (rows 2, 3).
void fillBlock(float (&in)[4][kBlockFrames], const std::vector<float>& key, const std::vector<float>& music,
               std::size_t start, int count) {
    for (int i = 0; i < count; ++i) {
        in[0][i] = sampleAt(key, start + i, 0);
        in[1][i] = sampleAt(key, start + i, 1);
        in[2][i] = sampleAt(music, start + i, 0);
        in[3][i] = sampleAt(music, start + i, 1);
    }
}

}  // namespace

// Shows the listener's editor while the key's loudest stretch plays again, and saves it as BMP.
// False, with a message, when the editor window is missing, cannot be captured or not saved.
bool saveEditorScreenshot(const Plugin& sender, const Plugin& listener, const std::vector<float>& key,
                          const std::vector<float>& music, std::size_t loudestFrame, const std::string& path) {
    HostWindow window;
    listener.dispatch(qm::effEditOpen, 0, 0, window.handle());
    pump(listener.get(), 10);
    float in[4][kBlockFrames];
    float out[2][kBlockFrames];
    const std::size_t first = loudestFrame > 40 * kBlockFrames ? loudestFrame - 40 * kBlockFrames : 0;
    for (std::size_t start = first; start <= loudestFrame; start += kBlockFrames) {
        fillBlock(in, key, music, start, kBlockFrames);
        sender.processReplacing(in[0], in[1], out[0], out[1], kBlockFrames);
        listener.processReplacing(in[2], in[3], out[0], out[1], kBlockFrames);
    }
    pump(listener.get(), 10);
    const HWND editor = window.editorWindow();
    const Screenshot shot = editor != nullptr ? capture(editor) : Screenshot{};
    listener.dispatch(qm::effEditClose);
    if (editor == nullptr) {
        std::fprintf(stderr, "the editor opened no window\n");
    } else if (shot.isBlank()) {
        std::fprintf(stderr, "the editor window could not be captured (%dx%d, nothing drawn)\n", shot.width,
                     shot.height);
    } else if (!shot.writeBmp(path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
    } else {
        return true;
    }
    return false;
}

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
