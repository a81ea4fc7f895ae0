#include "cli/SlotRing.h"

namespace qmduck {

SlotRing::SlotRing(int size) : slots(size) {}

int SlotRing::acquire() {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [this] { return stopped || published - released < slots; });
    return stopped ? -1 : static_cast<int>(published % slots);
}

void SlotRing::publish() {
    change([this] { ++published; });
}

void SlotRing::close() {
    change([this] { closed = true; });
}

int SlotRing::next() {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [this] { return stopped || taken < published || closed; });
    if (stopped || taken == published) return -1;
    return static_cast<int>(taken++ % slots);
}

void SlotRing::release() {
    change([this] { ++released; });
}

void SlotRing::cancel() {
    change([this] { stopped = true; });
}

bool SlotRing::cancelled() const {
    std::lock_guard<std::mutex> guard(lock);
    return stopped;
}

}  // namespace qmduck
