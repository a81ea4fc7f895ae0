#include <gtest/gtest.h>

#include <vector>

#include "gui/cairo/CairoTarget.h"
#include "gui/cairo/DamageList.h"

namespace qm {
namespace {

struct DamageCase {
    const char* name;
    std::vector<Rect> added;
    std::vector<Rect> taken;
};

TEST(DamageList, KeepsSeparateRectanglesApartAndMergesThoseThatOverlapOrTouch) {
    const DamageCase cases[] = {
        {"nothing", {}, {}},
        {"empty ones are ignored", {{5, 5, 5, 9}, {1, 1, 3, 0}}, {}},
        {"two controls apart", {{140, 189, 287, 203}, {94, 189, 137, 203}}, {{140, 189, 287, 203}, {94, 189, 137, 203}}},
        {"overlapping", {{0, 0, 10, 10}, {5, 5, 20, 20}}, {{0, 0, 20, 20}}},
        {"touching", {{0, 0, 10, 10}, {10, 0, 20, 10}}, {{0, 0, 20, 10}}},
        {"a bridge merges all three", {{0, 0, 10, 10}, {30, 0, 40, 10}, {5, 0, 35, 5}}, {{0, 0, 40, 10}}},
        {"more than eight become their bounds",
         {{0, 0, 1, 1}, {2, 0, 3, 1}, {4, 0, 5, 1}, {6, 0, 7, 1}, {8, 0, 9, 1}, {10, 0, 11, 1}, {12, 0, 13, 1},
          {14, 0, 15, 1}, {16, 20, 17, 21}},
         {{0, 0, 17, 21}}},
    };
    for (const DamageCase& c : cases) {
        DamageList list;
        for (const Rect& rect : c.added) list.add(rect);
        EXPECT_EQ(list.take(), c.taken) << c.name;
        EXPECT_TRUE(list.empty()) << c.name;
    }
}

TEST(DamageList, ATargetReportsWhatEachDrawingTouchedClippedToThePicture) {
    CairoTarget target(317, 260);
    target.takeDamage();
    target.selectBrush(ColorRed);
    target.fillInside(Rect{93, 188, 137, 203});
    target.fillInside(Rect{300, 250, 400, 300});
    EXPECT_EQ(target.takeDamage(), (std::vector<Rect>{{94, 189, 137, 203}, {301, 251, 317, 260}}));
    EXPECT_TRUE(target.takeDamage().empty());
}

}  // namespace
}  // namespace qm
