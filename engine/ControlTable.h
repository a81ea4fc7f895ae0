#pragma once
// The instance model's controls, written once for every plug-in format, the editor, the file tool
// and the validator: the nine of the eleven parameters (bypass, the four inputs, attack, release,
// duck/key, threshold) and the duck chain's range, hold and look-ahead, each with its name, range,
// unit, default and text in the units a user reads, and its curve: the one conversion between
// those units and the stored 0..1 values. The outputs are in engine/ControlOutputs.h, the presets
// in engine/Presets.h.

#include <cstdint>

#include "engine/ControlCurve.h"

namespace qm {

enum ControlId : std::int32_t {
    ControlEnabled = 0,  // bypass, as the host's own switch: 1 processes, 0 bypasses
    ControlInputAlpha,
    ControlInputBeta,
    ControlInputGamma,
    ControlInputDelta,
    ControlAttack,
    ControlRelease,
    ControlDuckKey,
    ControlThreshold,
    ControlRange,
    ControlHold,
    ControlLookahead,
};
constexpr std::int32_t kControlCount = 12;

enum class ControlKind {
    Toggle,      // 0 or 1
    Choice,      // a whole number naming one of `choices`
    Continuous,  // any value from minimum to maximum
};

struct ControlInfo {
    // A short identifier: lower case letters, digits and '_'.
    const char* symbol;
    // What hosts show; the parameters' own names where there is one.
    const char* name;
    // The parameter it sets (ParamBypass .. ParamThreshold), or -1 for the chain's shaping.
    std::int32_t parameter;
    ControlKind kind;
    // How the user value follows the stored one.
    ControlCurve curve;
    // "ms", "dB", or "" for toggles and choices.
    const char* unit;
    // Digits after the point where the value is written as a number.
    std::int32_t decimals;
    float minimum;
    float maximum;
    // In the units a user reads; for the nine parameters, the parameter's default converted.
    float defaultValue;
    // For a choice, the names of minimum, minimum + 1, ...; null otherwise.
    const char* const* choices;
    // One sentence for hosts that show a description.
    const char* comment;
};

// The control's row of the table; `id` must be 0..kControlCount - 1.
const ControlInfo& controlInfo(ControlId id);

// The control that sets parameter `index`, or -1 for parameters no control sets (0 and 10).
std::int32_t controlForParameter(std::int32_t index);

// `value` limited to the control's range; not-a-number gives the default, and toggles and choices
// are rounded to the nearest whole value. Any thread.
float limitedControlValue(ControlId id, float value);

// The stored parameter value (0..1 form) for a control value in user units (limited first); for
// controls without a parameter, the limited value itself. Any thread.
float parameterValueFor(ControlId id, float controlValue);
// The control value in user units that shows the stored parameter value `parameterValue`. Any thread.
float controlValueFor(ControlId id, float parameterValue);

// The control value in user units for any stored value, out-of-range ones included, in double: the
// curve extended so that parameterValueForExtended gives every stored value back exactly. What the
// editor's controller carries. Any thread.
double extendedControlValueFor(ControlId id, float parameterValue);
float parameterValueForExtended(ControlId id, double controlValue);

// The stored value of a control that has a parameter, for a user value in double that is not
// limited first (the file tool reads its options so, checking their ranges itself): the control's
// curve.
float storedValueForUserValue(ControlId id, double userValue);

}  // namespace qm
