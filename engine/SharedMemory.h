#pragma once
// What the shared key bus needs of the platform: a named memory region that the processes of the
// current user's session share and nobody else can reach, and an identity for processes that
// tells whether one still runs.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace qm {

class SharedMemory {
public:
    // Sets up a fresh, zero-filled region (`fresh` true), or checks one that already exists
    // (`fresh` false) and answers false when it does not match what the caller expects.
    using Adopter = bool (*)(void* memory, std::size_t bytes, bool fresh);

    // Opens the region at `location` (see keyRegionNameForCurrentUser) of exactly `bytes` bytes,
    // with every opener of the location serialised by a lock beside it. A region of this user
    // that `adopt` accepts is used as it is; one of this user with another size, loose access
    // or content that `adopt` rejects is replaced by a fresh one (processes that still map the
    // old one keep it); a fresh one is created when there is none. Null when the location is
    // not private to this user, another user's object holds the name, the lock stays taken
    // for long, or memory cannot be had. UI thread (it may wait for the lock).
    static std::unique_ptr<SharedMemory> openForCurrentUser(const std::string& location, std::size_t bytes,
                                                            Adopter adopt);
    ~SharedMemory();
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    void* data() const { return address; }
    std::size_t size() const { return bytes; }
    // False once the location leads to another region than this one, or to none (it was replaced
    // or removed). UI thread.
    bool isCurrent() const;

private:
    SharedMemory(void* address, std::size_t bytes, std::intptr_t handle, std::string location)
        : address(address), bytes(bytes), handle(handle), location(std::move(location)) {}

    void* address;
    std::size_t bytes;
    std::intptr_t handle;
    std::string location;
};

// Where the key bus region of this user's session lives. Natively: the file
// "quellmarv3-keybus-2" in $XDG_RUNTIME_DIR when that names a directory of this user that
// nobody else may enter, else the POSIX shared-memory name "/quellmarv3-keybus-2-<uid>" (a
// location with a single leading slash is such a name, any other one a file path). On Windows:
// the name of a file mapping in the session's namespace.
std::string keyRegionNameForCurrentUser();

// This process's identity: its process id in the high half, a stamp of its start time in the low
// half; never 0.
std::uint64_t currentProcessToken();

// False when no process with the token's id runs, or when the one that does started at another
// time (the id was reused). A process that exists but cannot be inspected counts as running.
bool isProcessTokenAlive(std::uint64_t token);

}  // namespace qm
