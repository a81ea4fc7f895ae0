#pragma once
// What the editor benches of our host program share: timing in microseconds, the median, an
// instance started as hosts start it, and the threshold parameter found by its name.

#include <algorithm>
#include <cctype>
#include <chrono>
#include <string>
#include <vector>

#include "tools/host/PluginLoader.h"

namespace qmhost {

using BenchClock = std::chrono::steady_clock;

inline double microseconds(BenchClock::duration duration) {
    return std::chrono::duration<double, std::micro>(duration).count();
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
