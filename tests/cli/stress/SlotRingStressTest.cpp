#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "cli/SlotRing.h"

namespace qmduck {
namespace {

// The pattern of quellmar-duck's stream and of its check of an encoded file: a producer fills
// slots that a consumer reads in order, and either side may give up. ThreadSanitizer checks the
// hand-over.
TEST(SlotRing, HandsSlotsOverInOrderWithoutRaces) {
    constexpr int kRounds = 20000;
    SlotRing ring(4);
    std::vector<std::vector<int>> slots(4, std::vector<int>(64));
    long long sum = 0;
    bool inOrder = true;
    std::thread consumer([&] {
        int expected = 0;
        for (int slot; (slot = ring.next()) >= 0; ring.release(), ++expected) {
            for (int value : slots[static_cast<std::size_t>(slot)]) sum += value;
            inOrder = inOrder && slots[static_cast<std::size_t>(slot)][0] == expected;
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        const int slot = ring.acquire();
        for (int& value : slots[static_cast<std::size_t>(slot)]) value = i;
        ring.publish();
    }
    ring.close();
    consumer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(sum, 64LL * kRounds * (kRounds - 1) / 2);
}

TEST(SlotRing, EitherSideCancelsWithoutRaces) {
    for (int round = 0; round < 200; ++round) {
        SlotRing ring(3);
        std::thread consumer([&] {
            for (int taken = 0; ring.next() >= 0; ++taken) {
                ring.release();
                if (round % 2 == 0 && taken == round % 7) ring.cancel();
            }
        });
        for (int i = 0; i < 50 && ring.acquire() >= 0; ++i) {
            ring.publish();
            if (round % 2 == 1 && i == round % 11) ring.cancel();
        }
        ring.close();
        consumer.join();
    }
}

}  // namespace
}  // namespace qmduck
