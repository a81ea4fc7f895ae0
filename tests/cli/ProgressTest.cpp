// The progress bar as a terminal shows it (standard error a pty, through script(1)): one bar for
// the job, each pass named, with the time left; nothing when standard error is not a terminal.

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>

#include "cli/SoundFixtures.h"
#include "cli/ToolRun.h"

namespace qmduck::test {
namespace {

using Progress = SoundFolder;

// Whether a drawing of a two-file list shows a share from 1 to 99 % before the first file is done,
// with the time left ("M:SS left").
bool showsShareBeforeFirstFile(const std::string& out) {
    const std::string marker = "%  0/2 files, ";
    for (std::size_t at = out.find(marker); at != std::string::npos; at = out.find(marker, at + 1)) {
        std::size_t digits = at;
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(out[digits - 1]))) --digits;
        const int share = digits < at ? std::stoi(out.substr(digits, at - digits)) : 0;
        const std::size_t left = out.find(" left", at);
        const std::size_t colon = out.find(':', at + marker.size());
        if (share >= 1 && share <= 99 && left != std::string::npos && colon < left) return true;
    }
    return false;
}

TEST_F(Progress, OneBarNamesEachPassAndTheTimeLeftOnATerminal) {
    put("bed.wav", makeSignal(60.0, 2, false));
    put("voice.wav", makeSignal(60.0, 1, true));
    struct Case {
        const char* arguments;
        std::vector<const char*> passes;
    } cases[] = {
        {"--key voice.wav --preset podcast bed.wav -o episode.mp3", {"measuring [", "writing episode.mp3 ["}},
        {"--key voice.wav bed.wav -o ducked.wav", {"writing ducked.wav ["}},
    };
    for (const Case& c : cases) {
        // script gives the tool a terminal and keeps what it drew, standard error included.
        const ToolRun run = runShell(folder.string(), std::string("script -qefc \"TOOL ") + c.arguments +
                                                          "\" /dev/null 2>&1");
        ASSERT_EQ(run.status, 0) << c.arguments << "\n" << run.out;
        for (const char* pass : c.passes) EXPECT_NE(run.out.find(pass), std::string::npos) << c.arguments << "\n" << run.out;
        EXPECT_NE(run.out.find("100%"), std::string::npos) << run.out;
        // The first drawing of a pass already estimates the job's time left.
        EXPECT_NE(run.out.find(" left"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("x real time"), std::string::npos) << run.out;
    }
    // A list counts its frames: the share grows before the first file is done.
    std::ofstream(path("season.tsv")) << "ep1.mp3\tbed.wav\tvoice.wav\nep2.wav\tbed.wav\tvoice.wav\n";
    const ToolRun list = runShell(folder.string(), "script -qefc \"TOOL --batch season.tsv -j 1 --preset podcast\" /dev/null 2>&1");
    ASSERT_EQ(list.status, 0) << list.out;
    EXPECT_TRUE(showsShareBeforeFirstFile(list.out)) << list.out;
    EXPECT_NE(list.out.find("100%  2/2 files"), std::string::npos) << list.out;
    // Without a terminal the bar is not drawn.
    const ToolRun piped = runTool(folder.string(), "--key voice.wav bed.wav -o quiet.wav");
    EXPECT_EQ(piped.err.find('['), std::string::npos) << piped.err;
}

}  // namespace
}  // namespace qmduck::test
