#pragma once
// Number-to-text conversions for parameter displays: every text is at most 8 characters plus the
// terminator, so `text` must hold 9 bytes. Digits are cut, never rounded. Any thread.

#include <cstdint>

namespace qm {

// Fixed-width decimal: sign, integer digits and point first, the fraction gets the rest of the 8.
// Values above 99999999 give "Huge!", below -9999999 "-Huge!", not-a-number "NaN".
void formatFloatText(double value, char* text);
// "%7d" cut to 8 characters; "Huge!" from 100000000 up.
void formatIntegerText(std::int32_t value, char* text);
// 20 log10 of a linear gain; "-oo" for gains not above 0.
void formatDecibelsText(float linearGain, char* text);
// The frequency of a period of `periodSamples` at `sampleRateHz`; 0 for a zero period.
void formatHertzText(float periodSamples, float sampleRateHz, char* text);
// The duration of `durationSamples` at `sampleRateHz`, in milliseconds.
void formatMillisecondsText(float durationSamples, float sampleRateHz, char* text);

}  // namespace qm
