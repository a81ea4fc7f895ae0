#include "cli/ducking/TraceFiles.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace qmduck {

std::string titleFor(const DuckOptions& options) {
    std::string keys;
    for (const std::string& key : options.keyPaths) {
        keys += (keys.empty() ? "" : " + ") + std::filesystem::path(key).filename().string();
    }
    const bool duck = qm::isDuckMode(options.parameters[qm::ParamDuckKey]);
    std::string title = std::filesystem::path(options.inputPath).filename().string() +
                        (duck ? " ducked by " : " keyed by ") + keys;
    return title.size() > 60 ? title.substr(0, 57) + "..." : title;
}

bool isShaped(const Shaping& shaping) {
    return shaping.rangeDb > 0.0 || shaping.holdMs > 0.0 || shaping.lookaheadMs > 0.0;
}

// The settings in force on one line, as "name value unit" pairs (`separator` between them).
std::string settingsLine(const DuckOptions& options, const char* separator, bool withUnits) {
    const auto& p = options.parameters;
    char text[256];
    const char* format = withUnits
        ? "threshold %.1f dB%sattack %.1f ms%srelease %.1f ms%shold %.0f ms%slook-ahead %.0f ms%srange %s"
        : "threshold_db=%.1f%sattack_ms=%.1f%srelease_ms=%.1f%shold_ms=%.0f%slookahead_ms=%.0f%srange_db=%s";
    char range[32] = "none";
    if (options.shaping.rangeDb > 0.0) std::snprintf(range, sizeof range, withUnits ? "%.1f dB" : "%.1f", options.shaping.rangeDb);
    std::snprintf(text, sizeof text, format, qm::thresholdDbFor(p[qm::ParamThreshold]), separator,
                  static_cast<double>(qm::attackMsFor(p[qm::ParamAttack])), separator,
                  static_cast<double>(qm::releaseMsFor(p[qm::ParamRelease])), separator, options.shaping.holdMs, separator,
                  options.shaping.lookaheadMs, separator, range);
    // What makes the finished file, when asked for.
    const Finishing& f = options.finishing;
    std::string line = text;
    char more[96];
    if (f.mix) line += std::string(separator) + (withUnits ? "mixed with the keys" : "mix=1");
    if (f.hasLoudness()) {
        std::snprintf(more, sizeof more, withUnits ? "%sloudness %.1f LUFS" : "%sloudness_lufs=%.1f", separator, f.loudnessLufs);
        line += more;
    }
    if (!std::isnan(f.ceilingDbtp())) {
        std::snprintf(more, sizeof more, withUnits ? "%strue peak %.1f dBTP" : "%strue_peak_dbtp=%.1f", separator, f.ceilingDbtp());
        line += more;
    }
    return line;
}

}  // namespace qmduck
