#pragma once
// The checks every build of the module passes, whichever way a host loads it (LoadLibrary and
// `main`, dlopen and `VSTPluginMain`): the record, the opcodes, ducking, keying, bypass and the
// fifth instance. Each module test calls them with the module it loaded.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "editor/EditorLayout.h"
#include "engine/Parameters.h"
#include "tools/host/PluginLoader.h"

namespace qmhost::checks {

constexpr double kSettled48Db = 0.0039810717055349725;  // 10^(-48/20)

struct Channels {
    explicit Channels(int frames, float value = 0.0f) : left(frames, value), right(frames, value) {}
    std::vector<float> left;
    std::vector<float> right;
};

// One replacing block from `input` into outputs that held `stale`.
inline Channels run(const Plugin& plugin, const Channels& input, float stale = 42.0f) {
    Channels output(static_cast<int>(input.left.size()), stale);
    plugin.processReplacing(input.left.data(), input.right.data(), output.left.data(), output.right.data(),
                            static_cast<std::int32_t>(input.left.size()));
    return output;
}

// Sets `listener` to duck by the key on Alpha, threshold at -48 dB, not bypassed.
inline void listenOnAlphaInDuckMode(const Plugin& listener) {
    listener.setParameter(qm::ParamBypass, 0.0f);
    listener.setParameter(qm::ParamInputAlpha, 1.0f);
    listener.setParameter(qm::ParamDuckKey, 1.0f);
    listener.setParameter(qm::ParamThreshold, 0.5f);
}

inline void expectTheRecordAsHostsReadIt(const PluginModule& module) {
    Plugin plugin(module.create());
    ASSERT_TRUE(plugin);
    const qm::PluginRecord* record = plugin.get();
    EXPECT_EQ(record->magic, 0x56737450);
    EXPECT_EQ(record->numPrograms, 1);
    EXPECT_EQ(record->numParams, 11);
    EXPECT_EQ(record->numInputs, 2);
    EXPECT_EQ(record->numOutputs, 2);
    EXPECT_EQ(record->flags, qm::effFlagsHasEditor | qm::effFlagsCanMono | qm::effFlagsCanReplacing);
    EXPECT_EQ(record->initialDelay, 0);
    EXPECT_EQ(record->ioRatio, 1.0f);
    EXPECT_EQ(record->uniqueID, qm::fourCharCode('Q', 'M', 'V', '3'));
    EXPECT_EQ(record->version, 1);
    EXPECT_NE(record->object, nullptr);
    EXPECT_NE(record->dispatcher, nullptr);
    EXPECT_NE(record->process, nullptr);
    EXPECT_NE(record->processReplacing, nullptr);
    EXPECT_EQ(module.create(nullptr), nullptr);
}

inline void expectAnswersToOpcodes(const Plugin& plugin) {
    EXPECT_EQ(plugin.dispatch(qm::effIdentify), 0x4E764566);
    EXPECT_EQ(plugin.dispatch(qm::effGetVstVersion), 2300);
    EXPECT_EQ(plugin.dispatch(77), 0);
    EXPECT_EQ(plugin.dispatch(-1), 0);
    EXPECT_EQ(plugin.dispatch(qm::effSetBlockSizeAndSampleRate, 0, 512, nullptr, 48000.0f), 1);
    EXPECT_EQ(plugin.text(qm::effGetVendorString), "Quellmar V3");
    EXPECT_EQ(plugin.text(qm::effGetProgramName), "QuellmarV3");
    EXPECT_EQ(plugin.text(qm::effGetParamName, 9), "threshhold");
    EXPECT_EQ(plugin.text(qm::effGetParamLabel, 0), "DISABLED");
    EXPECT_EQ(plugin.text(qm::effGetParamDisplay, 6), "0.198582");
    plugin.setParameter(9, 0.25f);
    EXPECT_EQ(plugin.getParameter(9), 0.25f);
    EXPECT_EQ(plugin.text(qm::effGetEffectName), "QuellmarV3EditGUI");
    EXPECT_EQ(plugin.text(qm::effGetProductString), "QuellmarV3EditGUI");
    EXPECT_EQ(plugin.dispatch(qm::effGetVendorVersion), 1000);
    qm::ERect* rect = nullptr;
    EXPECT_EQ(plugin.dispatch(qm::effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right, qm::layout::kEditor.right);
    EXPECT_EQ(rect->bottom, qm::layout::kEditor.bottom);
}

// A listener on Alpha settles 48 dB down under a steady 0 dB key, keys (one minus the gain) in key
// mode, and passes its input with a meter of 0 when bypassed.
inline void expectAListenerOnAlphaDucksThenKeysThenPassesInBypass(const PluginModule& module) {
    Plugin sender(module.create());
    Plugin listener(module.create());
    ASSERT_EQ(sender.getParameter(qm::ParamOwnSlot), 0.0f);
    ASSERT_EQ(listener.getParameter(qm::ParamOwnSlot), 1.0f);
    listenOnAlphaInDuckMode(listener);

    Channels out(512);
    for (int block = 0; block < 300; ++block) {
        run(sender, Channels(512, 1.0f));
        out = run(listener, Channels(512, 1.0f));
    }
    EXPECT_NEAR(out.left.back(), kSettled48Db, 1e-4);
    EXPECT_NEAR(listener.getParameter(qm::ParamMeter), 0.99602, 1e-4);

    listener.setParameter(qm::ParamDuckKey, 0.0f);
    run(sender, Channels(512, 1.0f));
    out = run(listener, Channels(512, 1.0f));
    EXPECT_NEAR(out.right.back(), 1.0 - kSettled48Db, 1e-4);

    listener.setParameter(qm::ParamBypass, 1.0f);
    out = run(listener, Channels(512, 0.5f));
    EXPECT_EQ(out.left.back(), 0.5f);
    EXPECT_EQ(listener.getParameter(qm::ParamMeter), 0.0f);
}

// A fifth instance gets no slot and passes its audio through unchanged; once the four are gone the
// next instance gets Alpha again.
inline void expectAFifthInstancePassesAudioThroughUnchanged(const PluginModule& module) {
    std::vector<std::unique_ptr<Plugin>> plugins;
    for (int i = 0; i < 5; ++i) plugins.push_back(std::make_unique<Plugin>(module.create()));
    const Plugin& fifth = *plugins[4];
    EXPECT_EQ(fifth.getParameter(qm::ParamOwnSlot), 6.0f);
    fifth.setParameter(qm::ParamBypass, 0.0f);
    fifth.setParameter(qm::ParamInputAlpha, 1.0f);
    run(*plugins[0], Channels(256, 1.0f));
    Channels input(256);
    for (int i = 0; i < 256; ++i) {
        input.left[static_cast<std::size_t>(i)] = std::sin(0.05f * static_cast<float>(i));
        input.right[static_cast<std::size_t>(i)] = -input.left[static_cast<std::size_t>(i)];
    }
    const Channels out = run(fifth, input);
    EXPECT_EQ(out.left, input.left);
    EXPECT_EQ(out.right, input.right);

    plugins.clear();
    Plugin next(module.create());
    EXPECT_EQ(next.getParameter(qm::ParamOwnSlot), 0.0f);
}

}  // namespace qmhost::checks
