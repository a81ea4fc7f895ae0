#include "FuzzRegion.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "PluginFuzzChoices.h"
#include "engine/KeyRegionLayout.h"
#include "engine/SharedKeyBus.h"
#include "engine/SharedMemory.h"

namespace qm::fuzz {
namespace {

std::string runtimeDirectory;

std::string regionPath() { return keyRegionNameForCurrentUser(); }

void removeRuntimeDirectory() {
    if (runtimeDirectory.empty()) return;
    const std::string path = regionPath();
    rmdir(path.c_str());
    unlink(path.c_str());
    unlink((path + ".lock").c_str());
    rmdir(runtimeDirectory.c_str());
}

// Where in the region the bytes go: the header, a slot record, or the samples.
std::size_t chooseOffset(FuzzedDataProvider& data) {
    constexpr std::size_t kRegionBytes = keyRegionBytes(SharedKeyBus::kCapacityFrames);
    constexpr std::size_t kSlotsEnd = sizeof(KeyRegionHeader) + sizeof(KeySlotState) * kKeySlotCount;
    switch (data.ConsumeIntegralInRange<int>(PartHeader, PartAnywhere)) {
    case PartHeader: return data.ConsumeIntegralInRange<std::size_t>(0, sizeof(KeyRegionHeader) - 1);
    case PartSlots: return data.ConsumeIntegralInRange<std::size_t>(sizeof(KeyRegionHeader), kSlotsEnd - 1);
    case PartSamples: return data.ConsumeIntegralInRange<std::size_t>(kSlotsEnd, kSlotsEnd + 4096);
    default: return data.ConsumeIntegralInRange<std::size_t>(0, kRegionBytes - 1);
    }
}

void writeBytes(FuzzedDataProvider& data) {
    constexpr std::size_t kRegionBytes = keyRegionBytes(SharedKeyBus::kCapacityFrames);
    const std::size_t offset = chooseOffset(data);
    const std::size_t count = data.ConsumeIntegralInRange<std::size_t>(1, kMaxTamperBytes);
    std::vector<std::uint8_t> bytes = data.ConsumeBytes<std::uint8_t>(count);
    if (bytes.size() > kRegionBytes - offset) bytes.resize(kRegionBytes - offset);
    const int fd = open(regionPath().c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    struct stat status {};
    // Writing past the end would grow a region that is not a full one: leave such alone.
    if (fstat(fd, &status) == 0 && static_cast<std::size_t>(status.st_size) == kRegionBytes && !bytes.empty()) {
        const ssize_t written = pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        (void)written;
    }
    close(fd);
}

}  // namespace

void usePrivateRuntimeDirectory() {
    std::string pattern = "/tmp/quellmar-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    runtimeDirectory = pattern;
    setenv("XDG_RUNTIME_DIR", runtimeDirectory.c_str(), 1);
    if (regionPath().rfind(runtimeDirectory, 0) != 0) std::abort();
    std::atexit(removeRuntimeDirectory);
}

void tamperWithRegion(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange<int>(TamperUnlink, kLastTamper)) {
    case TamperUnlink: unlink(regionPath().c_str()); break;
    case TamperBlockName: mkdir(regionPath().c_str(), 0700); break;
    case TamperFreeName: rmdir(regionPath().c_str()); break;
    default: writeBytes(data); break;
    }
}

}  // namespace qm::fuzz
