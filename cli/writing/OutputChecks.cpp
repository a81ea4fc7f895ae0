#include "cli/writing/OutputChecks.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace qmduck {
namespace {

namespace fs = std::filesystem;

// A result is made as a new file in its destination's folder and linked into place.
std::string checkWritable(const std::string& path) {
    if (path.empty() || path == kStandardStream) return {};
    std::error_code error;
    if (fs::is_directory(path, error)) return path + ": is a folder; give a file name";
    const fs::path parent = fs::path(path).parent_path();
    const std::string folder = parent.empty() ? "." : parent.string();
    // A missing folder, a file in its place or no permission: the system's reason says which.
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        return path + ": cannot create a file in " + folder + ": " + std::strerror(errno);
    }
    return {};
}

}  // namespace

bool sameFile(const std::string& a, const std::string& b) {
    if (a == kStandardStream || b == kStandardStream) return false;
    std::error_code error;
    if (fs::equivalent(a, b, error)) return true;
    const auto normal = [](const std::string& path) {
        std::error_code ignored;
        const fs::path absolute = fs::absolute(path, ignored);
        std::error_code error;
        const fs::path canonical = fs::weakly_canonical(absolute, error);
        // A name the system refuses (one too long) is compared as written, never as an empty one.
        return error ? absolute.lexically_normal() : canonical;
    };
    return normal(a) == normal(b);
}

std::string checkOutputs(const DuckOptions& options) {
    std::vector<std::string> writes;
    for (const std::string* path : {&options.outputPath, &options.plotPath, &options.gainCsvPath}) {
        if (path->empty()) continue;
        if (sameFile(*path, options.inputPath)) return *path + ": would overwrite the input " + options.inputPath;
        for (const std::string& key : options.keyPaths) {
            if (sameFile(*path, key)) return *path + ": would overwrite the key " + key;
        }
        for (const std::string& other : writes) {
            if (sameFile(*path, other)) return *path + ": is given for two results";
        }
        if (std::string problem = checkWritable(*path); !problem.empty()) return problem;
        writes.push_back(*path);
    }
    return {};
}

}  // namespace qmduck
