#include "engine/DuckSettings.h"

#include <bit>

namespace qm {

void DetectorSetup::apply(DuckChain& chain, float sampleRateHz, const DuckSettings& settings) {
    const std::array<std::uint32_t, 4> wanted = {
        std::bit_cast<std::uint32_t>(sampleRateHz), std::bit_cast<std::uint32_t>(settings.attackValue),
        std::bit_cast<std::uint32_t>(settings.releaseValue), std::bit_cast<std::uint32_t>(settings.thresholdValue)};
    if (configured && wanted == applied) return;
    applied = wanted;
    configured = true;
    chain.configure(sampleRateHz, settings.attackValue, settings.releaseValue, settings.thresholdValue);
}

}  // namespace qm
