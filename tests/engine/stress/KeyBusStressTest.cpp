// Instances processing and listening on several threads at once while other threads create and
// destroy instances, change block sizes and set parameters, as real hosts do. Built with
// ThreadSanitizer: any data race or use after free fails the run.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "engine/KeyBus.h"
#include "engine/Parameters.h"
#include "support/PluginInstance.h"

namespace qm {
namespace {

constexpr int kAudioThreads = 4;
constexpr int kBlocksPerThread = 1500;

void listenToEverySlot(const test::PluginInstance& plugin) {
    plugin.setParameter(ParamBypass, 0.0f);
    for (int k = 0; k < kKeySlotCount; ++k) plugin.setParameter(ParamInputAlpha + k, 1.0f);
    plugin.setParameter(ParamDuckKey, 1.0f);
}

// Processes blocks of random length; returns false when an output sample was not finite.
bool processRandomBlocks(const test::PluginInstance& plugin, std::mt19937& random, int blocks) {
    std::uniform_int_distribution<int> length(0, 9000);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    std::vector<float> left;
    std::vector<float> right;
    bool finite = true;
    for (int b = 0; b < blocks; ++b) {
        const int frames = b % 50 == 0 ? length(random) : 1 + length(random) % 700;
        left.resize(frames);
        right.resize(frames);
        for (int i = 0; i < frames; ++i) {
            left[i] = sample(random);
            right[i] = sample(random);
        }
        if (b % 2 == 0) {
            plugin.processReplacing(left, right);
        } else {
            std::vector<float> outLeft(frames, 0.0f);
            std::vector<float> outRight(frames, 0.0f);
            float* in[2] = {left.data(), right.data()};
            float* out[2] = {outLeft.data(), outRight.data()};
            plugin->process(plugin.get(), in, out, frames);
            left.swap(outLeft);
        }
        for (float value : left) finite = finite && std::isfinite(value);
        finite = finite && std::isfinite(plugin.getParameter(ParamMeter));
    }
    return finite;
}

TEST(KeyBusStress, ParallelProcessingWhileInstancesComeAndGoStaysRaceFree) {
    std::vector<std::unique_ptr<test::PluginInstance>> steady;
    for (int i = 0; i < kAudioThreads - 1; ++i) {
        steady.push_back(std::make_unique<test::PluginInstance>());
        listenToEverySlot(*steady.back());
    }
    std::atomic<bool> allFinite{true};
    std::atomic<int> audioRunning{kAudioThreads};

    std::vector<std::thread> threads;
    for (int t = 0; t < kAudioThreads - 1; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random(100 + t);
            if (!processRandomBlocks(*steady[t], random, kBlocksPerThread)) allFinite = false;
            --audioRunning;
        });
    }
    // One audio thread owns short-lived instances that it creates, processes and closes.
    threads.emplace_back([&] {
        std::mt19937 random(7);
        for (int round = 0; round < 30; ++round) {
            test::PluginInstance transient;
            listenToEverySlot(transient);
            if (!processRandomBlocks(transient, random, kBlocksPerThread / 30)) allFinite = false;
        }
        --audioRunning;
    });
    // Meanwhile: instances constructed and destroyed without processing, block sizes announced and
    // parameters automated on the running instances.
    threads.emplace_back([&] {
        std::mt19937 random(11);
        std::uniform_int_distribution<int> blockSize(16, 20000);
        while (audioRunning.load() > 0) {
            { test::PluginInstance passerby; }
            for (const auto& plugin : steady) {
                const int frames = blockSize(random);
                if (frames % 2 == 0) plugin->dispatch(effSetBlockSize, 0, frames);
                else plugin->dispatch(effSetBlockSizeAndSampleRate, 0, frames, nullptr, 48000.0f);
                plugin->setParameter(ParamThreshold, static_cast<float>(frames % 100) / 100.0f);
                plugin->setParameter(ParamAttack, static_cast<float>(frames % 7) / 7.0f);
            }
        }
    });
    for (auto& thread : threads) thread.join();

    EXPECT_TRUE(allFinite.load());
    for (const auto& plugin : steady) {
        const float meter = plugin->getParameter(ParamMeter);
        EXPECT_GE(meter, 0.0f);
        EXPECT_LE(meter, 1.0f);
    }
    steady.clear();
    EXPECT_TRUE(KeyBus::processBus().isEmpty());
}

}  // namespace
}  // namespace qm
