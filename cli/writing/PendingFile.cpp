#include "cli/writing/PendingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

namespace qmduck {
namespace {

// Temporary names the signal handler removes: fixed storage, because a handler may not allocate.
// A slot is free (0), being filled (1) or holds a complete path (2); jobs that run at once claim
// slots with compare-and-swap, and the handler reads only complete ones.
constexpr int kMaxPending = 64;
constexpr std::size_t kMaxPathBytes = 4096;
char pendingPaths[kMaxPending][kMaxPathBytes];
std::atomic<int> pendingState[kMaxPending];
// umask can only be read by setting it: jobs that run at once take turns.
std::mutex umaskLock;

// Any thread; -1 when the path is too long or every slot is taken (the file is then left to the
// end of the run to remove).
int registerPath(const std::string& path) {
    if (path.size() >= kMaxPathBytes) return -1;
    for (int i = 0; i < kMaxPending; ++i) {
        int expected = 0;
        if (!pendingState[i].compare_exchange_strong(expected, 1)) continue;
        std::memcpy(pendingPaths[i], path.c_str(), path.size() + 1);
        pendingState[i].store(2);
        return i;
    }
    return -1;
}

void unregisterPath(int registration) {
    if (registration >= 0) pendingState[registration].store(0);
}

extern "C" void removePendingAndReraise(int signalNumber) {
    for (int i = 0; i < kMaxPending; ++i) {
        if (pendingState[i].load() == 2) unlink(pendingPaths[i]);
    }
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// New files get the permissions of any new file: 0666 less the umask.
void applyUmask(int descriptor) {
    const std::lock_guard<std::mutex> guard(umaskLock);
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
}

}  // namespace

PendingFile::PendingFile(std::string destinationPath) : destination(std::move(destinationPath)) {
    if (destination == "-") {
        const char* folder = std::getenv("TMPDIR");
        if (!openUnnamed(folder != nullptr && folder[0] != '\0' ? folder : "/tmp")) openNamed("/tmp", "quellmar-duck");
        return;
    }
    const std::filesystem::path target(destination);
    const std::string folder = target.parent_path().empty() ? "." : target.parent_path().string();
    if (!openUnnamed(folder)) openNamed(folder, target.filename().string());
}

bool PendingFile::openUnnamed(const std::string& folder) {
    descriptor = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (descriptor < 0) return false;
    unnamed = true;
    applyUmask(descriptor);
    return true;
}

bool PendingFile::openNamed(const std::string& folder, const std::string& name) {
    std::string pattern = (std::filesystem::path(folder) / ("." + name + ".XXXXXX")).string();
    descriptor = mkostemp(pattern.data(), O_CLOEXEC);
    if (descriptor < 0) {
        failure = "cannot create a file in " + folder + ": " + std::strerror(errno);
        return false;
    }
    temporary = pattern;
    registration = registerPath(temporary);
    applyUmask(descriptor);
    return true;
}

PendingFile::~PendingFile() {
    if (descriptor >= 0) close(descriptor);
    if (!committed && !temporary.empty()) unlink(temporary.c_str());
    unregisterPath(registration);
}

int PendingFile::takeDescriptor() {
    if (descriptor < 0) return -1;
    const int copy = fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (copy >= 0) lseek(copy, 0, SEEK_SET);
    return copy;
}

bool PendingFile::copyToStandardOutput() {
    if (lseek(descriptor, 0, SEEK_SET) != 0) {
        failure = std::string("cannot read the result back: ") + std::strerror(errno);
        return false;
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            failure = std::string("cannot read the result back: ") + std::strerror(errno);
            return false;
        }
        if (got == 0) return true;
        for (ssize_t done = 0; done < got;) {
            const ssize_t wrote = write(STDOUT_FILENO, buffer + done, static_cast<std::size_t>(got - done));
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) {
                failure = std::string("standard output: cannot write: ") + std::strerror(wrote < 0 ? errno : EIO);
                return false;
            }
            done += wrote;
        }
    }
}

bool PendingFile::commit() {
    if (descriptor < 0) return false;
    if (fsync(descriptor) != 0 && errno != EINVAL) {
        failure = destination + ": cannot write: " + std::strerror(errno);
        return false;
    }
    if (destination == "-") {
        if (!copyToStandardOutput()) return false;
        committed = true;
        return true;
    }
    if (unnamed) {
        // An unnamed file cannot replace a name: it gets a hidden one beside the destination
        // first, which the rename below takes away at once.
        const std::filesystem::path target(destination);
        const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
        const std::string procPath = "/proc/self/fd/" + std::to_string(descriptor);
        for (int attempt = 0; attempt < 100 && temporary.empty(); ++attempt) {
            const std::string name =
                (folder / ("." + target.filename().string() + "." + std::to_string(getpid()) + "-" + std::to_string(attempt))).string();
            registration = registerPath(name);
            if (linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                temporary = name;
            } else {
                unregisterPath(registration);
                registration = -1;
                if (errno != EEXIST) break;
            }
        }
        if (temporary.empty()) {
            failure = "cannot name " + destination + ": " + std::strerror(errno);
            return false;
        }
    }
    if (std::rename(temporary.c_str(), destination.c_str()) != 0) {
        failure = "cannot rename " + temporary + " to " + destination + ": " + std::strerror(errno);
        return false;
    }
    committed = true;
    unregisterPath(registration);
    registration = -1;
    return true;
}

void PendingFile::removeOnSignals() {
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) std::signal(signalNumber, removePendingAndReraise);
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace qmduck
