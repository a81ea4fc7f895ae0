// Integer outputs of 16 bits or fewer: TPDF dither, the same in every writer, and plain rounding
// (never truncation) with --dither none.

#include <gtest/gtest.h>

#include <cmath>

#include "cli/SoundFixtures.h"
#include "cli/ToolRun.h"

namespace qmduck::test {
namespace {

using Dither = SoundFolder;

// A sine of `amplitudeSteps` 16-bit steps, which passes the tool unchanged under a silent key.
Sound quietSine(double amplitudeSteps) {
    Sound sound = makeSignal(1.0, 1, false);
    for (std::size_t i = 0; i < sound.samples.size(); ++i) {
        sound.samples[i] = static_cast<float>(amplitudeSteps / 32768.0 * std::sin(2 * M_PI * 441.0 * i / 48000.0));
    }
    return sound;
}

TEST_F(Dither, SixteenBitOutputsAreDitheredAlikeAndRoundedWithoutIt) {
    Sound silence = makeSignal(1.0, 1, false);
    for (float& s : silence.samples) s = 0.0f;
    put("key.wav", silence);
    struct Case {
        double amplitudeSteps;
        const char* dither;
    } cases[] = {{0.4, ""}, {0.4, "--dither none"}, {100.3, ""}, {100.3, "--dither none"}};
    for (const Case& c : cases) {
        const Sound input = quietSine(c.amplitudeSteps);
        put("in.wav", input);
        std::vector<Sound> outputs;
        for (const char* output : {"out.wav --format wav:16", "out.flac --format flac:16", "out.aiff --format aiff:16"}) {
            const ToolRun run = runTool(folder.string(), std::string("--key key.wav in.wav -o ") + output + " " + c.dither);
            ASSERT_EQ(run.status, 0) << output << "\n" << run.err;
            outputs.push_back(readSound(path(std::string(output).substr(0, std::string(output).find(' ')))));
        }
        int changed = 0;
        int offGrid = 0;
        for (std::size_t i = 0; i < input.samples.size(); ++i) {
            const double exact = input.samples[i] * 32768.0;
            const double written = outputs[0].samples[i] * 32768.0;
            changed += written != std::nearbyint(exact) ? 1 : 0;
            offGrid += std::fabs(written - exact) > 1.5 ? 1 : 0;
        }
        const bool dithered = std::string(c.dither).empty();
        // TPDF dither moves about a third of the samples off plain rounding, never by 2 steps.
        if (dithered) {
            EXPECT_GT(changed, static_cast<int>(input.samples.size()) / 5) << c.amplitudeSteps;
        } else {
            EXPECT_EQ(changed, 0) << c.amplitudeSteps;
        }
        EXPECT_EQ(offGrid, 0) << c.amplitudeSteps;
        EXPECT_EQ(outputs[1].samples, outputs[0].samples) << "FLAC and WAV round alike " << c.dither;
        EXPECT_EQ(outputs[2].samples, outputs[0].samples) << "AIFF and WAV round alike " << c.dither;
    }
}

}  // namespace
}  // namespace qmduck::test
