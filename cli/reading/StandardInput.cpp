#include "cli/reading/StandardInput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace qmduck {
namespace {

std::mutex lock;
std::string keptPath;
std::string keptError;

std::string keep() {
    const char* folder = std::getenv("TMPDIR");
    const std::string where = folder != nullptr && folder[0] != '\0' ? folder : "/tmp";
    int file = open(where.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (file < 0) {
        std::string pattern = where + "/.quellmar-duck-input.XXXXXX";
        file = mkostemp(pattern.data(), O_CLOEXEC);
        if (file >= 0) unlink(pattern.c_str());
    }
    if (file < 0) {
        keptError = "standard input: cannot keep it in " + where + ": " + std::strerror(errno);
        return {};
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            keptError = std::string("standard input: cannot read: ") + std::strerror(errno);
            return {};
        }
        if (got == 0) break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t wrote = write(file, buffer + done, static_cast<std::size_t>(got - done));
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) {
                keptError = "standard input: cannot keep it in " + where + ": " + std::strerror(wrote < 0 ? errno : EIO);
                return {};
            }
            done += wrote;
        }
    }
    // The descriptor stays open for the life of the process: the path reads through it.
    return "/proc/self/fd/" + std::to_string(file);
}

}  // namespace

std::string standardInputPath(std::string& error) {
    const std::lock_guard<std::mutex> guard(lock);
    if (keptPath.empty() && keptError.empty()) keptPath = keep();
    error = keptError;
    return keptPath;
}

}  // namespace qmduck
