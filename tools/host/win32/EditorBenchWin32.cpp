// The editor bench of our Windows host program: what an open editor and a new instance cost a
// host, measured through the module's entry in a window of our own (under Wine, its GDI). Per
// call, the median of many: instance creation (create, open, sample rate, block size, resume)
// for the first and the later instances; the editor's open call at 1x and 2x (QUELLMAR_SCALE);
// an idle call with nothing changed; one after the threshold changed; a full redraw (the whole
// editor invalidated and painted). Figures are printed, never checked.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/host/support/BenchSupport.h"
#include "tools/host/EditorWindow.h"
#include "tools/host/Jobs.h"

namespace qmhost {
namespace {

using Clock = BenchClock;

void print(const std::string& what, double value) { std::printf("  %-44s %10.1f us\n", what.c_str(), value); }

template <typename Action>
std::vector<double> timed(int count, Action action) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        const auto start = Clock::now();
        action(i);
        times.push_back(microseconds(Clock::now() - start));
    }
    return times;
}

}  // namespace

int editorBenchJob(const std::string& modulePath) {
    PluginModule module(modulePath);
    std::printf("editor and instance costs per call, %d-bit host\n%s\n", static_cast<int>(8 * sizeof(void*)),
                modulePath.c_str());
    if (!module.isLoaded()) {
        std::printf("  cannot load the module\n");
        return 1;
    }
    const std::vector<double> creations = timed(41, [&](int) { Plugin closed(createStarted(module)); });
    print("instance creation, the first", creations.front());
    print("instance creation, later ones (median)", median({creations.begin() + 1, creations.end()}));
    {
        // The same while another instance keeps the key bus open, as in a host with a project open.
        Plugin keeper(createStarted(module));
        print("instance creation beside a live one (median)",
              median(timed(40, [&](int) { Plugin closed(createStarted(module)); })));
    }

    HostWindow host;
    for (const char* scale : {"1", "2"}) {
        const std::string setting = std::string("QUELLMAR_SCALE=") + scale;
        _putenv(setting.c_str());
        const std::string at = std::string(" at ") + scale + "x";
        Plugin plugin(createStarted(module));
        std::vector<double> opens;
        for (int i = 0; i < 12; ++i) {
            const auto start = Clock::now();
            plugin.dispatch(qm::effEditOpen, 0, 0, host.handle());
            opens.push_back(microseconds(Clock::now() - start));
            pump(plugin.get(), 3);
            plugin.dispatch(qm::effEditClose);
        }
        print("editor open" + at + " (median)", median(opens));

        plugin.dispatch(qm::effEditOpen, 0, 0, host.handle());
        pump(plugin.get(), 60);  // the first paint, the meter settling
        print("idle, nothing changed" + at, median(timed(2000, [&](int) { plugin.dispatch(qm::effEditIdle); })));
        const int threshold = thresholdIndex(plugin);
        print("idle after one threshold change" + at, median(timed(400, [&](int i) {
                  plugin.setParameter(threshold, i % 2 == 0 ? 0.3f : 0.6f);
                  plugin.dispatch(qm::effEditIdle);
              })));
        const HWND editor = host.editorWindow();
        print("full redraw (editor invalidated, painted)" + at, median(timed(200, [&](int) {
                  InvalidateRect(editor, nullptr, FALSE);
                  UpdateWindow(editor);
              })));
        plugin.dispatch(qm::effEditClose);
    }
    _putenv("QUELLMAR_SCALE=");
    return 0;
}

}  // namespace qmhost
