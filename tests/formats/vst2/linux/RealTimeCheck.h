#pragma once
// The audio thread's rules checked from outside: a block of audio work runs in a forked child
// under the kernel's strict seccomp mode, where any system call but read, write and exit kills the
// process, while the heap allocations it makes are counted (malloc, calloc and realloc, which
// operator new uses, are counted by AllocationCounter.cpp linked into the test program).

#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <functional>

namespace qmhost {

// Starts and stops counting allocations; the number counted since the start.
void startCountingAllocations();
std::int32_t allocationsCounted();

struct RealTimeResult {
    // The child ran the work to its end (no forbidden system call).
    bool finished = false;
    // Heap allocations the work made.
    std::int32_t allocations = -1;
};

// Runs `setUp` (anything goes), then `audio` under the rules, in a child process.
inline RealTimeResult runUnderRealTimeRules(const std::function<void()>& setUp, const std::function<void()>& audio) {
    int report[2];
    if (pipe(report) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        setUp();
        if (prctl(PR_SET_SECCOMP, SECCOMP_MODE_STRICT) != 0) syscall(SYS_exit, 3);
        startCountingAllocations();
        audio();
        const std::int32_t counted = allocationsCounted();
        if (write(report[1], &counted, sizeof counted) != sizeof counted) syscall(SYS_exit, 4);
        // Only this thread's exit is allowed: the process ends with its only thread.
        syscall(SYS_exit, 0);
    }
    close(report[1]);
    RealTimeResult result;
    std::int32_t counted = -1;
    const bool reported = read(report[0], &counted, sizeof counted) == sizeof counted;
    close(report[0]);
    int status = 0;
    waitpid(child, &status, 0);
    result.finished = reported && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.allocations = reported ? counted : -1;
    return result;
}

}  // namespace qmhost
