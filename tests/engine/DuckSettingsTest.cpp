// The settings the core and the stream ducker read from the parameters, and the detector that
// follows them only on a change.

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "engine/EnvelopeDetector.h"
#include "engine/Parameters.h"

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
        EXPECT_EQ(settings.attackMs, 125.0f);
        EXPECT_EQ(settings.releaseMs, 250.0f);
        EXPECT_EQ(settings.thresholdDb, -72.0);
    }
}

TEST(DuckSettings, TheDetectorFollowsTheSettingsAndTheRateOnlyWhenTheyChange) {
    EnvelopeDetector detector;
    detector.follow(48000.0, 10.0, 100.0, -24.0);
    EXPECT_DOUBLE_EQ(detector.getThreshold(), -24.0);
    const double attackMs = detector.getAttack();
    // Set behind its back: the same settings again leave it alone.
    detector.setThreshold(-6.0);
    detector.follow(48000.0, 10.0, 100.0, -24.0);
    EXPECT_DOUBLE_EQ(detector.getThreshold(), -6.0);
    // A change of any value or of the rate sets the detector again.
    detector.follow(44100.0, 10.0, 100.0, -24.0);
    EXPECT_DOUBLE_EQ(detector.getThreshold(), -24.0);
    detector.follow(44100.0, 500.0, 100.0, -24.0);
    EXPECT_NE(detector.getAttack(), attackMs);
    EXPECT_DOUBLE_EQ(detector.getAttack(), 500.0);
    // What is not finite keeps the previous setting.
    detector.follow(44100.0, std::nan(""), 100.0, -INFINITY);
    EXPECT_DOUBLE_EQ(detector.getAttack(), 500.0);
    EXPECT_DOUBLE_EQ(detector.getThreshold(), -24.0);
}

}  // namespace
}  // namespace qm
