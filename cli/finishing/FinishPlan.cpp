#include "cli/finishing/FinishPlan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace qmduck {
namespace {

std::string decibels(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

float linear(double db) { return static_cast<float>(std::pow(10.0, db / 20.0)); }

PassSettings mixing(const Finishing& f) {
    PassSettings pass;
    pass.mix = f.mix;
    pass.inputGain = linear(f.inputGainDb);
    pass.keyGain = linear(f.keyGainDb);
    return pass;
}

}  // namespace

FinishPlan::FinishPlan(const Finishing& finishing, EncodedType output) : finishing(finishing), encoded(output) {}

double FinishPlan::expectedShiftLu(EncodedType type, int bitrateKbps) {
    // LAME at up to 192 kbps gives back its input about 0.4 LU quieter, pure tones included.
    return type == EncodedType::Mp3 && (bitrateKbps == 0 || bitrateKbps <= 192) ? 0.4 : 0.0;
}

double FinishPlan::lossyMarginDb(EncodedType type) {
    switch (type) {
    case EncodedType::M4a: return 1.5;
    case EncodedType::OggOpus:
    case EncodedType::WebmOpus: return 0.9;
    case EncodedType::Mp3: return 0.5;
    case EncodedType::None: break;
    }
    return 0.0;
}

double FinishPlan::writingCost(EncodedType type) {
    // Measured on the bench's twenty minutes: the encoder dominates a writing pass.
    return type == EncodedType::None ? 1.5 : 8.0;
}

std::string FinishPlan::measure(const DuckOptions& options, Sources& sources, int channels, ProgressBar& progress) {
    const int rateHz = sources.input->sampleRateHz();
    // The model's own K-weighted energies give the loudness too: one meter, not two.
    model = std::make_unique<LimitedLoudness>(channels, rateHz, qm::LimiterSettings{});
    PassSettings pass = mixing(finishing);
    pass.limitedLoudness = model.get();
    // The encoder's trial takes a stretch from the middle, where the episode is under way.
    const std::int64_t expected = sources.input->expectedFrames();
    const auto probeFrames = static_cast<std::int64_t>(EncoderProbe::kStretchSeconds * rateHz);
    EncoderProbe probe(expected > probeFrames ? (expected - probeFrames) / 2 : 0, rateHz);
    if (encoded != EncodedType::None) pass.encoderProbe = &probe;
    qm::StreamDucker engine = fileDucker(static_cast<float>(rateHz), options.parameters, options.shaping);
    DuckStream stream(sources, engine, pass, progress);
    stream.setLookahead(std::llround(options.shaping.lookaheadMs * rateHz / 1000.0));
    if (std::string problem = stream.run(); !problem.empty()) {
        progress.clear();
        return problem;
    }
    measuredLufs = model->integratedLufs();
    const double target = finishing.loudnessLufs;
    if (!std::isfinite(measuredLufs)) {
        remark = "no measurable loudness (silent, or everything below -70 LUFS): the level is left as it is";
        gainDb = 0.0;
        return {};
    }
    encoderShiftLu = expectedShiftLu(encoded, finishing.bitrateKbps);
    gainDb = gainFor(*model, target + encoderShiftLu);
    if (encoded != EncodedType::None && !probe.empty()) {
        if (std::string problem = tryEncoder(*model, probe, channels); !problem.empty()) return problem;
    }
    if (gainDb > kMaxGainDb) {
        remark = "its loudness is " + decibels("%.1f LUFS", measuredLufs) + ": raised by " +
                 decibels("%.0f dB", kMaxGainDb) + " only (the most --loudness raises), to " +
                 decibels("%.1f LUFS", measuredLufs + kMaxGainDb);
        gainDb = kMaxGainDb;
    }
    const double ceiling = finishing.ceilingDbtp();
    const double needDb = model->truePeakDb() + gainDb - ceiling;
    if (needDb > kMaxLimitingDb) {
        refused = true;
        return "--true-peak: " + decibels("%.1f LUFS", target) + " under " + decibels("%.1f dBTP", ceiling) +
               " would take " + decibels("%.1f dB", needDb) + " off the peaks, more than the limiter's " +
               decibels("%.0f dB", kMaxLimitingDb) + "; lower --loudness or raise --true-peak";
    }
    return {};
}

std::string FinishPlan::tryEncoder(const LimitedLoudness& model, const EncoderProbe& probe, int channels) {
    const double ceiling = finishing.ceilingDbtp();
    for (int trial = 0; trial < kMostEncoderTrials; ++trial) {
        const double triedGainDb = gainDb;
        const EncoderProbe::Result tried =
            probe.run(encoded, channels, finishing.bitrateKbps, gainDb, limiterCeilingDb());
        if (!tried.error.empty()) return "cannot try the encoder: " + tried.error;
        // A silent stretch tells nothing; the tables' figures stand.
        if (!std::isfinite(tried.limitedLufs) || !std::isfinite(tried.decodedLufs)) return {};
        encoderShiftLu = tried.limitedLufs - tried.decodedLufs;
        bool changed = false;
        const double overDb = tried.decodedPeakDb - (ceiling - kEstimateMarginDb);
        if (!std::isnan(ceiling) && overDb > 0.0) {
            extraMarginDb += overDb + kEstimateMarginDb;
            changed = true;
        }
        gainDb = gainFor(model, finishing.loudnessLufs + encoderShiftLu);
        // What the encoder takes off is a property of the material: at a gain this close to the
        // one tried it takes the same, and another trial would only confirm it.
        if (std::fabs(gainDb - triedGainDb) > kTrialGainStepDb) changed = true;
        if (!changed) break;
    }
    return {};
}

double FinishPlan::limiterCeilingDb() const {
    return finishing.ceilingDbtp() - kEstimateMarginDb - lossyMarginDb(encoded) - extraMarginDb;
}

double FinishPlan::gainFor(const LimitedLoudness& model, double targetLufs) const {
    // The loudness after the limiter rises with the gain, smoothly: regula falsi (Illinois)
    // between the gain that would do without limiting and one that needs far more limiting than
    // allowed. Each look at the model plays the limiter over the whole episode, so few looks
    // count: this takes six to nine where halving the interval took eighteen.
    const double open = targetLufs - measuredLufs;
    if (std::isnan(finishing.ceilingDbtp())) return open;
    const auto miss = [&](double gain) {
        return measuredLufs + gain - model.lossLu(gain, limiterCeilingDb()) - targetLufs;
    };
    double low = open;
    double high = open + 3.0 * kMaxLimitingDb;
    double missLow = miss(low);
    if (missLow >= 0.0) return low;
    double missHigh = miss(high);
    if (missHigh < 0.0) return high;
    int keptSide = 0;
    for (int step = 0; step < 40 && high - low > kGainToleranceDb; ++step) {
        const double gain = std::clamp((low * missHigh - high * missLow) / (missHigh - missLow), low, high);
        const double missed = miss(gain);
        if (std::fabs(missed) < kLoudnessToleranceLu) return gain;
        if (missed < 0.0) {
            low = gain;
            missLow = missed;
            // The same end kept twice: weigh it less, or the interval would close from one side.
            if (keptSide < 0) missHigh *= 0.5;
            keptSide = -1;
        } else {
            high = gain;
            missHigh = missed;
            if (keptSide > 0) missLow *= 0.5;
            keptSide = 1;
        }
    }
    return 0.5 * (low + high);
}

std::string FinishPlan::write(const DuckOptions& options, Sources& sources, qm::StreamDucker& engine, AudioSink& sink,
                              const std::vector<TraceSink*>& traces, int channels, int rateHz,
                              std::int64_t lookaheadFrames, ProgressBar& progress, bool checked) {
    ++writingPasses;
    LoudnessMeter meter(channels, rateHz);
    const bool measuring = finishing.hasLoudness() && !checked;
    std::string problem = stream(options, sources, engine, sink, traces, rateHz, lookaheadFrames, progress,
                                 measuring ? &meter : nullptr, &limitedDb);
    if (measuring) writtenLufs = meter.integratedLufs();
    return problem;
}

std::string FinishPlan::writeAlongside(const DuckOptions& options, Sources& sources, qm::StreamDucker& engine,
                                       AudioSink& sink, int rateHz, std::int64_t lookaheadFrames,
                                       ProgressBar& progress) const {
    return stream(options, sources, engine, sink, {}, rateHz, lookaheadFrames, progress, nullptr, nullptr);
}

std::string FinishPlan::stream(const DuckOptions& options, Sources& sources, qm::StreamDucker& engine, AudioSink& sink,
                               const std::vector<TraceSink*>& traces, int rateHz, std::int64_t lookaheadFrames,
                               ProgressBar& progress, LoudnessMeter* meter, double* deepestLimitingDb) const {
    PassSettings pass = mixing(finishing);
    pass.outputGain = linear(gainDb);
    pass.sink = &sink;
    pass.sinkName = options.outputPath == kStandardStream ? "standard output" : options.outputPath;
    pass.traces = traces;
    pass.meter = meter;
    std::optional<qm::PeakLimiter> limiter;
    if (!std::isnan(finishing.ceilingDbtp())) {
        qm::LimiterSettings settings;
        settings.ceilingDb = limiterCeilingDb();
        limiter.emplace(settings, rateHz);
        pass.limiter = &*limiter;
    }
    DuckStream stream(sources, engine, pass, progress);
    stream.setLookahead(lookaheadFrames);
    std::string problem = stream.run();
    if (deepestLimitingDb != nullptr) *deepestLimitingDb = limiter ? limiter->deepestReductionDb() : 0.0;
    return problem;
}

std::string FinishPlan::verify(const EncodedCheck& check) {
    if (!check.error().empty()) return "cannot decode the encoded result again: " + check.error();
    writtenLufs = check.integratedLufs();
    decodedPeakDb = check.truePeakDb();
    return {};
}

bool FinishPlan::wantsAnotherTry(int attempt) {
    if (attempt == 0) {
        firstWrittenLufs = writtenLufs;
        firstPeakDb = decodedPeakDb;
    }
    if (attempt + 1 >= kMostWritingPasses) return false;
    bool again = false;
    const double ceiling = finishing.ceilingDbtp();
    if (!std::isnan(decodedPeakDb) && !std::isnan(ceiling) && decodedPeakDb > ceiling) {
        extraMarginDb += decodedPeakDb - ceiling + 0.1;
        again = true;
    }
    if (finishing.hasLoudness() && std::isfinite(writtenLufs) && std::isfinite(measuredLufs)) {
        const double missLu = finishing.loudnessLufs - writtenLufs;
        if (std::fabs(missLu) > kRetryLu && gainDb + missLu <= kMaxGainDb) {
            // The encoder took that much more (or less) than planned.
            encoderShiftLu += missLu;
            again = true;
        }
    }
    // The gain again through the limiter's model, so that a lower ceiling keeps the loudness.
    if (again && model && std::isfinite(measuredLufs)) gainDb = std::min(gainFor(*model, finishing.loudnessLufs + encoderShiftLu), kMaxGainDb);
    return again;
}

std::string FinishPlan::note() const {
    std::string text = remark;
    if (finishing.hasLoudness() && std::isfinite(writtenLufs)) {
        text += (text.empty() ? "" : "; ") + decibels("%.1f LUFS", writtenLufs) + " (gain " +
                decibels("%+.1f dB", gainDb) + ")";
    }
    const double ceiling = finishing.ceilingDbtp();
    if (!std::isnan(ceiling)) {
        text += (text.empty() ? "" : ", ") + std::string("limiter ") +
                (limitedDb > 0.05 ? decibels("up to %.1f dB", limitedDb) : std::string("idle")) + " under " +
                decibels("%.1f dBTP", ceiling);
        if (decodedPeakDb > ceiling + 0.1) {
            text += "; the encoder's own peaks still reach " + decibels("%.1f dBTP", decodedPeakDb);
        }
    }
    if (writingPasses > 1) {
        text += "; written " + std::to_string(writingPasses) + " times to correct it (the first came out at " +
                decibels("%.2f LUFS", firstWrittenLufs) +
                (std::isnan(firstPeakDb) ? std::string() : decibels(", %.2f dBTP", firstPeakDb)) + ")";
    }
    return text;
}

}  // namespace qmduck
