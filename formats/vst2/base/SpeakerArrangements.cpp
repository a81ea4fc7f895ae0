// Speaker arrangements of the extended layer: header plus one 112-byte record per channel, in
// one zero-filled malloc block that the caller releases with releaseSpeakerArrangement.

#include <cstdlib>
#include <cstring>

#include "formats/vst2/base/EffectBaseExt.h"
#include "formats/vst2/base/TextCopy.h"

namespace qm {
namespace {

// Channel counts beyond this are refused rather than sized into an overflowing allocation.
constexpr std::int32_t kMaxSpeakerChannels = 1 << 16;

}  // namespace

bool EffectBaseExt::allocateSpeakerArrangement(VstSpeakerArrangement** arrangement, std::int32_t channels) {
    if (arrangement == nullptr) return false;
    std::free(*arrangement);
    *arrangement = nullptr;
    if (channels < 0 || channels > kMaxSpeakerChannels) return false;
    const std::size_t bytes =
        sizeof(VstSpeakerArrangement) + sizeof(VstSpeakerProperties) * static_cast<std::size_t>(channels);
    auto* fresh = static_cast<VstSpeakerArrangement*>(std::calloc(1, bytes));
    if (fresh == nullptr) return false;
    fresh->numChannels = channels;
    *arrangement = fresh;
    return true;
}

bool EffectBaseExt::releaseSpeakerArrangement(VstSpeakerArrangement** arrangement) {
    if (arrangement == nullptr) return true;
    std::free(*arrangement);
    *arrangement = nullptr;
    return true;
}

bool EffectBaseExt::copySpeakerProperties(VstSpeakerProperties* destination, VstSpeakerProperties* source) {
    if (destination == nullptr || source == nullptr) return false;
    copyText(destination->name, source->name, sizeof destination->name);
    destination->type = source->type;
    destination->azimuth = source->azimuth;
    destination->elevation = source->elevation;
    destination->radius = source->radius;
    destination->reserved = source->reserved;
    std::memcpy(destination->future, source->future, sizeof destination->future);
    return true;
}

bool EffectBaseExt::matchSpeakerArrangement(VstSpeakerArrangement** destination, VstSpeakerArrangement* source) {
    if (source == nullptr || destination == nullptr) return false;
    releaseSpeakerArrangement(destination);
    if (!allocateSpeakerArrangement(destination, source->numChannels)) return false;
    (*destination)->type = source->type;
    for (std::int32_t channel = 0; channel < source->numChannels; ++channel) {
        if (!copySpeakerProperties(speakerAt(*destination, channel), speakerAt(source, channel))) return false;
    }
    return true;
}

}  // namespace qm
