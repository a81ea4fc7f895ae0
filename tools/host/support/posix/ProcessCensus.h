#pragma once
// What a process holds right now, as a leak check counts it: threads, open descriptors, memory
// mappings and heap bytes in use.

#include <dirent.h>
#include <malloc.h>

#include <cstdint>
#include <fstream>
#include <string>

namespace qmhost {

struct ProcessCensus {
    // AddressSanitizer's allocator keeps freed memory in quarantine and maps more as it likes: there
    // mappings and heap bytes say nothing, and LeakSanitizer checks for leaks at exit instead.
#if defined(__SANITIZE_ADDRESS__)
    static constexpr bool kPlainAllocator = false;
#else
    static constexpr bool kPlainAllocator = true;
#endif

    int threads = 0;
    int descriptors = 0;
    int mappings = 0;
    std::int64_t heapBytes = 0;

    static ProcessCensus take() {
        ProcessCensus census;
        census.threads = entries("/proc/self/task");
        census.descriptors = entries("/proc/self/fd") - 1;  // the one that lists the folder
        std::ifstream maps("/proc/self/maps");
        for (std::string line; std::getline(maps, line);) ++census.mappings;
        census.heapBytes = static_cast<std::int64_t>(mallinfo2().uordblks);
        return census;
    }

private:
    static int entries(const char* folder) {
        DIR* directory = opendir(folder);
        if (directory == nullptr) return -1;
        int count = 0;
        while (const dirent* entry = readdir(directory)) count += entry->d_name[0] != '.' ? 1 : 0;
        closedir(directory);
        return count;
    }
};

}  // namespace qmhost
