#pragma once
// A ring of slots handed in order from one producing thread to one consuming thread: the
// producer fills slot 0, 1, ... (modulo the ring's size) and publishes each; the consumer takes
// them in the same order and releases each when done; at most size() slots are in the
// consumer's hands or waiting for it, and the producer waits for a free one. What a slot holds
// is the caller's; the hand-over makes what one side wrote visible to the other. Either side may
// cancel, after which neither waits any more.

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace qmduck {

class SlotRing {
public:
    explicit SlotRing(int size);
    SlotRing(const SlotRing&) = delete;
    SlotRing& operator=(const SlotRing&) = delete;

    int size() const { return slots; }

    // Producer: the slot to fill next, once the consumer has released it; -1 once cancelled.
    // Asking again before publishing gives the same slot.
    int acquire();
    // Producer: hands the slot from acquire() to the consumer.
    void publish();
    // Producer: nothing more will be published.
    void close();

    // Consumer: the next published slot, once there is one; -1 when the ring is closed and
    // everything published was taken, or once cancelled.
    int next();
    // Consumer: gives the slot from next() back to the producer.
    void release();

    // Either side: from now on acquire() and next() return -1 at once.
    void cancel();
    bool cancelled() const;

private:
    // Makes `update` under the lock, then wakes whoever waits.
    template <typename Update>
    void change(Update update) {
        {
            std::lock_guard<std::mutex> guard(lock);
            update();
        }
        changed.notify_all();
    }

    const int slots;
    mutable std::mutex lock;
    std::condition_variable changed;
    std::int64_t published = 0;
    std::int64_t taken = 0;
    std::int64_t released = 0;
    bool closed = false;
    bool stopped = false;
};

}  // namespace qmduck
