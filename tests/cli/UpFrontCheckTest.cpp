// What is refused before anything is read: results that cannot be written, and INPUTs without
// samples.

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/SoundFixtures.h"
#include "cli/ToolRun.h"

namespace qmduck::test {
namespace {

using UpFrontCheck = SoundFolder;

TEST_F(UpFrontCheck, OutputsThatCannotBeWrittenAreRefusedBeforeStandardInputIsRead) {
    // Larger than a pipe holds: cat completes only if the tool reads standard input.
    put("bed.wav", makeSignal(2.0, 2, false));
    put("key.wav", makeSignal(2.0, 1, true));
    std::filesystem::create_directories(path("out.wav"));
    std::filesystem::create_directories(path("locked"));
    struct Case {
        const char* arguments;
        const char* message;
        const char* user;
    } cases[] = {
        {"--key key.wav - -o out.wav", "out.wav: is a folder", ""},
        {"--key key.wav - -o missing/out.wav", "cannot create a file in missing: No such file", ""},
        {"--key key.wav - -o locked/out.wav", "cannot create a file in locked: Permission denied", "setpriv --reuid=65534 --regid=65534 --clear-groups "},
        {"--key key.wav - -o key.wav", "would overwrite the key", ""},
        {"--key key.wav --mix - -o ok.wav --plot out.wav", "out.wav: is a folder", ""},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(path("read-all"));
        const ToolRun run = runShell(folder.string(), "{ cat bed.wav && touch read-all; } | " + std::string(c.user) +
                                                          "TOOL " + c.arguments);
        EXPECT_EQ(run.status, 1) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << "\n" << run.err;
        EXPECT_FALSE(std::filesystem::exists(path("read-all"))) << c.arguments << ": standard input was read";
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"bed.wav", "key.wav", "locked", "out.wav"}));
}

TEST_F(UpFrontCheck, AnInputWithoutSamplesWritesNothingUnlessAllowed) {
    put("key.wav", makeSignal(1.0, 1, true));
    put("empty.wav", Sound{});
    // libsndfile cannot read back the FLAC it writes without samples; ffmpeg's is a valid one.
    ASSERT_EQ(runShell(folder.string(), "ffmpeg -nostdin -v error -f lavfi -i anullsrc=r=48000 -t 0 empty.flac").status, 0);
    for (const char* input : {"empty.wav", "empty.flac"}) {
        ToolRun run = runTool(folder.string(), std::string("--key key.wav ") + input + " -o out.wav");
        EXPECT_EQ(run.status, 1) << input;
        EXPECT_NE(run.err.find(std::string(input) + ": has no samples"), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(path("out.wav"))) << input;
        run = runTool(folder.string(), std::string("--key key.wav --allow-empty ") + input + " -o out.wav");
        EXPECT_EQ(run.status, 0) << input << "\n" << run.err;
        EXPECT_EQ(readSound(path("out.wav")).frames(), 0) << input;
        std::filesystem::remove(path("out.wav"));
    }
}

}  // namespace
}  // namespace qmduck::test
