#include <gtest/gtest.h>

#include <cmath>

#include "cli/Presets.h"
#include "engine/Presets.h"

namespace qmduck {
namespace {

TEST(Presets, TheFileToolsPresetsAreTheEnginesDuckingWithPodcastsLoudnessAdded) {
    for (const qm::DuckingPreset& ducking : qm::duckingPresets()) {
        const Preset* preset = presetNamed(ducking.name);
        ASSERT_NE(preset, nullptr) << ducking.name;
        EXPECT_EQ(preset->ducking.attackMs, ducking.attackMs);
        EXPECT_EQ(preset->ducking.releaseMs, ducking.releaseMs);
        EXPECT_EQ(preset->ducking.thresholdDb, ducking.thresholdDb);
        EXPECT_EQ(preset->ducking.rangeDb, ducking.rangeDb);
        EXPECT_EQ(preset->ducking.holdMs, ducking.holdMs);
        EXPECT_EQ(preset->ducking.lookaheadMs, ducking.lookaheadMs);
        const bool podcast = std::string(ducking.name) == "podcast";
        EXPECT_EQ(std::isnan(preset->loudnessLufs), !podcast) << ducking.name;
        if (podcast) {
            EXPECT_EQ(preset->loudnessLufs, -16.0);
            EXPECT_EQ(preset->truePeakDbtp, -1.0);
        }
    }
    EXPECT_EQ(presetNamed("loud"), nullptr);
    EXPECT_EQ(presetNames(), "gentle, standard, strong, podcast");
}

}  // namespace
}  // namespace qmduck
