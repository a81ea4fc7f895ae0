#include <cstdio>
#include <memory>
#include <vector>

#include "tools/host/Jobs.h"
#include "tools/host/PluginLoader.h"
#include "tools/host/StopSignal.h"

namespace qmhost {

int serveJob(const std::string& modulePath, int count, float level, const std::string& stopEventName) {
    PluginModule module(modulePath);
    StopSignal stop(stopEventName);
    if (!module.isLoaded() || !stop.isValid()) return 1;
    constexpr int kFrames = 512;
    std::vector<float> key(kFrames, level);
    std::vector<float> out(kFrames);
    std::vector<std::unique_ptr<Plugin>> plugins;
    for (int i = 0; i < count; ++i) plugins.push_back(std::make_unique<Plugin>(module.create()));
    // The slots are reported once every instance has published its first block.
    std::printf("slots");
    for (const auto& plugin : plugins) {
        plugin->processReplacing(key.data(), key.data(), out.data(), out.data(), kFrames);
        std::printf(" %g", static_cast<double>(plugin->getParameter(0)));
    }
    std::printf("\n");
    std::fflush(stdout);

    while (!stop.waitMs(1)) {
        for (const auto& plugin : plugins) {
            plugin->processReplacing(key.data(), key.data(), out.data(), out.data(), kFrames);
        }
    }
    return 0;
}

}  // namespace qmhost
