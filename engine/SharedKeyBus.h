#pragma once
// The key bus shared by every process of the user's session: header, slot records and samples
// live in one named shared-memory region of fixed layout. Slots are claimed with compare-and-
// exchange on their owner word, which holds the owning process's token; a slot whose owner
// process has died is free for the next instance that joins, one whose owner lives is never
// taken. A region whose header does not match this layout is not used at all.

#include <memory>
#include <string>

#include "engine/KeyBus.h"
#include "engine/SharedMemory.h"

namespace qm {

class SharedKeyBus : public KeyBus {
public:
    // Frames per slot block; longer blocks are published and processed in pieces.
    static constexpr std::int32_t kCapacityFrames = 1 << 16;

    // Opens (or creates) the region `name` of the current user; check `isOpen`.
    explicit SharedKeyBus(const std::string& name);
    SharedKeyBus(const SharedKeyBus&) = delete;
    SharedKeyBus& operator=(const SharedKeyBus&) = delete;

    // False when the region could not be had or did not match the layout: use another bus then.
    bool isOpen() const { return samples != nullptr; }

    std::int32_t join(std::int32_t blockSizeFrames) override;
    void leave(std::int32_t slot) override;
    // True when no slot has a running owner.
    bool isEmpty() override;
    // The capacity is fixed: nothing to do.
    void reserve(std::int32_t blockSizeFrames) override;
    KeyStorage* storage() const override { return samples.get(); }

private:
    bool adoptRegion();

    std::unique_ptr<SharedMemory> region;
    std::unique_ptr<KeyStorage> samples;
};

}  // namespace qm
