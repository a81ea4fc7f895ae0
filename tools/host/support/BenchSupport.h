#pragma once
// What the benches of our host program and the LV2 bench share: timing per frame and in
// microseconds, the median, an instance started as hosts start it, and the threshold parameter
// found by its name.

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "tools/host/PluginLoader.h"

namespace qmhost {

using BenchClock = std::chrono::steady_clock;

inline double microseconds(BenchClock::duration duration) {
    return std::chrono::duration<double, std::micro>(duration).count();
}

// ns per frame of `block(position, frames)`, walking a stream of `streamFrames` frames over about
// 20 ms a run, the best of `runs` runs.
inline double nsPerFrame(int frames, std::size_t streamFrames, int runs,
                         const std::function<void(std::size_t, int)>& block) {
    double best = 1e30;
    for (int run = 0; run < runs; ++run) {
        const auto start = BenchClock::now();
        std::size_t position = 0;
        long long done = 0;
        while (BenchClock::now() - start < std::chrono::milliseconds(20) || done < 4) {
            for (int i = 0; i < 16; ++i) {
                if (position + static_cast<std::size_t>(frames) > streamFrames) position = 0;
                block(position, frames);
                position += static_cast<std::size_t>(frames);
                ++done;
            }
        }
        const double seconds = std::chrono::duration<double>(BenchClock::now() - start).count();
        best = std::min(best, seconds * 1e9 / (static_cast<double>(done) * frames));
    }
    return best;
}

inline double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A new instance opened, at 48 kHz, 512-frame blocks and resumed; null when the module made none.
inline qm::PluginRecord* createStarted(const PluginModule& module) {
    qm::PluginRecord* record = module.create();
    if (record == nullptr) return nullptr;
    record->dispatcher(record, qm::effOpen, 0, 0, nullptr, 0.0f);
    record->dispatcher(record, qm::effSetSampleRate, 0, 0, nullptr, 48000.0f);
    record->dispatcher(record, qm::effSetBlockSize, 0, 512, nullptr, 0.0f);
    record->dispatcher(record, qm::effMainsChanged, 0, 1, nullptr, 0.0f);
    return record;
}

// The index of the parameter whose name says threshold, or -1.
inline int thresholdIndex(const Plugin& plugin) {
    for (int i = 0; i < plugin.get()->numParams; ++i) {
        std::string name = plugin.text(qm::effGetParamName, i);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        if (name.find("thresh") != std::string::npos) return i;
    }
    return -1;
}

}  // namespace qmhost
