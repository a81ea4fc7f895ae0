#include <windows.h>
#include <tlhelp32.h>

#include <vector>

#include "tools/host/validate/Census.h"

namespace qmhost::validate {
namespace {

int threadsOfThisProcess() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    const DWORD me = GetCurrentProcessId();
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == me) ++count;
    }
    CloseHandle(snapshot);
    return count;
}

// Bytes in busy blocks of every heap of the process (the C library's among them).
std::int64_t heapBytesInUse() {
    std::vector<HANDLE> heaps(64);
    const DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    if (count == 0 || count > heaps.size()) return 0;
    std::int64_t bytes = 0;
    for (DWORD h = 0; h < count; ++h) {
        if (!HeapLock(heaps[h])) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heaps[h], &entry)) {
            if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) bytes += entry.cbData;
        }
        HeapUnlock(heaps[h]);
    }
    return bytes;
}

}  // namespace

Census Census::take() {
    Census census;
    census.threads = threadsOfThisProcess();
    DWORD handles = 0;
    census.handles = GetProcessHandleCount(GetCurrentProcess(), &handles) ? static_cast<int>(handles) : -1;
    census.heapBytes = heapBytesInUse();
    census.heapCounted = census.heapBytes > 0;
    return census;
}

}  // namespace qmhost::validate
