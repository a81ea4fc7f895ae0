#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "cli/DuckJob.h"
#include "cli/SoundFixtures.h"
#include "support/PluginInstance.h"

namespace qmduck::test {
namespace {

using PlugInIdentity = SoundFolder;

// Runs the keys through sender instances of the plug-in made by its module entry, and the input
// through a listener on their slots, in blocks of 512 frames as a host would; the listener's output.
Sound renderWithPlugIn(const std::vector<Sound>& keys, const Sound& input, const DuckOptions& options) {
    std::vector<std::unique_ptr<qm::test::PluginInstance>> senders;
    for (std::size_t k = 0; k < keys.size(); ++k) senders.push_back(std::make_unique<qm::test::PluginInstance>());
    qm::test::PluginInstance listener;
    for (std::int32_t index = qm::ParamBypass; index < qm::ParamMeter; ++index) {
        listener.setParameter(index, options.parameters[static_cast<std::size_t>(index)]);
    }
    // Instances made by the module entry share the session's key bus with every other process.
    EXPECT_NE(listener.getParameter(qm::ParamOwnSlot), qm::kNoSlotValue)
        << "another process holds slots of the session's key bus";
    float lastSlot = -1.0f;
    for (auto& sender : senders) {
        const float slot = sender->getParameter(qm::ParamOwnSlot);
        EXPECT_GT(slot, lastSlot) << "keys sum in slot order";
        lastSlot = slot;
        listener.setParameter(qm::ParamInputAlpha + static_cast<int>(slot), 1.0f);
    }
    for (auto* plugin : {&listener}) plugin->dispatch(qm::effSetSampleRate, 0, 0, nullptr, 48000.0f);
    for (auto& sender : senders) sender->dispatch(qm::effSetSampleRate, 0, 0, nullptr, 48000.0f);

    Sound output = input;
    const auto at = [](const Sound& sound, std::int64_t frame, int channel) {
        if (frame >= sound.frames()) return 0.0f;
        return sound.samples[static_cast<std::size_t>(frame * sound.channels + std::min(channel, sound.channels - 1))];
    };
    constexpr std::int64_t kBlock = 512;
    for (std::int64_t start = 0; start < input.frames(); start += kBlock) {
        const std::int64_t count = std::min(kBlock, input.frames() - start);
        for (std::size_t k = 0; k < keys.size(); ++k) {
            std::vector<float> left(static_cast<std::size_t>(count)), right(static_cast<std::size_t>(count));
            for (std::int64_t i = 0; i < count; ++i) {
                left[static_cast<std::size_t>(i)] = at(keys[k], start + i, 0);
                right[static_cast<std::size_t>(i)] = at(keys[k], start + i, 1);
            }
            senders[k]->processReplacing(left, right);
        }
        std::vector<float> left(static_cast<std::size_t>(count)), right(static_cast<std::size_t>(count));
        for (std::int64_t i = 0; i < count; ++i) {
            left[static_cast<std::size_t>(i)] = at(input, start + i, 0);
            right[static_cast<std::size_t>(i)] = at(input, start + i, 1);
        }
        listener.processReplacing(left, right);
        for (std::int64_t i = 0; i < count; ++i) {
            for (int c = 0; c < input.channels; ++c) {
                output.samples[static_cast<std::size_t>((start + i) * input.channels + c)] =
                    (c == 0 ? left : right)[static_cast<std::size_t>(i)];
            }
        }
    }
    return output;
}

TEST_F(PlugInIdentity, TheToolGivesTheSamplesOfThePlugInBitForBit) {
    struct Case {
        const char* name;
        int keyCount;
        int inputChannels;
        int keyChannels;
        const char* settings;
    } cases[] = {
        {"one key, defaults", 1, 2, 2, ""},
        {"fast duck", 1, 2, 2, "--threshold -30 --attack 10 --release 300"},
        {"key mode, mono key", 1, 2, 1, "--mode key --threshold -20"},
        {"three keys, mono input", 3, 1, 2, "--param 6=0 --param 7=0 --param 9=0.4"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"-o", path("tool.wav"), path("in.wav")};
        std::vector<Sound> keys;
        for (int k = 0; k < c.keyCount; ++k) {
            keys.push_back(makeSignal(2.0 + 0.4 * k, c.keyChannels, true));
            for (float& s : keys.back().samples) s *= 1.0f - 0.3f * static_cast<float>(k);
            arguments.push_back("--key");
            arguments.push_back(put("key" + std::to_string(k) + ".wav", keys.back()));
        }
        for (const char* word = c.settings; *word != '\0';) {
            const char* end = std::strchr(word, ' ');
            arguments.emplace_back(word, end ? end : word + std::strlen(word));
            word = end ? end + 1 : word + std::strlen(word);
        }
        Sound input = makeSignal(2.5, c.inputChannels, false);
        put("in.wav", input);
        const ParseResult parsed = parseArguments(arguments);
        ASSERT_EQ(parsed.action, ParseAction::Run) << parsed.error;
        ASSERT_EQ(runDuckJob(parsed.options, false).exitStatus, 0) << c.name;

        const Sound tool = readSound(path("tool.wav"));
        const Sound plugIn = renderWithPlugIn(keys, input, parsed.options);
        ASSERT_EQ(tool.samples.size(), plugIn.samples.size()) << c.name;
        EXPECT_TRUE(tool.samples == plugIn.samples) << c.name;
        EXPECT_NE(tool.samples, input.samples) << c.name << ": something was ducked";
    }
}

}  // namespace
}  // namespace qmduck::test
