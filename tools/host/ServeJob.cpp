#include <windows.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "tools/host/Jobs.h"
#include "tools/host/PluginLoader.h"

namespace qmhost {

int serveJob(const std::string& modulePath, int count, float level, const std::string& stopEventName) {
    PluginModule module(modulePath);
    HANDLE stop = OpenEventA(SYNCHRONIZE, FALSE, stopEventName.c_str());
    if (!module.isLoaded() || stop == nullptr) return 1;
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

    while (WaitForSingleObject(stop, 1) == WAIT_TIMEOUT) {
        for (const auto& plugin : plugins) {
            plugin->processReplacing(key.data(), key.data(), out.data(), out.data(), kFrames);
        }
    }
    CloseHandle(stop);
    return 0;
}

}  // namespace qmhost
