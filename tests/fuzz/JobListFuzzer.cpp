// quellmar-duck's list of jobs (--batch) over any bytes: the bytes are the list file, read and
// split as the tool does, then sharded (K of N from the input's last two bytes) and checked for
// outputs that overwrite what the list reads. Besides crashes and sanitizer reports, a run stops
// when the result breaks its word: job lines out of order or beyond the file's lines, a
// well-formed line with a tab or a line break inside a field, an empty field, or a count of
// fields outside OUTPUT, INPUT and one to four keys; a shard that is not every N-th line from K;
// an overwrite reported among plain names that are all distinct.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "cli/JobList.h"
#include "cli/options/DuckOptions.h"

namespace {

using namespace qmduck;

std::string folder;

void removeFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

void fail(const char* what, int line) {
    std::fprintf(stderr, "list fuzzer: %s (line %d)\n", what, line);
    std::abort();
}

bool hasBreak(const std::string& field) { return field.find_first_of("\t\n") != std::string::npos; }

void checkJob(const ListedJob& job, int previousLine, int lines) {
    if (job.lineNumber <= previousLine || job.lineNumber > lines) fail("a line number out of order", job.lineNumber);
    if (!job.problem.empty()) return;
    if (job.keyPaths.empty() || job.keyPaths.size() > static_cast<std::size_t>(kMaxKeyFiles)) {
        fail("a job with a wrong number of keys", job.lineNumber);
    }
    if (job.outputPath.empty() || job.inputPath.empty()) fail("a job with an empty file", job.lineNumber);
    if (hasBreak(job.outputPath) || hasBreak(job.inputPath)) fail("a field that holds a break", job.lineNumber);
    for (const std::string& key : job.keyPaths) {
        if (key.empty() || hasBreak(key)) fail("an empty key or one that holds a break", job.lineNumber);
    }
}

void checkShard(const JobList& list, int index, int count) {
    const std::vector<ListedJob> shard = shardOf(list.jobs, index, count);
    std::size_t expected = 0;
    for (std::size_t i = static_cast<std::size_t>(index - 1); i < list.jobs.size(); i += static_cast<std::size_t>(count)) {
        if (expected >= shard.size() || shard[expected].lineNumber != list.jobs[i].lineNumber) {
            fail("a shard that misses a line", list.jobs[i].lineNumber);
        }
        ++expected;
    }
    if (expected != shard.size()) fail("a shard with lines too many", count);
}

// True when every file of the well-formed lines is a plain name in this folder (no folder, no
// "." or "..", not the list) and no output is named twice or as a file read: nothing can overwrite.
bool namesAreDistinct(const std::vector<ListedJob>& jobs) {
    std::set<std::string> outputs;
    std::set<std::string> reads;
    const auto plain = [](const std::string& name) {
        return name.find('/') == std::string::npos && name != "." && name != ".." && name != "list.tsv" &&
               name.find('\0') == std::string::npos;
    };
    for (const ListedJob& job : jobs) {
        if (!job.problem.empty()) continue;
        if (!plain(job.outputPath) || !plain(job.inputPath) || !outputs.insert(job.outputPath).second) return false;
        reads.insert(job.inputPath);
        for (const std::string& key : job.keyPaths) {
            if (!plain(key)) return false;
            reads.insert(key);
        }
    }
    for (const std::string& output : outputs) {
        if (reads.count(output) != 0) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (std::filesystem::temp_directory_path() / "quellmar-list-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    folder = pattern;
    std::atexit(removeFolder);
    // Relative paths in the lists name files of this folder, as they would beside a list (the
    // corpus folders are then to be given as absolute paths).
    std::filesystem::current_path(folder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int count = data[size - 1] % 8 + 1;
    const int index = data[size - 2] % count + 1;
    size -= 2;
    const std::string path = folder + "/list.tsv";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size)) std::abort();
    std::fclose(file);

    int lines = 0;
    for (std::size_t i = 0; i < size; ++i) lines += data[i] == '\n' ? 1 : 0;
    if (size > 0 && data[size - 1] != '\n') ++lines;

    const JobList list = readJobList(path);
    if (!list.error.empty()) fail("an error reading a readable list", 0);
    int previous = 0;
    for (const ListedJob& job : list.jobs) {
        checkJob(job, previous, lines);
        previous = job.lineNumber;
    }
    checkShard(list, index, count);
    const std::string overwrite = findOverwrites(path, list.jobs);
    if (!overwrite.empty() && namesAreDistinct(list.jobs)) fail("an overwrite among distinct plain names", 0);
    return 0;
}
