#include "engine/ControlTable.h"

#include <cmath>

#include "engine/Parameters.h"

namespace qm {
namespace {

constexpr const char* kDuckKeyChoices[] = {"key", "duck"};

// The defaults of the nine parameters in user units: 2000 v² ms, 1000 v² ms, -96 v dB.
constexpr float kAttackDefaultMs =
    kParameterDefaults[ParamAttack] * kParameterDefaults[ParamAttack] * 2000.0f;
constexpr float kReleaseDefaultMs =
    kParameterDefaults[ParamRelease] * kParameterDefaults[ParamRelease] * 1000.0f;
constexpr float kThresholdDefaultDb = kParameterDefaults[ParamThreshold] * -96.0f;

// The host's bypass switch starts on processing, as hosts show a new instance; docs/lv2.md says why.
constexpr ControlInfo kControls[kControlCount] = {
    {"enabled", "Enabled", ParamBypass, ControlKind::Toggle, "", 0.0f, 1.0f, 1.0f, nullptr,
     "Processes the audio; off passes it through unchanged while the input is still published on the key bus."},
    {"input_alpha", kParameterNames[ParamInputAlpha], ParamInputAlpha, ControlKind::Toggle, "", 0.0f, 1.0f, 0.0f,
     nullptr, "Listens to the key bus slot Alpha."},
    {"input_beta", kParameterNames[ParamInputBeta], ParamInputBeta, ControlKind::Toggle, "", 0.0f, 1.0f, 0.0f,
     nullptr, "Listens to the key bus slot Beta."},
    {"input_gamma", kParameterNames[ParamInputGamma], ParamInputGamma, ControlKind::Toggle, "", 0.0f, 1.0f, 0.0f,
     nullptr, "Listens to the key bus slot Gamma."},
    {"input_delta", kParameterNames[ParamInputDelta], ParamInputDelta, ControlKind::Toggle, "", 0.0f, 1.0f, 0.0f,
     nullptr, "Listens to the key bus slot Delta."},
    {"attack", kParameterNames[ParamAttack], ParamAttack, ControlKind::Continuous, "ms", 0.0f, 2000.0f,
     kAttackDefaultMs, nullptr, "How fast the gain follows a rising key; 0 gives 2 ms."},
    {"release", kParameterNames[ParamRelease], ParamRelease, ControlKind::Continuous, "ms", 0.0f, 1000.0f,
     kReleaseDefaultMs, nullptr, "How fast the gain follows a falling key; 0 gives 1 ms."},
    {"duck_key", kParameterNames[ParamDuckKey], ParamDuckKey, ControlKind::Choice, "", 0.0f, 1.0f, 0.0f,
     kDuckKeyChoices, "Duck lowers the audio while the key is loud; key lets it through only then."},
    {"threshold", kParameterNames[ParamThreshold], ParamThreshold, ControlKind::Continuous, "dB", -96.0f, 0.0f,
     kThresholdDefaultDb, nullptr, "The key level above which the gain falls, by as many dB as the key exceeds it."},
    {"range", "range", -1, ControlKind::Continuous, "dB", 0.0f, 96.0f, 0.0f, nullptr,
     "The largest reduction; 0 sets no limit."},
    {"hold", "hold", -1, ControlKind::Continuous, "ms", 0.0f, 2000.0f, 0.0f, nullptr,
     "Holds the key's peak over pauses shorter than this; 0 is off."},
    {"lookahead", "look-ahead", -1, ControlKind::Continuous, "ms", 0.0f, 50.0f, 0.0f, nullptr,
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

float attackValueForMs(double attackMs) { return static_cast<float>(std::sqrt(attackMs / 2000.0)); }
float releaseValueForMs(double releaseMs) { return static_cast<float>(std::sqrt(releaseMs / 1000.0)); }
float thresholdValueForDb(double thresholdDb) { return static_cast<float>(thresholdDb / -96.0); }

float parameterValueFor(ControlId id, float controlValue) {
    const float value = limitedControlValue(id, controlValue);
    switch (id) {
    case ControlEnabled: return value >= 0.5f ? 0.0f : 1.0f;
    case ControlAttack: return attackValueForMs(value);
    case ControlRelease: return releaseValueForMs(value);
    case ControlThreshold: return thresholdValueForDb(value);
    default: return value;
    }
}

float controlValueFor(ControlId id, float parameterValue) {
    switch (id) {
    case ControlEnabled: return isSwitchOn(parameterValue) ? 0.0f : 1.0f;
    case ControlInputAlpha:
    case ControlInputBeta:
    case ControlInputGamma:
    case ControlInputDelta: return isSwitchOn(parameterValue) ? 1.0f : 0.0f;
    case ControlDuckKey: return isDuckMode(parameterValue) ? 1.0f : 0.0f;
    case ControlAttack: return parameterValue * parameterValue * 2000.0f;
    case ControlRelease: return parameterValue * parameterValue * 1000.0f;
    case ControlThreshold: return parameterValue * -96.0f;
    default: return parameterValue;
    }
}

}  // namespace qm
