// One session from start to end: single-threaded, the user-interface steps and the audio cycles
// take turns on this thread; threaded, two audio threads run cycles over their instances while
// this thread does the rest, each thread up to its share of the session's calls.

#include <chrono>
#include <cstdio>
#include <thread>

#include "tools/host/validate/SessionState.h"

namespace qmhost::validate {

void SessionState::fail(int lane, std::uint64_t step, const char* what, const std::string& message) {
    std::lock_guard<std::mutex> guard(failureLock);
    if (hasFailed.load()) return;
    char where[160];
    std::snprintf(where, sizeof where, "seed %llu, %s thread, step %llu (%s): ", static_cast<unsigned long long>(config.seed),
                  lane == 0 ? "user-interface" : (lane == 1 ? "first audio" : "second audio"),
                  static_cast<unsigned long long>(step), what);
    failure = where + message;
    hasFailed.store(true, std::memory_order_release);
}

namespace {

void runAudioLane(SessionState& state, int laneIndex, std::uint64_t share) {
    Lane& lane = state.lanes[laneIndex];
    while (!state.stop.load() && !state.failed()) {
        if (lane.calls >= share) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        const bool processed = runAudioCycle(state, laneIndex);
        // The user-interface thread waits for this lane's lock: let it have it.
        while (lane.uiWaiting.load() > 0 && !state.stop.load()) std::this_thread::yield();
        if (!processed) std::this_thread::yield();
    }
}

}  // namespace

SessionResult runSession(const SessionConfig& config, ModuleDriver& driver, EditorDesk* desk, Watchdog& watchdog) {
    const auto started = std::chrono::steady_clock::now();
    SessionState state(config, driver, desk, watchdog);
    if (!config.threads) {
        while (state.calls() < config.calls && !state.failed()) runUiStep(state, true);
    } else {
        const std::uint64_t share = config.calls / 3;
        std::thread first([&] { runAudioLane(state, 0, share); });
        std::thread second([&] { runAudioLane(state, 1, share); });
        // The lanes count a block in the session's calls before their own: read theirs first.
        const auto uiCalls = [&] {
            const std::uint64_t audio = state.lanes[0].calls.load() + state.lanes[1].calls.load();
            return state.calls() - audio;
        };
        // This thread goes on until it made its share and the session its calls (a lane without
        // instances makes none until this thread gives it some).
        while ((uiCalls() < share || state.calls() < config.calls) && !state.failed()) runUiStep(state, false);
        state.stop = true;
        first.join();
        second.join();
    }
    // A failed session's instances are closed when its state goes; a passed one closes them as hosts do.
    if (!state.failed()) endSession(state);
    SessionResult result;
    result.passed = !state.failed();
    result.failure = state.failure;
    result.calls = state.calls();
    result.steps = state.uiSteps + state.lanes[0].steps + state.lanes[1].steps;
    result.hash = state.hash.get();
    result.counts = state.counts;
    for (int i = 0; i < 3; ++i) result.counts.blocks[i] = state.blocks[i].load();
    result.counts.automations = state.automations.load();
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}

}  // namespace qmhost::validate
