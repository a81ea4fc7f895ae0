// Writes the file tool's presets as JSON for the page (dist/web/presets.json), so that the page's
// presets are the tool's table itself:
//   quellmar_web_presets OUT.json
// Each preset: name, rangeDb, holdMs, lookaheadMs, attackMs, releaseMs, thresholdDb, and for a
// finished episode loudnessLufs and truePeakDbtp (null for ducking alone).

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "cli/Presets.h"

namespace {

std::string number(double value) {
    if (std::isnan(value)) return "null";
    std::ostringstream text;
    text << value;
    return text.str();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quellmar_web_presets OUT.json\n");
        return 2;
    }
    std::string json = "[\n";
    std::istringstream names(qmduck::presetNames());
    std::string name;
    bool first = true;
    while (std::getline(names, name, ',')) {
        while (!name.empty() && name.front() == ' ') name.erase(0, 1);
        const qmduck::Preset* preset = qmduck::presetNamed(name);
        if (preset == nullptr) return 1;
        json += std::string(first ? "" : ",\n") + "  {\"name\": \"" + preset->name + "\", \"rangeDb\": " +
                number(preset->ducking.rangeDb) + ", \"holdMs\": " + number(preset->ducking.holdMs) +
                ", \"lookaheadMs\": " + number(preset->ducking.lookaheadMs) + ", \"attackMs\": " + number(preset->ducking.attackMs) +
                ", \"releaseMs\": " + number(preset->ducking.releaseMs) + ", \"thresholdDb\": " +
                number(preset->ducking.thresholdDb) + ", \"loudnessLufs\": " + number(preset->loudnessLufs) +
                ", \"truePeakDbtp\": " + number(preset->truePeakDbtp) + "}";
        first = false;
    }
    json += "\n]\n";
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr) return 1;
    const bool written = std::fwrite(json.data(), 1, json.size(), out) == json.size();
    return std::fclose(out) == 0 && written ? 0 : 1;
}
