// POSIX shared memory for the key bus: a shm object named after the user id, mode 0600, that is
// only trusted when the current user owns it and nobody else may open it. Process liveness from
// /proc: the start time in clock ticks since boot tells a reused process id apart.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

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
            status.startTicks = std::stoull(field);
            status.exists = true;
        }
    }
    return status;
}

std::uint32_t stampOf(std::uint64_t startTicks) {
    return static_cast<std::uint32_t>(startTicks ^ (startTicks >> 32)) ^ 0x9E3779B9u;
}

}  // namespace

std::unique_ptr<SharedMemory> SharedMemory::openForCurrentUser(const std::string& name, std::size_t bytes) {
    const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) return nullptr;
    struct stat status {};
    bool usable = fstat(fd, &status) == 0 && status.st_uid == geteuid() && (status.st_mode & 077) == 0;
    if (usable && status.st_size == 0) {
        usable = ftruncate(fd, static_cast<off_t>(bytes)) == 0 && fstat(fd, &status) == 0;
    }
    usable = usable && static_cast<std::size_t>(status.st_size) == bytes;
    void* address = usable ? mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    if (address == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    return std::unique_ptr<SharedMemory>(new SharedMemory(address, bytes, fd));
}

SharedMemory::~SharedMemory() {
    munmap(address, bytes);
    close(static_cast<int>(handle));
}

std::string keyRegionNameForCurrentUser() { return "/quellmarv3-keybus-1-" + std::to_string(geteuid()); }

// Not cached: a forked child is another process with a token of its own.
std::uint64_t currentProcessToken() {
    const auto pid = static_cast<std::uint32_t>(getpid());
    return (std::uint64_t{pid} << 32) | stampOf(readStatus(pid).startTicks);
}

bool isProcessTokenAlive(std::uint64_t token) {
    const ProcessStatus status = readStatus(static_cast<std::uint32_t>(token >> 32));
    if (!status.exists || status.state == 'Z' || status.state == 'X') return false;
    return stampOf(status.startTicks) == static_cast<std::uint32_t>(token);
}

}  // namespace qm
