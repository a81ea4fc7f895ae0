#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/SoundFixtures.h"
#include "cli/ToolRun.h"

namespace qmduck::test {
namespace {

using Tool = SoundFolder;

TEST_F(Tool, ExitStatusesAndMessages) {
    put("in.wav", makeSignal(0.5, 2, false));
    put("key.wav", makeSignal(0.5, 1, true));
    struct Case {
        const char* arguments;
        int status;
        const char* stdoutHas;
        const char* stderrHas;
    } cases[] = {
        {"--help", 0, "Usage: quellmar-duck", ""},
        {"--version", 0, "quellmar-duck 3.0", ""},
        {"--key key.wav in.wav -o out.wav", 0, "", ""},
        {"--key key.wav in.wav -o out.wav --attack fast", 2, "", "--attack: 'fast' is not a time in ms"},
        {"--key key.wav in.wav -o out.wav --format wav:12", 2, "", "unknown sample type '12'"},
        {"--key key.wav", 2, "", "Try 'quellmar-duck --help'"},
        {"--key key.wav none.wav -o out2.wav", 1, "", "quellmar-duck: none.wav: cannot open"},
        {"--preset strong --range 9 --show-settings", 0, "range       9.0 dB", ""},
        {"--preset podcast --show-settings", 0, "mix         input and keys\ninput gain  0.0 dB\nkey gain    0.0 dB\n"
                                                "loudness    -16.0 LUFS\ntrue peak   -1.0 dBTP", ""},
        {"--batch list.tsv -j 2 --preset gentle", 1, "", "quellmar-duck: list.tsv:2: none.wav: cannot open"},
        {"--batch list.tsv --key key.wav", 2, "", "--batch: the files come from the list"},
    };
    std::ofstream(path("list.tsv")) << "listed.wav\tin.wav\tkey.wav\nnot.wav\tnone.wav\tkey.wav\n";
    for (const Case& c : cases) {
        const ToolRun run = runTool(folder.string(), c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.err;
        EXPECT_NE(run.out.find(c.stdoutHas), std::string::npos) << c.arguments;
        EXPECT_NE(run.err.find(c.stderrHas), std::string::npos) << c.arguments;
        if (c.stderrHas[0] == '\0') {
            EXPECT_EQ(run.err, "") << "no progress bar off a terminal: " << c.arguments;
        }
    }
    EXPECT_EQ(files(), (std::vector<std::string>{"in.wav", "key.wav", "list.tsv", "listed.wav", "out.wav"}));
}

}  // namespace
}  // namespace qmduck::test
