#include "engine/ControlTable.h"

#include <cmath>

#include "engine/Parameters.h"

namespace qm {
namespace {

constexpr const char* kDuckKeyChoices[] = {"key", "duck"};
constexpr ControlCurve kSwitch{CurveKind::Switch};
constexpr ControlCurve kDirect{CurveKind::Direct};

// The defaults of the nine parameters in user units.
constexpr float userDefault(ControlCurve curve, std::int32_t index) {
    return userValueOnCurve(curve, kParameterDefaults[index]);
}

// The host's bypass switch starts on processing, as hosts show a new instance; docs/lv2.md says why.
constexpr ControlInfo kControls[kControlCount] = {
    {"enabled", "Enabled", ParamBypass, ControlKind::Toggle, {CurveKind::InvertedSwitch}, "", 0, 0.0f, 1.0f, 1.0f,
     nullptr,
     "Processes the audio; off passes it through unchanged while the input is still published on the key bus."},
    {"input_alpha", kParameterNames[ParamInputAlpha], ParamInputAlpha, ControlKind::Toggle, kSwitch, "", 0, 0.0f,
     1.0f, userDefault(kSwitch, ParamInputAlpha), nullptr, "Listens to the key bus slot Alpha."},
    {"input_beta", kParameterNames[ParamInputBeta], ParamInputBeta, ControlKind::Toggle, kSwitch, "", 0, 0.0f, 1.0f,
     userDefault(kSwitch, ParamInputBeta), nullptr, "Listens to the key bus slot Beta."},
    {"input_gamma", kParameterNames[ParamInputGamma], ParamInputGamma, ControlKind::Toggle, kSwitch, "", 0, 0.0f,
     1.0f, userDefault(kSwitch, ParamInputGamma), nullptr, "Listens to the key bus slot Gamma."},
    {"input_delta", kParameterNames[ParamInputDelta], ParamInputDelta, ControlKind::Toggle, kSwitch, "", 0, 0.0f,
     1.0f, userDefault(kSwitch, ParamInputDelta), nullptr, "Listens to the key bus slot Delta."},
    {"attack", kParameterNames[ParamAttack], ParamAttack, ControlKind::Continuous, kAttackCurve, "ms", 1, 0.0f,
     2000.0f, userDefault(kAttackCurve, ParamAttack), nullptr, "How fast the gain follows a rising key; 0 gives 2 ms."},
    {"release", kParameterNames[ParamRelease], ParamRelease, ControlKind::Continuous, kReleaseCurve, "ms", 1, 0.0f,
     1000.0f, userDefault(kReleaseCurve, ParamRelease), nullptr,
     "How fast the gain follows a falling key; 0 gives 1 ms."},
    // Stored below 0.5 at construction (key mode), shown as the choice it starts on.
    {"duck_key", kParameterNames[ParamDuckKey], ParamDuckKey, ControlKind::Choice, {CurveKind::Choice}, "", 0, 0.0f,
     1.0f, userDefault({CurveKind::Choice}, ParamDuckKey), kDuckKeyChoices,
     "Duck lowers the audio while the key is loud; key lets it through only then."},
    {"threshold", kParameterNames[ParamThreshold], ParamThreshold, ControlKind::Continuous, kThresholdCurve, "dB", 1,
     -96.0f, 0.0f, userDefault(kThresholdCurve, ParamThreshold), nullptr,
     "The key level above which the gain falls, by as many dB as the key exceeds it."},
    {"range", "range", -1, ControlKind::Continuous, kDirect, "dB", 1, 0.0f, 96.0f, 0.0f, nullptr,
     "The largest reduction; 0 sets no limit."},
    {"hold", "hold", -1, ControlKind::Continuous, kDirect, "ms", 1, 0.0f, 2000.0f, 0.0f, nullptr,
     "Holds the key's peak over pauses shorter than this; 0 is off."},
    {"lookahead", "look-ahead", -1, ControlKind::Continuous, kDirect, "ms", 1, 0.0f, 50.0f, 0.0f, nullptr,
     "Delays the audio against its key, so that the gain is already falling when the key starts; reported as "
     "latency."},
};

}  // namespace

const ControlInfo& controlInfo(ControlId id) { return kControls[id]; }

std::int32_t controlForParameter(std::int32_t index) {
    for (std::int32_t id = 0; id < kControlCount; ++id) {
        if (kControls[id].parameter == index && index >= 0) return id;
    }
    return -1;
}

float limitedControlValue(ControlId id, float value) {
    const ControlInfo& info = kControls[id];
    if (std::isnan(value)) return info.defaultValue;
    // A toggle is on above zero (as LV2 hosts expect of toggled ports); a choice takes the nearest
    // whole number, halves upwards, so duck/key counts 0.5 as duck as the VST 2 parameter does.
    if (info.kind == ControlKind::Toggle) value = value > 0.0f ? 1.0f : 0.0f;
    if (info.kind == ControlKind::Choice) value = std::floor(value + 0.5f);
    return value < info.minimum ? info.minimum : value > info.maximum ? info.maximum : value;
}

float storedValueForUserValue(ControlId id, double userValue) {
    return storedValueOnCurve(kControls[id].curve, userValue);
}

float parameterValueFor(ControlId id, float controlValue) {
    return storedValueOnCurve(kControls[id].curve, limitedControlValue(id, controlValue));
}

float controlValueFor(ControlId id, float parameterValue) {
    return userValueOnCurve(kControls[id].curve, parameterValue);
}

double extendedControlValueFor(ControlId id, float parameterValue) {
    return extendedUserValue(kControls[id].curve, parameterValue);
}

float parameterValueForExtended(ControlId id, double controlValue) {
    return storedFromExtended(kControls[id].curve, controlValue);
}

}  // namespace qm
