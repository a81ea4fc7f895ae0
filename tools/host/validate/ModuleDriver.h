#pragma once
// What the validator needs of a plug-in module, whatever its format, in the instance model's terms:
// make and destroy instances, set and read their controls by id in user units, read their outputs,
// set the stream, process in both forms, and open, idle and close their editors. One driver per
// format (VST 2, LV2) translates to the format; the sessions see only this interface.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/ControlOutputs.h"
#include "engine/ControlTable.h"
#include "tools/host/validate/HostTarget.h"

namespace qmhost::validate {

// What a driver reads as the slot when the instance reports something that names neither a slot
// nor none.
constexpr std::int32_t kNotASlot = -2;

// The texts a host reads: of a target, its name, its unit's label and its value as shown; of the
// instance, the vendor, the product and the effect's name.
enum TextKind : int { TextName, TextLabel, TextDisplay, TextVendor, TextProduct, TextEffectName };
constexpr int kTextKindCount = 6;

// What an instance tells its host by itself. Called on the thread that caused it.
class InstanceEvents {
public:
    virtual ~InstanceEvents() = default;
    // The instance changed control `id` to `value` (user units on the extended curve, see
    // DriverInstance::setControl): a user moved it in the editor.
    virtual void controlAutomated(qm::ControlId id, double value) = 0;
    // A gesture on control `id` began or ended.
    virtual void gesture(qm::ControlId id, bool begins) = 0;
};

// One live instance; destroying the object destroys the instance (editor open or not).
class DriverInstance {
public:
    virtual ~DriverInstance() = default;

    // Controls by id, in user units on the extended curve (qm::extendedControlValueFor), where every
    // stored value, outside the range or not a number, has a value of its own: any value goes in,
    // the instance decides what it keeps, and a value set reads back with the same bits. Any thread.
    virtual void setControl(qm::ControlId id, double value) = 0;
    virtual double control(qm::ControlId id) = 0;
    // The instance's key slot: 0..3, qm::kNoSlot without one, or kNotASlot when what it reports
    // names neither. Any thread.
    virtual std::int32_t slot() = 0;
    // The gain reduction at the end of the last block, as the instance reported it (0..1 when
    // right). Any thread.
    virtual float meter() = 0;
    // Output `id` with the bits the format's host reads (the session hashes them, and a recall
    // writes them back), whatever the format keeps there. Any thread.
    virtual float outputAsRead(qm::OutputId id) = 0;
    // A host writing `value` to output `id`, as a host recalling every value it saved does; kept
    // where the format lets a host write there, dropped elsewhere. Any thread.
    virtual void writeOutput(qm::OutputId id, float value) = 0;
    // The stream: sample rate and the largest block the host announces. UI thread.
    virtual void setStream(float sampleRateHz, std::int32_t maxBlockFrames, bool together) = 0;
    // Activation: false suspends, true resumes. UI thread.
    virtual void setActive(bool active) = 0;
    // Whether the format has an accumulating form beside the replacing one.
    virtual bool canAccumulate() const = 0;
    // Whether the instance has a side-chain input of two channels that the host may feed.
    virtual bool hasSideChain() const { return false; }
    // One block of two channels; `accumulate` adds to what `out` holds; `key` is the side-chain's
    // two channels, or null for a side-chain left unconnected. Audio thread.
    virtual void process(float* const* in, float* const* out, const float* const* key, std::int32_t frames,
                         bool accumulate) = 0;

    // The program's name as the host sets and reads it; false when the format has none.
    virtual bool setProgramName(const char* name) = 0;
    // Reads the name into `buffer` of `bytes` bytes (the format's promised size, at least).
    virtual bool programName(char* buffer, std::size_t bytes) = 0;
    // The most bytes the format lets a program name take, terminator included.
    virtual std::size_t programNameBytes() const = 0;
    // Text `kind` of `target` (the instance's own texts ignore it) into `buffer`; the bytes the
    // format lets that text take, terminator included.
    virtual std::size_t textBytes(TextKind kind) const = 0;
    virtual void text(TextKind kind, HostTarget target, char* buffer) = 0;

    // The editor: opened into the host's `parent` window (false when it has none or cannot),
    // idled, given a key, and closed. UI thread.
    virtual bool hasEditor() const = 0;
    virtual bool openEditor(void* parent) = 0;
    virtual void idleEditor() = 0;
    virtual void editorKey(std::int32_t character, std::int32_t virtualKey, bool down) = 0;
    // The size the editor announces, in device pixels; false when it announces none.
    virtual bool editorSize(std::int32_t& width, std::int32_t& height) = 0;
    virtual void closeEditor() = 0;
};

class ModuleDriver {
public:
    virtual ~ModuleDriver() = default;
    // False when the module could not be loaded; `problem` says why.
    virtual bool isLoaded() const = 0;
    virtual std::string problem() const = 0;
    // A new instance reporting to `events` (which outlives it), or null when the module made none.
    virtual std::unique_ptr<DriverInstance> make(InstanceEvents& events) = 0;
    // Whether a stream change may make a new instance behind the same object (formats that fix the
    // rate at instantiation), which takes the lowest key slot free at that moment.
    virtual bool remakesOnStreamChange() const { return false; }
};

// The driver for VST 2 modules (.so natively, .dll under Windows).
std::unique_ptr<ModuleDriver> makeVst2Driver(const std::string& path);
// The driver for `module` as this platform loads it: natively an LV2 bundle folder (a path ending
// in ".lv2") or plug-in URI goes to the LV2 driver, anything else to the VST 2 one.
std::unique_ptr<ModuleDriver> makeModuleDriver(const std::string& module);

}  // namespace qmhost::validate
