#pragma once
// A list of jobs for --batch: one line each, tab-separated, OUTPUT, INPUT and one to four keys;
// `#` at the start of a field starts a comment, blank lines are skipped. Paths are taken as on
// the command line (relative to the current folder).

#include <string>
#include <vector>

namespace qmduck {

struct ListedJob {
    // Line number in the list file, from 1.
    int lineNumber = 0;
    std::string outputPath;
    std::string inputPath;
    std::vector<std::string> keyPaths;
    // Why the line cannot run; empty when it is well formed.
    std::string problem;
};

struct JobList {
    // Every job line in file order, well formed or not.
    std::vector<ListedJob> jobs;
    // Why the list itself cannot be read; empty when it was.
    std::string error;
};

// Reads and splits the list at `path`.
JobList readJobList(const std::string& path);

// The jobs of shard `index` of `count` (from 1): the job lines index, index + count, ...
std::vector<ListedJob> shardOf(const std::vector<ListedJob>& jobs, int index, int count);

// A reason to run nothing: an output that is an input or a key of any line, or the output of two
// lines; names the list's lines. Empty when every output is distinct from every file read.
std::string findOverwrites(const std::string& listPath, const std::vector<ListedJob>& jobs);

}  // namespace qmduck
