#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/PluginInstance.h"

namespace qm {
namespace {

std::string text(const test::PluginInstance& plugin, std::int32_t opcode, std::int32_t index = 0) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    buffer[63] = '\0';
    plugin.dispatch(opcode, index, 0, buffer);
    return buffer;
}

TEST(Parameters, EveryInstanceShowsItsKeySlotAndTheFifthShowsSix) {
    std::vector<std::unique_ptr<test::PluginInstance>> plugins;
    for (int i = 0; i < 5; ++i) plugins.push_back(std::make_unique<test::PluginInstance>());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(plugins[i]->getParameter(0), static_cast<float>(i));
    EXPECT_EQ(plugins[4]->getParameter(0), 6.0f);
    EXPECT_EQ(text(*plugins[4], effGetParamDisplay, 0), "6.000000");
    EXPECT_EQ(text(*plugins[2], effGetParamDisplay, 0), "2.000000");

    // The slot of a closed instance goes to the next new one, before any higher free slot.
    plugins[1].reset();
    plugins[3].reset();
    test::PluginInstance next;
    EXPECT_EQ(next.getParameter(0), 1.0f);
}

TEST(Parameters, NamesLabelsAndDefaults) {
    test::PluginInstance plugin;
    const char* names[] = {"DISABLED",     "Bypass", "input: Alpha", "input: Beta", "input: Gamma", "input: Delta",
                           "attack",       "release", "duck/key",    "threshhold",  "DISABLED"};
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(text(plugin, effGetParamName, i), names[i]);
        EXPECT_EQ(text(plugin, effGetParamLabel, i), names[i]);
    }
    EXPECT_EQ(text(plugin, effGetParamName, 11), "DISABLED");
    EXPECT_EQ(text(plugin, effGetParamName, -4), "DISABLED");

    EXPECT_EQ(plugin.getParameter(1), 1.0f);
    for (int i = 2; i <= 5; ++i) EXPECT_EQ(plugin.getParameter(i), 0.0f);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(plugin.getParameter(6)), 0x3E4B5934u);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(plugin.getParameter(7)), 0x3E4B55E8u);
    EXPECT_EQ(plugin.getParameter(8), 0.0f);
    EXPECT_EQ(plugin.getParameter(9), 0.5f);
    EXPECT_EQ(plugin.getParameter(10), 0.5f);
    EXPECT_EQ(text(plugin, effGetParamDisplay, 6), "0.198582");
    EXPECT_EQ(text(plugin, effGetParamDisplay, 1), "1.000000");
    plugin.setParameter(9, 0.7f);
    EXPECT_EQ(text(plugin, effGetParamDisplay, 9), "0.699999");
}

TEST(Parameters, ProgramVendorAndProductTexts) {
    test::PluginInstance plugin;
    EXPECT_EQ(text(plugin, effGetProgramName), "QuellmarV3");
    char name[] = "Kick ducks bass";
    plugin.dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(text(plugin, effGetProgramName), "Kick ducks bass");
    EXPECT_EQ(plugin.dispatch(effGetVendorString, 0, 0, name), 1);
    EXPECT_STREQ(name, "Quellmar V3");
    char product[32];
    EXPECT_EQ(plugin.dispatch(effGetProductString, 0, 0, product), 1);
    EXPECT_STREQ(product, "QuellmarV3EditGUI");
    char effectName[32];
    EXPECT_EQ(plugin.dispatch(effGetEffectName, 0, 0, effectName), 1);
    EXPECT_STREQ(effectName, "QuellmarV3EditGUI");
    EXPECT_EQ(plugin.dispatch(effGetVendorVersion), 1000);
}

TEST(Parameters, OutOfRangeIndicesAndLongNamesStayInsideTheObject) {
    test::PluginInstance plugin;
    plugin.setParameter(11, 0.3f);
    plugin.setParameter(-1, 0.3f);
    plugin.setParameter(INT32_MAX, 0.3f);
    EXPECT_EQ(plugin.getParameter(11), 0.0f);
    EXPECT_EQ(plugin.getParameter(-1), 0.0f);
    EXPECT_EQ(plugin.getParameter(INT32_MIN), 0.0f);
    EXPECT_EQ(text(plugin, effGetParamDisplay, 11), "");
    for (int i = 0; i < 11; ++i) EXPECT_NE(plugin.getParameter(i), 0.3f);

    std::string longName(300, 'n');
    plugin.dispatch(effSetProgramName, 0, 0, longName.data());
    EXPECT_EQ(text(plugin, effGetProgramName), std::string(23, 'n'));
}

}  // namespace
}  // namespace qm
