#include "cli/ducking/DuckEngine.h"

namespace qmduck {

qm::StreamDucker fileDucker(float sampleRateHz, const std::array<float, qm::kParameterCount>& parameters,
                            const Shaping& shaping) {
    qm::StreamDucker ducker(sampleRateHz, shaping.holdMs);
    for (std::int32_t index = 0; index < qm::kParameterCount; ++index) {
        ducker.setParameter(index, parameters[static_cast<std::size_t>(index)]);
    }
    ducker.setRangeDb(shaping.rangeDb);
    ducker.setHoldMs(shaping.holdMs);
    return ducker;
}

}  // namespace qmduck
