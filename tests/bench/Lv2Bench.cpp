// The LV2 bench: ns per frame of the LV2 plug-in run through lilv beside the Linux VST 2 module
// through its entry, both with the same speech-like key (the VST 2 listener hears its own input
// on its slot, the LV2 instance the same on its side-chain), and beside LSP's stereo side-chain
// compressor LV2 with that key on its side-chain (external, peak); 64, 512 and 4096 frames a
// block, each pair measured by turns in this one run and the best of each kept. Then the time a
// second instance takes (instantiate and activate, the first still alive), the median of many.
// Figures are printed, never checked.
//   quellmar_lv2_bench BUNDLE LINUX_MODULE [PEER_URI]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/Parameters.h"
#include "tools/host/support/BenchSupport.h"
#include "tools/host/support/TestSignals.h"
#include "tools/host/support/lv2/HostedInstance.h"
#include "tools/host/support/lv2/LilvHost.h"

namespace {

using qmhost::HostedInstance;
using qmhost::LilvHost;

constexpr int kSizes[] = {64, 512, 4096};
constexpr std::size_t kStreamFrames = 1 << 16;
constexpr const char* kOurUri = "http://quellmar.org/lv2/QuellmarV3";

struct Streams {
    std::vector<float> key[2];
    std::vector<float> music[2];
    Streams() {
        for (int c = 0; c < 2; ++c) {
            key[c] = qmhost::signals::SpeechLike(static_cast<std::uint64_t>(c + 7), 48000.0).next(kStreamFrames);
            music[c] = qmhost::signals::sine(kStreamFrames, 220.0 * (c + 1), -12.0, 0, 48000.0);
        }
    }
};


// Both measured by turns, eight times; the best of each.
std::pair<double, double> byTurns(int frames, const std::function<void(std::size_t, int)>& a,
                                  const std::function<void(std::size_t, int)>& b) {
    double bestA = 1e30;
    double bestB = 1e30;
    for (int turn = 0; turn < 8; ++turn) {
        bestA = std::min(bestA, qmhost::nsPerFrame(frames, kStreamFrames, 3, a));
        bestB = std::min(bestB, qmhost::nsPerFrame(frames, kStreamFrames, 3, b));
    }
    return {bestA, bestB};
}

// Runs `instance` on `frames` frames of `audio` with `side` on its side-chain (inputs 2 and 3),
// connected where they are, as a host hands over its own buffers.
void runLv2(HostedInstance& instance, const std::vector<float>* audio, const std::vector<float>* side,
            std::size_t position, int frames) {
    for (std::size_t c = 0; c < 2; ++c) {
        instance.connectInput(c, audio[c].data() + position);
        instance.connectInput(c + 2, side[c].data() + position);
    }
    instance.run(static_cast<std::uint32_t>(frames));
}

void printPair(const char* title, const char* a, const char* b, const std::function<std::pair<double, double>(int)>& measure) {
    std::printf("%s\n  %-34s %8s %8s %8s  (frames a block)\n", title, "", "64", "512", "4096");
    std::pair<double, double> figures[3];
    for (int i = 0; i < 3; ++i) figures[i] = measure(kSizes[i]);
    std::printf("  %-34s %8.3f %8.3f %8.3f\n", a, figures[0].first, figures[1].first, figures[2].first);
    std::printf("  %-34s %8.3f %8.3f %8.3f\n", b, figures[0].second, figures[1].second, figures[2].second);
    std::printf("  %-34s %8.2f %8.2f %8.2f\n", "ratio", figures[0].second / figures[0].first,
                figures[1].second / figures[1].first, figures[2].second / figures[2].first);
    std::fflush(stdout);
}

// Median microseconds of making and activating an instance of `uri` while `first` lives.
double secondInstanceUs(LilvHost& host, const std::string& uri) {
    std::vector<double> times;
    for (int i = 0; i < 41; ++i) {
        const auto start = qmhost::BenchClock::now();
        HostedInstance second(host, host.plugin(uri), 48000.0);
        times.push_back(qmhost::microseconds(qmhost::BenchClock::now() - start));
    }
    return qmhost::median(times);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: quellmar_lv2_bench BUNDLE LINUX_MODULE [PEER_URI]\n");
        return 2;
    }
    const std::string peerUri = argc > 3 ? argv[3] : "http://lsp-plug.in/plugins/lv2/sc_compressor_stereo";
    const Streams streams;
    LilvHost host({argv[1]}, true, 4096);
    qmhost::PluginModule module(argv[2]);
    if (host.plugin(kOurUri) == nullptr || !module.isLoaded()) {
        std::fprintf(stderr, "cannot load the bundle or the module\n");
        return 1;
    }
    std::printf("ns per frame at 48 kHz, duck mode, threshold -48 dB, a speech-like key\n");

    qmhost::Plugin vst2(module.create());
    vst2.setParameter(qm::ParamBypass, 0.0f);
    vst2.setParameter(qm::ParamDuckKey, 1.0f);
    vst2.setParameter(qm::ParamInputAlpha + static_cast<int>(vst2.getParameter(qm::ParamOwnSlot)), 1.0f);
    HostedInstance ours(host, host.plugin(kOurUri), 48000.0);
    ours.control("duck_key") = 1.0f;
    std::vector<float> outLeft(4096);
    std::vector<float> outRight(4096);
    printPair("the same key: the VST 2 module's own input on its slot, the LV2 plug-in's on its side-chain",
              "Linux VST 2 module (.so)", "LV2 plug-in through lilv", [&](int frames) {
                  return byTurns(
                      frames,
                      [&](std::size_t at, int count) {
                          vst2.processReplacing(streams.key[0].data() + at, streams.key[1].data() + at,
                                                outLeft.data(), outRight.data(), count);
                      },
                      [&](std::size_t at, int count) { runLv2(ours, streams.key, streams.key, at, count); });
              });

    HostedInstance peer(host, host.plugin(peerUri), 48000.0);
    if (!peer.isValid()) {
        std::printf("%s: cannot load it\n", peerUri.c_str());
        return 1;
    }
    peer.control("sct") = 2.0f;  // external side-chain
    peer.control("scm") = 0.0f;  // peak
    peer.control("al") = 0.0039811f;
    peer.control("cr") = 20.0f;
    printPair("music on the inputs, the key on the side-chain", "QuellmarV3 LV2", peerUri.c_str(), [&](int frames) {
        return byTurns(
            frames, [&](std::size_t at, int count) { runLv2(ours, streams.music, streams.key, at, count); },
            [&](std::size_t at, int count) { runLv2(peer, streams.music, streams.key, at, count); });
    });

    std::printf("a second instance (instantiate and activate, the first alive), median of 41\n");
    std::printf("  %-34s %10.1f us\n", "QuellmarV3 LV2", secondInstanceUs(host, kOurUri));
    std::printf("  %-34s %10.1f us\n", peerUri.c_str(), secondInstanceUs(host, peerUri));
    return 0;
}
