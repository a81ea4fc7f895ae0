#include "cli/JobList.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unordered_map>

#include "cli/options/DuckOptions.h"

namespace qmduck {
namespace {

std::vector<std::string> fieldsOf(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (start <= line.size()) {
        const std::size_t tab = line.find('\t', start);
        std::string field = line.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
        if (!field.empty() && field.front() == '#') break;
        fields.push_back(std::move(field));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    while (!fields.empty() && fields.back().empty()) fields.pop_back();
    return fields;
}

bool isBlank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

// One spelling per file, so that two names of the same file compare equal.
std::string normalPath(const std::string& path) {
    std::error_code ignored;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(absolute, error);
    // A name the system refuses (one too long) is compared as written, never as an empty one.
    return (error ? absolute.lexically_normal() : canonical).string();
}

}  // namespace

JobList readJobList(const std::string& path) {
    JobList list;
    std::ifstream file(path);
    if (!file) {
        list.error = path + ": cannot read the list: " + std::strerror(errno);
        return list;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(" \t");
        if (isBlank(line) || line[first] == '#') continue;
        const std::vector<std::string> fields = fieldsOf(line);
        ListedJob job;
        job.lineNumber = number;
        if (fields.size() < 3 || fields.size() > 2 + static_cast<std::size_t>(kMaxKeyFiles)) {
            job.problem = "needs OUTPUT, INPUT and one to four keys separated by tabs, has " +
                          std::to_string(fields.size()) + " field(s)";
        } else {
            for (const std::string& field : fields) {
                if (field.empty()) job.problem = "has an empty field";
            }
            job.outputPath = fields[0];
            job.inputPath = fields[1];
            job.keyPaths.assign(fields.begin() + 2, fields.end());
        }
        list.jobs.push_back(std::move(job));
    }
    if (file.bad()) list.error = path + ": cannot read the list";
    return list;
}

std::vector<ListedJob> shardOf(const std::vector<ListedJob>& jobs, int index, int count) {
    std::vector<ListedJob> taken;
    for (std::size_t i = static_cast<std::size_t>(index - 1); i < jobs.size(); i += static_cast<std::size_t>(count)) {
        taken.push_back(jobs[i]);
    }
    return taken;
}

std::string findOverwrites(const std::string& listPath, const std::vector<ListedJob>& jobs) {
    std::unordered_map<std::string, int> readBy;
    for (const ListedJob& job : jobs) {
        if (!job.problem.empty()) continue;
        readBy.emplace(normalPath(job.inputPath), job.lineNumber);
        for (const std::string& key : job.keyPaths) readBy.emplace(normalPath(key), job.lineNumber);
    }
    std::unordered_map<std::string, int> writtenBy;
    for (const ListedJob& job : jobs) {
        if (!job.problem.empty()) continue;
        const std::string output = normalPath(job.outputPath);
        const std::string where = listPath + ":" + std::to_string(job.lineNumber) + ": " + job.outputPath;
        if (const auto read = readBy.find(output); read != readBy.end()) {
            return where + ": would overwrite a file that line " + std::to_string(read->second) + " reads";
        }
        if (const auto [other, added] = writtenBy.emplace(output, job.lineNumber); !added) {
            return where + ": is also the output of line " + std::to_string(other->second);
        }
    }
    return {};
}

}  // namespace qmduck
