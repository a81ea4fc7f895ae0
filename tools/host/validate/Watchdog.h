#pragma once
// Notices a hang: each thread of a session marks the step it is in; a thread of the watchdog's
// own looks every quarter second, and when one step has run far longer than any step should
// (`hangSeconds`), prints the session's seed, the step and the replay command, and aborts. It
// detects hangs; it does not measure speed. It also says where a session was when a crash, an
// abort or a sanitizer's report ends the process.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace qmhost::validate {

class Watchdog {
public:
    static constexpr int kLanes = 4;

    explicit Watchdog(double hangSeconds);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // The session now running (its seed and the replay command of it).
    void session(std::uint64_t seed, const std::string& replayCommand);
    // Lane `lane` (0 the user-interface thread, then the audio threads) begins step `step`,
    // described by `what` (a string literal); `end` marks it done.
    void begin(int lane, std::uint64_t step, const char* what);
    void end(int lane);

private:
    void watch();
    // Prints the seed, the steps every thread is in, and the replay command.
    void printWhere(const char* what);
    static void sanitizerDied();
    static void signalled(int signal);

    struct Lane {
        std::atomic<std::int64_t> startedMs{-1};
        std::atomic<std::uint64_t> step{0};
        std::atomic<const char*> what{""};
    };
    static std::int64_t nowMs();

    const std::int64_t hangMs;
    Lane lanes[kLanes];
    std::atomic<std::uint64_t> seed{0};
    std::atomic<const std::string*> replay{nullptr};
    std::string replayCommands[2];
    int replayIndex = 0;
    std::atomic<bool> stopping{false};
    std::thread thread;
};

}  // namespace qmhost::validate
