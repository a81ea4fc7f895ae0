// Writes the file tool's presets and its plan for encoded episodes as JSON for the page
// (dist/web/presets.json and finishing.json), so that the page's are the tool's own:
//   quellmar_web_presets PRESETS.json FINISHING.json
// Each preset: name, rangeDb, holdMs, lookaheadMs, attackMs, releaseMs, thresholdDb, and for a
// finished episode loudnessLufs and truePeakDbtp (null for ducking alone). The plan: for each
// encoded type the page writes, how far under the ceiling the limiter aims (marginDb) and how much
// louder the encoder is fed (shiftLu), and how far off the target an encoded episode may land
// before it is made again (retryLu).

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "cli/Presets.h"
#include "cli/finishing/FinishPlan.h"

namespace {

std::string number(double value) {
    if (std::isnan(value)) return "null";
    std::ostringstream text;
    text << value;
    return text.str();
}

bool writeFile(const char* path, const std::string& text) {
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return std::fclose(out) == 0 && written;
}

// The page's MP3 is LAME at this bitrate; Opus and AAC are the browser's.
constexpr int kPageMp3BitrateKbps = 192;

std::string finishingJson() {
    using qmduck::EncodedType;
    using qmduck::FinishPlan;
    const auto type = [](const char* name, EncodedType encoded, int bitrateKbps) {
        return std::string("\"") + name + "\": {\"marginDb\": " + number(FinishPlan::lossyMarginDb(encoded)) +
               ", \"shiftLu\": " + number(FinishPlan::expectedShiftLu(encoded, bitrateKbps)) + "}";
    };
    return "{\"retryLu\": " + number(FinishPlan::kRetryLu) + ", \"encoders\": {" +
           type("mp3", EncodedType::Mp3, kPageMp3BitrateKbps) + ", " + type("opus", EncodedType::OggOpus, 0) + ", " +
           type("m4a", EncodedType::M4a, 0) + "}}\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: quellmar_web_presets PRESETS.json FINISHING.json\n");
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
    return writeFile(argv[1], json) && writeFile(argv[2], finishingJson()) ? 0 : 1;
}
