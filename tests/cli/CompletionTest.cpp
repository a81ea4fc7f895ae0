// The shell completions come from the option table: every option --help names completes, and
// options with a few values complete those values.

#include <gtest/gtest.h>

#include <set>

#include "cli/SoundFixtures.h"
#include "cli/ToolRun.h"

namespace qmduck::test {
namespace {

using Completion = SoundFolder;

// What bash's completion offers for the words typed so far (the last one being completed).
std::string bashOffers(const std::string& folder, const std::string& words) {
    return runShell(folder, "TOOL --completion bash > c.bash && bash -c 'source ./c.bash; COMP_WORDS=(quellmar-duck " + words +
                                "); COMP_CWORD=$((${#COMP_WORDS[@]}-1)); _quellmar_duck; echo \"${COMPREPLY[*]}\"'")
        .out;
}

TEST_F(Completion, EveryOptionOfTheHelpCompletesInBashAndZsh) {
    const ToolRun help = runTool(folder.string(), "--help");
    std::set<std::string> named;
    // Every "--name" of the help that starts a word (after a space, a comma or a line's start).
    const std::string& text = help.out;
    for (std::size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
        if (at > 0 && text[at - 1] != ' ' && text[at - 1] != ',' && text[at - 1] != '\n') continue;
        const std::size_t end = text.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", at + 2);
        if (end != at + 2) named.insert(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    }
    ASSERT_GT(named.size(), 30u);
    std::string all = " " + bashOffers(folder.string(), "--");
    all.back() = ' ';
    const std::string zsh = runTool(folder.string(), "--completion zsh").out;
    for (const std::string& name : named) {
        EXPECT_NE(all.find(" " + name + " "), std::string::npos) << name << " is not completed by bash";
        EXPECT_TRUE(zsh.find("'" + name) != std::string::npos || zsh.find("'*" + name) != std::string::npos)
            << name << " is not completed by zsh";
    }
    struct Case {
        const char* words;
        const char* offers;
    } cases[] = {
        {"--lo", "--lookahead --loudness"},
        {"--preset \"\"", "gentle standard strong podcast"},
        {"--dither \"\"", "tpdf none"},
        {"--key voice.wav --format fl", "flac"},
    };
    for (const Case& c : cases) EXPECT_EQ(bashOffers(folder.string(), c.words), std::string(c.offers) + "\n") << c.words;
    EXPECT_EQ(runTool(folder.string(), "--completion fish").status, 2);
}

}  // namespace
}  // namespace qmduck::test
