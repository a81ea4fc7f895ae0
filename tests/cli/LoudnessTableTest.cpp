// Every loudness target the ceiling allows, reached as ffmpeg's ebur128 filter measures the
// written file, after the limiter and the encoder, in one writing pass; the ones it does not
// allow refused before writing.

#include <gtest/gtest.h>

#include "cli/EpisodeFixtures.h"
#include "cli/SoundFixtures.h"
#include "cli/ToolRun.h"

namespace qmduck::test {
namespace {

using LoudnessTable = SoundFolder;

TEST_F(LoudnessTable, EveryReachableTargetWithinAThirdOfALuAndUnderItsCeilingWrittenOnce) {
    ASSERT_TRUE(makeEpisodeMaterial(folder.string(), 12));
    // The whole table for the episode; for speech alone and music alone its corners.
    struct Row {
        const char* material;
        double target, ceiling;
    };
    std::vector<Row> rows;
    const char* mix = "--key voice.wav --preset standard --mix bed.wav";
    for (double target : {-23.0, -16.0, -14.0}) {
        for (double ceiling : {-1.0, -2.0}) rows.push_back({mix, target, ceiling});
    }
    for (const char* alone : {"--key voice.wav --param 1=1 voice.wav", "--key voice.wav --param 1=1 bed.wav"}) {
        rows.push_back({alone, -16.0, -1.0});
        rows.push_back({alone, -14.0, -2.0});
    }
    int reached = 0;
    int rewritten = 0;
    for (const auto& [material, target, ceiling] : rows) {
        for (const std::string type : {"wav", "mp3", "m4a", "opus"}) {
            char arguments[256];
            std::snprintf(arguments, sizeof arguments, "%s --loudness %.0f --true-peak %.0f -o out.%s", material, target,
                          ceiling, type.c_str());
            const ToolRun run = runTool(folder.string(), arguments);
            const std::string out = path("out." + type);
            if (run.status == 2) {
                // Refused before writing, naming both options.
                EXPECT_NE(run.err.find("lower --loudness or raise --true-peak"), std::string::npos) << run.err;
                EXPECT_FALSE(std::filesystem::exists(out)) << arguments;
                continue;
            }
            ASSERT_EQ(run.status, 0) << arguments << "\n" << run.err;
            const Measured m = measureWithFfmpeg(out);
            EXPECT_NEAR(m.lufs, target, 0.3) << arguments << "\n" << run.err;
            EXPECT_LE(m.truePeakDb, ceiling) << arguments << "\n" << run.err;
            ++reached;
            if (run.err.find("written") != std::string::npos) ++rewritten;
            std::filesystem::remove(out);
        }
    }
    // Most of the table is reachable, and a second writing pass is the exception.
    EXPECT_GE(reached, 28);
    EXPECT_LE(rewritten, 2) << "of " << reached;
}

}  // namespace
}  // namespace qmduck::test
