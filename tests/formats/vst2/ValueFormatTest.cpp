#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "formats/vst2/base/ValueFormat.h"

namespace qm {
namespace {

std::string floatText(double value) {
    char text[16];
    std::fill(std::begin(text), std::end(text), 'x');
    formatFloatText(static_cast<float>(value), text);
    return text;
}

TEST(ValueFormat, FloatTextFillsEightCharactersAndCutsDigits) {
    EXPECT_EQ(floatText(0.0), "0.000000");
    EXPECT_EQ(floatText(0.5), "0.500000");
    EXPECT_EQ(floatText(1.0), "1.000000");
    EXPECT_EQ(floatText(0.999), "0.999000");
    EXPECT_EQ(floatText(6.0), "6.000000");
    EXPECT_EQ(floatText(-0.25), "-0.25000");
    EXPECT_EQ(floatText(-48.0), "-48.0000");
    EXPECT_EQ(floatText(123.456), "123.4560");
    EXPECT_EQ(floatText(1234567.0), "1234567.");
    EXPECT_EQ(floatText(0.7), "0.699999");
    EXPECT_EQ(floatText(0.19858247), "0.198582");
    EXPECT_EQ(floatText(1e-7), "0.000000");
}

TEST(ValueFormat, FloatTextKeepsEveryDigitOfTheWidestIntegersAndNamesWhatDoesNotFit) {
    EXPECT_EQ(floatText(12345678.0), "12345678");
    EXPECT_EQ(floatText(-1234567.0), "-1234567");
    EXPECT_EQ(floatText(-123456.0), "-123456.");
    EXPECT_EQ(floatText(1e9), "Huge!");
    EXPECT_EQ(floatText(std::numeric_limits<float>::infinity()), "Huge!");
    EXPECT_EQ(floatText(-1e8), "-Huge!");
    EXPECT_EQ(floatText(std::nan("")), "NaN");
}

TEST(ValueFormat, IntegerTextIsRightAlignedAndCut) {
    char text[16];
    formatIntegerText(99999999, text);
    EXPECT_STREQ(text, "99999999");
    formatIntegerText(100000000, text);
    EXPECT_STREQ(text, "Huge!");
    formatIntegerText(0, text);
    EXPECT_STREQ(text, "      0");
    formatIntegerText(-5, text);
    EXPECT_STREQ(text, "     -5");
    formatIntegerText(-123456789, text);
    EXPECT_STREQ(text, "-1234567");
}

TEST(ValueFormat, DecibelsHertzAndMilliseconds) {
    char text[16];
    formatDecibelsText(0.0f, text);
    EXPECT_STREQ(text, "-oo");
    formatDecibelsText(-1.0f, text);
    EXPECT_STREQ(text, "-oo");
    formatDecibelsText(1.0f, text);
    EXPECT_STREQ(text, "0.000000");
    formatDecibelsText(0.5f, text);
    EXPECT_STREQ(text, "-6.02059");
    formatDecibelsText(2.0f, text);
    EXPECT_STREQ(text, "6.020599");
    formatDecibelsText(1e-10f, text);
    EXPECT_STREQ(text, "-200.000");

    formatHertzText(0.0f, 44100.0f, text);
    EXPECT_STREQ(text, "0.000000");
    formatHertzText(441.0f, 44100.0f, text);
    EXPECT_STREQ(text, "100.0000");
    formatHertzText(100.0f, 44100.0f, text);
    EXPECT_STREQ(text, "441.0000");

    formatMillisecondsText(44100.0f, 44100.0f, text);
    EXPECT_STREQ(text, "1000.000");
    formatMillisecondsText(441.0f, 44100.0f, text);
    EXPECT_STREQ(text, "10.00000");
    formatMillisecondsText(1.0f, 44100.0f, text);
    EXPECT_STREQ(text, "0.022675");
}

}  // namespace
}  // namespace qm
