#pragma once
// What a session knows while it runs: the live instances with what each should answer (the
// host's model of them), the audio lanes that process them, the calls made, the hash of what the
// plug-in gave back, and the first failure.

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tools/host/validate/BlockCheck.h"
#include "tools/host/validate/Session.h"
#include "tools/host/validate/SessionRandom.h"

namespace qmhost::validate {

constexpr std::int32_t kMaxInstances = 6;
constexpr std::int32_t kMaxBlockFrames = 8192;
constexpr std::int32_t kSlots = 4;

// A 64-bit hash of words, fast enough for every output sample.
class OutputHash {
public:
    void add(std::uint32_t word) {
        value = (value ^ word) * 0x9E3779B97F4A7C15ull;
        value ^= value >> 29;
    }
    void add(float sample) { add(std::bit_cast<std::uint32_t>(sample)); }
    void add(const float* samples, std::int32_t count) {
        for (std::int32_t i = 0; i < count; ++i) add(samples[i]);
    }
    void add(const char* text) {
        for (; *text != '\0'; ++text) add(static_cast<std::uint32_t>(static_cast<unsigned char>(*text)));
        add(0u);
    }
    std::uint64_t get() const { return value; }

private:
    std::uint64_t value = 0x51ED270B27F0A1C3ull;
};

// The host's model of one instance.
class InstanceModel : public InstanceEvents {
public:
    InstanceModel(int serial, int lane) : serial(serial), lane(lane) {}

    void controlAutomated(qm::ControlId id, double value) override {
        if (automations != nullptr) automations->fetch_add(1, std::memory_order_relaxed);
        expected[id].store(std::bit_cast<std::uint64_t>(value), std::memory_order_release);
    }
    void gesture(qm::ControlId, bool begins) override {
        if (begins) dragBegan.store(true, std::memory_order_release);
    }
    // What control `id` should read (user units, extended curve): as the host or the editor last set it.
    double expectedControl(qm::ControlId id) const {
        return std::bit_cast<double>(expected[id].load(std::memory_order_acquire));
    }
    void expect(qm::ControlId id, double value) { controlAutomated(id, value); }
    // Odd while the user-interface thread changes this instance's controls or editor.
    void beginTouch() { touch.fetch_add(1, std::memory_order_acq_rel); }
    void endTouch() { touch.fetch_add(1, std::memory_order_acq_rel); }

    std::unique_ptr<DriverInstance> driver;
    const int serial;
    const int lane;
    std::int32_t slot = qm::kNoSlot;
    std::array<std::atomic<std::uint64_t>, qm::kControlCount> expected{};
    std::atomic<std::uint32_t> touch{0};
    std::atomic<bool> dragBegan{false};
    // Changed under the lane's lock only.
    bool active = false;
    float rateHz = 44100.0f;
    std::int32_t maxBlockFrames = 1024;
    bool editorOpen = false;
    std::atomic<std::uint64_t>* automations = nullptr;
};

// The buffers of one audio lane: inputs and outputs with guard samples after them, the host's
// copies of the input and of what the outputs held, and a side-chain key.
struct LaneBuffers {
    std::vector<float> in[2];
    std::vector<float> out[2];
    std::vector<float> inputCopy[2];
    std::vector<float> prior[2];
    std::vector<float> key[2];
    LaneBuffers() {
        for (int c = 0; c < 2; ++c) {
            in[c].resize(kMaxBlockFrames + kGuardFrames);
            out[c].resize(kMaxBlockFrames + kGuardFrames);
            inputCopy[c].resize(kMaxBlockFrames);
            prior[c].resize(kMaxBlockFrames);
            key[c].resize(kMaxBlockFrames);
        }
    }
};

// A thread that runs audio cycles over the instances it was given.
struct Lane {
    explicit Lane(std::uint64_t seed) : random(seed) {}
    std::mutex lock;
    std::atomic<int> uiWaiting{0};
    std::vector<InstanceModel*> members;
    LaneBuffers buffers;
    SessionRandom random;
    std::uint64_t steps = 0;
    std::atomic<std::uint64_t> calls{0};
};

struct SessionState {
    SessionState(const SessionConfig& config, ModuleDriver& driver, EditorDesk* desk, Watchdog& watchdog)
        : config(config), driver(driver), desk(desk), watchdog(watchdog), random(config.seed),
          lanes{Lane(config.seed * 3 + 1), Lane(config.seed * 3 + 2)} {}

    // Records the first failure; later ones are dropped. Any thread.
    void fail(int lane, std::uint64_t step, const char* what, const std::string& message);
    bool failed() const { return hasFailed.load(std::memory_order_acquire); }
    void count(std::uint64_t calls) { callsMade.fetch_add(calls, std::memory_order_relaxed); }
    std::uint64_t calls() const { return callsMade.load(std::memory_order_relaxed); }

    const SessionConfig& config;
    ModuleDriver& driver;
    EditorDesk* desk;
    Watchdog& watchdog;
    SessionRandom random;
    Lane lanes[2];
    std::vector<std::unique_ptr<InstanceModel>> instances;
    int nextSerial = 1;
    std::uint64_t uiSteps = 0;
    OutputHash hash;
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> blocks[3] = {0, 0, 0};
    std::atomic<std::uint64_t> automations{0};
    SessionCounts counts;

    std::mutex failureLock;
    std::string failure;

private:
    std::atomic<bool> hasFailed{false};
    std::atomic<std::uint64_t> callsMade{0};
};

// Holds a lane's lock for a change of its members, ahead of its audio thread's next cycle.
class LaneChange {
public:
    explicit LaneChange(Lane& lane) : lane(lane) {
        lane.uiWaiting.fetch_add(1);
        lane.lock.lock();
    }
    ~LaneChange() {
        lane.lock.unlock();
        lane.uiWaiting.fetch_sub(1);
    }
    LaneChange(const LaneChange&) = delete;
    LaneChange& operator=(const LaneChange&) = delete;

private:
    Lane& lane;
};

// One audio cycle of `lane` (index 0 or 1): each active member processes blocks, checked. False
// when the lane had nothing to process.
bool runAudioCycle(SessionState& state, int laneIndex);

// One step of the user-interface thread, drawn at random; `withAudio` lets it run audio cycles
// itself (single-threaded sessions).
void runUiStep(SessionState& state, bool withAudio);

// Ends the session as a host closes a project: editors closed, instances suspended and closed;
// then checks that every key slot is free again.
void endSession(SessionState& state);

}  // namespace qmhost::validate
