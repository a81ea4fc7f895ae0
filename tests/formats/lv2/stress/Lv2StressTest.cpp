// The LV2 plug-in under ThreadSanitizer: instances on several audio threads at once with block
// sizes and controls changing from run to run, VST 2 instances on the same key bus beside them,
// while another thread makes and destroys instances of both formats.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "engine/KeyBus.h"
#include "formats/lv2/DirectInstance.h"
#include "support/PluginInstance.h"

namespace qm::lv2::test {
namespace {

constexpr int kRuns = 400;

// Runs of random sizes (0 included) with the controls moving; false when an output was not finite.
bool runRandomly(DirectInstance& instance, std::mt19937& random, int runs) {
    std::uniform_int_distribution<int> frames(0, 3000);
    std::uniform_real_distribution<float> level(-1.0f, 1.0f);
    bool finite = true;
    for (int run = 0; run < runs; ++run) {
        const auto count = static_cast<std::size_t>(frames(random));
        std::vector<float> left(count), right(count), side(count);
        for (std::size_t i = 0; i < count; ++i) {
            left[i] = level(random);
            right[i] = level(random);
            side[i] = level(random);
        }
        instance.control(ControlEnabled) = static_cast<float>(run % 5 != 0);
        instance.control(ControlDuckKey) = static_cast<float>(run % 2);
        instance.control(ControlThreshold) = -static_cast<float>(run % 96);
        instance.control(ControlHold) = static_cast<float>(run % 11) * 100.0f;
        instance.control(ControlLookahead) = static_cast<float>(run % 6) * 10.0f;
        for (int slot = 0; slot < 4; ++slot) instance.control(static_cast<ControlId>(ControlInputAlpha + slot)) = 1.0f;
        instance.run(left, right, &side, &side);
        for (std::size_t i = 0; i < count; ++i) finite = finite && std::isfinite(left[i]) && std::isfinite(right[i]);
    }
    return finite;
}

TEST(Lv2Stress, ParallelRunsBesideVst2InstancesWhileInstancesComeAndGoStayRaceFree) {
    std::vector<std::unique_ptr<DirectInstance>> steady;
    for (int i = 0; i < 2; ++i) {
        steady.push_back(std::make_unique<DirectInstance>(48000.0 * (i + 1)));
        steady.back()->connectControls();
    }
    qm::test::PluginInstance vst2;
    vst2.setParameter(ParamBypass, 0.0f);
    vst2.setParameter(ParamInputAlpha, 1.0f);
    std::atomic<bool> allFinite{true};
    std::atomic<int> running{3};
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(200 + t);
            if (!runRandomly(*steady[static_cast<std::size_t>(t)], random, kRuns)) allFinite = false;
            --running;
        });
    }
    threads.emplace_back([&] {
        for (int run = 0; run < kRuns; ++run) {
            std::vector<float> left(256, 0.5f), right(256, -0.5f);
            vst2.processReplacing(left, right);
        }
        --running;
    });
    threads.emplace_back([&] {
        std::mt19937 random(9);
        while (running.load() > 0) {
            DirectInstance passerby(44100.0);
            passerby.connectControls();
            runRandomly(passerby, random, 2);
            qm::test::PluginInstance other;
        }
    });
    for (auto& thread : threads) thread.join();
    EXPECT_TRUE(allFinite.load());
    for (const auto& instance : steady) {
        EXPECT_GE(instance->meter, 0.0f);
        EXPECT_LE(instance->meter, 1.0f);
    }
}

}  // namespace
}  // namespace qm::lv2::test
