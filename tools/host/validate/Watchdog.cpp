#include "tools/host/validate/Watchdog.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#include <sanitizer/common_interface_defs.h>
#define QM_SANITIZED 1
#endif

namespace qmhost::validate {
namespace {

std::atomic<Watchdog*> watching{nullptr};
std::atomic<bool> reported{false};

// The signals that end the process on a fault. AddressSanitizer handles the faults itself and
// reports through its death callback; an UndefinedBehaviorSanitizer report aborts when its options
// say abort_on_error=1.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kFatalSignals[] = {SIGABRT};
#else
constexpr int kFatalSignals[] = {SIGSEGV, SIGFPE, SIGILL, SIGABRT};
#endif

}  // namespace

Watchdog::Watchdog(double hangSeconds)
    : hangMs(static_cast<std::int64_t>(hangSeconds * 1000.0)), thread([this] { watch(); }) {
    watching = this;
#if defined(QM_SANITIZED)
    __sanitizer_set_death_callback(&Watchdog::sanitizerDied);
#endif
    for (int fatal : kFatalSignals) std::signal(fatal, &Watchdog::signalled);
}

Watchdog::~Watchdog() {
    for (int fatal : kFatalSignals) std::signal(fatal, SIG_DFL);
    watching = nullptr;
    stopping = true;
    thread.join();
}

void Watchdog::sanitizerDied() {
    Watchdog* watchdog = watching.load();
    if (watchdog != nullptr && !reported.exchange(true)) watchdog->printWhere("sanitizer report");
}

// The process is ending anyway: say where, then end it as the signal would have.
void Watchdog::signalled(int signal) {
    Watchdog* watchdog = watching.load();
    if (watchdog != nullptr && !reported.exchange(true)) {
        char what[40];
        std::snprintf(what, sizeof what, "signal %d", signal);
        watchdog->printWhere(what);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void Watchdog::printWhere(const char* what) {
    std::fprintf(stdout, "FAIL %s: seed %llu,", what, static_cast<unsigned long long>(seed.load()));
    for (int lane = 0; lane < kLanes; ++lane) {
        if (lanes[lane].startedMs.load() < 0) continue;
        std::fprintf(stdout, " %s thread at step %llu (%s);", lane == 0 ? "user-interface" : "audio",
                     static_cast<unsigned long long>(lanes[lane].step.load()), lanes[lane].what.load());
    }
    const std::string* command = replay.load(std::memory_order_acquire);
    std::fprintf(stdout, "\n  replay: %s\n", command != nullptr ? command->c_str() : "");
    std::fflush(stdout);
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
            char what[160];
            std::snprintf(what, sizeof what, "hang: a step has run for %.0f s", static_cast<double>(now - started) / 1000.0);
            reported = true;
            printWhere(what);
            std::abort();
        }
    }
}

}  // namespace qmhost::validate
