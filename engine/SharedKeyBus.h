#pragma once
// The key bus shared by every process of the user's session: header, slot records and samples
// live in one named shared-memory region of fixed layout. Slots are claimed with compare-and-
// exchange on their owner word, which holds the owning process's token; a slot whose owner
// process has died is free for the next instance that joins, one whose owner lives is never
// taken. A region whose size or header does not match this layout is replaced by a fresh one
// when it is opened; what the slot records and samples hold is never trusted.

#include <memory>
#include <string>

#include "engine/KeyBus.h"
#include "engine/SharedMemory.h"

namespace qm {

class SharedKeyBus : public KeyBus {
public:
    // Frames per slot block; longer blocks are published and processed in pieces.
    static constexpr std::int32_t kCapacityFrames = 1 << 16;

    // Opens (or creates, or replaces a broken) region at `location` of the current user; check
    // `isOpen`. UI thread.
    explicit SharedKeyBus(const std::string& location);
    SharedKeyBus(const SharedKeyBus&) = delete;
    SharedKeyBus& operator=(const SharedKeyBus&) = delete;

    // False when the region could not be had: use another bus then.
    bool isOpen() const { return samples != nullptr; }
    // False once the region was replaced or removed at its location, or its header no longer
    // matches: whoever opens the location now gets another region. UI thread.
    bool isCurrent() const;

    std::int32_t join(std::int32_t blockSizeFrames) override;
    void leave(std::int32_t slot) override;
    // True when no slot has a running owner.
    bool isEmpty() override;
    // The capacity is fixed: nothing to do.
    void reserve(std::int32_t blockSizeFrames) override;
    KeyStorage* storage() const override { return samples.get(); }

    // Sets up the header of a fresh region, or checks that of an existing one (a region whose
    // set-up was cut short, identity still 0, is set up again).
    static bool adoptRegion(void* memory, std::size_t bytes, bool fresh);

private:
    std::unique_ptr<SharedMemory> region;
    std::unique_ptr<KeyStorage> samples;
};

}  // namespace qm
