#include <poll.h>
#include <unistd.h>

#include "tools/host/StopSignal.h"

namespace qmhost {

StopSignal::StopSignal(const std::string&) : valid(true) {}

StopSignal::~StopSignal() = default;

// Anything on standard input, its end included, asks to stop.
bool StopSignal::waitMs(int milliseconds) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    return poll(&input, 1, milliseconds) > 0;
}

}  // namespace qmhost
