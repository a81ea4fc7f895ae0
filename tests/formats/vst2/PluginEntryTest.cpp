#include <gtest/gtest.h>

#include <cstring>

#include "engine/KeyBus.h"
#include "formats/vst2/base/EffectBase.h"
#include "formats/vst2/base/ModuleState.h"
#include "support/PluginInstance.h"

namespace qm {
namespace {

VstIntPtr QM_CALL hostWithoutVersion(PluginRecord*, std::int32_t, std::int32_t, VstIntPtr, void*, float) {
    return 0;
}

class PluginEntry : public ::testing::Test {
protected:
    void SetUp() override { test::RecordingHost::get().reset(); }
};

TEST_F(PluginEntry, MainReturnsTheRecordOfANewInstance) {
    test::PluginInstance plugin;
    ASSERT_TRUE(plugin);
    PluginRecord* record = plugin.get();
    EXPECT_EQ(record->magic, 0x56737450);
    EXPECT_EQ(record->numPrograms, 1);
    EXPECT_EQ(record->numParams, 11);
    EXPECT_EQ(record->numInputs, 2);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->flags, effFlagsHasEditor | effFlagsCanMono | effFlagsCanReplacing);
    EXPECT_EQ(record->resvd1, 0);
    EXPECT_EQ(record->resvd2, 0);
    EXPECT_EQ(record->initialDelay, 0);
    EXPECT_EQ(record->realQualities, 0);
    EXPECT_EQ(record->offQualities, 0);
    EXPECT_EQ(record->ioRatio, 1.0f);
    EXPECT_EQ(record->uniqueID, fourCharCode('Q', 'M', 'V', '3'));
    EXPECT_EQ(record->version, 1);
    EXPECT_EQ(record->user, nullptr);
    EXPECT_EQ(EffectBase::fromRecord(record)->getRecord(), record);
    for (std::uint8_t byte : record->reserved) EXPECT_EQ(byte, 0);

    const auto calls = test::RecordingHost::get().callsWith(audioMasterVersion);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].record, nullptr);
}

TEST_F(PluginEntry, MainCreatesNothingForAMissingHostOrVersionZero) {
    EXPECT_EQ(quellmarMain(nullptr), nullptr);
    EXPECT_EQ(quellmarMain(hostWithoutVersion), nullptr);
    EXPECT_TRUE(KeyBus::processBus().isEmpty());
}

TEST_F(PluginEntry, CloseAnswersOneAndFreesTheKeySlot) {
    test::PluginInstance first;
    ASSERT_EQ(first.getParameter(0), 0.0f);
    PluginRecord* record = first.release();
    EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
    test::PluginInstance second;
    EXPECT_EQ(second.getParameter(0), 0.0f);
}

TEST_F(PluginEntry, AFailedEditorCreationRefusesEveryLaterInstance) {
    creationFailed.store(true);
    EXPECT_EQ(quellmarMain(test::RecordingHost::callback), nullptr);
    EXPECT_EQ(quellmarMain(test::RecordingHost::callback), nullptr);
    EXPECT_TRUE(KeyBus::processBus().isEmpty());
    creationFailed.store(false);
}

}  // namespace
}  // namespace qm
