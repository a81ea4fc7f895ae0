// The validate job of our host program: seeded random host sessions over one module, one after
// another, each checked step by step, with a census of threads, handles and heap between them.
// A failure prints the seed, the step and a one-line command that replays the session.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "tools/host/Jobs.h"
#include "tools/host/validate/Census.h"
#include "tools/host/validate/ReplayCommand.h"
#include "tools/host/validate/Session.h"

namespace qmhost {
namespace {

using namespace validate;

struct Options {
    std::string module;
    std::string program;
    std::uint64_t seed = 1;
    std::uint64_t sessions = 1;
    SessionConfig session;
    double hangSeconds = 30.0;
};

bool parse(const std::vector<std::string>& arguments, Options& options) {
    if (arguments.empty()) return false;
    options.module = arguments[0];
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (word == "--threads") options.session.threads = true;
        else if (word == "--no-editor") options.session.editors = false;
        else if (word == "--seed" && hasValue) options.seed = std::strtoull(arguments[++i].c_str(), nullptr, 10);
        else if (word == "--sessions" && hasValue) options.sessions = std::strtoull(arguments[++i].c_str(), nullptr, 10);
        else if (word == "--calls" && hasValue) options.session.calls = std::strtoull(arguments[++i].c_str(), nullptr, 10);
        else if (word == "--hang-seconds" && hasValue) options.hangSeconds = std::atof(arguments[++i].c_str());
        else return false;
    }
    return options.sessions > 0 && options.hangSeconds > 0.0;
}

std::string replayCommand(const Options& options, std::uint64_t seed) {
    return replayPrefix() + replayProgram(options.program) + " validate " + options.module + " --seed " + std::to_string(seed) +
           " --calls " + std::to_string(options.session.calls) + (options.session.threads ? " --threads" : "") +
           (options.session.editors ? "" : " --no-editor");
}

// Heap a session may leave in use beyond the first session's: the C library's and the window
// system's own caches settle within it; a leaked instance per session soon does not.
constexpr std::int64_t kHeapSlackBytes = 256 * 1024;

bool moreThreadsOrHandles(const Census& baseline, const Census& now) {
    return now.threads > baseline.threads || now.handles > baseline.handles;
}

std::string leakAfter(const Census& baseline, const Census& now) {
    char text[200];
    if (moreThreadsOrHandles(baseline, now)) {
        std::snprintf(text, sizeof text, "threads %d -> %d, handles %d -> %d since the first session", baseline.threads,
                      now.threads, baseline.handles, now.handles);
        return text;
    }
    if (baseline.heapCounted && now.heapCounted && now.heapBytes - baseline.heapBytes > kHeapSlackBytes) {
        std::snprintf(text, sizeof text, "heap in use grew by %lld bytes since the first session",
                      static_cast<long long>(now.heapBytes - baseline.heapBytes));
        return text;
    }
    return {};
}

// A joined thread can still be listed by the system for a moment: the join returns once the
// thread has let go of its stack, before the kernel has reaped it. A census above the baseline is
// taken again until it is not or this long has passed; a thread or handle that leaked is still
// there then.
constexpr auto kCensusSettle = std::chrono::seconds(2);

Census settledCensus(const Census& baseline) {
    const auto deadline = std::chrono::steady_clock::now() + kCensusSettle;
    Census census = Census::take();
    while (moreThreadsOrHandles(baseline, census) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        census = Census::take();
    }
    return census;
}

}  // namespace

int validateJob(const std::string& program, const std::vector<std::string>& arguments) {
    Options options;
    options.program = program;
    if (!parse(arguments, options)) {
        std::fprintf(stderr, "usage: quellmar_host validate MODULE [--seed N] [--sessions N] [--calls N] [--threads]"
                             " [--no-editor] [--hang-seconds S]\n");
        return 2;
    }
    std::unique_ptr<ModuleDriver> driver = makeModuleDriver(options.module);
    if (!driver->isLoaded()) {
        std::printf("FAIL %s: %s\n", options.module.c_str(), driver->problem().c_str());
        return 1;
    }
    std::unique_ptr<EditorDesk> desk = options.session.editors ? openEditorDesk() : nullptr;
    if (options.session.editors && desk == nullptr) std::printf("no display: editors open without a parent window\n");
    Watchdog watchdog(options.hangSeconds);

    Census baseline;
    SessionCounts counts;
    std::uint64_t calls = 0;
    double seconds = 0.0;
    double slowest = -1.0;
    std::uint64_t slowestSeed = options.seed;
    for (std::uint64_t n = 0; n < options.sessions; ++n) {
        SessionConfig config = options.session;
        config.seed = options.seed + n;
        watchdog.session(config.seed, replayCommand(options, config.seed));
        const SessionResult result = runSession(config, *driver, desk.get(), watchdog);
        calls += result.calls;
        counts.add(result.counts);
        seconds += result.seconds;
        if (result.seconds > slowest) {
            slowest = result.seconds;
            slowestSeed = config.seed;
        }
        std::string failure = result.failure;
        const Census census = n == 0 ? Census::take() : settledCensus(baseline);
        if (n == 0) baseline = census;
        else if (result.passed) failure = leakAfter(baseline, census);
        // The first session's threads may still have been leaving when it was counted.
        baseline.threads = std::min(baseline.threads, census.threads);
        baseline.handles = std::min(baseline.handles, census.handles);
        std::printf("session %llu seed %llu %s calls %llu steps %llu %.2f s",
                    static_cast<unsigned long long>(n), static_cast<unsigned long long>(config.seed),
                    failure.empty() ? "passed" : "FAILED", static_cast<unsigned long long>(result.calls),
                    static_cast<unsigned long long>(result.steps), result.seconds);
        if (census.heapCounted && n > 0) {
            std::printf(" heap %+lld", static_cast<long long>(census.heapBytes - baseline.heapBytes));
        }
        if (!config.threads) std::printf(" hash %016llx", static_cast<unsigned long long>(result.hash));
        std::printf("\n");
        if (!failure.empty()) {
            std::printf("FAIL %s\n  replay: %s\n", failure.c_str(), replayCommand(options, config.seed).c_str());
            std::fflush(stdout);
            return 1;
        }
        std::fflush(stdout);
    }
    std::printf("blocks: %llu ducking or keying, %llu passing through, %llu while another thread changed the mode;"
                " %llu instances, %llu editors opened, %llu clicks, %llu automations\n",
                static_cast<unsigned long long>(counts.blocks[0]), static_cast<unsigned long long>(counts.blocks[1]),
                static_cast<unsigned long long>(counts.blocks[2]), static_cast<unsigned long long>(counts.instances),
                static_cast<unsigned long long>(counts.editorOpens), static_cast<unsigned long long>(counts.clicks),
                static_cast<unsigned long long>(counts.automations));
    std::printf("validate: %llu sessions, %llu calls, %.1f s, no failure; slowest session %.2f s: %s\n",
                static_cast<unsigned long long>(options.sessions), static_cast<unsigned long long>(calls), seconds,
                slowest, replayCommand(options, slowestSeed).c_str());
    return 0;
}

}  // namespace qmhost
