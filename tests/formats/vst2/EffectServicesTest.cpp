#include <gtest/gtest.h>

#include <cstring>

#include "formats/vst2/base/EffectBaseExt.h"
#include "support/RecordingHost.h"

namespace qm {
namespace {

class ServiceEffect : public EffectBaseExt {
public:
    explicit ServiceEffect(HostCallback callback = test::RecordingHost::callback) : EffectBaseExt(callback, 1, 4) {}
    void process(float**, float**, std::int32_t) override {}
    void setParameter(std::int32_t index, float value) override {
        lastIndex = index;
        lastValue = value;
    }
    std::int32_t lastIndex = -1;
    float lastValue = 0.0f;
};

class EffectServices : public ::testing::Test {
protected:
    void SetUp() override { host().reset(); }
    static test::RecordingHost& host() { return test::RecordingHost::get(); }
};

TEST_F(EffectServices, AutomatedSetStoresFirstThenTellsTheHost) {
    ServiceEffect effect;
    effect.setParameterAutomated(3, 0.25f);
    EXPECT_EQ(effect.lastIndex, 3);
    EXPECT_EQ(effect.lastValue, 0.25f);
    const auto calls = host().calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].record, effect.getRecord());
    EXPECT_EQ(calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[0].index, 3);
    EXPECT_EQ(calls[0].value, 0);
    EXPECT_EQ(calls[0].ptr, nullptr);
    EXPECT_EQ(calls[0].opt, 0.25f);

    ServiceEffect hostless(nullptr);
    hostless.setParameterAutomated(2, 0.5f);
    EXPECT_EQ(hostless.lastIndex, 2);
}

TEST_F(EffectServices, StreamSettingsKeepTheOldValueUnlessTheHostAnswersAPositiveOne) {
    ServiceEffect effect;
    EXPECT_EQ(effect.refreshSampleRate(), 44100.0f);
    host().answer(audioMasterGetSampleRate, -1);
    EXPECT_EQ(effect.refreshSampleRate(), 44100.0f);
    host().answer(audioMasterGetSampleRate, 48000);
    EXPECT_EQ(effect.refreshSampleRate(), 48000.0f);
    EXPECT_EQ(effect.refreshBlockSize(), 1024);
    host().answer(audioMasterGetBlockSize, 64);
    EXPECT_EQ(effect.refreshBlockSize(), 64);
}

TEST_F(EffectServices, WrappersTranslateTheHostsAnswers) {
    ServiceEffect effect;
    host().answer(audioMasterVersion, 0);
    EXPECT_EQ(effect.hostVersion(), 1);
    host().answer(audioMasterVersion, 2300);
    EXPECT_EQ(effect.hostVersion(), 2300);

    host().answer(audioMasterPinConnected, 0);
    EXPECT_TRUE(effect.isInputConnected(0));
    host().answer(audioMasterPinConnected, 1);
    EXPECT_FALSE(effect.isInputConnected(0));
    EXPECT_FALSE(effect.isOutputConnected(1));

    char capability[] = "sendVstEvents";
    host().answer(audioMasterCanDo, 1);
    EXPECT_TRUE(effect.hostCanDo(capability));
    host().answer(audioMasterCanDo, -1);
    EXPECT_FALSE(effect.hostCanDo(capability));

    host().reset();
    effect.hostGetPreviousPlug(1);
    effect.hostSizeWindow(317, 260);
    effect.hostOfflineStart(nullptr, 5, 2);
    effect.hostBeginEdit(6);
    effect.hostEndEdit(6);
    EXPECT_FALSE(effect.hostOpenFileSelector(nullptr));
    const auto calls = host().calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].opcode, audioMasterGetPreviousPlug);
    EXPECT_EQ(calls[0].index, 0);
    EXPECT_EQ(calls[0].value, 1);
    EXPECT_EQ(calls[1].index, 317);
    EXPECT_EQ(calls[1].value, 260);
    EXPECT_EQ(calls[2].index, 2);
    EXPECT_EQ(calls[2].value, 5);
    EXPECT_EQ(calls[3].opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls[3].index, 6);
    EXPECT_EQ(calls[4].opcode, audioMasterEndEdit);
}

TEST_F(EffectServices, WithoutAHostCallbackNothingIsSent) {
    ServiceEffect effect(nullptr);
    EXPECT_EQ(effect.hostVersion(), 1);
    EXPECT_TRUE(effect.isInputConnected(0));
    EXPECT_TRUE(effect.isOutputConnected(0));
    EXPECT_EQ(effect.refreshSampleRate(), 44100.0f);
    EXPECT_EQ(effect.hostGetTime(0), nullptr);
    EXPECT_FALSE(effect.hostBeginEdit(1));
    EXPECT_TRUE(host().calls().empty());
}

TEST_F(EffectServices, FlagSettersChangeOnlyTheirBit) {
    ServiceEffect effect;
    const std::int32_t before = effect.getRecord()->flags;
    effect.setFlagHasVu(true);
    EXPECT_EQ(effect.getRecord()->flags, before | effFlagsHasVu);
    effect.setFlagHasVu(false);
    EXPECT_EQ(effect.getRecord()->flags, before);
    effect.setFlagCanReplacing(true);
    effect.setFlagNoSoundInStop(true);
    EXPECT_EQ(effect.getRecord()->flags, before | effFlagsCanReplacing | effFlagsNoSoundInStop);
}

TEST_F(EffectServices, SpeakerArrangementsAreAllocatedMatchedAndReleased) {
    ServiceEffect effect;
    VstSpeakerArrangement* source = nullptr;
    ASSERT_TRUE(effect.allocateSpeakerArrangement(&source, 3));
    EXPECT_EQ(source->numChannels, 3);
    EXPECT_EQ(source->type, 0);
    source->type = 5;
    std::strcpy(speakerAt(source, 2)->name, "Rs");
    speakerAt(source, 2)->azimuth = 0.75f;
    speakerAt(source, 2)->future[27] = 9;

    VstSpeakerArrangement* copy = nullptr;
    ASSERT_TRUE(effect.matchSpeakerArrangement(&copy, source));
    EXPECT_EQ(copy->type, 5);
    EXPECT_EQ(copy->numChannels, 3);
    EXPECT_STREQ(speakerAt(copy, 2)->name, "Rs");
    EXPECT_EQ(speakerAt(copy, 2)->azimuth, 0.75f);
    EXPECT_EQ(speakerAt(copy, 2)->future[27], 9);

    EXPECT_FALSE(effect.matchSpeakerArrangement(&copy, nullptr));
    EXPECT_FALSE(effect.copySpeakerProperties(nullptr, speakerAt(source, 0)));
    EXPECT_FALSE(effect.allocateSpeakerArrangement(&copy, -1));
    EXPECT_EQ(copy, nullptr);
    EXPECT_TRUE(effect.releaseSpeakerArrangement(&source));
    EXPECT_EQ(source, nullptr);
}

}  // namespace
}  // namespace qm
