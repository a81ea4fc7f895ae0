#include "tools/host/validate/BlockCheck.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>

namespace qmhost::validate {
namespace {

bool sameValue(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b) || (std::isnan(a) && std::isnan(b));
}

std::string describe(const char* what, int channel, std::int32_t frame, float input, float prior, float output) {
    char text[200];
    std::snprintf(text, sizeof text, "%s: channel %d frame %d: input %.9g (0x%08x), before %.9g, output %.9g (0x%08x)",
                  what, channel, static_cast<int>(frame), static_cast<double>(input),
                  std::bit_cast<std::uint32_t>(input), static_cast<double>(prior), static_cast<double>(output),
                  std::bit_cast<std::uint32_t>(output));
    return text;
}

// The accumulating form adds factor x input (factor 0..1) to the output: the result lies between
// the roundings of prior - |input| and prior + |input|, give or take one float step for the
// double rounding of a sum taken in double precision first.
bool withinAccumulatedBounds(float prior, float input, float output, bool& finiteExpected) {
    const double size = std::fabs(static_cast<double>(input));
    const float low = static_cast<float>(static_cast<double>(prior) - size);
    const float high = static_cast<float>(static_cast<double>(prior) + size);
    finiteExpected = std::isfinite(low) && std::isfinite(high);
    if (!finiteExpected) return true;
    const float inf = std::numeric_limits<float>::infinity();
    return output >= std::nextafter(low, -inf) && output <= std::nextafter(high, inf);
}

std::string checkSample(const Block& block, Expect expect, int c, std::int32_t i) {
    const float x = block.input[c][i];
    const float y = block.output[c][i];
    const float p = block.accumulate ? block.prior[c][i] : 0.0f;
    if (expect == Expect::PassesThrough) {
        const float expected = block.accumulate ? p + x : x;
        if (!sameValue(expected, y)) return describe("not passed through", c, i, x, p, y);
        return {};
    }
    if (!std::isfinite(x) || !std::isfinite(p)) return {};
    if (!block.accumulate) {
        if (!std::isfinite(y)) return describe("finite input, output not finite", c, i, x, p, y);
        if (std::fabs(y) > std::fabs(x)) return describe("output louder than input", c, i, x, p, y);
        return {};
    }
    bool finiteExpected = true;
    if (!withinAccumulatedBounds(p, x, y, finiteExpected)) {
        return describe(std::isfinite(y) ? "accumulated more than the input" : "finite input, output not finite", c,
                        i, x, p, y);
    }
    return {};
}

std::string checkGuards(const float* buffer, std::int32_t frames, const char* what, int channel) {
    for (std::int32_t i = frames; i < frames + kGuardFrames; ++i) {
        if (std::bit_cast<std::uint32_t>(buffer[i]) != kGuardBits) {
            char text[120];
            std::snprintf(text, sizeof text, "written past the block: %s channel %d, %d frames after its end", what,
                          channel, static_cast<int>(i - frames));
            return text;
        }
    }
    return {};
}

}  // namespace

std::string checkBlock(const Block& block, Expect expect) {
    const std::int32_t frames = block.frames > 0 ? block.frames : 0;
    for (int c = 0; c < 2; ++c) {
        std::string problem = checkGuards(block.output[c], frames, "output", c);
        if (problem.empty()) problem = checkGuards(block.passedInput[c], frames, "input", c);
        if (!problem.empty()) return problem;
        for (std::int32_t i = 0; i < frames; ++i) {
            problem = checkSample(block, expect, c, i);
            if (!problem.empty()) return problem;
            if (!block.inPlace && !sameValue(block.passedInput[c][i], block.input[c][i])) {
                return describe("the input buffer was written", c, i, block.input[c][i], 0.0f, block.passedInput[c][i]);
            }
        }
    }
    return {};
}

std::string checkMeter(float meter, Expect expect, std::int32_t frames) {
    char text[120];
    const bool untouched = expect == Expect::PassesThrough || frames <= 0;
    if (untouched && std::bit_cast<std::uint32_t>(meter) != 0u) {
        std::snprintf(text, sizeof text, "meter %.9g after a block that ducked nothing", static_cast<double>(meter));
        return text;
    }
    if (!(meter >= 0.0f && meter <= 1.0f)) {
        std::snprintf(text, sizeof text, "meter %.9g outside 0..1", static_cast<double>(meter));
        return text;
    }
    return {};
}

}  // namespace qmhost::validate
