#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/EnvelopeDetector.h"
#include "engine/Parameters.h"
#include "support/PluginInstance.h"

namespace qm {
namespace {

constexpr double kSettled48Db = 0.0039810717055349725;  // 10^(-48/20)

struct Stereo {
    Stereo(int frames, float left, float right) : left(frames, left), right(frames, right) {}
    std::vector<float> left;
    std::vector<float> right;
    float* channels[2] = {nullptr, nullptr};
    float** data() {
        channels[0] = left.data();
        channels[1] = right.data();
        return channels;
    }
};

// Runs one replacing block with separate input and output buffers; returns the output.
Stereo replacing(const test::PluginInstance& plugin, Stereo input, float stale = 123.0f) {
    Stereo output(static_cast<int>(input.left.size()), stale, stale);
    plugin->processReplacing(plugin.get(), input.data(), output.data(), static_cast<std::int32_t>(input.left.size()));
    return output;
}

// Runs one accumulating block onto outputs that already hold `existing`.
Stereo accumulating(const test::PluginInstance& plugin, Stereo input, float existing) {
    Stereo output(static_cast<int>(input.left.size()), existing, existing);
    plugin->process(plugin.get(), input.data(), output.data(), static_cast<std::int32_t>(input.left.size()));
    return output;
}

// A listener on slot 0 (the sender's) in the given mode, threshold -48 dB, not bypassed.
void listenToAlpha(const test::PluginInstance& listener, bool duck) {
    listener.setParameter(ParamBypass, 0.0f);
    listener.setParameter(ParamInputAlpha, 1.0f);
    listener.setParameter(ParamDuckKey, duck ? 1.0f : 0.0f);
    listener.setParameter(ParamThreshold, 0.5f);
}

// Sender with a steady key then listener with steady audio, `blocks` times; the last output.
Stereo runPair(const test::PluginInstance& sender, const test::PluginInstance& listener, float key, float audio,
               int blocks, int frames = 512) {
    Stereo out(frames, 0.0f, 0.0f);
    for (int b = 0; b < blocks; ++b) {
        replacing(sender, Stereo(frames, key, key));
        out = replacing(listener, Stereo(frames, audio, -audio));
    }
    return out;
}

TEST(DuckerCoreProcess, ASteadyZeroDecibelKeyDucksTheListenerByFortyEightDecibels) {
    test::PluginInstance sender;
    test::PluginInstance listener;
    ASSERT_EQ(sender.getParameter(ParamOwnSlot), 0.0f);
    listenToAlpha(listener, true);
    const Stereo out = runPair(sender, listener, 1.0f, 0.5f, 200);
    EXPECT_NEAR(out.left.back(), 0.5 * kSettled48Db, 1e-6);
    EXPECT_NEAR(out.right.back(), -0.5 * kSettled48Db, 1e-6);
    EXPECT_NEAR(listener.getParameter(ParamMeter), 1.0 - kSettled48Db, 1e-6);

    // Key mode lets the audio through only while the key is loud: one minus the gain.
    listener.setParameter(ParamDuckKey, 0.49f);
    const Stereo keyed = runPair(sender, listener, 1.0f, 0.5f, 1);
    EXPECT_NEAR(keyed.left.back(), 0.5 * (1.0 - kSettled48Db), 1e-6);
    EXPECT_NEAR(listener.getParameter(ParamMeter), 1.0 - kSettled48Db, 1e-6);
}

TEST(DuckerCoreProcess, GainFollowsTheDetectorWithTheMappedTimes) {
    test::PluginInstance sender;
    test::PluginInstance listener;
    listenToAlpha(listener, true);
    listener.setParameter(ParamAttack, 0.0f);  // 2 ms
    listener.setParameter(ParamRelease, 0.5f); // 250 ms
    EnvelopeDetector reference;
    reference.setSampleRate(44100.0);
    reference.setAttack(2.0);
    reference.setRatio(0.0);
    reference.setRelease(250.0);
    reference.setThreshold(-48.0);

    replacing(sender, Stereo(64, 0.25f, -0.5f));
    const Stereo out = replacing(listener, Stereo(64, 1.0f, 1.0f));
    for (int i = 0; i < 64; ++i) {
        EXPECT_FLOAT_EQ(out.left[i], static_cast<float>(reference.computeGain(0.5)));
    }
}

TEST(DuckerCoreProcess, AFreshInstanceIsBypassedPublishesAndPassesItsInputThrough) {
    test::PluginInstance fresh;
    test::PluginInstance listener;
    listenToAlpha(listener, true);
    const Stereo out = replacing(fresh, Stereo(256, 0.3f, -0.2f));
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(out.left[i], 0.3f);
        EXPECT_EQ(out.right[i], -0.2f);
    }
    EXPECT_EQ(fresh.getParameter(ParamMeter), 0.0f);
    const Stereo accumulated = accumulating(fresh, Stereo(16, 0.25f, 0.25f), 1.0f);
    EXPECT_EQ(accumulated.left[3], 1.25f);

    // What it published while bypassed still ducks its listener.
    replacing(fresh, Stereo(256, 1.0f, 1.0f));
    replacing(listener, Stereo(256, 1.0f, 1.0f));
    EXPECT_GT(listener.getParameter(ParamMeter), 0.1f);
}

TEST(DuckerCoreProcess, AFifthInstancePassesAudioThroughUnchangedInBothForms) {
    test::PluginInstance a, b, c, d;
    test::PluginInstance fifth;
    ASSERT_EQ(fifth.getParameter(ParamOwnSlot), 6.0f);
    replacing(a, Stereo(128, 1.0f, 1.0f));
    listenToAlpha(fifth, false);
    const Stereo out = replacing(fifth, Stereo(128, 0.7f, 0.1f));
    EXPECT_EQ(out.left[100], 0.7f);
    EXPECT_EQ(out.right[100], 0.1f);
    const Stereo added = accumulating(fifth, Stereo(128, 0.5f, 0.5f), 0.25f);
    EXPECT_EQ(added.left[7], 0.75f);
    EXPECT_EQ(fifth.getParameter(ParamMeter), 0.0f);
}

TEST(DuckerCoreProcess, OnlyExactlyOneBypassesOrSelects) {
    test::PluginInstance sender;
    test::PluginInstance listener;
    listenToAlpha(listener, true);
    listener.setParameter(ParamBypass, 0.999f);
    listener.setParameter(ParamInputAlpha, 0.999f);
    const Stereo out = runPair(sender, listener, 1.0f, 0.5f, 20);
    EXPECT_EQ(out.left.back(), 0.5f);
    EXPECT_EQ(listener.getParameter(ParamMeter), 0.0f);
    listener.setParameter(ParamDuckKey, 0.0f);
    EXPECT_EQ(runPair(sender, listener, 1.0f, 0.5f, 1).left.back(), 0.0f);
}

TEST(DuckerCoreProcess, OppositeKeysCancelAndAnInstanceCanDuckByItsOwnInput) {
    test::PluginInstance alpha;
    test::PluginInstance beta;
    test::PluginInstance listener;
    listenToAlpha(listener, true);
    listener.setParameter(ParamInputBeta, 1.0f);
    for (int b = 0; b < 20; ++b) {
        replacing(alpha, Stereo(256, 0.8f, -0.8f));
        replacing(beta, Stereo(256, -0.8f, 0.8f));
        replacing(listener, Stereo(256, 0.5f, 0.5f));
    }
    EXPECT_EQ(listener.getParameter(ParamMeter), 0.0f);

    test::PluginInstance self;
    self.setParameter(ParamBypass, 0.0f);
    self.setParameter(ParamDuckKey, 1.0f);
    self.setParameter(ParamInputAlpha + static_cast<int>(self.getParameter(ParamOwnSlot)), 1.0f);
    Stereo out(512, 0.0f, 0.0f);
    for (int b = 0; b < 100; ++b) out = replacing(self, Stereo(512, 1.0f, 1.0f));
    EXPECT_NEAR(out.left.back(), kSettled48Db, 1e-6);
}

TEST(DuckerCoreProcess, AnEmptyBlockPublishesNothingAndReportsNoReduction) {
    test::PluginInstance sender;
    test::PluginInstance listener;
    listenToAlpha(listener, true);
    runPair(sender, listener, 1.0f, 0.5f, 200);
    replacing(sender, Stereo(0, 0.0f, 0.0f));
    EXPECT_EQ(sender.getParameter(ParamMeter), 0.0f);
    replacing(listener, Stereo(0, 0.0f, 0.0f));
    EXPECT_EQ(listener.getParameter(ParamMeter), 0.0f);
    const Stereo out = replacing(listener, Stereo(512, 0.5f, 0.5f));
    EXPECT_NEAR(out.left.back(), 0.5 * kSettled48Db, 1e-6);
}

TEST(DuckerCoreProcess, ChangingFrameCountsKeepsOtherInstancesKeys) {
    test::PluginInstance sender;
    test::PluginInstance listener;
    listenToAlpha(listener, true);
    for (int b = 0; b < 300; ++b) {
        replacing(sender, Stereo(b % 2 == 0 ? 512 : 300, 1.0f, 1.0f));
        replacing(listener, Stereo(b % 3 == 0 ? 128 : 256, 0.5f, 0.5f));
    }
    EXPECT_NEAR(listener.getParameter(ParamMeter), 1.0 - kSettled48Db, 1e-6);

    // A listener block longer than the published one hears silence beyond it and starts releasing.
    replacing(sender, Stereo(100, 1.0f, 1.0f));
    const Stereo out = replacing(listener, Stereo(4000, 0.5f, 0.5f));
    EXPECT_NEAR(out.left[99], 0.5 * kSettled48Db, 1e-6);
    EXPECT_GT(out.left[3999], out.left[100]);
}

TEST(DuckerCoreProcess, BlocksLongerThanTheKeyCapacityAreProcessedInPieces) {
    test::PluginInstance sender;
    test::PluginInstance listener;
    listenToAlpha(listener, true);
    const int frames = 3 * 8192 + 77;
    Stereo out(frames, 0.0f, 0.0f);
    for (int b = 0; b < 3; ++b) {
        replacing(sender, Stereo(frames, 1.0f, 1.0f));
        out = replacing(listener, Stereo(frames, 0.5f, 0.5f));
    }
    // Equal pieces: a listener hears every piece but the last frame of each, and stays ducked.
    EXPECT_NEAR(out.left.back(), 0.5 * kSettled48Db, 2e-5);
    EXPECT_NEAR(out.left[frames / 2], 0.5 * kSettled48Db, 2e-5);

    // Once the host announces its block size the key holds the whole block at once.
    EXPECT_EQ(listener.dispatch(effSetBlockSize, 0, frames), 0);
    for (int b = 0; b < 2; ++b) {
        replacing(sender, Stereo(frames, 1.0f, 1.0f));
        out = replacing(listener, Stereo(frames, 0.5f, 0.5f));
    }
    for (int i = 0; i < frames; i += 997) EXPECT_NEAR(out.left[i], 0.5 * kSettled48Db, 1e-7);
}

TEST(DuckerCoreProcess, NonFiniteKeysAndParametersDoNotPoisonTheDetector) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    test::PluginInstance sender;
    test::PluginInstance listener;
    listenToAlpha(listener, true);
    runPair(sender, listener, 1.0f, 0.5f, 100);
    for (float bad : {nan, inf, -inf}) {
        const Stereo out = runPair(sender, listener, bad, 0.5f, 1);
        EXPECT_TRUE(std::isfinite(out.left.back()));
        EXPECT_TRUE(std::isfinite(listener.getParameter(ParamMeter)));
    }
    for (int parameter : {ParamAttack, ParamRelease, ParamThreshold}) {
        const float saved = listener.getParameter(parameter);
        for (float bad : {nan, inf, -inf}) {
            listener.setParameter(parameter, bad);
            const Stereo out = runPair(sender, listener, 1.0f, 0.5f, 2);
            EXPECT_TRUE(std::isfinite(out.left.back())) << parameter << " " << bad;
        }
        listener.setParameter(parameter, saved);
    }
    const Stereo out = runPair(sender, listener, 1.0f, 0.5f, 100);
    EXPECT_NEAR(out.left.back(), 0.5 * kSettled48Db, 1e-6);
}

TEST(DuckerCoreProcess, BypassedAndAccumulatingBlocksWriteEveryOutputSample) {
    test::PluginInstance sender;
    test::PluginInstance listener;
    listenToAlpha(listener, true);
    runPair(sender, listener, 1.0f, 0.5f, 100);
    listener.setParameter(ParamBypass, 1.0f);
    const Stereo bypassed = replacing(listener, Stereo(64, 0.5f, 0.25f), 99.0f);
    EXPECT_EQ(bypassed.left[10], 0.5f);
    EXPECT_EQ(bypassed.right[10], 0.25f);
    EXPECT_EQ(accumulating(listener, Stereo(64, 0.5f, 0.25f), 1.0f).right[10], 1.25f);

    listener.setParameter(ParamBypass, 0.0f);
    replacing(sender, Stereo(64, 1.0f, 1.0f));
    const Stereo ducked = accumulating(listener, Stereo(64, 0.5f, 0.5f), 1.0f);
    EXPECT_NEAR(ducked.left[63], 1.0 + 0.5 * kSettled48Db, 1e-6);
}

TEST(DuckerCoreProcess, TheAccumulatingFormKeepsTheSlotTheInstanceJoined) {
    test::PluginInstance sender;
    test::PluginInstance other;
    test::PluginInstance listener;
    listenToAlpha(listener, true);
    // A host restoring a project writes parameter 0; the instance still publishes on its own slot.
    other.setParameter(ParamOwnSlot, 0.0f);
    for (int b = 0; b < 200; ++b) {
        accumulating(sender, Stereo(256, 1.0f, 1.0f), 0.0f);
        accumulating(other, Stereo(256, 0.0f, 0.0f), 0.0f);
        replacing(listener, Stereo(256, 0.5f, 0.5f));
    }
    EXPECT_NEAR(listener.getParameter(ParamMeter), 1.0 - kSettled48Db, 1e-6);
    other.close();
    test::PluginInstance joiner;
    EXPECT_EQ(joiner.getParameter(ParamOwnSlot), 1.0f);
}

}  // namespace
}  // namespace qm
