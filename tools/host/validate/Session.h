#pragma once
// One validation session: a seeded random host session over a module, with every step's
// invariants checked. The same seed gives the same session; a single-threaded session gives the
// same output bytes every time (its hash says so).

#include <cstdint>
#include <string>

#include "tools/host/validate/EditorDesk.h"
#include "tools/host/validate/ModuleDriver.h"
#include "tools/host/validate/Watchdog.h"

namespace qmhost::validate {

struct SessionConfig {
    std::uint64_t seed = 1;
    // Host calls the session makes (roughly: it ends at the first step past this many).
    std::uint64_t calls = 3000;
    // Audio on two threads of its own while the user-interface thread does the rest.
    bool threads = false;
    // Whether editors are opened at all.
    bool editors = true;
};

// What a session did, for the summary.
struct SessionCounts {
    std::uint64_t blocks[3] = {0, 0, 0};  // ducking, passing through, either
    std::uint64_t instances = 0;
    std::uint64_t editorOpens = 0;
    std::uint64_t clicks = 0;
    std::uint64_t automations = 0;
    void add(const SessionCounts& other) {
        for (int i = 0; i < 3; ++i) blocks[i] += other.blocks[i];
        instances += other.instances;
        editorOpens += other.editorOpens;
        clicks += other.clicks;
        automations += other.automations;
    }
};

struct SessionResult {
    bool passed = true;
    // The failure: which thread, which step, what it did and what was wrong.
    std::string failure;
    std::uint64_t calls = 0;
    std::uint64_t steps = 0;
    // Of everything the plug-in gave back; single-threaded sessions only.
    std::uint64_t hash = 0;
    double seconds = 0.0;
    SessionCounts counts;
};

// Runs one session over `driver`, showing editors on `desk` (may be null: editors are then opened
// without a parent window). `watchdog` learns every step.
SessionResult runSession(const SessionConfig& config, ModuleDriver& driver, EditorDesk* desk, Watchdog& watchdog);

}  // namespace qmhost::validate
