#pragma once
// The plug-in's own effect as a VST 2 host sees it: eleven parameters, one program, and the
// ducker's core (its key slot on the process's key bus, and the ducking processor that publishes
// its input, listens to the selected slots and lowers (duck) or passes (key) its own audio by the
// key's level), with the end-of-block gain reduction stored as parameter 10.

#include <cstdint>

#include "engine/DuckerCore.h"
#include "engine/KeyBus.h"
#include "engine/Parameters.h"
#include "formats/vst2/base/EffectBaseExt.h"

namespace qm {

class DuckerEffect : public EffectBaseExt {
public:
    // Joins the process's key bus; parameter 0 then holds the slot, or 6.0 when none was free.
    explicit DuckerEffect(HostCallback hostCallback);
    // The same on a bus of the caller's choosing, which must outlive the effect.
    DuckerEffect(HostCallback hostCallback, KeyBus& keyBus);
    // Leaves the key bus.
    ~DuckerEffect() override;

    // Stores a parameter value; indices outside 0..10 are ignored. Any thread.
    void setParameter(std::int32_t index, float value) override;
    // The stored value; 0 for indices outside 0..10. Any thread.
    float getParameter(std::int32_t index) override;

    // Accumulating and replacing processing of `frames` stereo frames. Audio thread.
    void process(float** inputs, float** outputs, std::int32_t frames) override;
    void processReplacing(float** inputs, float** outputs, std::int32_t frames) override;

    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParamLabel(std::int32_t index, char* text) override;
    void getParamDisplay(std::int32_t index, char* text) override;
    void getParamName(std::int32_t index, char* text) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;

    // Block sizes announced by the host also size the key slots, off the audio thread.
    void setBlockSize(std::int32_t blockSizeFrames) override;
    void setBlockSizeAndSampleRate(std::int32_t blockSizeFrames, float sampleRateHz) override;

    // The slot this instance publishes on (0..3), or -1 when it has none.
    std::int32_t keySlot() const { return core.keySlot(); }

    // Capacity of the program name, terminator included (the published interface's limit).
    static constexpr std::int32_t kProgramNameCapacity = 24;

private:
    DuckerCore core;
    char programName[kProgramNameCapacity] = {};
};

}  // namespace qm
