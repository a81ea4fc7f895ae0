// The key bus region natively: a file in the user's private runtime directory, or a POSIX
// shared-memory object where there is none, mapped shared. Openers hold an advisory lock on a
// file beside the region while they look at it; under that lock a broken region of this user is
// unlinked and a fresh one created under its name, so processes that still map the old one keep
// it and every later opener gets the new one. This code never shrinks a region; it gives a
// shrunk one its length back before it lets it go, and it allocates every page when it opens one,
// so that a full file system answers "no" here instead of faulting on the audio thread later.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "engine/SharedMemory.h"

namespace qm {
namespace {

// The number is the layout's version (see KeyRegionLayout.h): regions of different layouts never
// meet under one name, so a process of one version never replaces another version's region.
constexpr char kRegionFileName[] = "quellmarv3-keybus-2";
constexpr char kLockSuffix[] = ".lock";
// The lock is held for a few system calls; a holder that keeps it for a second is stuck.
constexpr int kLockAttempts = 500;
constexpr long kLockPauseNs = 2000000;

bool isSharedMemoryName(const std::string& location) {
    return location.size() > 1 && location[0] == '/' && location.find('/', 1) == std::string::npos;
}

// Owned by this user, of the expected kind, and closed to everybody else.
bool isPrivate(const struct stat& status, mode_t kind) {
    return status.st_uid == geteuid() && (status.st_mode & S_IFMT) == kind && (status.st_mode & 077) == 0;
}

// A directory that only this user can use, or the shared-memory namespace (directory -1).
struct Place {
    int directory = -1;
    std::string name;

    int open(const std::string& entry, int flags) const {
        const mode_t mode = S_IRUSR | S_IWUSR;
        // Never blocks: whatever sits at the name (a pipe, say) is opened at once and then refused.
        if (directory < 0) return shm_open(entry.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
        return openat(directory, entry.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, mode);
    }
    bool remove(const std::string& entry) const {
        const int result = directory < 0 ? shm_unlink(entry.c_str()) : unlinkat(directory, entry.c_str(), 0);
        return result == 0 || errno == ENOENT;
    }
    // Names in a private directory are all this user's to replace; in the shared namespace only
    // objects that this user owns are.
    bool mayReplace(const struct stat& status) const { return directory >= 0 || status.st_uid == geteuid(); }
};

// The place of `location`; false when it is a directory that others may enter.
bool resolve(const std::string& location, Place& place) {
    if (isSharedMemoryName(location)) {
        place.name = location;
        return true;
    }
    const std::size_t slash = location.rfind('/');
    if (slash == std::string::npos || slash + 1 == location.size()) return false;
    const std::string directory = slash == 0 ? "/" : location.substr(0, slash);
    place.directory = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat status {};
    if (place.directory < 0 || fstat(place.directory, &status) != 0 || !isPrivate(status, S_IFDIR)) return false;
    place.name = location.substr(slash + 1);
    return true;
}

// The exclusive advisory lock beside the region, held while the object lives.
class RegionLock {
public:
    explicit RegionLock(const Place& place) : descriptor(place.open(place.name + kLockSuffix, O_RDWR | O_CREAT)) {
        struct stat status {};
        if (descriptor < 0 || fstat(descriptor, &status) != 0 || !isPrivate(status, S_IFREG)) return;
        for (int attempt = 0; attempt < kLockAttempts && !held; ++attempt) {
            held = flock(descriptor, LOCK_EX | LOCK_NB) == 0;
            if (held || (errno != EWOULDBLOCK && errno != EINTR)) break;
            const timespec pause{0, kLockPauseNs};
            nanosleep(&pause, nullptr);
        }
    }
    ~RegionLock() {
        if (descriptor >= 0) close(descriptor);
    }
    RegionLock(const RegionLock&) = delete;
    RegionLock& operator=(const RegionLock&) = delete;

    bool isHeld() const { return held; }

private:
    int descriptor;
    bool held = false;
};

struct Mapping {
    int descriptor = -1;
    void* address = nullptr;
};

void release(Mapping& mapping, std::size_t bytes) {
    if (mapping.address != nullptr) munmap(mapping.address, bytes);
    if (mapping.descriptor >= 0) close(mapping.descriptor);
    mapping = Mapping{};
}

// Maps an open region of the right size with all its pages allocated.
bool mapWhole(Mapping& mapping, std::size_t bytes) {
    if (posix_fallocate(mapping.descriptor, 0, static_cast<off_t>(bytes)) != 0) return false;
    void* address = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, mapping.descriptor, 0);
    if (address == MAP_FAILED) return false;
    mapping.address = address;
    return true;
}

enum class Outcome { usable, replace, refuse };

// Looks at what the name holds now; `mapping` is set when the region is usable.
Outcome openExisting(const Place& place, std::size_t bytes, SharedMemory::Adopter adopt, Mapping& mapping) {
    mapping.descriptor = place.open(place.name, O_RDWR);
    if (mapping.descriptor < 0) {
        // Missing, a symbolic link or something else that is not a region: make a fresh one; a
        // name of another user in the shared namespace: hands off.
        return errno == EACCES && place.directory < 0 ? Outcome::refuse : Outcome::replace;
    }
    struct stat status {};
    if (fstat(mapping.descriptor, &status) != 0) return Outcome::refuse;
    if (!place.mayReplace(status)) return Outcome::refuse;
    if (isPrivate(status, S_IFREG) && static_cast<std::size_t>(status.st_size) == bytes) {
        // A region that cannot get its pages is left alone: a fresh one would not get them either.
        if (!mapWhole(mapping, bytes)) return Outcome::refuse;
        if (adopt(mapping.address, bytes, false)) return Outcome::usable;
    }
    // Processes that still map a shrunk region get their pages back.
    if (status.st_uid == geteuid() && S_ISREG(status.st_mode) && static_cast<std::size_t>(status.st_size) < bytes) {
        const int restored = ftruncate(mapping.descriptor, static_cast<off_t>(bytes));
        (void)restored;
    }
    return Outcome::replace;
}

bool createFresh(const Place& place, std::size_t bytes, SharedMemory::Adopter adopt, Mapping& mapping) {
    if (!place.remove(place.name)) return false;
    mapping.descriptor = place.open(place.name, O_RDWR | O_CREAT | O_EXCL);
    if (mapping.descriptor < 0) return false;
    if (ftruncate(mapping.descriptor, static_cast<off_t>(bytes)) == 0 && mapWhole(mapping, bytes) &&
        adopt(mapping.address, bytes, true)) {
        return true;
    }
    place.remove(place.name);
    return false;
}

}  // namespace

std::unique_ptr<SharedMemory> SharedMemory::openForCurrentUser(const std::string& location, std::size_t bytes,
                                                               Adopter adopt) {
    Place place;
    const bool resolved = resolve(location, place);
    std::unique_ptr<SharedMemory> result;
    if (resolved && bytes > 0) {
        RegionLock lock(place);
        Mapping mapping;
        Outcome outcome = lock.isHeld() ? openExisting(place, bytes, adopt, mapping) : Outcome::refuse;
        if (outcome == Outcome::replace) {
            release(mapping, bytes);
            if (createFresh(place, bytes, adopt, mapping)) outcome = Outcome::usable;
        }
        if (outcome == Outcome::usable) {
            result.reset(new SharedMemory(mapping.address, bytes, mapping.descriptor, location));
        } else {
            release(mapping, bytes);
        }
    }
    if (place.directory >= 0) close(place.directory);
    return result;
}

SharedMemory::~SharedMemory() {
    munmap(address, bytes);
    close(static_cast<int>(handle));
}

bool SharedMemory::isCurrent() const {
    struct stat mine {};
    struct stat there {};
    const int descriptor = isSharedMemoryName(location)
                               ? shm_open(location.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0)
                               : ::open(location.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return false;
    const bool same = fstat(descriptor, &there) == 0 && fstat(static_cast<int>(handle), &mine) == 0 &&
                      there.st_dev == mine.st_dev && there.st_ino == mine.st_ino &&
                      static_cast<std::size_t>(mine.st_size) == bytes;
    close(descriptor);
    return same;
}

std::string keyRegionNameForCurrentUser() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string directory = runtime != nullptr ? runtime : "";
    while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    struct stat status {};
    if (directory.size() > 1 && directory[0] == '/' && stat(directory.c_str(), &status) == 0 &&
        isPrivate(status, S_IFDIR)) {
        return directory + "/" + kRegionFileName;
    }
    return "/quellmarv3-keybus-2-" + std::to_string(geteuid());
}

}  // namespace qm
