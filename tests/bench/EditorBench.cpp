// The editor bench: what an open editor and a new instance cost a host, measured from outside
// through the module's entry in a host window under Xvfb, for our module and, when given, a peer
// module in the same run. Per call, the median of many: an editor idle call with nothing changed;
// one after the threshold changed; a full redraw (the whole window exposed, then one idle call);
// instance creation (create, open, sample rate, block size, resume) for the first and the later
// instances; the editor's open call at 1x and 2x (QUELLMAR_SCALE, ignored by peers); heap memory
// per live instance. Figures are printed, never checked.
// Usage: quellmar_editor_bench MODULE [PEER-MODULE]

#include <X11/Xlib.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <string>
#include <vector>

#include "tools/host/support/BenchSupport.h"
#include "tools/host/support/x11/X11HostWindow.h"

namespace {

using Clock = qmhost::BenchClock;
using qmhost::Plugin;
using qmhost::PluginModule;
using qmhost::createStarted;
using qmhost::median;
using qmhost::microseconds;
using qmhost::thresholdIndex;

// Heap memory in use in this process (small blocks and mapped large ones) in KiB.
double heapInUseKib() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / 1024.0;
}

void idle(const Plugin& plugin) { plugin.dispatch(qm::effEditIdle); }

void benchModule(const std::string& path, bool ours) {
    PluginModule module(path);
    std::printf("%s\n", path.c_str());
    if (!module.isLoaded()) {
        std::printf("  cannot load the module\n");
        return;
    }
    // Instances made and closed one after the other (each takes a slot, as in a host loading a
    // project), the first of the process apart; then 40 kept alive for the memory figure.
    std::vector<double> creations;
    for (int i = 0; i < 41; ++i) {
        const auto start = Clock::now();
        qm::PluginRecord* record = createStarted(module);
        creations.push_back(microseconds(Clock::now() - start));
        Plugin closed(record);
    }
    std::printf("  %-44s %10.1f us\n", "instance creation, the first", creations.front());
    std::printf("  %-44s %10.1f us\n", "instance creation, later ones (median)",
                median(std::vector<double>(creations.begin() + 1, creations.end())));
    {
        // The same while another instance keeps the key bus open, as in a host with a project open.
        Plugin keeper(createStarted(module));
        std::vector<double> beside;
        for (int i = 0; i < 40; ++i) {
            const auto start = Clock::now();
            qm::PluginRecord* record = createStarted(module);
            beside.push_back(microseconds(Clock::now() - start));
            Plugin closed(record);
        }
        std::printf("  %-44s %10.1f us\n", "instance creation beside a live one (median)", median(beside));
    }
    std::vector<std::unique_ptr<Plugin>> instances;
    const double kibBefore = heapInUseKib();
    for (int i = 0; i < 40; ++i) instances.push_back(std::make_unique<Plugin>(createStarted(module)));
    std::printf("  %-44s %10.0f KiB\n", "heap memory per live instance", (heapInUseKib() - kibBefore) / 40.0);
    instances.clear();

    qmx11::HostWindow host;
    for (const char* scale : ours ? std::vector<const char*>{"1", "2"} : std::vector<const char*>{"1"}) {
        setenv("QUELLMAR_SCALE", scale, 1);
        Plugin plugin(createStarted(module));
        std::vector<double> opens;
        for (int i = 0; i < 12; ++i) {
            const auto start = Clock::now();
            plugin.dispatch(qm::effEditOpen, 0, 0, host.handle());
            opens.push_back(microseconds(Clock::now() - start));
            qmx11::pump(plugin.get(), 3);
            plugin.dispatch(qm::effEditClose);
        }
        const std::string at = ours ? std::string(" at ") + scale + "x" : "";
        std::printf("  %-44s %10.1f us\n", ("editor open" + at + " (median)").c_str(), median(opens));

        plugin.dispatch(qm::effEditOpen, 0, 0, host.handle());
        for (int i = 0; i < 60; ++i) idle(plugin);  // the first paint, the meter settling
        std::vector<double> quiet;
        for (int i = 0; i < 2000; ++i) {
            const auto start = Clock::now();
            idle(plugin);
            quiet.push_back(microseconds(Clock::now() - start));
        }
        std::printf("  %-44s %10.1f us\n", ("idle, nothing changed" + at).c_str(), median(quiet));
        const int threshold = thresholdIndex(plugin);
        std::vector<double> changed;
        for (int i = 0; i < 400 && threshold >= 0; ++i) {
            plugin.setParameter(threshold, i % 2 == 0 ? 0.3f : 0.6f);
            const auto start = Clock::now();
            idle(plugin);
            changed.push_back(microseconds(Clock::now() - start));
        }
        std::printf("  %-44s %10.1f us\n", ("idle after one threshold change" + at).c_str(), median(changed));
        const Window editor = host.editorWindow();
        std::vector<double> full;
        for (int i = 0; i < 200 && editor != 0; ++i) {
            XClearArea(host.display(), editor, 0, 0, 0, 0, True);
            XSync(host.display(), False);
            const auto start = Clock::now();
            idle(plugin);
            full.push_back(microseconds(Clock::now() - start));
        }
        std::printf("  %-44s %10.1f us\n", ("full redraw (window exposed, one idle)" + at).c_str(), median(full));
        plugin.dispatch(qm::effEditClose);
    }
    unsetenv("QUELLMAR_SCALE");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MODULE [PEER-MODULE]\n", argv[0]);
        return 2;
    }
    std::printf("editor and instance costs per call, Xvfb\n");
    benchModule(argv[1], true);
    if (argc > 2) benchModule(argv[2], false);
    return 0;
}
