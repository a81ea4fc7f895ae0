#include "gui/x11/XResourceCount.h"

#include <atomic>

namespace qm {
namespace {

std::atomic<std::int32_t> live{0};

}  // namespace

std::int32_t liveXResources() { return live.load(std::memory_order_relaxed); }
void noteXResourceMade() { live.fetch_add(1, std::memory_order_relaxed); }
void noteXResourceFreed() { live.fetch_sub(1, std::memory_order_relaxed); }

}  // namespace qm
