// The LV2 plug-in through its descriptor as hosts call it, good and bad: sample rates, the
// options feature, ports left unconnected, controls that are not a number, blocks of any size,
// the host's bypass, the latency of the look-ahead and the slot output.

#include <gtest/gtest.h>

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "formats/lv2/PluginUris.h"
#include "formats/lv2/DirectInstance.h"
#include "tools/host/support/TestSignals.h"
#include "tools/host/support/UridMap.h"

namespace qm::lv2::test {
namespace {

std::vector<float> speech(std::size_t frames, std::uint64_t seed) { return qmhost::signals::SpeechLike(seed).next(frames); }
std::vector<float> tone(std::size_t frames, double hz) { return qmhost::signals::sine(frames, hz, -6.0, 0, 48000.0); }

// Runs `frames` frames of a tone through `instance` in blocks of the sizes in `blocks` (cycled),
// with a speech-like side-chain; returns the left output.
std::vector<float> renderInBlocks(DirectInstance& instance, std::size_t frames, const std::vector<std::size_t>& blocks) {
    const std::vector<float> music = tone(frames, 220.0);
    const std::vector<float> voice = speech(frames, 11);
    std::vector<float> out;
    std::size_t next = 0;
    for (std::size_t first = 0; first < frames; ++next) {
        const std::size_t count = std::min(blocks[next % blocks.size()], frames - first);
        std::vector<float> left(music.begin() + first, music.begin() + first + count);
        std::vector<float> right = left;
        const std::vector<float> side(voice.begin() + first, voice.begin() + first + count);
        instance.run(left, right, &side, &side);
        out.insert(out.end(), left.begin(), left.end());
        first += count;
    }
    return out;
}

// A listener that ducks by its side-chain at -30 dB.
void duckBySideChain(DirectInstance& instance) {
    instance.connectControls();
    instance.control(ControlDuckKey) = 1.0f;
    instance.control(ControlThreshold) = -30.0f;
    instance.control(ControlAttack) = 10.0f;
}

TEST(Lv2Descriptor, InstantiateTakesEveryRateFrom8To384KilohertzAndRefusesTheRest) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    struct Case {
        double rateHz;
        bool taken;
    } cases[] = {{8000.0, true},    {11025.0, true}, {22050.0, true},  {44100.0, true},   {48000.0, true},
                 {88200.0, true},   {96000.0, true}, {192000.0, true}, {384000.0, true},  {0.0, false},
                 {-48000.0, false}, {nan, false},    {infinity, false}, {7999.0, false},  {384001.0, false}};
    for (const Case& c : cases) {
        DirectInstance instance(c.rateHz);
        EXPECT_EQ(instance.isValid(), c.taken) << c.rateHz;
        if (!instance.isValid()) continue;
        instance.connectControls();
        std::vector<float> left(64, 0.25f);
        std::vector<float> right(64, 0.25f);
        instance.run(left, right);
    }
    EXPECT_EQ(lv2_descriptor(1), nullptr);
    EXPECT_STREQ(lv2_descriptor(0)->URI, kPluginUri);
    EXPECT_EQ(lv2_descriptor(0)->extension_data("http://lv2plug.in/ns/ext/options#interface"), nullptr);
}

TEST(Lv2Descriptor, BlockLengthOptionsAreReadWhereGivenAndNotRequired) {
    qmhost::UridMap urids;
    const std::int32_t maxLength = 8192;
    const std::int64_t wrongSize = 8192;
    const LV2_URID intType = urids.map(LV2_ATOM__Int);
    const LV2_URID maxKey = urids.map(LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID nominalKey = urids.map(LV2_BUF_SIZE__nominalBlockLength);
    const LV2_Options_Option good[] = {{LV2_OPTIONS_INSTANCE, 0, maxKey, sizeof maxLength, intType, &maxLength},
                                       {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    const LV2_Options_Option odd[] = {{LV2_OPTIONS_INSTANCE, 0, nominalKey, sizeof wrongSize, intType, &wrongSize},
                                      {LV2_OPTIONS_INSTANCE, 0, maxKey, sizeof maxLength, maxKey, &maxLength},
                                      {LV2_OPTIONS_INSTANCE, 0, maxKey, sizeof maxLength, intType, nullptr},
                                      {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    const LV2_Feature mapFeature{LV2_URID__map, urids.feature()};
    const LV2_Feature goodOptions{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(good)};
    const LV2_Feature oddOptions{LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(odd)};
    const LV2_Feature emptyFeature{nullptr, nullptr};
    const LV2_Feature* withOptions[] = {&mapFeature, &goodOptions, nullptr};
    const LV2_Feature* withOddOptions[] = {&mapFeature, &oddOptions, nullptr};
    const LV2_Feature* optionsWithoutMap[] = {&goodOptions, nullptr};
    const LV2_Feature* unnamed[] = {&emptyFeature, nullptr};
    const LV2_Feature* none[] = {nullptr};
    for (const LV2_Feature* const* features : {withOptions, withOddOptions, optionsWithoutMap, unnamed, none,
                                               static_cast<const LV2_Feature**>(nullptr)}) {
        DirectInstance instance(48000.0, features);
        ASSERT_TRUE(instance.isValid());
        duckBySideChain(instance);
        const std::vector<float> out = renderInBlocks(instance, 3 * 8192, {8192});
        EXPECT_GT(instance.meter, 0.0f);
        EXPECT_NE(out, tone(3 * 8192, 220.0));
    }
}

TEST(Lv2Descriptor, PortsLeftUnconnectedUntilRunAreSafeAndControlsWithoutAPortTakeTheirDefaults) {
    DirectInstance bare;
    ASSERT_TRUE(bare.isValid());
    bare.entry().run(bare.get(), 512);  // nothing connected at all
    std::vector<float> left = tone(4800, 220.0);
    std::vector<float> right = tone(4800, 330.0);
    bare.run(left, right);  // audio only
    DirectInstance defaults;
    defaults.connectControls();
    std::vector<float> expectedLeft = tone(4800, 220.0);
    std::vector<float> expectedRight = tone(4800, 330.0);
    defaults.run(expectedLeft, expectedRight);
    EXPECT_EQ(left, expectedLeft);
    EXPECT_EQ(right, expectedRight);
    EXPECT_EQ(defaults.latency, 0.0f);
}

TEST(Lv2Descriptor, ControlsThatAreNotANumberOrOutOfRangeCountAsTheirDefaultsOrLimits) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    DirectInstance plain;
    DirectInstance odd;
    duckBySideChain(plain);
    duckBySideChain(odd);
    plain.control(ControlRelease) = controlInfo(ControlRelease).defaultValue;
    odd.control(ControlRelease) = nan;
    plain.control(ControlHold) = 2000.0f;
    odd.control(ControlHold) = 1e30f;
    plain.control(ControlRange) = 0.0f;
    odd.control(ControlRange) = -std::numeric_limits<float>::infinity();
    plain.control(ControlLookahead) = 0.0f;
    odd.control(ControlLookahead) = nan;
    EXPECT_EQ(renderInBlocks(odd, 24000, {512}), renderInBlocks(plain, 24000, {512}));
    EXPECT_EQ(odd.latency, 0.0f);
}

TEST(Lv2Descriptor, BlocksOfAnySizeFromZeroOnGiveTheSameSamples) {
    const std::vector<std::vector<std::size_t>> partitions = {
        {512}, {1}, {0, 7, 1, 4096, 0, 333}, {65536}, {100000}};
    DirectInstance first;
    duckBySideChain(first);
    const std::vector<float> expected = renderInBlocks(first, 120000, partitions[0]);
    for (std::size_t p = 1; p < partitions.size(); ++p) {
        DirectInstance instance;
        duckBySideChain(instance);
        EXPECT_EQ(renderInBlocks(instance, 120000, partitions[p]), expected) << p;
    }
    DirectInstance zero;
    zero.connectControls();
    zero.entry().run(zero.get(), 0);
    EXPECT_EQ(zero.meter, 0.0f);
    EXPECT_EQ(zero.latency, 0.0f);
    EXPECT_GE(zero.slot, -1.0f);
}

TEST(Lv2Descriptor, SwitchedOffByTheHostItPassesItsAudioThroughUnchanged) {
    DirectInstance instance;
    duckBySideChain(instance);
    instance.control(ControlEnabled) = 0.0f;
    const std::vector<float> out = renderInBlocks(instance, 24000, {480});
    EXPECT_EQ(out, tone(24000, 220.0));
    EXPECT_EQ(instance.meter, 0.0f);
}

TEST(Lv2Descriptor, TheLatencyOutputIsTheLookAheadInFramesAndTheAudioComesThatLate) {
    struct Case {
        double rateHz;
        float lookaheadMs;
        float latencyFrames;
    } cases[] = {{48000.0, 20.0f, 960.0f}, {44100.0, 50.0f, 2205.0f}, {8000.0, 0.1f, 1.0f}, {384000.0, 50.0f, 19200.0f}};
    for (const Case& c : cases) {
        DirectInstance instance(c.rateHz);
        instance.connectControls();
        instance.control(ControlEnabled) = 0.0f;
        instance.control(ControlLookahead) = c.lookaheadMs;
        std::vector<float> left = tone(30000, 220.0);
        std::vector<float> right = left;
        instance.run(left, right);
        EXPECT_EQ(instance.latency, c.latencyFrames) << c.rateHz;
        const auto late = static_cast<std::size_t>(c.latencyFrames);
        EXPECT_EQ(left[late], tone(30000, 220.0)[0]) << c.rateHz;
        EXPECT_EQ(left[late / 2], 0.0f) << c.rateHz;
    }
}

TEST(Lv2Descriptor, TheSlotOutputIsTheInstancesSlotAndMinusOneForTheFifth) {
    std::vector<std::unique_ptr<DirectInstance>> instances;
    for (int i = 0; i < 5; ++i) {
        instances.push_back(std::make_unique<DirectInstance>());
        instances.back()->connectControls();
        std::vector<float> left(16);
        std::vector<float> right(16);
        instances.back()->run(left, right);
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(instances[static_cast<std::size_t>(i)]->slot, static_cast<float>(i));
    EXPECT_EQ(instances[4]->slot, -1.0f);
}

}  // namespace
}  // namespace qm::lv2::test
