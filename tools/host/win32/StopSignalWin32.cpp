#include <windows.h>

#include "tools/host/StopSignal.h"

namespace qmhost {

StopSignal::StopSignal(const std::string& name) {
    handle = OpenEventA(SYNCHRONIZE, FALSE, name.c_str());
    valid = handle != nullptr;
}

StopSignal::~StopSignal() {
    if (handle != nullptr) CloseHandle(handle);
}

bool StopSignal::waitMs(int milliseconds) {
    return WaitForSingleObject(handle, static_cast<DWORD>(milliseconds)) != WAIT_TIMEOUT;
}

}  // namespace qmhost
