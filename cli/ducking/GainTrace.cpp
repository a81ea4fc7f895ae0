#include "cli/ducking/GainTrace.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace qmduck {

double decibelsOf(double linear) {
    return linear > 0.0 ? std::max(kLowestDb, 20.0 * std::log10(linear)) : kLowestDb;
}

GainCsvWriter::GainCsvWriter(int descriptor, const std::string& comment) : file(fdopen(descriptor, "w")) {
    if (file == nullptr) {
        close(descriptor);
        return;
    }
    if (!comment.empty()) std::fprintf(file, "# %s\n", comment.c_str());
    std::fputs("time_s,gain_reduction_db,key_level_db\n", file);
}

GainCsvWriter::~GainCsvWriter() {
    if (file != nullptr) std::fclose(file);
}

void GainCsvWriter::add(const TracePoint& point) {
    if (file == nullptr) return;
    // 0.0 - gain keeps an unreduced gain from printing as "-0.000".
    std::fprintf(file, "%.2f,%.3f,%.2f\n", point.endSeconds, 0.0 - point.gainDb, point.keyLevelDb);
}

bool GainCsvWriter::finish(std::string& error) {
    if (file == nullptr) {
        error = "cannot write";
        return false;
    }
    const bool failed = std::ferror(file) != 0;
    const int savedErrno = errno;
    const bool closeFailed = std::fclose(file) != 0;
    file = nullptr;
    if (failed || closeFailed) {
        error = std::strerror(failed ? savedErrno : errno);
        return false;
    }
    return true;
}

}  // namespace qmduck
