#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "formats/vst2/base/EffectBaseExt.h"
#include "support/RecordingHost.h"

namespace qm {
namespace {

// A bare effect with every default, plus an editor that records what reaches it.
class KeyRecordingEditor : public EditorBase {
public:
    using EditorBase::EditorBase;
    std::int32_t onKeyDown(VstKeyCode& key) override {
        lastKey = key;
        return 7;
    }
    std::int32_t setKnobMode(std::int32_t mode) override { return mode + 1; }
    VstKeyCode lastKey{};
};

class BareEffect : public EffectBaseExt {
public:
    BareEffect() : EffectBaseExt(test::RecordingHost::callback, 1, 3) {}
    void process(float**, float**, std::int32_t) override {}
    float getVu() override { return vu; }
    float vu = 0.0f;
};

VstIntPtr dispatch(EffectBase& effect, std::int32_t opcode, std::int32_t index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr, float opt = 0.0f) {
    return effect.dispatcher(opcode, index, value, ptr, opt);
}

TEST(Dispatcher, OpcodesOutsideTheTableAnswerZero) {
    BareEffect effect;
    EXPECT_EQ(dispatch(effect, 77), 0);
    EXPECT_EQ(dispatch(effect, 1000), 0);
    EXPECT_EQ(dispatch(effect, -1), 0);
    EXPECT_EQ(dispatch(effect, INT32_MIN), 0);
}

TEST(Dispatcher, ProgramsAcceptOnlyNumbersBelowTheProgramCount) {
    BareEffect effect;
    dispatch(effect, effSetProgram, 0, 0);
    EXPECT_EQ(dispatch(effect, effGetProgram), 0);
    dispatch(effect, effSetProgram, 0, 1);
    EXPECT_EQ(dispatch(effect, effGetProgram), 0);
    dispatch(effect, effSetProgram, 0, -3);
    EXPECT_EQ(dispatch(effect, effGetProgram), 0);
}

TEST(Dispatcher, AnswersTheDefaultsOfThePublishedInterface) {
    BareEffect effect;
    EXPECT_EQ(dispatch(effect, effGetVu), 0);
    effect.vu = 0.5f;
    EXPECT_EQ(dispatch(effect, effGetVu), 16383);
    EXPECT_EQ(dispatch(effect, effIdentify), 0x4E764566);
    char capability[] = "receiveVstEvents";
    EXPECT_EQ(dispatch(effect, effCanDo, 0, 0, capability), 0);
    EXPECT_EQ(dispatch(effect, effKeysRequired), 1);
    EXPECT_EQ(dispatch(effect, effGetVstVersion), 2300);
    EXPECT_EQ(dispatch(effect, effGetPlugCategory), 0);
    effect.setFlagIsSynth(true);
    EXPECT_EQ(dispatch(effect, effGetPlugCategory), 2);
    EXPECT_EQ(dispatch(effect, effCanBeAutomated, 0), 1);
    EXPECT_EQ(dispatch(effect, effCanBeAutomated, 500), 1);
    EXPECT_EQ(dispatch(effect, effGetCurrentMidiProgram), -1);
    EXPECT_EQ(dispatch(effect, effConnectInput, 3, 0), 1);
    EXPECT_EQ(dispatch(effect, effConnectOutput, 9, 1), 1);
    EXPECT_EQ(dispatch(effect, effMainsChanged, 0, 0), 0);
    EXPECT_EQ(dispatch(effect, effMainsChanged, 0, 1), 0);
    EXPECT_EQ(dispatch(effect, effGetNumProgramCategories), 1);
    EXPECT_EQ(dispatch(effect, effSetTotalSampleToProcess, 0, 4096), 4096);
    EXPECT_EQ(dispatch(effect, effGetVendorVersion), 0);
    EXPECT_EQ(dispatch(effect, effGetEffectName, 0, 0, capability), 0);
}

TEST(Dispatcher, StreamSettingsArriveThroughTheirOpcodes) {
    BareEffect effect;
    EXPECT_EQ(dispatch(effect, effSetSampleRate, 0, 0, nullptr, 96000.0f), 0);
    EXPECT_EQ(effect.getSampleRate(), 96000.0f);
    EXPECT_EQ(dispatch(effect, effSetBlockSize, 0, 256), 0);
    EXPECT_EQ(effect.getBlockSize(), 256);
    EXPECT_EQ(dispatch(effect, effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f), 1);
    EXPECT_EQ(effect.getBlockSize(), 512);
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);
}

TEST(Dispatcher, BufferOpcodesLeaveOrClearWhatTheDefaultsSay) {
    BareEffect effect;
    char text[32];
    std::strcpy(text, "untouched");
    EXPECT_EQ(dispatch(effect, effGetProgramNameIndexed, 0, 0, text), 0);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(dispatch(effect, effGetParamName, 1, 0, text), 0);
    EXPECT_STREQ(text, "");

    int in = 0;
    int out = 0;
    VstSpeakerArrangement* input = reinterpret_cast<VstSpeakerArrangement*>(&in);
    VstSpeakerArrangement* output = reinterpret_cast<VstSpeakerArrangement*>(&out);
    EXPECT_EQ(dispatch(effect, effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST(Dispatcher, EditorOpcodesNeedAnEditorAndPassTheKeyRecord) {
    BareEffect effect;
    EXPECT_EQ(dispatch(effect, effEditKeyDown, 'a', 13, nullptr, 2.9f), 0);
    EXPECT_EQ(dispatch(effect, effEditOpen), 0);
    ERect* rect = reinterpret_cast<ERect*>(&effect);
    EXPECT_EQ(dispatch(effect, effEditGetRect, 0, 0, &rect), 0);

    auto* editor = new KeyRecordingEditor(&effect);
    effect.attachEditor(editor);
    EXPECT_EQ(effect.getRecord()->flags & effFlagsHasEditor, effFlagsHasEditor);
    EXPECT_EQ(dispatch(effect, effEditKeyDown, 'a', 0x10D, nullptr, 2.9f), 7);
    EXPECT_EQ(editor->lastKey.character, 'a');
    EXPECT_EQ(editor->lastKey.virt, 13);
    EXPECT_EQ(editor->lastKey.modifier, 2);
    EXPECT_EQ(dispatch(effect, effEditKeyUp, 'b'), -1);
    EXPECT_EQ(dispatch(effect, effSetEditKnobMode, 0, 4), 5);
    EXPECT_EQ(dispatch(effect, effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, nullptr);
    EXPECT_EQ(dispatch(effect, effEditKeyDown, 'a', 1, nullptr, std::nanf("")), 7);
    EXPECT_EQ(editor->lastKey.modifier, 0);
}

}  // namespace
}  // namespace qm
