#include "cli/SlotRing.h"

namespace qmduck {

SlotRing::SlotRing(int size) : slots(size) {}

int SlotRing::acquire() {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [this] { return stopped || published - released < slots; });
    return stopped ? -1 : static_cast<int>(published % slots);
}

void SlotRing::publish() {
    {
        std::lock_guard<std::mutex> guard(lock);
        ++published;
    }
    changed.notify_all();
}

void SlotRing::close() {
    {
        std::lock_guard<std::mutex> guard(lock);
        closed = true;
    }
    changed.notify_all();
}

int SlotRing::next() {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait(guard, [this] { return stopped || taken < published || closed; });
    if (stopped || taken == published) return -1;
    return static_cast<int>(taken++ % slots);
}

void SlotRing::release() {
    {
        std::lock_guard<std::mutex> guard(lock);
        ++released;
    }
    changed.notify_all();
}

void SlotRing::cancel() {
    {
        std::lock_guard<std::mutex> guard(lock);
        stopped = true;
    }
    changed.notify_all();
}

bool SlotRing::cancelled() const {
    std::lock_guard<std::mutex> guard(lock);
    return stopped;
}

}  // namespace qmduck
