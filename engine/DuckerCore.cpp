#include "engine/DuckerCore.h"

#include <cmath>
#include <limits>
#include <new>

namespace qm {

DuckerCore::DuckerCore(KeyBus& keyBus, std::int32_t blockSizeFrames) : keyBus(keyBus) {
    for (std::int32_t i = 0; i < kParameterCount; ++i) {
        parameters[i].store(kParameterDefaults[i], std::memory_order_relaxed);
    }
    ownSlot = keyBus.join(blockSizeFrames);
    if (ownSlot >= 0) parameters[ParamOwnSlot].store(static_cast<float>(ownSlot), std::memory_order_relaxed);
}

DuckerCore::~DuckerCore() { keyBus.leave(ownSlot); }

void DuckerCore::reserve(std::int32_t blockSizeFrames) {
    if (ownSlot >= 0) keyBus.reserve(blockSizeFrames);
}

bool DuckerCore::prepareShaping(double sampleRateHz, double maxHoldMs, double maxLookaheadMs) {
    const double lookaheadFrames = std::ceil(maxLookaheadMs * sampleRateHz / 1000.0);
    if (!(lookaheadFrames >= 0.0) || lookaheadFrames > std::numeric_limits<std::int32_t>::max() / 2) return false;
    try {
        chain.reserveHoldMs(maxHoldMs, sampleRateHz);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return delay.reserve(static_cast<std::int32_t>(lookaheadFrames));
}

void DuckerCore::setHoldMs(double holdMs, double sampleRateHz) { chain.setHoldMs(holdMs, sampleRateHz); }

}  // namespace qm
