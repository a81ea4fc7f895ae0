#pragma once
// What tells our host program's serve job to stop: a named event that the parent sets on
// Windows, the end of standard input (the parent closes its pipe) elsewhere.

#include <string>

namespace qmhost {

class StopSignal {
public:
    // Opens the signal named `name` (Windows); elsewhere the name is not used.
    explicit StopSignal(const std::string& name);
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    bool isValid() const { return valid; }
    // Waits at most `milliseconds`; true once the parent asked to stop.
    bool waitMs(int milliseconds);

private:
    void* handle = nullptr;
    bool valid = false;
};

}  // namespace qmhost
