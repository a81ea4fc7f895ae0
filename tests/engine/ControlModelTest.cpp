#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <cstring>

#include "engine/ControlOutputs.h"
#include "engine/ControlTable.h"
#include "engine/DuckerCore.h"
#include "engine/LocalKeyBus.h"
#include "engine/Parameters.h"
#include "engine/Presets.h"

namespace qm {
namespace {

// Stored values a host may set, ends and odd values included.
constexpr float kStoredValues[] = {0.0f, 1e-30f, 0.001f, 0.1f, 0.19858247f, 0.25f, 0.3333333f, 0.4999999f,
                                   0.5f, 0.5000001f, 0.7f, 0.9999999f, 1.0f, 1.5f, -0.25f};

TEST(ControlModel, EveryParameterReadsAsItsControlExactlyAsTheEngineAlwaysHas) {
    for (const float v : kStoredValues) {
        EXPECT_EQ(controlValueFor(ControlAttack, v), v * v * 2000.0f) << v;
        EXPECT_EQ(controlValueFor(ControlRelease, v), v * v * 1000.0f) << v;
        EXPECT_EQ(controlValueFor(ControlThreshold, v), v * -96.0f) << v;
        EXPECT_EQ(controlValueFor(ControlEnabled, v), v == 1.0f ? 0.0f : 1.0f) << v;
        EXPECT_EQ(controlValueFor(ControlInputBeta, v), v == 1.0f ? 1.0f : 0.0f) << v;
        EXPECT_EQ(controlValueFor(ControlDuckKey, v), v >= 0.5f ? 1.0f : 0.0f) << v;
        EXPECT_EQ(attackMsFor(v), v == 0.0f ? 2.0f : v * v * 2000.0f) << v;
        EXPECT_EQ(releaseMsFor(v), v == 0.0f ? 1.0f : v * v * 1000.0f) << v;
        EXPECT_EQ(thresholdDbFor(v), static_cast<double>(v) * -96.0) << v;
        EXPECT_EQ(isSwitchOn(v), v == 1.0f) << v;
        EXPECT_EQ(isDuckMode(v), v >= 0.5f) << v;
    }
}

TEST(ControlModel, EveryControlRoundTripsThroughItsStoredValue) {
    for (std::int32_t index = 0; index < kControlCount; ++index) {
        const auto id = static_cast<ControlId>(index);
        const ControlInfo& info = controlInfo(id);
        const float mid = info.minimum + (info.maximum - info.minimum) * 0.37f;
        for (const float user : {info.minimum, info.maximum, info.defaultValue, mid}) {
            const float limited = limitedControlValue(id, user);
            const float back = controlValueFor(id, parameterValueFor(id, user));
            const float tolerance = info.kind == ControlKind::Continuous ? 1e-5f * (info.maximum - info.minimum) : 0.0f;
            EXPECT_NEAR(back, limited, tolerance) << info.symbol << " at " << user;
        }
        EXPECT_GE(info.decimals, 0) << info.symbol;
        EXPECT_EQ(info.decimals > 0, info.kind == ControlKind::Continuous) << info.symbol;
    }
    // The file tool's options (in double) take the same curves.
    EXPECT_EQ(storedValueForUserValue(ControlAttack, 78.0), parameterValueFor(ControlAttack, 78.0f));
    EXPECT_EQ(storedValueForUserValue(ControlRelease, 39.0), parameterValueFor(ControlRelease, 39.0f));
    EXPECT_EQ(storedValueForUserValue(ControlThreshold, -48.5), parameterValueFor(ControlThreshold, -48.5f));
}

TEST(ControlModel, TheExtendedControlValueGivesBackEveryStoredValueExactly) {
    const float odd[] = {0.0f, -0.0f, 0.7f, 1.0f, 1.5f, -3.0f, 1e-40f, -2e-38f, 3.4e38f, 0.3333333f,
                         std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN()};
    for (std::int32_t index = 0; index < kControlCount; ++index) {
        const auto id = static_cast<ControlId>(index);
        for (const float stored : odd) {
            const float back = parameterValueForExtended(id, extendedControlValueFor(id, stored));
            EXPECT_EQ(std::bit_cast<std::uint32_t>(back), std::bit_cast<std::uint32_t>(stored))
                << controlInfo(id).symbol << " at " << stored;
        }
        // Within the range the extended value is the control value.
        const bool continuous = controlInfo(id).kind == ControlKind::Continuous;
        for (const float stored : {0.0f, continuous ? 0.25f : 0.0f, 1.0f}) {
            EXPECT_EQ(static_cast<float>(extendedControlValueFor(id, stored)), controlValueFor(id, stored))
                << controlInfo(id).symbol;
        }
    }
}

TEST(ControlModel, TheExtendedControlValueKeepsEveryNotANumbersPayloadAndKind) {
    // Quiet and signalling, either sign, payloads at the top and the bottom of the float's bits.
    const std::uint32_t nans[] = {0x7FC00000u, 0xFFC00000u, 0x7FC00001u, 0x7FFFFFFFu, 0xFFA5A5A5u,
                                  0x7F800001u, 0xFF800001u, 0x7FBFFFFFu, 0x7F812345u};
    for (std::int32_t index = 0; index < kControlCount; ++index) {
        const auto id = static_cast<ControlId>(index);
        for (const std::uint32_t bits : nans) {
            const double extended = extendedControlValueFor(id, std::bit_cast<float>(bits));
            EXPECT_TRUE(std::isnan(extended)) << controlInfo(id).symbol;
            const float back = parameterValueForExtended(id, extended);
            std::uint32_t expected = bits;
#if defined(__i386__)
            // A 32-bit x86 build returns floating-point values in x87 registers, which quiet a
            // signalling NaN on the way.
            expected |= 0x00400000u;
#endif
            EXPECT_EQ(std::bit_cast<std::uint32_t>(back), expected)
                << controlInfo(id).symbol << " at " << std::hex << bits;
        }
    }
    // A double NaN whose payload lies below the float's bits comes back as the quiet NaN of its sign.
    const float fromLowPayload = parameterValueForExtended(ControlAttack, std::bit_cast<double>(0xFFF0000000000001ull));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(fromLowPayload), 0xFFC00000u);
}

TEST(ControlModel, PresetsStayWithinTheControlsRangesAndSetDuckMode) {
    ASSERT_EQ(duckingPresets().size(), 4u);
    const char* names[] = {"gentle", "standard", "strong", "podcast"};
    for (std::size_t i = 0; i < 4; ++i) {
        const DuckingPreset& preset = duckingPresets()[i];
        EXPECT_STREQ(preset.name, names[i]);
        EXPECT_EQ(duckingPresetNamed(names[i]), &preset);
        const std::vector<ControlSetting> settings = presetSettings(preset);
        ASSERT_EQ(settings.size(), 7u);
        EXPECT_EQ(settings[0].id, ControlDuckKey);
        EXPECT_EQ(settings[0].value, 1.0);
        for (const ControlSetting& setting : settings) {
            const ControlInfo& info = controlInfo(setting.id);
            EXPECT_GE(setting.value, info.minimum) << preset.name << " " << info.symbol;
            EXPECT_LE(setting.value, info.maximum) << preset.name << " " << info.symbol;
        }
    }
    EXPECT_EQ(duckingPresetNamed("loud"), nullptr);
    const std::vector<ControlSetting> defaults = defaultSettings();
    ASSERT_EQ(defaults.size(), static_cast<std::size_t>(kControlCount - 1));
    for (const ControlSetting& setting : defaults) {
        EXPECT_NE(setting.id, ControlEnabled);
        EXPECT_EQ(setting.value, controlInfo(setting.id).defaultValue);
    }
}

TEST(ControlModel, OutputsAreDescribedOnceWithTheirRanges) {
    struct Row {
        OutputId id;
        const char* symbol;
        float minimum;
        float maximum;
    } rows[] = {{OutputSlot, "slot", -1.0f, 3.0f}, {OutputMeter, "meter", 0.0f, 1.0f}, {OutputLatency, "latency", 0.0f, 19200.0f}};
    for (const Row& row : rows) {
        const OutputInfo& info = outputInfo(row.id);
        EXPECT_STREQ(info.symbol, row.symbol);
        EXPECT_EQ(info.minimum, row.minimum) << row.symbol;
        EXPECT_EQ(info.maximum, row.maximum) << row.symbol;
        EXPECT_GT(std::strlen(info.comment), 0u) << row.symbol;
    }
    EXPECT_STREQ(outputInfo(OutputSlot).choices[0], "none");
    EXPECT_STREQ(outputInfo(OutputSlot).choices[4], "Delta");
}

TEST(ControlModel, TheCoreTakesControlsInUserUnitsAsTheirStoredValuesOrTheChainsShaping) {
    LocalKeyBus bus;
    DuckerCore core(bus, 64);
    const float userValues[] = {0.0f, 1.0f, 1.0f, 0.0f, 1.0f, 20.0f, 400.0f, 1.0f, -40.0f};
    for (std::int32_t id = ControlEnabled; id <= ControlThreshold; ++id) {
        const auto control = static_cast<ControlId>(id);
        core.setControl(control, userValues[id], 48000.0);
        EXPECT_EQ(core.getParameter(controlInfo(control).parameter), parameterValueFor(control, userValues[id]))
            << controlInfo(control).symbol;
    }
    ASSERT_TRUE(core.prepareShaping(48000.0, 2000.0, 50.0));
    core.setControl(ControlLookahead, 10.0f, 48000.0);
    EXPECT_EQ(core.lookaheadFrames(), 480);
}

}  // namespace
}  // namespace qm
