#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>

#include "cli/BatchRun.h"
#include "cli/DuckJob.h"
#include "cli/JobList.h"
#include "cli/SoundFixtures.h"

namespace qmduck::test {
namespace {


// Runs the list with `options` and returns the exit status; `messages` gets what was printed.
int runList(DuckOptions options, const std::string& list, std::string& messages) {
    options.batchPath = list;
    std::FILE* stream = std::tmpfile();
    const int status = runBatch(options, false, stream);
    std::rewind(stream);
    char buffer[4096];
    messages.assign(buffer, std::fread(buffer, 1, sizeof buffer, stream));
    std::fclose(stream);
    return status;
}

class BatchFiles : public SoundFolder {
protected:
    void SetUp() override {
        SoundFolder::SetUp();
        for (int i = 0; i < 4; ++i) {
            put("in" + std::to_string(i) + ".wav", makeSignal(1.0 + 0.3 * i, 2, false));
            put("key" + std::to_string(i) + ".wav", makeSignal(1.5, 1 + i % 2, true));
        }
    }
    std::string line(const std::string& output, int input, std::vector<int> keys) const {
        std::string text = path(output) + "\t" + path("in" + std::to_string(input) + ".wav");
        for (int key : keys) text += "\t" + path("key" + std::to_string(key) + ".wav");
        return text + "\n";
    }
    std::string writeList(const std::string& name, const std::string& text) const {
        std::ofstream(path(name)) << text;
        return path(name);
    }
};

TEST_F(BatchFiles, EachLineGivesTheOutputOfItsOwnRunAndABadLineFailsAlone) {
    const std::string list = writeList("list.tsv", "# outputs, inputs, keys\n" + line("a.wav", 0, {1}) +
                                                       line("b.flac", 1, {2, 3}) + "\n" +
                                                       path("c.wav") + "\t" + path("missing.wav") + "\t" +
                                                       path("key0.wav") + "\n" + line("d.wav", 3, {0}) +
                                                       path("e.wav") + "\t" + path("in0.wav") + "\t# no key\n");
    DuckOptions options = optionsFor({}, "", "");
    options.shaping = {12.0, 200.0, 20.0};
    options.jobs = 2;
    std::string messages;
    EXPECT_EQ(runList(options, list, messages), 1);
    EXPECT_NE(messages.find("list.tsv:5: " + path("missing.wav") + ": cannot open"), std::string::npos) << messages;
    EXPECT_NE(messages.find("list.tsv:7: needs OUTPUT, INPUT and one to four keys"), std::string::npos) << messages;
    struct Single {
        const char* output;
        int input;
        std::vector<int> keys;
    } singles[] = {{"a.wav", 0, {1}}, {"b.flac", 1, {2, 3}}, {"d.wav", 3, {0}}};
    for (const Single& single : singles) {
        std::vector<std::string> keys;
        for (int key : single.keys) keys.push_back(path("key" + std::to_string(key) + ".wav"));
        DuckOptions alone = optionsFor(keys, path("in" + std::to_string(single.input) + ".wav"), path("alone"));
        alone.outputPath += std::filesystem::path(single.output).extension().string();
        alone.shaping = options.shaping;
        ASSERT_EQ(runDuckJob(alone, false).exitStatus, 0);
        EXPECT_EQ(readSound(path(single.output)).samples, readSound(alone.outputPath).samples) << single.output;
    }
    EXPECT_FALSE(std::filesystem::exists(path("c.wav")));
    EXPECT_FALSE(std::filesystem::exists(path("e.wav")));
}

TEST_F(BatchFiles, ShardsAreDisjointAndTogetherTheWholeList) {
    std::vector<ListedJob> jobs(10);
    for (int i = 0; i < 10; ++i) jobs[static_cast<std::size_t>(i)].lineNumber = 3 * i + 1;
    for (int count : {1, 2, 3, 7, 12}) {
        std::multiset<int> lines;
        for (int index = 1; index <= count; ++index) {
            for (const ListedJob& job : shardOf(jobs, index, count)) lines.insert(job.lineNumber);
        }
        std::multiset<int> all;
        for (const ListedJob& job : jobs) all.insert(job.lineNumber);
        EXPECT_EQ(lines, all) << count << " shards";
    }
    const std::string list = writeList("list.tsv", line("a.wav", 0, {0}) + line("b.wav", 1, {1}) +
                                                       line("c.wav", 2, {2}) + line("d.wav", 3, {3}));
    DuckOptions options = optionsFor({}, "", "");
    options.shardIndex = 2;
    options.shardCount = 3;
    std::string messages;
    EXPECT_EQ(runList(options, list, messages), 0) << messages;
    for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav"}) {
        EXPECT_EQ(std::filesystem::exists(path(name)), std::string(name) == "b.wav") << name;
    }
}

TEST_F(BatchFiles, AListThatWouldOverwriteAFileItReadsRunsNothing) {
    struct Case {
        std::string text;
        std::string mentions;
    } cases[] = {
        {line("a.wav", 0, {1}) + line("in0.wav", 2, {2}), "list.tsv:2: " + path("in0.wav") + ": would overwrite a file that line 1 reads"},
        {line("a.wav", 0, {1}) + line("key1.wav", 2, {2}), "would overwrite a file that line 1 reads"},
        {line("a.wav", 0, {1}) + line("a.wav", 2, {2}), "list.tsv:2: " + path("a.wav") + ": is also the output of line 1"},
    };
    const auto before = files();
    for (const Case& c : cases) {
        const std::string list = writeList("list.tsv", c.text);
        std::string messages;
        EXPECT_EQ(runList(optionsFor({}, "", ""), list, messages), 1);
        EXPECT_NE(messages.find(c.mentions), std::string::npos) << messages;
        std::filesystem::remove(list);
        EXPECT_EQ(files(), before);
    }
}

}  // namespace
}  // namespace qmduck::test
