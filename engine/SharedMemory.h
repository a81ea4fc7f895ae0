#pragma once
// What the shared key bus needs of the platform: a named memory region that the processes of the
// current user's session share and nobody else can reach, and an identity for processes that
// tells whether one still runs.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qm {

class SharedMemory {
public:
    // Opens the region `name` of exactly `bytes` bytes, creating it zero-filled when it does not
    // exist; null when it cannot be had, has another size, or is reachable by other users.
    static std::unique_ptr<SharedMemory> openForCurrentUser(const std::string& name, std::size_t bytes);
    ~SharedMemory();
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    void* data() const { return address; }
    std::size_t size() const { return bytes; }

private:
    SharedMemory(void* address, std::size_t bytes, std::intptr_t handle)
        : address(address), bytes(bytes), handle(handle) {}

    void* address;
    std::size_t bytes;
    std::intptr_t handle;
};

// The name of the key bus region of this user's session.
std::string keyRegionNameForCurrentUser();

// This process's identity: its process id in the high half, a stamp of its start time in the low
// half; never 0.
std::uint64_t currentProcessToken();

// False when no process with the token's id runs, or when the one that does started at another
// time (the id was reused). A process that exists but cannot be inspected counts as running.
bool isProcessTokenAlive(std::uint64_t token);

}  // namespace qm
