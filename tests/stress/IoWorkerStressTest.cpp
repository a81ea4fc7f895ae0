#include <gtest/gtest.h>

#include <vector>

#include "cli/IoWorker.h"

namespace qmduck {
namespace {

// The pattern of quellmar-duck's stream: three buffers, the worker fills the next and reads the
// previous while the caller works on the current one. ThreadSanitizer checks the hand-over.
TEST(IoWorker, HandsBuffersBackAndForthWithoutRaces) {
    std::vector<int> buffers[3] = {std::vector<int>(256), std::vector<int>(256), std::vector<int>(256)};
    long long written = 0;
    {
        IoWorker worker;
        for (int i = 0; i < 3000; ++i) {
            std::vector<int>& current = buffers[i % 3];
            std::vector<int>& next = buffers[(i + 1) % 3];
            std::vector<int>* previous = i > 0 ? &buffers[(i + 2) % 3] : nullptr;
            worker.start([&, previous, i] {
                for (int& value : next) value = i + 1;
                if (previous != nullptr) {
                    for (int value : *previous) written += value;
                }
            });
            for (int& value : current) value *= 2;
            worker.wait();
        }
    }
    // Block j was filled with j (block 0 holds 0), doubled, and summed one round later: blocks
    // 0..2998 are summed.
    long long sum = 0;
    for (int j = 0; j < 2999; ++j) sum += 2LL * 256 * j;
    EXPECT_EQ(written, sum);
}

}  // namespace
}  // namespace qmduck
