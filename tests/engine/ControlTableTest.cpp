#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/ControlTable.h"
#include "engine/Parameters.h"

namespace qm {
namespace {

TEST(ControlTable, TheNineParametersDefaultsInUserUnitsMapBackToTheStoredDefaultsExactly) {
    for (std::int32_t index = ParamInputAlpha; index <= ParamThreshold; ++index) {
        const std::int32_t id = controlForParameter(index);
        ASSERT_GE(id, 0) << index;
        const ControlInfo& info = controlInfo(static_cast<ControlId>(id));
        EXPECT_EQ(info.parameter, index);
        EXPECT_EQ(parameterValueFor(static_cast<ControlId>(id), info.defaultValue), kParameterDefaults[index])
            << info.symbol;
        EXPECT_STREQ(info.name, kParameterNames[index]);
    }
    EXPECT_NEAR(controlInfo(ControlAttack).defaultValue, 78.87, 0.005);
    EXPECT_NEAR(controlInfo(ControlRelease).defaultValue, 39.43, 0.005);
    EXPECT_EQ(controlInfo(ControlThreshold).defaultValue, -48.0f);
    // The host's bypass switch processes by default; the engine's parameters and state have none.
    EXPECT_EQ(controlForParameter(ParamBypass), ControlEnabled);
    EXPECT_EQ(parameterValueFor(ControlEnabled, controlInfo(ControlEnabled).defaultValue), 0.0f);
    EXPECT_EQ(controlForParameter(ParamOwnSlot), -1);
    EXPECT_EQ(controlForParameter(ParamMeter), -1);
}

TEST(ControlTable, UserUnitsConvertToTheStoredValuesTheFileToolUsesAndBack) {
    struct Case {
        ControlId id;
        float controlValue;
        float parameterValue;
    } cases[] = {
        {ControlEnabled, 1.0f, 0.0f},        {ControlEnabled, 0.0f, 1.0f},
        {ControlInputGamma, 1.0f, 1.0f},     {ControlDuckKey, 1.0f, 1.0f},
        {ControlDuckKey, 0.0f, 0.0f},        {ControlAttack, 2000.0f, 1.0f},
        {ControlAttack, 500.0f, 0.5f},       {ControlAttack, 0.0f, 0.0f},
        {ControlRelease, 1000.0f, 1.0f},     {ControlRelease, 250.0f, 0.5f},
        {ControlThreshold, -96.0f, 1.0f},    {ControlThreshold, -24.0f, 0.25f},
        {ControlThreshold, 0.0f, 0.0f},      {ControlRange, 12.0f, 12.0f},
        {ControlHold, 300.0f, 300.0f},       {ControlLookahead, 30.0f, 30.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parameterValueFor(c.id, c.controlValue), c.parameterValue) << controlInfo(c.id).symbol;
        EXPECT_EQ(controlValueFor(c.id, c.parameterValue), c.controlValue) << controlInfo(c.id).symbol;
    }
    EXPECT_EQ(storedValueForUserValue(ControlAttack, 10.0), static_cast<float>(std::sqrt(10.0 / 2000.0)));
    EXPECT_EQ(storedValueForUserValue(ControlRelease, 300.0), static_cast<float>(std::sqrt(300.0 / 1000.0)));
    EXPECT_EQ(storedValueForUserValue(ControlThreshold, -30.0), static_cast<float>(-30.0 / -96.0));
}

TEST(ControlTable, ValuesOutsideTheRangeAreLimitedAndNotANumberGivesTheDefault) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    struct Case {
        ControlId id;
        float given;
        float limited;
    } cases[] = {
        {ControlAttack, -5.0f, 0.0f},        {ControlAttack, 1e9f, 2000.0f},
        {ControlAttack, infinity, 2000.0f},  {ControlThreshold, 6.0f, 0.0f},
        {ControlThreshold, -infinity, -96.0f}, {ControlLookahead, 51.0f, 50.0f},
        {ControlRange, -1.0f, 0.0f},         {ControlEnabled, 0.7f, 1.0f},
        {ControlEnabled, 0.3f, 1.0f},        {ControlDuckKey, 3.0f, 1.0f},
        {ControlInputAlpha, -2.0f, 0.0f},    {ControlHold, 12.5f, 12.5f},
        {ControlEnabled, 0.5f, 1.0f},        {ControlEnabled, 0.0f, 0.0f},
        {ControlInputBeta, 1e-6f, 1.0f},     {ControlDuckKey, 0.5f, 1.0f},
        {ControlDuckKey, 0.49f, 0.0f},       {ControlDuckKey, -infinity, 0.0f},
    };
    for (const Case& c : cases) EXPECT_EQ(limitedControlValue(c.id, c.given), c.limited) << controlInfo(c.id).symbol;
    for (std::int32_t id = 0; id < kControlCount; ++id) {
        const auto control = static_cast<ControlId>(id);
        EXPECT_EQ(limitedControlValue(control, nan), controlInfo(control).defaultValue) << controlInfo(control).symbol;
        EXPECT_FALSE(std::isnan(parameterValueFor(control, nan))) << controlInfo(control).symbol;
    }
}

TEST(ControlTable, EveryRowHasASymbolAUnitForContinuousControlsAndChoicesNamed) {
    for (std::int32_t id = 0; id < kControlCount; ++id) {
        const ControlInfo& info = controlInfo(static_cast<ControlId>(id));
        ASSERT_NE(info.symbol, nullptr);
        EXPECT_EQ(std::strspn(info.symbol, "abcdefghijklmnopqrstuvwxyz0123456789_"), std::strlen(info.symbol));
        EXPECT_LT(info.minimum, info.maximum) << info.symbol;
        EXPECT_GE(info.defaultValue, info.minimum) << info.symbol;
        EXPECT_LE(info.defaultValue, info.maximum) << info.symbol;
        EXPECT_EQ(info.kind == ControlKind::Continuous, std::strlen(info.unit) > 0) << info.symbol;
        EXPECT_EQ(info.kind == ControlKind::Choice, info.choices != nullptr) << info.symbol;
    }
    EXPECT_STREQ(controlInfo(ControlDuckKey).choices[0], "key");
    EXPECT_STREQ(controlInfo(ControlDuckKey).choices[1], "duck");
}

}  // namespace
}  // namespace qm
