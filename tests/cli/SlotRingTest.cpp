// The hand-over of slots between two threads, seen from one thread: order, the limit of slots in
// flight, the end, and cancelling.

#include <gtest/gtest.h>

#include "cli/SlotRing.h"

namespace qmduck {
namespace {

TEST(SlotRing, SlotsComeOutInTheOrderTheyWentInRoundTheRing) {
    SlotRing ring(3);
    for (int i = 0; i < 7; ++i) {
        ASSERT_EQ(ring.acquire(), i % 3);
        EXPECT_EQ(ring.acquire(), i % 3) << "asking again before publishing gives the same slot";
        ring.publish();
        ASSERT_EQ(ring.next(), i % 3);
        ring.release();
    }
}

TEST(SlotRing, TheConsumerSeesTheEndOnlyAfterEverythingPublished) {
    SlotRing ring(4);
    for (int i = 0; i < 3; ++i) {
        ring.acquire();
        ring.publish();
    }
    ring.close();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ring.next(), i);
        ring.release();
    }
    EXPECT_EQ(ring.next(), -1);
}

TEST(SlotRing, AfterCancellingNeitherSideWaits) {
    SlotRing ring(2);
    ring.acquire();
    ring.publish();
    ring.acquire();
    ring.publish();
    // Both slots are with the consumer: a third acquire() would wait, but not once cancelled.
    ring.cancel();
    EXPECT_TRUE(ring.cancelled());
    EXPECT_EQ(ring.acquire(), -1);
    EXPECT_EQ(ring.next(), -1);
}

}  // namespace
}  // namespace qmduck
