// Process identity natively: the process id and a stamp of the start time that /proc reports in
// clock ticks since boot, which tells a reused process id apart.

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/SharedMemory.h"

namespace qm {
namespace {

struct ProcessStatus {
    bool exists = false;
    char state = '?';
    std::uint64_t startTicks = 0;
};

ProcessStatus readStatus(std::uint32_t pid) {
    ProcessStatus status;
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(file, line)) return status;
    const std::size_t end = line.rfind(')');
    if (end == std::string::npos) return status;
    std::istringstream fields(line.substr(end + 1));
    std::string field;
    // Fields after the command name: state is the first, the start time the twentieth.
    for (int i = 1; i <= 20 && fields >> field; ++i) {
        if (i == 1) status.state = field.empty() ? '?' : field[0];
        if (i == 20) {
            status.startTicks = std::strtoull(field.c_str(), nullptr, 10);
            status.exists = true;
        }
    }
    return status;
}

std::uint32_t stampOf(std::uint64_t startTicks) {
    return static_cast<std::uint32_t>(startTicks ^ (startTicks >> 32)) ^ 0x9E3779B9u;
}

}  // namespace

// Kept while the process id stays the same: a forked child has another id and gets a token of
// its own.
std::uint64_t currentProcessToken() {
    static std::atomic<std::uint64_t> cached{0};
    const auto pid = static_cast<std::uint32_t>(getpid());
    std::uint64_t token = cached.load(std::memory_order_relaxed);
    if (token != 0 && (token >> 32) == pid) return token;
    token = (std::uint64_t{pid} << 32) | stampOf(readStatus(pid).startTicks);
    cached.store(token, std::memory_order_relaxed);
    return token;
}

bool isProcessTokenAlive(std::uint64_t token) {
    const ProcessStatus status = readStatus(static_cast<std::uint32_t>(token >> 32));
    if (!status.exists || status.state == 'Z' || status.state == 'X') return false;
    return stampOf(status.startTicks) == static_cast<std::uint32_t>(token);
}

}  // namespace qm
