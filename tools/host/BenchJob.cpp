// The bench job: ns per frame of processReplacing of real instances made through a module's entry,
// duck mode, threshold -48 dB, for speech-like, noise and quiet keys (the quiet one below the
// threshold, the envelope at rest), one key (the listener's own input on its own slot) or four
// (its own and three senders'), bypassed, at 64, 512 and 4096 frames a block; beside a plain copy
// and the detector loop the processor ran before its block-wise kernels (this program's C library
// log and exp per frame). Each figure is the best of several runs.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/Parameters.h"
#include "tools/host/support/PerFrameLoop.h"
#include "tools/host/support/TestSignals.h"
#include "tools/host/support/BenchSupport.h"
#include "tools/host/Jobs.h"
#include "tools/host/PluginLoader.h"

namespace qmhost {
namespace {

constexpr int kSizes[] = {64, 512, 4096};
constexpr std::size_t kStreamFrames = 1 << 16;

enum Key { SpeechKey, NoiseKey, QuietKey };

struct Streams {
    std::vector<float> channels[3][2];
    Streams() {
        for (int c = 0; c < 2; ++c) {
            qmhost::signals::Random random(static_cast<std::uint64_t>(c + 1));
            channels[SpeechKey][c] = qmhost::signals::SpeechLike(static_cast<std::uint64_t>(c + 7)).next(kStreamFrames);
            channels[NoiseKey][c] = qmhost::signals::noise(random, kStreamFrames, 0.25);
            channels[QuietKey][c] = qmhost::signals::noise(random, kStreamFrames, 0.0003);
        }
    }
};


void printRow(const char* name, const std::function<double(int)>& measure) {
    std::printf("  %-28s", name);
    for (int frames : kSizes) std::printf(" %8.3f", measure(frames));
    std::printf("\n");
    std::fflush(stdout);
}

void benchModule(const std::string& path, const Streams& streams) {
    PluginModule module(path);
    std::printf("%s\n", path.c_str());
    if (!module.isLoaded()) {
        std::printf("  cannot load the module\n");
        return;
    }
    Plugin listener(module.create());
    std::vector<std::unique_ptr<Plugin>> senders;
    for (int s = 0; s < 3; ++s) senders.push_back(std::make_unique<Plugin>(module.create()));
    std::vector<float> outLeft(4096);
    std::vector<float> outRight(4096);
    const auto runListener = [&](Key key, int keys, bool bypassed) {
        return [&, key, keys, bypassed](int frames) {
            listener.setParameter(qm::ParamBypass, bypassed ? 1.0f : 0.0f);
            listener.setParameter(qm::ParamDuckKey, 1.0f);
            for (int slot = 0; slot < qm::kKeySlotCount; ++slot) listener.setParameter(qm::ParamInputAlpha + slot, 0.0f);
            listener.setParameter(qm::ParamInputAlpha + static_cast<int>(listener.getParameter(qm::ParamOwnSlot)), 1.0f);
            for (int s = 0; s < keys - 1; ++s) {
                senders[static_cast<std::size_t>(s)]->processReplacing(streams.channels[key][1].data(),
                                                                        streams.channels[key][0].data(), outLeft.data(),
                                                                        outRight.data(), frames);
                const int slot = static_cast<int>(senders[static_cast<std::size_t>(s)]->getParameter(qm::ParamOwnSlot));
                listener.setParameter(qm::ParamInputAlpha + slot, 1.0f);
            }
            return nsPerFrame(frames, kStreamFrames, 5, [&](std::size_t position, int count) {
                const std::size_t at = bypassed ? 0 : position;
                listener.processReplacing(streams.channels[key][0].data() + at, streams.channels[key][1].data() + at,
                                          outLeft.data(), outRight.data(), count);
            });
        };
    };
    printRow("speech, 1 key", runListener(SpeechKey, 1, false));
    printRow("speech, 4 keys", runListener(SpeechKey, 4, false));
    printRow("noise, 1 key", runListener(NoiseKey, 1, false));
    printRow("noise, 4 keys", runListener(NoiseKey, 4, false));
    printRow("quiet, at rest, 1 key", runListener(QuietKey, 1, false));
    printRow("bypassed", runListener(NoiseKey, 1, true));
}

}  // namespace

int benchJob(const std::vector<std::string>& modulePaths) {
    const Streams streams;
    std::printf("ns per frame of processReplacing, %d-bit host; duck mode, threshold -48 dB\n",
                static_cast<int>(sizeof(void*) * 8));
    std::printf("  %-28s %8d %8d %8d  (frames a block)\n", "", kSizes[0], kSizes[1], kSizes[2]);
    std::vector<float> outLeft(4096);
    std::vector<float> outRight(4096);
    printRow("plain copy", [&](int frames) {
        return nsPerFrame(frames, kStreamFrames, 5, [&](std::size_t, int count) {
            std::memcpy(outLeft.data(), streams.channels[NoiseKey][0].data(), sizeof(float) * static_cast<std::size_t>(count));
            std::memcpy(outRight.data(), streams.channels[NoiseKey][1].data(), sizeof(float) * static_cast<std::size_t>(count));
        });
    });
    for (Key key : {SpeechKey, NoiseKey}) {
        qmhost::PerFrameLoop loop(10.0, 100.0, -48.0, 44100.0);
        printRow(key == SpeechKey ? "per-frame C library, speech" : "per-frame C library, noise", [&](int frames) {
            return nsPerFrame(frames, kStreamFrames, 5, [&](std::size_t position, int count) {
                const float* left = streams.channels[key][0].data() + position;
                const float* right = streams.channels[key][1].data() + position;
                loop.run(left, right, left, right, outLeft.data(), outRight.data(), count);
            });
        });
    }
    for (const std::string& path : modulePaths) benchModule(path, streams);
    return 0;
}

}  // namespace qmhost
