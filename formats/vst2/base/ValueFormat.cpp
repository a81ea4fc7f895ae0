#include "formats/vst2/base/ValueFormat.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace qm {
namespace {

constexpr int kTextWidth = 8;

// The digit of `value` (0 or more) in the units place, as the truncated remainder.
char unitsDigit(double value) {
    return static_cast<char>('0' + static_cast<int>(std::fmod(value, 10.0)) % 10);
}

void copyText(char* text, const char* source) {
    if (text != nullptr) std::memcpy(text, source, std::strlen(source) + 1);
}

}  // namespace

void formatFloatText(double value, char* text) {
    if (text == nullptr) return;
    if (std::isnan(value)) return copyText(text, "NaN");
    const bool negative = value < 0.0;
    double v = negative ? -value : value;
    const double limit = negative ? 9999999.0 : 99999999.0;
    if (v > limit) return copyText(text, negative ? "-Huge!" : "Huge!");

    // Integer digits, least significant first: units, then while the tenth part is at least 1.
    char digits[12];
    int digitCount = 0;
    const double integerPart = std::floor(v);
    digits[digitCount++] = unitsDigit(integerPart);
    for (double tenth = integerPart * 0.1; tenth >= 1.0 && digitCount < 10; tenth *= 0.1) {
        digits[digitCount++] = unitsDigit(tenth);
    }

    int used = 0;
    if (negative) text[used++] = '-';
    for (int i = digitCount - 1; i >= 0; --i) text[used++] = digits[i];
    // A value whose digits fill the whole width is shown without point rather than losing a digit.
    if (used == kTextWidth) {
        text[used] = '\0';
        return;
    }
    text[used++] = '.';

    const int fractionDigits = kTextWidth - used;
    double m = std::fmod(v, 1.0) * std::pow(10.0, fractionDigits);
    for (int i = fractionDigits - 1; i >= 0; --i) {
        if (m > 0.0) {
            text[used + i] = unitsDigit(m);
            m *= 0.1;
        } else {
            text[used + i] = '0';
        }
    }
    text[used + fractionDigits] = '\0';
}

void formatIntegerText(std::int32_t value, char* text) {
    if (text == nullptr) return;
    if (value >= 100000000) return copyText(text, "Huge!");
    char scratch[16];
    std::snprintf(scratch, sizeof scratch, "%7d", static_cast<int>(value));
    scratch[kTextWidth] = '\0';
    copyText(text, scratch);
}

void formatDecibelsText(float linearGain, char* text) {
    if (!(linearGain > 0.0f)) {
        if (linearGain <= 0.0f) copyText(text, "-oo");
        else formatFloatText(linearGain, text);
        return;
    }
    formatFloatText(static_cast<float>(20.0 * std::log10(static_cast<double>(linearGain))), text);
}

void formatHertzText(float periodSamples, float sampleRateHz, char* text) {
    if (periodSamples == 0.0f) return formatFloatText(0.0, text);
    formatFloatText(static_cast<float>(static_cast<double>(sampleRateHz) / periodSamples), text);
}

void formatMillisecondsText(float durationSamples, float sampleRateHz, char* text) {
    formatFloatText(static_cast<float>(static_cast<double>(durationSamples) * 1000.0 / sampleRateHz), text);
}

}  // namespace qm
