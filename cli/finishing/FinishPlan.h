#pragma once
// How a job reaches its loudness and true-peak ceiling. A first pass measures the integrated
// loudness of the mix and keeps what predicts the limiter (LimitedLoudness) and the encoder
// (EncoderProbe); nothing is written. The gain follows: the one whose loudness after the limiter
// is the target, plus what a trial of the encoder on a stretch of the mix shows it takes off, with
// the limiter's margin widened by the peaks the trial shows it adds. The writing pass applies it
// and measures what it writes (an encoded file as it decodes again, while it is encoded): that
// check confirms. Only should the loudness still be more than kRetryLu off the target, or the
// encoder's peaks over the ceiling, the writing pass runs again with the gain or the margin
// corrected, up to kMostWritingPasses times.

#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "cli/ducking/DuckStream.h"
#include "cli/finishing/LimitedLoudness.h"
#include "cli/options/DuckOptions.h"
#include "cli/writing/AudioSink.h"
#include "cli/writing/EncodedCheck.h"
#include "cli/writing/EncoderProbe.h"
#include "cli/writing/FfmpegEncoder.h"

namespace qmduck {

class FinishPlan {
public:
    // The most --loudness raises a quiet file, in dB: beyond it noise would be raised with it.
    static constexpr double kMaxGainDb = 30.0;
    // The most the limiter may take off the peaks, in dB; a target needing more is refused.
    static constexpr double kMaxLimitingDb = 12.0;
    // How far below the ceiling the limiter aims for a lossy output, in dB: about the encoder's
    // own overshoot, what its decoded peaks exceed its input's by at the default bitrates on
    // speech and music limited at the ceiling (LAME's MP3 up to 0.45 dB, Opus up to 0.85 dB and
    // FFmpeg's AAC up to 1.45 dB over twenty minutes of espeak-ng speech over music, once).
    static double lossyMarginDb(EncodedType type);
    // How much louder than the target the encoder is fed, in LU, before its trial: LAME's MP3 at
    // the usual bitrates gives its input back quieter.
    static double expectedShiftLu(EncodedType type, int bitrateKbps);
    // How far below the ceiling it aims otherwise: the interpolation's own error.
    static constexpr double kEstimateMarginDb = 0.05;
    // A written loudness this far (LU) from the target runs the writing pass again.
    static constexpr double kRetryLu = 0.3;
    // The most writing passes a job makes: the encoder's response to a changed gain or ceiling
    // is not always proportionate (FFmpeg's AAC can overshoot more at a slightly higher level).
    static constexpr int kMostWritingPasses = 3;
    // The most trials of the encoder on a stretch of the mix before writing; another follows only
    // when the limiter's margin grew or the gain moved more than kTrialGainStepDb (dB) from the
    // one tried.
    static constexpr int kMostEncoderTrials = 3;
    static constexpr double kTrialGainStepDb = 0.25;

    FinishPlan(const Finishing& finishing, EncodedType output);

    bool needsMeasuring() const { return finishing.hasLoudness(); }
    // Whether an encoded result is decoded again to check its loudness and peaks.
    bool needsVerifying() const { return finishing.hasLoudness() || !std::isnan(finishing.ceilingDbtp()); }
    // The first pass over `sources`; an error (a usage error when usageError()), or empty.
    std::string measure(const DuckOptions& options, Sources& sources, int channels, ProgressBar& progress);
    // What a writing pass to `type` costs against the measuring pass, for the progress bar.
    static double writingCost(EncodedType type);
    bool usageError() const { return refused; }

    // The writing pass into `sink`; an error naming the file, or empty. With `checked` the
    // written audio is not measured here: an EncodedCheck measures it as it decodes again.
    std::string write(const DuckOptions& options, Sources& sources, qm::StreamDucker& engine, AudioSink& sink,
                      const std::vector<TraceSink*>& traces, int channels, int rateHz, std::int64_t lookaheadFrames,
                      ProgressBar& progress, bool checked);
    // A pass beside write()'s, over sources and an engine of its own, into `sink`: the same audio,
    // for the later stretch of a split encoding (SplitEncoder); it measures nothing.
    std::string writeAlongside(const DuckOptions& options, Sources& sources, qm::StreamDucker& engine, AudioSink& sink,
                               int rateHz, std::int64_t lookaheadFrames, ProgressBar& progress) const;
    // Takes what `check` measured of the encoded file as a player decodes it (after the sink's
    // finish()): the encoder shifts the loudness a little and adds overshoot of its own. An
    // error, or empty.
    std::string verify(const EncodedCheck& check);
    // After a writing pass (`attempt` from 0): whether to write again with the gain and the
    // limiter's ceiling corrected by what the written (or decoded) file measured.
    bool wantsAnotherTry(int attempt);
    // What the run reached, for the user; empty without loudness or limiter.
    std::string note() const;

private:
    // Runs a writing pass: the gain, the limiter, `meter` (may be null) and `sink`; the limiter's
    // deepest reduction goes to `deepestLimitingDb` when it is not null.
    std::string stream(const DuckOptions& options, Sources& sources, qm::StreamDucker& engine, AudioSink& sink,
                       const std::vector<TraceSink*>& traces, int rateHz, std::int64_t lookaheadFrames,
                       ProgressBar& progress, LoudnessMeter* meter, double* deepestLimitingDb) const;
    // The ceiling the limiter aims at, in dBTP: the one asked for less the margins.
    double limiterCeilingDb() const;
    // Encodes a stretch of the mix at the planned gain and corrects the gain and the limiter's
    // margin by what the encoder did to it; an error, or empty.
    std::string tryEncoder(const LimitedLoudness& model, const EncoderProbe& probe, int channels);
    // The gain in dB that brings the measured loudness to `targetLufs` after the limiter, to
    // within kLoudnessToleranceLu or a gain interval of kGainToleranceDb.
    static constexpr double kLoudnessToleranceLu = 1e-4;
    static constexpr double kGainToleranceDb = 1e-4;
    double gainFor(const LimitedLoudness& model, double targetLufs) const;

    Finishing finishing;
    EncodedType encoded;
    bool refused = false;
    double gainDb = 0.0;
    double measuredLufs = 0.0;
    double writtenLufs = 0.0;
    double limitedDb = 0.0;
    // The decoded file's true peak in dBTP (NaN when not verified) and the limiter's extra margin.
    double decodedPeakDb = std::numeric_limits<double>::quiet_NaN();
    double extraMarginDb = 0.0;
    int writingPasses = 0;
    // What the first writing pass reached, for the note when it was written again.
    double firstWrittenLufs = 0.0;
    double firstPeakDb = std::numeric_limits<double>::quiet_NaN();
    // What the limiter will take off the loudness, from the measuring pass.
    std::unique_ptr<LimitedLoudness> model;
    // What the encoder takes off the loudness (LU).
    double encoderShiftLu = 0.0;
    std::string remark;
};

}  // namespace qmduck
