// The audio side of a session: one cycle processes every active instance of a lane once or a few
// times, in random order, with block lengths as hosts choose them (mostly the announced size,
// sometimes shorter, empty or longer), in both forms, in place or not, and checks each block.

#include <algorithm>
#include <bit>
#include <cstdio>

#include "tools/host/validate/Signals.h"
#include "tools/host/validate/SessionState.h"

namespace qmhost::validate {
namespace {

std::int32_t chooseFrames(SessionRandom& random, std::int32_t announced) {
    switch (random.weighted({70, 10, 3, 10, 7})) {
    case 0: return std::clamp<std::int32_t>(announced, 0, kMaxBlockFrames);
    case 1: return random.between(1, std::clamp<std::int32_t>(announced, 1, kMaxBlockFrames));
    case 2: return 0;
    case 3: return random.between(1, 64);
    default: return random.between(0, kMaxBlockFrames);
    }
}

// What the host expects of the instance's block from what it set, or Either when the
// user-interface thread may have changed it meanwhile. Without a key slot an instance has no key
// but its side-chain (`keyed`: connected).
Expect expectationOf(const InstanceModel& instance, bool keyed) {
    // The processor reads the stored value on the plain curve: "enabled" 0 there passes through
    // (its stored form exactly 1.0 alone).
    const double enabled = instance.expectedControl(qm::ControlEnabled);
    const float stored = qm::parameterValueForExtended(qm::ControlEnabled, enabled);
    if (qm::controlValueFor(qm::ControlEnabled, stored) == 0.0f) return Expect::PassesThrough;
    return instance.slot < 0 && !keyed ? Expect::PassesThrough : Expect::Ducks;
}

// The side-chain of a block, for instances that have one: unconnected, the block's own input (a
// host routing a track to itself, the buffer shared), or a signal of its own.
const float* const* chooseKey(SessionRandom& random, LaneBuffers& buffers, float* const* in, std::int32_t frames,
                              const float** key) {
    switch (random.weighted({30, 10, 60})) {
    case 0: return nullptr;
    case 1:
        key[0] = in[0];
        key[1] = in[1];
        return key;
    default: {
        const Signal signal = pickSignal(random);
        for (int c = 0; c < 2; ++c) fillSignal(buffers.key[c].data(), frames, random.chance(200) ? Signal::Noise : signal, random);
        key[0] = buffers.key[0].data();
        key[1] = buffers.key[1].data();
        return key;
    }
    }
}

void fillGuards(float* buffer, std::int32_t frames) {
    std::fill(buffer + frames, buffer + frames + kGuardFrames, std::bit_cast<float>(kGuardBits));
}

// Runs and checks one block of `instance`; false when it failed.
bool processBlock(SessionState& state, Lane& lane, int laneIndex, InstanceModel& instance) {
    SessionRandom& random = lane.random;
    LaneBuffers& buffers = lane.buffers;
    const std::int32_t frames = chooseFrames(random, instance.maxBlockFrames);
    Block block;
    block.frames = frames;
    block.accumulate = instance.driver->canAccumulate() && random.chance(250);
    block.inPlace = random.chance(150);
    const Signal signals[2] = {pickSignal(random), random.chance(700) ? Signal::Noise : pickSignal(random)};
    float* in[2];
    float* out[2];
    for (int c = 0; c < 2; ++c) {
        in[c] = buffers.in[c].data();
        fillSignal(in[c], frames, signals[c == 1 && random.chance(300) ? 0 : c], random);
        std::copy_n(in[c], frames, buffers.inputCopy[c].data());
        fillGuards(in[c], frames);
        out[c] = block.inPlace ? in[c] : buffers.out[c].data();
        if (block.accumulate) {
            if (block.inPlace) {
                std::copy_n(in[c], frames, buffers.prior[c].data());
            } else {
                fillSignal(buffers.prior[c].data(), frames, random.chance(500) ? Signal::Silence : Signal::Noise, random);
                std::copy_n(buffers.prior[c].data(), frames, out[c]);
            }
        } else if (!block.inPlace) {
            // What a host's output buffer holds before a replacing call: anything.
            fillSignal(out[c], frames, Signal::Noise, random);
        }
        fillGuards(out[c], frames);
        block.input[c] = buffers.inputCopy[c].data();
        block.prior[c] = buffers.prior[c].data();
        block.passedInput[c] = in[c];
        block.output[c] = out[c];
    }

    const float* keyChannels[2] = {nullptr, nullptr};
    const float* const* key =
        instance.driver->hasSideChain() ? chooseKey(random, buffers, in, frames, keyChannels) : nullptr;

    const std::uint32_t touchBefore = instance.touch.load(std::memory_order_acquire);
    const Expect planned = expectationOf(instance, key != nullptr);
    instance.driver->process(in, out, key, frames, block.accumulate);
    const float meter = instance.driver->meter();
    const std::uint32_t touchAfter = instance.touch.load(std::memory_order_acquire);
    state.count(2);
    lane.calls += 2;
    const Expect expect = touchBefore % 2 == 0 && touchBefore == touchAfter ? planned : Expect::Either;

    std::string problem = checkBlock(block, expect);
    // The meter, which the other thread may have written meanwhile where the format lets a host (as
    // a recall does).
    if (problem.empty() && expect != Expect::Either) problem = checkMeter(meter, expect, frames);
    if (!problem.empty()) {
        char context[200];
        std::snprintf(context, sizeof context, "instance %d (slot %d), %s block of %d frames%s, inputs %s/%s%s: ",
                      instance.serial, instance.slot, block.accumulate ? "accumulating" : "replacing",
                      static_cast<int>(frames), block.inPlace ? " in place" : "", signalName(signals[0]),
                      signalName(signals[1]), key == nullptr ? "" : (key[0] == in[0] ? ", keyed by itself" : ", keyed"));
        // Single-threaded, audio is a step of the user-interface thread.
        if (state.config.threads) state.fail(laneIndex + 1, lane.steps, "audio block", context + problem);
        else state.fail(0, state.uiSteps, "audio block", context + problem);
        return false;
    }
    state.blocks[static_cast<int>(expect)].fetch_add(1, std::memory_order_relaxed);
    if (!state.config.threads) {
        state.hash.add(out[0], frames);
        state.hash.add(out[1], frames);
        state.hash.add(meter);
    }
    return true;
}

}  // namespace

bool runAudioCycle(SessionState& state, int laneIndex) {
    Lane& lane = state.lanes[laneIndex];
    std::lock_guard<std::mutex> guard(lane.lock);
    ++lane.steps;
    state.watchdog.begin(laneIndex + 1, lane.steps, "audio cycle");
    std::vector<InstanceModel*> order;
    for (InstanceModel* member : lane.members) {
        // Hosts process active instances; now and then one that was suspended.
        if (member->active || lane.random.chance(20)) order.push_back(member);
    }
    const int rounds = lane.random.between(1, 4);
    for (int round = 0; round < rounds && !state.failed(); ++round) {
        for (std::size_t i = order.size(); i > 1; --i) std::swap(order[i - 1], order[lane.random.below(static_cast<std::uint32_t>(i))]);
        for (InstanceModel* member : order) {
            if (!processBlock(state, lane, laneIndex, *member)) break;
        }
    }
    state.watchdog.end(laneIndex + 1);
    return !order.empty();
}

}  // namespace qmhost::validate
