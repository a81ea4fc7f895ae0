#include "cli/PendingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
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

}  // namespace

PendingFile::PendingFile(std::string destinationPath) : destination(std::move(destinationPath)) {
    const std::filesystem::path target(destination);
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    descriptor = mkstemp(pattern.data());
    if (descriptor < 0) {
        failure = "cannot create a file in " + folder.string() + ": " + std::strerror(errno);
        return;
    }
    temporary = pattern;
    registration = registerPath(temporary);
    // mkstemp makes the file private; the result gets the permissions of any new file.
    const std::lock_guard<std::mutex> guard(umaskLock);
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(descriptor, 0666 & ~mask);
}

PendingFile::~PendingFile() {
    if (descriptor >= 0) close(descriptor);
    if (!committed && !temporary.empty()) unlink(temporary.c_str());
    unregisterPath(registration);
}

int PendingFile::takeDescriptor() {
    const int taken = descriptor;
    descriptor = -1;
    return taken;
}

bool PendingFile::commit() {
    if (temporary.empty()) return false;
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
}

}  // namespace qmduck
