// The LV2 bundle as hosts load it, through lilv: its description, ducking, keying and bypass, the
// key bus between LV2 instances and with VST 2 instances in other processes, the audio thread's
// rules, and rescans that leave nothing behind. The same checks as the VST 2 modules pass.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/Parameters.h"
#include "formats/lv2/PluginUris.h"
#include "formats/lv2/Ports.h"
#include "formats/vst2/linux/ChildHost.h"
#include "tools/host/support/posix/ProcessCensus.h"
#include "formats/vst2/linux/RealTimeCheck.h"
#include "support/ForkedChild.h"
#include "support/ModuleChecks.h"
#include "tools/host/support/TestSignals.h"
#include "tools/host/support/lv2/HostedInstance.h"
#include "tools/host/support/lv2/LilvHost.h"

namespace qm::lv2::test {
namespace {

using qmhost::HostedInstance;
using qmhost::LilvHost;

constexpr double kSettled48Db = 0.0039810717055349725;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

class Lv2ModuleTest : public ::testing::Test {
protected:
    Lv2ModuleTest() : host({environment("QM_LV2_BUNDLE")}) {}
    std::unique_ptr<HostedInstance> make() {
        auto instance = std::make_unique<HostedInstance>(host, host.plugin(kPluginUri), 48000.0);
        EXPECT_TRUE(instance->isValid());
        return instance;
    }
    LilvHost host;
};

// Runs `blocks` blocks of 512 frames: `audio` on both inputs, `side` on the side-chain.
void runSteady(HostedInstance& instance, float audio, float side, int blocks = 1) {
    for (int block = 0; block < blocks; ++block) {
        for (std::size_t i = 0; i < 2; ++i) instance.input(i).assign(instance.input(i).size(), audio);
        for (std::size_t i = 2; i < 4; ++i) instance.input(i).assign(instance.input(i).size(), side);
        instance.run(512);
    }
}

// The last frame that runSteady wrote to output `channel`.
float lastOutput(HostedInstance& instance, std::size_t channel) { return instance.output(channel)[511]; }

TEST_F(Lv2ModuleTest, TheBundleDescribesStereoPortsTheSideChainControlsOutputsPresetsAndTheEditor) {
    const LilvPlugin* plugin = host.plugin(kPluginUri);
    ASSERT_NE(plugin, nullptr);
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), kPortCount);
    LilvWorld* world = host.world();
    LilvNode* sideChain = lilv_new_uri(world, LV2_CORE_PREFIX "isSideChain");
    LilvNode* latency = lilv_new_uri(world, LV2_CORE__reportsLatency);
    for (std::uint32_t index = 0; index < kPortCount; ++index) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        const std::string symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
        const char* expected = index < PortFirstControl   ? kAudioPorts[index].symbol
                               : isControlInput(index)    ? controlInfo(controlOfPort(index)).symbol
                               : index == PortSlot        ? "slot"
                               : index == PortMeter       ? "meter"
                                                          : "latency";
        EXPECT_EQ(symbol, expected);
        EXPECT_EQ(lilv_port_has_property(plugin, port, sideChain), index == PortSideLeft || index == PortSideRight)
            << symbol;
        EXPECT_EQ(lilv_port_has_property(plugin, port, latency), index == PortLatency) << symbol;
    }
    lilv_node_free(sideChain);
    lilv_node_free(latency);
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    ASSERT_EQ(lilv_uis_size(uis), 1u);
    const LilvUI* ui = lilv_uis_get(uis, lilv_uis_begin(uis));
    EXPECT_STREQ(lilv_node_as_uri(lilv_ui_get_uri(ui)), kUiUri);
    LilvNode* x11 = lilv_new_uri(world, "http://lv2plug.in/ns/extensions/ui#X11UI");
    EXPECT_TRUE(lilv_ui_is_a(ui, x11));
    lilv_node_free(x11);
    lilv_uis_free(uis);
    LilvNode* presetClass = lilv_new_uri(world, "http://lv2plug.in/ns/ext/presets#Preset");
    LilvNodes* presets = lilv_plugin_get_related(plugin, presetClass);
    EXPECT_EQ(lilv_nodes_size(presets), 4u);
    lilv_nodes_free(presets);
    lilv_node_free(presetClass);
}

// Hosts keep port indices in their sessions: the first release's ports keep theirs, and a control
// added to the table later takes an index after the outputs.
TEST_F(Lv2ModuleTest, PortsKeepTheirIndicesAndLaterControlsComeAfterTheOutputs) {
    const LilvPlugin* plugin = host.plugin(kPluginUri);
    ASSERT_NE(plugin, nullptr);
    struct Row {
        const char* symbol;
        std::uint32_t index;
    } rows[] = {{"in_l", 0},       {"sidechain_r", 5}, {"enabled", 6},  {"threshold", 14},
                {"lookahead", 17}, {"slot", 18},       {"meter", 19},   {"latency", 20}};
    for (const Row& row : rows) {
        LilvNode* symbol = lilv_new_string(host.world(), row.symbol);
        const LilvPort* port = lilv_plugin_get_port_by_symbol(plugin, symbol);
        lilv_node_free(symbol);
        ASSERT_NE(port, nullptr) << row.symbol;
        EXPECT_EQ(lilv_port_get_index(plugin, port), row.index) << row.symbol;
    }
    EXPECT_EQ(lilv_plugin_get_num_ports(plugin), kPortCount);
    EXPECT_EQ(PortFirstLaterControl, 21u);
    EXPECT_FALSE(isControlInput(PortSlot));
    for (std::int32_t id = 0; id < kControlCount; ++id) {
        EXPECT_EQ(controlOfPort(portOfControl(static_cast<ControlId>(id))), id);
    }
}

TEST_F(Lv2ModuleTest, AListenerDucksByItsSideChainThenKeysThenPassesWhenSwitchedOff) {
    auto listener = make();
    listener->control("duck_key") = 1.0f;
    runSteady(*listener, 1.0f, 1.0f, 300);
    EXPECT_NEAR(lastOutput(*listener, 0), kSettled48Db, 1e-4);
    EXPECT_NEAR(listener->control("meter"), 0.99602, 1e-4);
    listener->control("duck_key") = 0.0f;
    runSteady(*listener, 1.0f, 1.0f);
    EXPECT_NEAR(lastOutput(*listener, 1), 1.0 - kSettled48Db, 1e-4);
    listener->control("enabled") = 0.0f;
    runSteady(*listener, 0.5f, 1.0f);
    EXPECT_EQ(lastOutput(*listener, 0), 0.5f);
    EXPECT_EQ(listener->control("meter"), 0.0f);
}

TEST_F(Lv2ModuleTest, ListenersHearOtherInstancesOnTheBusAndAFifthHasNoSlotButItsSideChain) {
    std::vector<std::unique_ptr<HostedInstance>> instances;
    for (int i = 0; i < 5; ++i) {
        instances.push_back(make());
        runSteady(*instances.back(), 0.0f, 0.0f);
        EXPECT_EQ(instances.back()->control("slot"), i < 4 ? static_cast<float>(i) : -1.0f);
    }
    HostedInstance& sender = *instances[0];
    sender.control("enabled") = 0.0f;
    HostedInstance& listener = *instances[1];
    listener.control("input_alpha") = 1.0f;
    for (int block = 0; block < 300; ++block) {
        runSteady(sender, 1.0f, 0.0f);
        runSteady(listener, 1.0f, 0.0f);
    }
    EXPECT_NEAR(lastOutput(listener, 0), 1.0 - kSettled48Db, 1e-4);  // key mode, the default
    HostedInstance& fifth = *instances[4];
    fifth.control("duck_key") = 1.0f;
    fifth.control("input_alpha") = 1.0f;
    runSteady(fifth, 0.25f, 0.0f, 20);
    EXPECT_EQ(lastOutput(fifth, 0), 0.25f);
    runSteady(fifth, 0.25f, 1.0f, 300);
    EXPECT_NEAR(lastOutput(fifth, 0), 0.25 * kSettled48Db, 1e-4);
    instances.clear();
    auto next = make();
    runSteady(*next, 0.0f, 0.0f);
    EXPECT_EQ(next->control("slot"), 0.0f);
}

TEST_F(Lv2ModuleTest, KeysAreSharedWithVst2InstancesInOtherProcessesBothWays) {
    {
        qmhost::ChildHost vst2Sender(environment("QM_HOST_PATH"), environment("QM_MODULE_PATH"), 1, 1.0f);
        ASSERT_TRUE(vst2Sender.isStarted());
        ASSERT_EQ(vst2Sender.slots(), std::vector<float>{0.0f});
        auto listener = make();
        listener->control("duck_key") = 1.0f;
        listener->control("input_alpha") = 1.0f;
        runSteady(*listener, 1.0f, 0.0f, 300);
        EXPECT_EQ(listener->control("slot"), 1.0f);
        EXPECT_NEAR(lastOutput(*listener, 0), kSettled48Db, 1e-4);
        EXPECT_EQ(vst2Sender.stop(), 0);
    }
    qm::test::ForkedChild lv2Sender([](const qm::test::ForkedChild::Link& link) {
        LilvHost childHost({environment("QM_LV2_BUNDLE")});
        HostedInstance sender(childHost, childHost.plugin(kPluginUri), 48000.0);
        sender.control("enabled") = 0.0f;
        runSteady(sender, 1.0f, 0.0f);
        link.report("slot " + std::to_string(static_cast<int>(sender.control("slot"))));
        while (!link.stopRequested()) {
            runSteady(sender, 1.0f, 0.0f);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return 0;
    });
    EXPECT_EQ(lv2Sender.readLine(), "slot 0");
    qmhost::PluginModule vst2(environment("QM_MODULE_PATH"));
    ASSERT_TRUE(vst2.isLoaded());
    qmhost::Plugin listener(vst2.create());
    EXPECT_EQ(listener.getParameter(ParamOwnSlot), 1.0f);
    qmhost::checks::listenOnAlphaInDuckMode(listener);
    qmhost::checks::Channels out(512);
    for (int block = 0; block < 300; ++block) out = qmhost::checks::run(listener, qmhost::checks::Channels(512, 1.0f));
    EXPECT_NEAR(out.left.back(), kSettled48Db, 1e-4);
    EXPECT_EQ(lv2Sender.stop(), 0);
}

TEST_F(Lv2ModuleTest, AVst2InstanceInTheSameProcessTakesAnotherSlotAndHearsTheLv2One) {
    auto sender = make();
    sender->control("enabled") = 0.0f;
    runSteady(*sender, 1.0f, 0.0f);
    qmhost::PluginModule vst2(environment("QM_MODULE_PATH"));
    ASSERT_TRUE(vst2.isLoaded());
    qmhost::Plugin listener(vst2.create());
    EXPECT_EQ(sender->control("slot"), 0.0f);
    EXPECT_EQ(listener.getParameter(ParamOwnSlot), 1.0f);
    qmhost::checks::listenOnAlphaInDuckMode(listener);
    qmhost::checks::Channels out(512);
    for (int block = 0; block < 300; ++block) {
        runSteady(*sender, 1.0f, 0.0f);
        out = qmhost::checks::run(listener, qmhost::checks::Channels(512, 1.0f));
    }
    EXPECT_NEAR(out.left.back(), kSettled48Db, 1e-4);
}

// Blocks of changing sizes with changing controls, as a host's audio thread runs them.
void busyAudio(HostedInstance& instance) {
    const std::uint32_t sizes[] = {512, 1, 0, 64, 4096, 333, 2048, 7};
    for (int round = 0; round < 40; ++round) {
        instance.control("threshold") = -10.0f - static_cast<float>(round);
        instance.control("hold") = static_cast<float>(round * 37 % 2000);
        instance.control("range") = static_cast<float>(round % 30);
        instance.control("lookahead") = static_cast<float>(round % 51);
        instance.control("enabled") = round % 7 == 3 ? 0.0f : 1.0f;
        instance.control("duck_key") = static_cast<float>(round % 2);
        instance.control("input_alpha") = static_cast<float>(round % 3 == 0);
        instance.run(sizes[round % 8]);
    }
}

TEST_F(Lv2ModuleTest, TheAudioThreadMakesNoSystemCallAndNoAllocationLikeTheVst2Modules) {
    std::unique_ptr<HostedInstance> lv2;
    const qmhost::RealTimeResult lv2Result = qmhost::runUnderRealTimeRules(
        [&] {
            lv2 = make();
            for (std::size_t i = 0; i < lv2->inputCount(); ++i) {
                const std::vector<float> key = qmhost::signals::SpeechLike(i + 3).next(4096);
                std::copy(key.begin(), key.end(), lv2->input(i).begin());
            }
            busyAudio(*lv2);
        },
        [&] { busyAudio(*lv2); });
    EXPECT_TRUE(lv2Result.finished);
    EXPECT_EQ(lv2Result.allocations, 0);

    std::unique_ptr<qmhost::PluginModule> vst2;
    std::unique_ptr<qmhost::Plugin> plugin;
    std::vector<float> left = qmhost::signals::SpeechLike(3).next(4096);
    std::vector<float> out(4096);
    const auto vst2Audio = [&] {
        for (int round = 0; round < 40; ++round) {
            plugin->setParameter(ParamThreshold, static_cast<float>(round % 10) / 10.0f);
            plugin->setParameter(ParamBypass, round % 7 == 3 ? 1.0f : 0.0f);
            plugin->setParameter(ParamInputAlpha, 1.0f);
            plugin->processReplacing(left.data(), left.data(), out.data(), out.data(), (round * 733) % 4097);
        }
    };
    const qmhost::RealTimeResult vst2Result = qmhost::runUnderRealTimeRules(
        [&] {
            vst2 = std::make_unique<qmhost::PluginModule>(environment("QM_MODULE_PATH"));
            plugin = std::make_unique<qmhost::Plugin>(vst2->create());
            vst2Audio();
        },
        vst2Audio);
    EXPECT_TRUE(vst2Result.finished);
    EXPECT_EQ(vst2Result.allocations, 0);
}

// One rescan as an LV2 host does it: two instances made (the binary loaded), run and freed (the
// binary unloaded), in the host's world, which lives on (lilv's own world keeps some memory per
// world made, which is not the plug-in's).
void rescan(LilvHost& world) {
    HostedInstance first(world, world.plugin(kPluginUri), 48000.0);
    HostedInstance second(world, world.plugin(kPluginUri), 48000.0);
    second.control("input_alpha") = 1.0f;
    runSteady(first, 1.0f, 0.5f);
    runSteady(second, 0.5f, 0.0f);
}

TEST(Lv2ModuleRescan, LoadingAndUnloadingManyTimesLeavesNoThreadMemoryOrDescriptorBehind) {
    LilvHost world({environment("QM_LV2_BUNDLE")});
    rescan(world);
    rescan(world);
    const qmhost::ProcessCensus before = qmhost::ProcessCensus::take();
    for (int cycle = 0; cycle < 40; ++cycle) rescan(world);
    const qmhost::ProcessCensus after = qmhost::ProcessCensus::take();
    EXPECT_EQ(after.threads, before.threads);
    EXPECT_EQ(after.descriptors, before.descriptors);
    EXPECT_EQ(after.mappings, before.mappings);
    EXPECT_LT(after.heapBytes - before.heapBytes, 40 * 256) << "heap grew by " << after.heapBytes - before.heapBytes;
    const std::string binary = environment("QM_LV2_BUNDLE") + "/QuellmarV3_dsp.so";
    EXPECT_EQ(dlopen(binary.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr) << "the binary stayed loaded";
}

}  // namespace
}  // namespace qm::lv2::test
