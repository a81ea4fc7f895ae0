#pragma once
// Runs the real processor (three senders and a listener on a key bus of their own) block by block
// beside the per-frame reference, and keeps the worst distance between them in float ulps. Used
// by the accuracy tests for every kernel variant and by the differential fuzz target.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "formats/vst2/DuckerEffect.h"
#include "engine/LocalKeyBus.h"
#include "support/RecordingHost.h"
#include "support/ReferenceDucker.h"

namespace qm::test {

// One block: the senders' and the listener's stereo inputs, what the listener listens to, its
// settings, and how the host calls it.
struct DifferentialBlock {
    std::array<std::vector<float>, 8> inputs;  // left, right of senders 0..2, then of the listener
    std::array<bool, 4> listening{};           // slots 0..2 are the senders', 3 the listener's own
    ReferenceSettings settings;
    bool accumulate = false;
    bool inPlace = false;  // replacing only
    std::vector<float> existing;  // what the outputs hold before an accumulating block (both channels)
};

struct DifferentialWorst {
    double sampleUlps = 0.0;
    double meterUlps = 0.0;
    bool outsideBuffers = false;  // a write beyond the block's frames
    std::string firstMiss;        // the worst sample beyond 1 ulp, described
};

class DifferentialHarness {
public:
    DifferentialHarness() {
        for (auto& sender : senders) sender = std::make_unique<DuckerEffect>(RecordingHost::callback, bus);
        listener = std::make_unique<DuckerEffect>(RecordingHost::callback, bus);
        // As hosts announce their largest block: every block fits the slots in one piece, so the
        // listener hears each sender's whole block.
        listener->setBlockSize(kLargestBlockFrames);
    }

    static constexpr std::int32_t kLargestBlockFrames = 8192;

    // Runs one block through the processor and the reference; updates `worst`.
    void run(const DifferentialBlock& block, DifferentialWorst& worst) {
        const auto frames = static_cast<std::int32_t>(block.inputs[6].size());
        std::array<std::vector<float>, 6> senderOut;
        for (int s = 0; s < 3; ++s) {
            senderOut[2 * s].assign(block.inputs[2 * s].size(), 0.0f);
            senderOut[2 * s + 1].assign(block.inputs[2 * s].size(), 0.0f);
            float* in[2] = {const_cast<float*>(block.inputs[2 * s].data()), const_cast<float*>(block.inputs[2 * s + 1].data())};
            float* out[2] = {senderOut[2 * s].data(), senderOut[2 * s + 1].data()};
            senders[s]->setSampleRate(static_cast<float>(block.settings.sampleRateHz));
            senders[s]->processReplacing(in, out, frames);
        }
        configureListener(block);
        // Outputs with guard values behind the block; in place, the inputs are the outputs.
        constexpr std::size_t kGuard = 8;
        const std::size_t n = static_cast<std::size_t>(frames);
        std::vector<float> listenerIn[2] = {block.inputs[6], block.inputs[7]};
        std::vector<float> listenerOut[2];
        float* in[2];
        float* out[2];
        for (std::size_t c = 0; c < 2; ++c) {
            listenerOut[c].assign(n + kGuard, 777.0f);
            if (block.accumulate) std::copy_n(block.existing.begin() + static_cast<std::ptrdiff_t>(c * n), n, listenerOut[c].begin());
            if (block.inPlace) std::copy_n(listenerIn[c].begin(), n, listenerOut[c].begin());
            in[c] = block.inPlace ? listenerOut[c].data() : listenerIn[c].data();
            out[c] = listenerOut[c].data();
        }
        if (block.accumulate) listener->process(in, out, frames);
        else listener->processReplacing(in, out, frames);

        reference.configure(block.settings);
        for (std::size_t i = 0; i < n; ++i) {
            float keyLeft = 0.0f;
            float keyRight = 0.0f;
            for (int k = 0; k < 4; ++k) {
                if (!block.listening[static_cast<std::size_t>(k)]) continue;
                keyLeft += block.inputs[static_cast<std::size_t>(2 * k)][i];
                keyRight += block.inputs[static_cast<std::size_t>(2 * k + 1)][i];
            }
            const long double factor = reference.step(keyLeft, keyRight);
            for (std::size_t c = 0; c < 2; ++c) {
                const long double x = block.inputs[static_cast<std::size_t>(6 + c)][i];
                const long double contribution = factor * x;
                const long double expected = block.accumulate ? contribution + block.existing[c * n + i] : contribution;
                // An infinite input times a factor that has settled to exactly 0 gives NaN where exact
                // arithmetic, with a factor below 1e-90, gives infinity: both are not finite.
                const bool bothNonFinite = !std::isfinite(x) && !std::isfinite(listenerOut[c][i]);
                // Accumulating, the error counts at the scale of the plug-in's own contribution when that
                // is larger than the sum: what the host's buffer held cancelling it is not ours to round.
                const long double scale = std::max(std::fabs(expected), std::fabs(contribution));
                const double ulps = bothNonFinite ? 0.0 : ulpsFrom(listenerOut[c][i], expected, scale);
                if (ulps > worst.sampleUlps && ulps > 1.0) {
                    char text[300];
                    std::snprintf(text, sizeof text, "frame %zu of %zu, channel %zu: %.9g for %.12Lg (input %.9Lg, factor %.12Lg, %.2f ulp, %s%s, threshold %g)",
                                  i, n, c, static_cast<double>(listenerOut[c][i]), expected, x, factor, ulps,
                                  block.settings.key ? "key" : "duck", block.accumulate ? " accumulating" : "",
                                  static_cast<double>(block.settings.threshold));
                    worst.firstMiss = text;
                }
                worst.sampleUlps = std::max(worst.sampleUlps, ulps);
            }
        }
        for (int c = 0; c < 2; ++c) {
            worst.outsideBuffers |= std::any_of(listenerOut[c].begin() + static_cast<std::ptrdiff_t>(n), listenerOut[c].end(),
                                                [](float v) { return v != 777.0f; });
        }
        if (frames > 0) {
            worst.meterUlps = std::max(worst.meterUlps, ulpsFrom(listener->getParameter(ParamMeter), reference.lastReduction()));
        }
    }

private:
    void configureListener(const DifferentialBlock& block) {
        listener->setSampleRate(static_cast<float>(block.settings.sampleRateHz));
        listener->setParameter(ParamBypass, 0.0f);
        for (int k = 0; k < 4; ++k) {
            const int slot = k < 3 ? senders[static_cast<std::size_t>(k)]->keySlot() : listener->keySlot();
            listener->setParameter(ParamInputAlpha + slot, block.listening[static_cast<std::size_t>(k)] ? 1.0f : 0.0f);
        }
        listener->setParameter(ParamAttack, block.settings.attack);
        listener->setParameter(ParamRelease, block.settings.release);
        listener->setParameter(ParamThreshold, block.settings.threshold);
        listener->setParameter(ParamDuckKey, block.settings.key ? 0.0f : 1.0f);
    }

    LocalKeyBus bus;
    std::array<std::unique_ptr<DuckerEffect>, 3> senders;
    std::unique_ptr<DuckerEffect> listener;
    ReferenceDucker reference;
};

}  // namespace qm::test
