#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/Parameters.h"
#include "tools/host/Jobs.h"
#include "tools/host/PluginLoader.h"

namespace qmhost {
namespace {

constexpr int kBlockFrames = 512;
constexpr int kBlocks = 4000;

double secondsNow() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int benchJob(const std::string& modulePath) {
    PluginModule module(modulePath);
    if (!module.isLoaded()) return 1;
    Plugin sender(module.create());
    Plugin listener(module.create());
    listener.setParameter(qm::ParamBypass, 0.0f);
    listener.setParameter(qm::ParamInputAlpha, 1.0f);
    listener.setParameter(qm::ParamDuckKey, 1.0f);

    std::vector<float> key(kBlockFrames, 0.5f);
    std::vector<float> left(kBlockFrames, 0.25f);
    std::vector<float> right(kBlockFrames, -0.25f);
    std::vector<float> outLeft(kBlockFrames);
    std::vector<float> outRight(kBlockFrames);
    sender.processReplacing(key.data(), key.data(), outLeft.data(), outRight.data(), kBlockFrames);

    double start = secondsNow();
    for (int b = 0; b < kBlocks; ++b) {
        listener.processReplacing(left.data(), right.data(), outLeft.data(), outRight.data(), kBlockFrames);
    }
    const double pluginNs = (secondsNow() - start) * 1e9 / (static_cast<double>(kBlocks) * kBlockFrames);

    start = secondsNow();
    for (int b = 0; b < kBlocks; ++b) {
        std::memcpy(outLeft.data(), left.data(), kBlockFrames * sizeof(float));
        std::memcpy(outRight.data(), right.data(), kBlockFrames * sizeof(float));
        left[b % kBlockFrames] = outRight[(b * 7) % kBlockFrames];
    }
    const double copyNs = (secondsNow() - start) * 1e9 / (static_cast<double>(kBlocks) * kBlockFrames);

    std::printf("%d-bit module, %d-frame blocks: processReplacing %.2f ns/frame, plain copy %.3f ns/frame\n",
                static_cast<int>(sizeof(void*) * 8), kBlockFrames, pluginNs, copyNs);
    return 0;
}

}  // namespace qmhost
