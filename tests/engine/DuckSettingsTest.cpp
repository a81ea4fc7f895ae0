// The settings the core and the stream ducker read from the parameters, and the chain that follows
// them only on a change.

#include <gtest/gtest.h>

#include <array>

#include "engine/DuckChain.h"

namespace qm {
namespace {

DuckSettings settingsOf(const std::array<float, kParameterCount>& values) {
    return duckSettingsOf([&values](std::int32_t index) { return values[static_cast<std::size_t>(index)]; });
}

TEST(DuckSettings, BypassAtExactlyOneAndDuckModeFromAHalfUp) {
    struct Case {
        float bypass;
        float duckKey;
        bool bypassed;
        bool keyMode;
    } cases[] = {
        {1.0f, 1.0f, true, false}, {0.99f, 1.0f, false, false}, {0.0f, 0.5f, false, false},
        {0.0f, 0.49f, false, true}, {0.0f, 0.0f, false, true},
    };
    for (const Case& c : cases) {
        std::array<float, kParameterCount> values{};
        values[ParamBypass] = c.bypass;
        values[ParamDuckKey] = c.duckKey;
        values[ParamAttack] = 0.25f;
        values[ParamRelease] = 0.5f;
        values[ParamThreshold] = 0.75f;
        const DuckSettings settings = settingsOf(values);
        EXPECT_EQ(settings.bypassed, c.bypassed) << c.bypass;
        EXPECT_EQ(settings.keyMode, c.keyMode) << c.duckKey;
        EXPECT_EQ(settings.attackValue, 0.25f);
        EXPECT_EQ(settings.releaseValue, 0.5f);
        EXPECT_EQ(settings.thresholdValue, 0.75f);
    }
}

TEST(DuckSettings, TheDetectorFollowsTheSettingsAndTheRateOnlyWhenTheyChange) {
    DuckChain chain;
    DuckSettings settings;
    settings.thresholdValue = 0.25f;
    chain.follow(48000.0f, settings);
    EXPECT_DOUBLE_EQ(chain.detector().getThreshold(), -24.0);
    const double attackMs = chain.detector().getAttack();
    // Set behind the chain's back: the same settings again leave it alone.
    chain.detector().setThreshold(-6.0);
    chain.follow(48000.0f, settings);
    EXPECT_DOUBLE_EQ(chain.detector().getThreshold(), -6.0);
    // A change of any value or of the rate sets the detector again.
    chain.follow(44100.0f, settings);
    EXPECT_DOUBLE_EQ(chain.detector().getThreshold(), -24.0);
    settings.attackValue = 0.5f;
    chain.follow(44100.0f, settings);
    EXPECT_NE(chain.detector().getAttack(), attackMs);
    EXPECT_DOUBLE_EQ(chain.detector().getAttack(), 500.0);
}

}  // namespace
}  // namespace qm
