// The engine's core as a format without the VST 2 record drives it: a side-chain key beside the
// slots, the look-ahead that delays the audio but not the key, and shaping that allocates nothing
// once prepared.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/AudioDelay.h"
#include "engine/DuckerCore.h"
#include "engine/LocalKeyBus.h"
#include "tools/host/support/TestSignals.h"

namespace qm {
namespace {

constexpr float kRateHz = 48000.0f;

struct Stereo {
    explicit Stereo(std::size_t frames, float value = 0.0f) : left(frames, value), right(frames, value) {}
    Stereo(std::vector<float> l, std::vector<float> r) : left(std::move(l)), right(std::move(r)) {}
    std::vector<float> left;
    std::vector<float> right;
    const float* in[2] = {};
    float* out[2] = {};
    const float* const* inputs() {
        in[0] = left.data();
        in[1] = right.data();
        return in;
    }
    float* const* outputs() {
        out[0] = left.data();
        out[1] = right.data();
        return out;
    }
    std::size_t frames() const { return left.size(); }
    Stereo slice(std::size_t first, std::size_t count) const {
        return Stereo(std::vector<float>(left.begin() + first, left.begin() + first + count),
                      std::vector<float>(right.begin() + first, right.begin() + first + count));
    }
};

// A listener in duck mode at threshold -48 dB, attack 10 ms, release 100 ms.
void duckAtMinus48(DuckerCore& core) {
    core.setParameter(ParamBypass, 0.0f);
    core.setParameter(ParamDuckKey, 1.0f);
    core.setParameter(ParamThreshold, 0.5f);
    core.setParameter(ParamAttack, std::sqrt(10.0f / 2000.0f));
    core.setParameter(ParamRelease, std::sqrt(100.0f / 1000.0f));
}

// Runs `audio` through `core` in blocks of `block` frames with `key` on the side-chain (or none);
// with `sender`, `key` is that instance's input instead. Returns the output.
Stereo render(DuckerCore& core, Stereo audio, Stereo* key, std::size_t block, DuckerCore* sender = nullptr) {
    Stereo output(audio.frames());
    for (std::size_t first = 0; first < audio.frames(); first += block) {
        const std::size_t count = std::min(block, audio.frames() - first);
        Stereo in = audio.slice(first, count);
        Stereo out(count);
        Stereo side = key != nullptr ? key->slice(first, count) : Stereo(0);
        if (sender != nullptr) {
            Stereo senderOut(count);
            sender->processReplacing(DuckerBlock{side.inputs(), senderOut.outputs(), static_cast<std::int32_t>(count)},
                                     kRateHz);
        }
        const float* const* sideKey = key != nullptr && sender == nullptr ? side.inputs() : nullptr;
        core.processReplacing(DuckerBlock{in.inputs(), out.outputs(), static_cast<std::int32_t>(count), sideKey},
                              kRateHz);
        std::copy(out.left.begin(), out.left.end(), output.left.begin() + static_cast<std::ptrdiff_t>(first));
        std::copy(out.right.begin(), out.right.end(), output.right.begin() + static_cast<std::ptrdiff_t>(first));
    }
    return output;
}

Stereo speech(std::size_t frames, std::uint64_t seed) {
    return Stereo(qmhost::signals::SpeechLike(seed).next(frames), qmhost::signals::SpeechLike(seed + 1).next(frames));
}

Stereo music(std::size_t frames) {
    return Stereo(qmhost::signals::sine(frames, 220.0, -6.0, 0, kRateHz), qmhost::signals::sine(frames, 330.0, -6.0, 0, kRateHz));
}

TEST(DuckerCore, ASideChainKeyDucksExactlyAsTheSameKeyOnASlot) {
    LocalKeyBus bus;
    DuckerCore sender(bus, 512);
    DuckerCore bySlot(bus, 512);
    DuckerCore bySide(bus, 512);
    duckAtMinus48(bySlot);
    duckAtMinus48(bySide);
    bySlot.setParameter(ParamInputAlpha + sender.keySlot(), 1.0f);
    Stereo key = speech(48000, 5);
    const Stereo viaSlot = render(bySlot, music(48000), &key, 512, &sender);
    const Stereo viaSide = render(bySide, music(48000), &key, 512);
    EXPECT_EQ(viaSide.left, viaSlot.left);
    EXPECT_EQ(viaSide.right, viaSlot.right);
    EXPECT_NE(viaSide.left, music(48000).left);
}

TEST(DuckerCore, TheSideChainAddsToEveryListenedSlotAFifthKeyIncluded) {
    LocalKeyBus bus;
    std::vector<std::unique_ptr<DuckerCore>> senders;
    for (int s = 0; s < 3; ++s) senders.push_back(std::make_unique<DuckerCore>(bus, 256));
    DuckerCore listener(bus, 256);
    duckAtMinus48(listener);
    for (int slot = 0; slot < kKeySlotCount; ++slot) listener.setParameter(ParamInputAlpha + slot, 1.0f);
    // Five keys that cancel in pairs and leave one: the listener ducks exactly as by that one alone.
    const float levels[4] = {0.25f, -0.25f, 0.5f, 0.0f};
    double listenerReduction = 0.0;
    for (int block = 0; block < 200; ++block) {
        for (int s = 0; s < 3; ++s) {
            Stereo in(256, levels[s]);
            Stereo senderOut(256);
            senders[static_cast<std::size_t>(s)]->processReplacing(DuckerBlock{in.inputs(), senderOut.outputs(), 256},
                                                                    kRateHz);
        }
        Stereo own(256, levels[3]);
        Stereo side(256, 0.5f);
        Stereo out(256);
        listenerReduction = listener.processReplacing(DuckerBlock{own.inputs(), out.outputs(), 256, side.inputs()},
                                                      kRateHz);
    }
    // The key 0.5 + 0.25 - 0.25 + 0.5 + 0 is 1.0 (0 dB), as a side-chain of 1.0 alone.
    LocalKeyBus quietBus;
    DuckerCore alone(quietBus, 256);
    duckAtMinus48(alone);
    double reduction = 0.0;
    for (int block = 0; block < 200; ++block) {
        Stereo in(256, 0.5f);
        Stereo side(256, 1.0f);
        Stereo result(256);
        reduction = alone.processReplacing(DuckerBlock{in.inputs(), result.outputs(), 256, side.inputs()}, kRateHz);
    }
    EXPECT_NEAR(reduction, 1.0 - 0.0039810717055349725, 1e-6);
    EXPECT_EQ(listenerReduction, reduction);
}

TEST(DuckerCore, ALookAheadDelaysTheAudioAgainstAnUndelayedKeyInAnyBlockSize) {
    const std::size_t frames = 24000;
    const std::int32_t lookahead = 960;  // 20 ms
    Stereo key = speech(frames, 9);
    Stereo audio = music(frames);
    // The same audio already `lookahead` frames late, through an instance without look-ahead.
    Stereo late(frames);
    for (std::size_t i = lookahead; i < frames; ++i) {
        late.left[i] = audio.left[i - lookahead];
        late.right[i] = audio.right[i - lookahead];
    }
    LocalKeyBus bus;
    DuckerCore plain(bus, 512);
    duckAtMinus48(plain);
    const Stereo expected = render(plain, late, &key, 512);
    for (std::size_t block : {std::size_t{1}, std::size_t{37}, std::size_t{512}, std::size_t{4096}}) {
        DuckerCore ahead(bus, 512);
        ASSERT_TRUE(ahead.prepareShaping(kRateHz, 2000.0, 50.0));
        duckAtMinus48(ahead);
        ahead.setLookaheadFrames(lookahead);
        EXPECT_EQ(ahead.lookaheadFrames(), lookahead);
        const Stereo delayed = render(ahead, audio, &key, block);
        EXPECT_EQ(delayed.left, expected.left) << block;
        EXPECT_EQ(delayed.right, expected.right) << block;
    }
}

TEST(DuckerCore, ABypassedInstanceWithLookAheadPassesItsAudioDelayedAndPublishesItUndelayed) {
    LocalKeyBus bus;
    DuckerCore sender(bus, 256);
    ASSERT_TRUE(sender.prepareShaping(kRateHz, 0.0, 50.0));
    sender.setLookaheadFrames(100);
    DuckerCore listener(bus, 256);
    duckAtMinus48(listener);
    listener.setParameter(ParamInputAlpha + sender.keySlot(), 1.0f);
    DuckerCore reference(bus, 256);
    duckAtMinus48(reference);
    Stereo key = speech(4096, 3);
    const Stereo heardViaBus = render(listener, music(4096), &key, 256, &sender);
    const Stereo heardViaSide = render(reference, music(4096), &key, 256);
    EXPECT_EQ(heardViaBus.left, heardViaSide.left);
    // The sender itself, bypassed by default, passes its audio 100 frames late: the key again now
    // begins with the last 100 frames of the first time.
    const Stereo passed = render(sender, key, nullptr, 256);
    for (std::size_t i = 0; i < 100; ++i) ASSERT_EQ(passed.left[i], key.left[4096 - 100 + i]) << i;
    for (std::size_t i = 100; i < 4096; ++i) ASSERT_EQ(passed.left[i], key.left[i - 100]) << i;
}

TEST(DuckerCore, AnInstanceWithoutASlotDucksByItsSideChainAloneAndPassesWithoutOne) {
    LocalKeyBus bus;
    std::vector<std::unique_ptr<DuckerCore>> four;
    for (int i = 0; i < 4; ++i) four.push_back(std::make_unique<DuckerCore>(bus, 512));
    DuckerCore fifth(bus, 512);
    EXPECT_EQ(fifth.keySlot(), -1);
    EXPECT_EQ(fifth.getParameter(ParamOwnSlot), kNoSlotValue);
    duckAtMinus48(fifth);
    fifth.setParameter(ParamInputAlpha, 1.0f);
    const Stereo unchanged = render(fifth, music(4800), nullptr, 512);
    EXPECT_EQ(unchanged.left, music(4800).left);
    Stereo loud(48000, 1.0f);
    const Stereo ducked = render(fifth, music(48000), &loud, 512);
    EXPECT_NEAR(std::fabs(ducked.left.back()), std::fabs(music(48000).left.back()) * 0.0039810717, 1e-4);
}

TEST(AudioDelay, FramesComeOutTheDelayLaterInPlaceAcrossChunksAndDelayChanges) {
    AudioDelay delay;
    ASSERT_TRUE(delay.reserve(300));
    delay.setDelayFrames(1000);
    EXPECT_EQ(delay.delayFrames(), 300);
    delay.setDelayFrames(7);
    std::vector<float> left(2000);
    std::vector<float> right(2000);
    for (std::size_t i = 0; i < left.size(); ++i) {
        left[i] = static_cast<float>(i + 1);
        right[i] = -static_cast<float>(i + 1);
    }
    std::vector<float> outLeft = left;
    std::vector<float> outRight = right;
    for (std::size_t first = 0; first < left.size(); first += 200) {
        float* channels[2] = {outLeft.data() + first, outRight.data() + first};
        delay.process(channels, channels, 200);  // in place
    }
    for (std::size_t i = 0; i < left.size(); ++i) {
        ASSERT_EQ(outLeft[i], i < 7 ? 0.0f : left[i - 7]) << i;
        ASSERT_EQ(outRight[i], i < 7 ? 0.0f : right[i - 7]) << i;
    }
    // A longer delay reads frames that were already there.
    delay.setDelayFrames(250);
    float in[2][10] = {};
    float out[2][10] = {};
    const float* ins[2] = {in[0], in[1]};
    float* outs[2] = {out[0], out[1]};
    delay.process(ins, outs, 10);
    EXPECT_EQ(out[0][0], left[2000 - 250]);
}

}  // namespace
}  // namespace qm
