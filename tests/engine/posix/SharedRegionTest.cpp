// The key bus region in a private runtime directory: where it lives, how a broken one is replaced
// while processes on the old one go on, how openers meet under the lock, and how the bus of a
// process moves to the replacement once it holds no slot.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/SessionKeyBus.h"
#include "engine/SharedKeyBus.h"
#include "support/ForkedChild.h"

namespace qm {
namespace {

constexpr std::size_t kRegionBytes = keyRegionBytes(SharedKeyBus::kCapacityFrames);

// A fresh directory of mode 0700, removed with what it holds when the test ends.
struct PrivateDirectory {
    std::string path;
    PrivateDirectory() {
        const char* base = std::getenv("XDG_RUNTIME_DIR");
        std::string pattern = std::string(base != nullptr && base[0] == '/' ? base : "/tmp") + "/qm-region-XXXXXX";
        path = mkdtemp(pattern.data()) != nullptr ? pattern : "";
    }
    ~PrivateDirectory() {
        if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
    }
    std::string region() const { return path + "/quellmarv3-keybus-2"; }
};

struct FileIdentity {
    ino_t inode = 0;
    mode_t mode = 0;
    off_t size = 0;
};

FileIdentity identityOf(const std::string& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0) return {};
    return {status.st_ino, status.st_mode, status.st_size};
}

// A mapping of the region file of our own, as a process that scribbles on it would have.
struct RawRegion {
    int fd = -1;
    unsigned char* bytes = nullptr;
    explicit RawRegion(const std::string& path) {
        fd = open(path.c_str(), O_RDWR);
        void* address = fd >= 0 ? mmap(nullptr, kRegionBytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
        bytes = address != MAP_FAILED ? static_cast<unsigned char*>(address) : nullptr;
    }
    ~RawRegion() {
        if (bytes != nullptr) munmap(bytes, kRegionBytes);
        if (fd >= 0) close(fd);
    }
    KeyRegionHeader& header() const {
        if (bytes == nullptr) std::abort();
        return *reinterpret_cast<KeyRegionHeader*>(bytes);
    }
};

// In a child: joins the region at `location` and reports the slot, then holds it until told to stop.
int holdSlot(const std::string& location, const test::ForkedChild::Link& link) {
    SharedKeyBus bus(location);
    const int slot = bus.join(512);
    link.report(std::to_string(slot));
    while (!link.stopRequested()) usleep(1000);
    bus.leave(slot);
    return 0;
}

// In a child: takes the lock of the region at `location` and reports it, then keeps it until told to stop.
int holdLock(const std::string& location, const test::ForkedChild::Link& link) {
    const int fd = open((location + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
    link.report(fd >= 0 && flock(fd, LOCK_EX) == 0 ? "locked" : "failed");
    while (!link.stopRequested()) usleep(1000);
    return 0;
}

// Publishes one block on `slot` and reads it back; true when the listener hears it.
bool publishesAndHears(KeyStorage& storage, std::int32_t slot, float level) {
    std::vector<float> block(64, level);
    storage.publish(slot, block.data(), block.data(), 64);
    KeyStorage::View view = storage.openView(slot);
    float left[64] = {};
    float right[64] = {};
    return storage.readFrames(slot, view, 0, 64, left, right) && left[63] == level && right[0] == level;
}

TEST(SharedRegion, LivesInAPrivateRuntimeDirectoryAndElseUnderTheUsersSharedMemoryName) {
    PrivateDirectory privateDirectory;
    PrivateDirectory openDirectory;
    ASSERT_EQ(chmod(openDirectory.path.c_str(), 0755), 0);
    const std::string sharedName = "/quellmarv3-keybus-2-" + std::to_string(geteuid());
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedValue = saved != nullptr ? saved : "";
    struct Case {
        const char* runtimeDirectory;
        std::string expected;
    };
    const std::string withSlashes = privateDirectory.path + "//";
    const Case cases[] = {
        {privateDirectory.path.c_str(), privateDirectory.region()},
        {withSlashes.c_str(), privateDirectory.region()},
        {nullptr, sharedName},
        {"", sharedName},
        {"relative/dir", sharedName},
        {openDirectory.path.c_str(), sharedName},
        {"/dev/null", sharedName},
    };
    for (const Case& c : cases) {
        if (c.runtimeDirectory != nullptr) setenv("XDG_RUNTIME_DIR", c.runtimeDirectory, 1);
        else unsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(keyRegionNameForCurrentUser(), c.expected) << (c.runtimeDirectory ? c.runtimeDirectory : "(unset)");
    }
    if (geteuid() == 0) {
        // A directory of another user is not private to us, whatever its mode.
        ASSERT_EQ(chmod(openDirectory.path.c_str(), 0700), 0);
        ASSERT_EQ(chown(openDirectory.path.c_str(), 4321, 4321), 0);
        setenv("XDG_RUNTIME_DIR", openDirectory.path.c_str(), 1);
        EXPECT_EQ(keyRegionNameForCurrentUser(), sharedName);
        EXPECT_FALSE(SharedKeyBus(openDirectory.path + "/quellmarv3-keybus-2").isOpen());
    }
    if (saved != nullptr) setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
    else unsetenv("XDG_RUNTIME_DIR");

    // Whatever anybody made under the shared-memory name, the private file is made and used.
    SharedKeyBus bus(privateDirectory.region());
    ASSERT_TRUE(bus.isOpen());
    EXPECT_TRUE(bus.isCurrent());
    const FileIdentity file = identityOf(privateDirectory.region());
    EXPECT_EQ(file.mode & 0777, 0600u);
    EXPECT_EQ(static_cast<std::size_t>(file.size), kRegionBytes);
}

// Every way a region can be broken: afterwards two new processes share a fresh region, and a
// process that still maps the old one goes on using it undisturbed.
TEST(SharedRegion, ABrokenRegionIsReplacedAndNewProcessesShareTheFreshOne) {
    struct Damage {
        const char* what;
        std::function<void(const std::string& path)> apply;
    };
    const Damage damages[] = {
        {"shrunk", [](const std::string& path) { ASSERT_EQ(truncate(path.c_str(), 4096), 0); }},
        {"grown", [](const std::string& path) { ASSERT_EQ(truncate(path.c_str(), kRegionBytes + 4096), 0); }},
        {"garbage",
         [](const std::string& path) {
             RawRegion raw(path);
             ASSERT_NE(raw.bytes, nullptr);
             std::mt19937 random(7);
             for (std::size_t i = 0; i < 4096; ++i) raw.bytes[i] = static_cast<unsigned char>(random());
         }},
        {"older layout",
         [](const std::string& path) { RawRegion(path).header().identity.store(kKeyRegionMagic); }},
        {"open to others", [](const std::string& path) { ASSERT_EQ(chmod(path.c_str(), 0644), 0); }},
        {"a pipe",
         [](const std::string& path) {
             ASSERT_EQ(rename(path.c_str(), (path + ".victim").c_str()), 0);
             ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
         }},
        {"a link elsewhere",
         [](const std::string& path) {
             ASSERT_EQ(rename(path.c_str(), (path + ".victim").c_str()), 0);
             ASSERT_EQ(symlink((path + ".victim").c_str(), path.c_str()), 0);
         }},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        PrivateDirectory directory;
        const std::string path = directory.region();
        SharedKeyBus old(path);
        ASSERT_TRUE(old.isOpen());
        ASSERT_EQ(old.join(512), 0);
        const FileIdentity before = identityOf(path);
        damage.apply(path);

        test::ForkedChild first([&](const auto& link) { return holdSlot(path, link); });
        EXPECT_EQ(first.readLine(), "0");
        test::ForkedChild second([&](const auto& link) { return holdSlot(path, link); });
        EXPECT_EQ(second.readLine(), "1");

        const FileIdentity after = identityOf(path);
        EXPECT_NE(after.inode, before.inode);
        EXPECT_TRUE(S_ISREG(after.mode));
        EXPECT_EQ(after.mode & 0777, 0600u);
        EXPECT_EQ(static_cast<std::size_t>(after.size), kRegionBytes);
        EXPECT_FALSE(old.isCurrent());
        // A shrunk region got its length back before it was let go: nothing faults on it.
        EXPECT_TRUE(publishesAndHears(*old.storage(), 0, 0.5f));
        if (std::string(damage.what) == "a link elsewhere" || std::string(damage.what) == "a pipe") {
            EXPECT_EQ(identityOf(path + ".victim").inode, before.inode);
        }
        EXPECT_EQ(first.stop(), 0);
        EXPECT_EQ(second.stop(), 0);
    }
}

TEST(SharedRegion, OpenersThatStartTogetherAllMeetOnOneRegion) {
    PrivateDirectory directory;
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<std::unique_ptr<test::ForkedChild>> children;
    for (int i = 0; i < kKeySlotCount; ++i) {
        children.push_back(std::make_unique<test::ForkedChild>([&](const test::ForkedChild::Link& link) {
            char byte = 0;
            if (read(go[0], &byte, 1) != 1) return 1;
            return holdSlot(directory.region(), link);
        }));
    }
    ASSERT_EQ(write(go[1], "gogo", 4), 4);
    std::vector<std::string> slots;
    for (auto& child : children) slots.push_back(child->readLine());
    std::sort(slots.begin(), slots.end());
    EXPECT_EQ(slots, (std::vector<std::string>{"0", "1", "2", "3"}));
    for (auto& child : children) EXPECT_EQ(child->stop(), 0);
    close(go[0]);
    close(go[1]);
}

TEST(SharedRegion, AnOpenerGivesUpRatherThanWaitForAStuckLockHolder) {
    PrivateDirectory directory;
    test::ForkedChild stuck([&](const auto& link) { return holdLock(directory.region(), link); });
    ASSERT_EQ(stuck.readLine(), "locked");
    EXPECT_FALSE(SharedKeyBus(directory.region()).isOpen());
    EXPECT_EQ(stuck.stop(), 0);
    EXPECT_TRUE(SharedKeyBus(directory.region()).isOpen());
}

TEST(SessionKeyBus, AfterWaitingInVainForTheLockNewInstancesWorkAloneWithoutWaitingAgain) {
    PrivateDirectory directory;
    test::ForkedChild stuck([&](const auto& link) { return holdLock(directory.region(), link); });
    ASSERT_EQ(stuck.readLine(), "locked");
    SessionKeyBus session(directory.region());
    EXPECT_EQ(session.join(512), 0);
    EXPECT_FALSE(session.isShared());
    session.leave(0);
    EXPECT_EQ(stuck.stop(), 0);
    // The lock is free now, but the bus does not ask again so soon.
    EXPECT_EQ(session.join(512), 0);
    EXPECT_FALSE(session.isShared());
    session.leave(0);
}

TEST(SessionKeyBus, AProcessMovesToTheReplacementOnceItHoldsNoSlot) {
    PrivateDirectory directory;
    const std::string path = directory.region();
    SessionKeyBus session(path);
    EXPECT_EQ(session.join(512), 0);
    ASSERT_TRUE(session.isShared());
    KeyStorage* oldStorage = session.storage();
    RawRegion(path).header().capacityFrames.store(4096);

    test::ForkedChild first([&](const auto& link) { return holdSlot(path, link); });
    ASSERT_EQ(first.readLine(), "0");
    test::ForkedChild second([&](const auto& link) { return holdSlot(path, link); });
    ASSERT_EQ(second.readLine(), "1");

    // Still holding a slot: the process stays on the old region with its instances.
    EXPECT_EQ(session.join(512), 1);
    EXPECT_EQ(session.storage(), oldStorage);
    EXPECT_TRUE(publishesAndHears(*session.storage(), 1, 0.25f));
    session.leave(0);
    session.leave(1);
    // The next join finds the region replaced and takes the first free slot of the new one.
    EXPECT_EQ(session.join(512), 2);
    EXPECT_TRUE(session.isShared());
    session.leave(2);
    EXPECT_EQ(first.stop(), 0);
    EXPECT_EQ(second.stop(), 0);
}

TEST(SessionKeyBus, WorksAloneWhileTheRegionCannotBeHadAndSharesAgainOnceItCan) {
    PrivateDirectory directory;
    const std::string path = directory.region();
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);  // a name that cannot be replaced
    SessionKeyBus session(path);
    EXPECT_EQ(session.join(512), 0);
    EXPECT_FALSE(session.isShared());
    ASSERT_NE(session.storage(), nullptr);
    EXPECT_TRUE(publishesAndHears(*session.storage(), 0, 0.5f));
    ASSERT_EQ(rmdir(path.c_str()), 0);
    EXPECT_EQ(session.join(512), 1);
    EXPECT_FALSE(session.isShared());
    session.leave(0);
    session.leave(1);

    EXPECT_EQ(session.join(512), 0);
    EXPECT_TRUE(session.isShared());
    test::ForkedChild other([&](const auto& link) { return holdSlot(path, link); });
    EXPECT_EQ(other.readLine(), "1");
    session.leave(0);
    EXPECT_EQ(other.stop(), 0);
}

}  // namespace
}  // namespace qm
