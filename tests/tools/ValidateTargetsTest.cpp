#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <set>

#include "tools/host/validate/ControlValues.h"
#include "tools/host/validate/HostTarget.h"

namespace qmhost::validate {
namespace {

TEST(ValidateTargets, TheDrawnNumbersNameTheSlotTheNineControlsAndTheMeterEachOnce) {
    EXPECT_TRUE(hostTarget(0).isOutput());
    EXPECT_EQ(hostTarget(0).output(), qm::OutputSlot);
    EXPECT_TRUE(hostTarget(kHostTargetCount - 1).isOutput());
    EXPECT_EQ(hostTarget(kHostTargetCount - 1).output(), qm::OutputMeter);
    std::set<qm::ControlId> named;
    for (std::int32_t number = kFirstDrawnControl; number <= kLastDrawnControl; ++number) {
        ASSERT_TRUE(hostTarget(number).isControl()) << number;
        const qm::ControlId id = drawnControl(number);
        named.insert(id);
        // In the order of the stored parameters, which is the order the sessions have always drawn.
        EXPECT_EQ(qm::controlInfo(id).parameter, number) << qm::controlInfo(id).symbol;
    }
    EXPECT_EQ(named.size(), 9u);
    EXPECT_EQ(named.count(qm::ControlRange) + named.count(qm::ControlHold) + named.count(qm::ControlLookahead), 0u);
}

TEST(ValidateTargets, NumbersOutsideTheListArePastItsEndsByTheirDistance) {
    struct Case {
        std::int32_t number;
        std::int32_t distance;
    };
    const Case cases[] = {{-3, -3}, {-1, -1}, {11, 1}, {14, 4}};
    for (const Case& c : cases) {
        const HostTarget target = hostTarget(c.number);
        EXPECT_EQ(target.kind, HostTarget::Kind::PastTheEnds) << c.number;
        EXPECT_EQ(target.id, c.distance) << c.number;
    }
}

// The hash takes a control read back in its stored form: every value a session sends must come
// back from user units with the bits it was drawn with.
TEST(ValidateTargets, EveryDrawnValueComesBackFromUserUnitsInItsStoredForm) {
    SessionRandom random(12345);
    int notANumber = 0;
    for (int draw = 0; draw < 20000; ++draw) {
        const float stored = chooseControlValue(random);
        notANumber += std::isnan(stored) ? 1 : 0;
        for (std::int32_t number = kFirstDrawnControl; number <= kLastDrawnControl; ++number) {
            const qm::ControlId id = drawnControl(number);
            const float back = storedFormOf(id, controlAtStored(id, stored));
            std::uint32_t expected = std::bit_cast<std::uint32_t>(stored);
#if defined(__i386__)
            // x87 registers quiet a signalling NaN on the way.
            if (std::isnan(stored)) expected |= 0x00400000u;
#endif
            ASSERT_EQ(std::bit_cast<std::uint32_t>(back), expected)
                << qm::controlInfo(id).symbol << " at 0x" << std::hex << std::bit_cast<std::uint32_t>(stored);
        }
    }
    EXPECT_GT(notANumber, 0);
}

TEST(ValidateTargets, AControlReadsBackAsSetOnlyWithTheSameBits) {
    struct Case {
        double sent;
        double got;
        bool same;
    };
    const double quiet = std::bit_cast<double>(0x7FF8000000000123ull);
    const Case cases[] = {
        {0.5, 0.5, true},
        {0.0, -0.0, false},
        {-96.0, -95.99999999999999, false},
        {quiet, quiet, true},
        {quiet, std::bit_cast<double>(0x7FF8000000000124ull), false},
        {1e300, std::nextafter(1e300, 0.0), false},
    };
    for (const Case& c : cases) EXPECT_EQ(readsBackAs(c.sent, c.got), c.same) << c.sent << " / " << c.got;
}

}  // namespace
}  // namespace qmhost::validate
