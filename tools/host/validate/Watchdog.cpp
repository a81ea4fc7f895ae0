#include "tools/host/validate/Watchdog.h"

#include <cstdio>
#include <cstdlib>

namespace qmhost::validate {

Watchdog::Watchdog(double hangSeconds)
    : hangMs(static_cast<std::int64_t>(hangSeconds * 1000.0)), thread([this] { watch(); }) {}

Watchdog::~Watchdog() {
    stopping = true;
    thread.join();
}

std::int64_t Watchdog::nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The command is kept in one of two strings, so that the watchdog never reads one being written.
void Watchdog::session(std::uint64_t sessionSeed, const std::string& replayCommand) {
    replayIndex ^= 1;
    replayCommands[replayIndex] = replayCommand;
    replay.store(&replayCommands[replayIndex], std::memory_order_release);
    seed.store(sessionSeed, std::memory_order_release);
}

void Watchdog::begin(int lane, std::uint64_t step, const char* what) {
    lanes[lane].what.store(what, std::memory_order_relaxed);
    lanes[lane].step.store(step, std::memory_order_relaxed);
    lanes[lane].startedMs.store(nowMs(), std::memory_order_release);
}

void Watchdog::end(int lane) { lanes[lane].startedMs.store(-1, std::memory_order_release); }

void Watchdog::watch() {
    while (!stopping.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        const std::int64_t now = nowMs();
        for (int lane = 0; lane < kLanes; ++lane) {
            const std::int64_t started = lanes[lane].startedMs.load(std::memory_order_acquire);
            if (started < 0 || now - started < hangMs) continue;
            const std::string* command = replay.load(std::memory_order_acquire);
            std::fprintf(stdout,
                         "FAIL hang: seed %llu, step %llu (%s, %s thread) has run for %.0f s\n  replay: %s\n",
                         static_cast<unsigned long long>(seed.load()),
                         static_cast<unsigned long long>(lanes[lane].step.load()), lanes[lane].what.load(),
                         lane == 0 ? "user-interface" : "audio", static_cast<double>(now - started) / 1000.0,
                         command != nullptr ? command->c_str() : "");
            std::fflush(stdout);
            std::abort();
        }
    }
}

}  // namespace qmhost::validate
