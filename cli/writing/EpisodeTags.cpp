#include "cli/writing/EpisodeTags.h"

namespace qmduck {

Tags tagsForOutput(const DuckOptions& options, std::string& error) {
    const Finishing& f = options.finishing;
    Tags tags;
    if (!f.noTags) {
        const std::string& source = f.mix ? options.keyPaths.front() : options.inputPath;
        tags = readTags(source);
    }
    if (f.noCover) {
        tags.cover.clear();
        tags.coverCodec = 0;
    }
    for (const auto& [name, value] : f.tags) tags.set(name, value);
    if (!f.coverPath.empty()) error = readCover(f.coverPath, tags);
    return tags;
}

}  // namespace qmduck
