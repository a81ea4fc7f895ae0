// Faults while writing, from outside: a file-size limit (as a full disk or a quota would set) on
// every kind of result, and a kill during the write. Each is an ordinary error naming the file;
// nothing is left behind, an existing result stays as it was, the inputs are untouched, and the
// other lines of a list go on.

#include <gtest/gtest.h>

#include "cli/SoundFixtures.h"
#include "cli/ToolRun.h"

namespace qmduck::test {
namespace {

using WriteFaults = SoundFolder;

TEST_F(WriteFaults, AFileSizeLimitIsAnOrdinaryErrorForEveryKindOfResult) {
    put("in.wav", makeSignal(5.0, 2, false));
    put("key.wav", makeSignal(5.0, 1, true));
    put("one.wav", makeSignal(1.0, 2, false));
    Sound silence = makeSignal(20.0, 2, false);
    for (float& s : silence.samples) s = 0.0f;
    put("silence.wav", silence);
    put("key20.wav", makeSignal(20.0, 1, true));
    struct Case {
        int limitBlocks;  // of 512 bytes, as the shell's ulimit -f counts them
        const char* arguments;
        const char* failing;
    } cases[] = {
        {64, "--key key.wav in.wav -o old.wav", "old.wav"},                                      // libsndfile
        {16, "--key key.wav in.wav -o old.m4a", "old.m4a"},                                      // FFmpeg's muxer
        {16, "--key key.wav one.wav -o small.mp3 --bitrate 32 --plot old.png", "old.png"},        // the plot
        {20, "--key key20.wav silence.wav -o small.flac --gain-csv old.csv", "old.csv"},          // the CSV
    };
    const std::vector<std::string> inputs = {"in.wav", "key.wav", "key20.wav", "one.wav", "silence.wav"};
    for (const std::string& name : inputs) std::filesystem::copy_file(path(name), path(name + ".orig"));
    for (const Case& c : cases) {
        std::ofstream(path(c.failing)) << "what was there before";
        const ToolRun run = runShell(folder.string(), "ulimit -f " + std::to_string(c.limitBlocks) + "; TOOL " + c.arguments);
        EXPECT_EQ(run.status, 1) << c.arguments;
        EXPECT_NE(run.err.find(std::string(c.failing) + ": cannot write"), std::string::npos) << c.arguments << "\n" << run.err;
        EXPECT_EQ(slurp(path(c.failing)), "what was there before") << c.arguments;
        std::vector<std::string> expected = {c.failing};
        for (const std::string& name : inputs) {
            expected.push_back(name);
            expected.push_back(name + ".orig");
            EXPECT_EQ(slurp(path(name)), slurp(path(name + ".orig"))) << name << " is untouched";
        }
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(files(), expected) << c.arguments << ": nothing else is left";
        std::filesystem::remove(path(c.failing));
    }
}

TEST_F(WriteFaults, InAListTheOtherLinesGoOn) {
    put("in.wav", makeSignal(5.0, 2, false));
    put("short.wav", makeSignal(0.2, 2, false));
    put("key.wav", makeSignal(5.0, 1, true));
    std::ofstream(path("list.tsv")) << "big.wav\tin.wav\tkey.wav\nsmall.wav\tshort.wav\tkey.wav\n";
    const ToolRun run = runShell(folder.string(), "ulimit -f 400; TOOL --batch list.tsv -j 1");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("list.tsv:1: big.wav: cannot write"), std::string::npos) << run.err;
    EXPECT_EQ(files(), (std::vector<std::string>{"in.wav", "key.wav", "list.tsv", "short.wav", "small.wav"})) << run.err;
}

TEST_F(WriteFaults, AKillDuringTheWriteLeavesNothing) {
    put("in.wav", makeSignal(60.0, 2, false));
    put("key.wav", makeSignal(60.0, 1, true));
    // Waits until the unnamed output is open in this folder (it shows as "folder/#N (deleted)"),
    // kills the tool there, and notes whether it was still running.
    const ToolRun run = runShell(folder.string(),
        "TOOL --key key.wav in.wav -o out.mp3 & pid=$!; "
        "while kill -0 $pid 2>/dev/null && ! ls -l /proc/$pid/fd 2>/dev/null | grep -q \"$PWD/#\"; do :; done; "
        "kill -9 $pid && echo killed; wait $pid; true");
    EXPECT_EQ(run.out, "killed\n") << "the tool ended before it could be killed";
    EXPECT_EQ(files(), (std::vector<std::string>{"in.wav", "key.wav"}));
}

}  // namespace
}  // namespace qmduck::test
