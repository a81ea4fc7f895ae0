#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/EnvelopeDetector.h"

namespace qm {
namespace {

constexpr double kSettled48Db = 0.0039810717055349725;  // 10^(-48/20)

double dbToGain(double db) { return std::pow(10.0, db / 20.0); }

EnvelopeDetector duckingDetector(double attackMs, double releaseMs) {
    EnvelopeDetector detector;
    detector.setSampleRate(44100.0);
    detector.setAttack(attackMs);
    detector.setRatio(0.0);
    detector.setRelease(releaseMs);
    detector.setThreshold(-48.0);
    return detector;
}

TEST(TimeConstant, CoefficientDecaysAStepToOneOverEInOneTimeConstant) {
    EXPECT_NEAR(TimeConstant(10.0, 44100.0).getCoefficient(), 0.9977350, 1e-7);
    EXPECT_NEAR(TimeConstant(100.0, 44100.0).getCoefficient(), 0.9997733, 1e-7);
    EXPECT_NEAR(TimeConstant(2.0, 44100.0).getCoefficient(), 0.9887262, 1e-7);
    TimeConstant slow(2000.0, 44100.0);
    slow.setSampleRate(48000.0);
    EXPECT_NEAR(slow.getCoefficient(), 0.99998958, 1e-8);
    EXPECT_EQ(slow.getTime(), 2000.0);
    EXPECT_EQ(slow.getSampleRate(), 48000.0);
}

TEST(TimeConstant, TimesOfNoSamplesFollowAtOnceAndNeverYieldNaN) {
    EXPECT_EQ(TimeConstant(0.0, 44100.0).getCoefficient(), 0.0);
    EXPECT_EQ(TimeConstant(-5.0, 44100.0).getCoefficient(), 0.0);
    EXPECT_EQ(TimeConstant(10.0, 0.0).getCoefficient(), 0.0);
    EXPECT_EQ(TimeConstant(std::nan(""), 44100.0).getCoefficient(), 0.0);
    EXPECT_EQ(TimeConstant(std::numeric_limits<double>::infinity(), 44100.0).getCoefficient(), 1.0);
}

TEST(EnvelopeDetector, AFreshDetectorHasRatioOneAndNeverDucks) {
    EnvelopeDetector detector;
    EXPECT_EQ(detector.getRatio(), 1.0);
    EXPECT_EQ(detector.getThreshold(), 0.0);
    EXPECT_EQ(detector.getAttack(), 10.0);
    EXPECT_EQ(detector.getRelease(), 100.0);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(detector.computeGain(1000.0), 1.0);
}

TEST(EnvelopeDetector, ALoudKeyPullsTheGainDownWithTheAttackTimeAndReleasesWithTheReleaseTime) {
    EnvelopeDetector detector = duckingDetector(10.0, 100.0);
    // After one attack time (441 frames) the overshoot has risen by 1 - 1/e of 48 dB.
    double gain = 1.0;
    for (int i = 0; i < 441; ++i) gain = detector.computeGain(1.0);
    EXPECT_NEAR(gain, dbToGain(-48.0 * (1.0 - std::exp(-1.0))), 1e-3);
    for (int i = 0; i < 44100; ++i) gain = detector.computeGain(1.0);
    EXPECT_NEAR(gain, kSettled48Db, 1e-9);

    // After one release time (4410 frames) of silence 48/e dB of reduction remain.
    for (int i = 0; i < 4410; ++i) gain = detector.computeGain(0.0);
    EXPECT_NEAR(gain, dbToGain(-48.0 * std::exp(-1.0)), 1e-3);
    for (int i = 0; i < 441000; ++i) gain = detector.computeGain(0.0);
    EXPECT_NEAR(gain, 1.0, 1e-9);
}

TEST(EnvelopeDetector, HalfScaleKeySettlesSixDecibelsHigher) {
    EnvelopeDetector detector = duckingDetector(2.0, 1.0);
    double gain = 1.0;
    for (int i = 0; i < 20000; ++i) gain = detector.computeGain(0.5);
    EXPECT_NEAR(gain, 0.0079621, 1e-6);
}

TEST(EnvelopeDetector, SilenceGivesNoInfinityAndResetForgetsTheEnvelope) {
    EnvelopeDetector detector = duckingDetector(10.0, 100.0);
    detector.setThreshold(-600.0);
    // -500 dB of silence over a -600 dB threshold: 100 dB overshoot approached with the attack.
    const double gain = detector.computeGain(0.0);
    EXPECT_TRUE(std::isfinite(gain));
    EXPECT_LT(gain, 1.0);

    EnvelopeDetector same = duckingDetector(0.0, 1e9);
    // An instant attack reaches the full reduction at once; a steady key then holds it.
    const double first = same.computeGain(1.0);
    EXPECT_NEAR(first, kSettled48Db, 1e-12);
    EXPECT_EQ(same.computeGain(1.0), first);
    same.reset();
    EXPECT_EQ(same.computeGain(0.0), 1.0);
}

TEST(EnvelopeDetector, NonFiniteKeysLeaveTheEnvelopeFiniteAndDuckingResumes) {
    EnvelopeDetector detector = duckingDetector(2.0, 50.0);
    double gain = 1.0;
    for (int i = 0; i < 5000; ++i) gain = detector.computeGain(1.0);
    const double settled = gain;
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
        gain = detector.computeGain(bad);
        EXPECT_TRUE(std::isfinite(gain));
        EXPECT_EQ(gain, settled);
    }
    for (int i = 0; i < 100; ++i) gain = detector.computeGain(1.0);
    EXPECT_NEAR(gain, kSettled48Db, 1e-9);
}

}  // namespace
}  // namespace qm
