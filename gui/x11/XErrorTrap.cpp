#include "gui/x11/XErrorTrap.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace qm {
namespace {

std::vector<Display*> ownDisplays;
XErrorHandler previousHandler = nullptr;
int trapDepth = 0;
std::atomic<std::int32_t> trapped{0};

int trapError(Display* display, XErrorEvent* error) {
    if (std::find(ownDisplays.begin(), ownDisplays.end(), display) != ownDisplays.end()) {
        trapped.fetch_add(1, std::memory_order_relaxed);
        return 0;
    }
    return previousHandler != nullptr ? previousHandler(display, error) : 0;
}

}  // namespace

XErrorTrap::XErrorTrap(Display* display, bool waitForAnswers) : display(waitForAnswers ? display : nullptr) {
    if (display != nullptr) firstRequest = NextRequest(display);
    if (trapDepth++ == 0) previousHandler = XSetErrorHandler(trapError);
}

XErrorTrap::~XErrorTrap() {
    if (display != nullptr && NextRequest(display) != firstRequest) XSync(display, False);
    if (--trapDepth == 0) {
        XSetErrorHandler(previousHandler);
        previousHandler = nullptr;
    }
}

void ownDisplay(Display* display, bool owned) {
    std::erase(ownDisplays, display);
    if (owned) ownDisplays.push_back(display);
}

std::int32_t trappedXErrors() { return trapped.load(std::memory_order_relaxed); }

}  // namespace qm
