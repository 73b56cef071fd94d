#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "skin/SpinnerLogic.h"

using namespace skin;

namespace {

SpinLimits scaleLimits() {  // the options dialog's scale field
    SpinLimits l;
    l.minimum = 0.001;
    l.maximum = 10000;
    l.step = 0.1;
    l.precision = 3;
    return l;
}

std::string shown(double v, int precision) {
    char out[kSpinTextSize];
    std::memset(out, 'x', sizeof out);
    formatSpinValue(out, v, precision);
    EXPECT_LT(std::strlen(out), kSpinTextSize);
    return out;
}

}  // namespace

TEST(spin_step, modifiers_change_the_step) {
    const SpinLimits l = scaleLimits();
    EXPECT_EQ(shown(stepUpValue(1.0, l.step * stepFactor(false, false, 3), l), 3), "1.1");
    EXPECT_EQ(shown(stepUpValue(1.0, l.step * stepFactor(true, false, 3), l), 3), "2.0");
    EXPECT_EQ(shown(stepUpValue(1.0, l.step * stepFactor(false, true, 3), l), 3), "1.01");
    EXPECT_EQ(stepFactor(true, true, 3), 0.1);  // Alt wins
    EXPECT_EQ(stepFactor(false, true, 0), 1.0);  // no decimals: Alt does nothing
}

TEST(spin_step, clamps_at_the_ends_without_wrap) {
    const SpinLimits l = scaleLimits();
    EXPECT_EQ(stepUpValue(10000, 0.1, l), 10000);
    EXPECT_EQ(stepUpValue(9999.95, 1.0, l), 10000);
    EXPECT_EQ(stepDownValue(0.001, 0.1, l), 0.001);
    EXPECT_EQ(stepDownValue(0.05, 1.0, l), 0.001);
}

TEST(spin_step, wraps_round_an_integer_range) {
    SpinLimits l;
    l.minimum = 0;
    l.maximum = 9;
    l.step = 1;
    l.wrap = true;
    EXPECT_EQ(stepUpValue(9, 1, l), 0);
    EXPECT_EQ(stepDownValue(0, 1, l), 9);
    EXPECT_EQ(stepUpValue(8, 3, l), 1);
    // Steps longer than the range stay inside it.
    const double far = stepUpValue(9, 35, l);
    EXPECT_GE(far, 0);
    EXPECT_LE(far, 9);
    EXPECT_EQ(far, 4);  // 44 is 4 in a ten-value cycle
    EXPECT_EQ(stepDownValue(0, 35, l), 5);
    const double huge = stepUpValue(9, 1e300, l);
    EXPECT_TRUE(huge >= 0 && huge <= 9);
}

TEST(spin_step, clamp_catches_nan) {
    const SpinLimits l = scaleLimits();
    EXPECT_EQ(clampToRange(std::nan(""), l), 0.001);
    EXPECT_EQ(clampToRange(-5, l), 0.001);
    EXPECT_EQ(clampToRange(1e9, l), 10000);
}

TEST(spin_text, trims_trailing_zeros_but_keeps_one_decimal) {
    EXPECT_EQ(shown(2.5, 3), "2.5");
    EXPECT_EQ(shown(3, 2), "3.0");
    EXPECT_EQ(shown(10, 0), "10");
    EXPECT_EQ(shown(0, 0), "0");
    EXPECT_EQ(shown(100, 3), "100.0");
    EXPECT_EQ(shown(1.2345, 3), "1.234");  // printf rounds the binary value 1.23449999...
    EXPECT_EQ(shown(1.0006, 3), "1.001");
    char t[] = "1.000e+10";
    trimTrailingZeros(t);
    EXPECT_STREQ(t, "1.000e+10");
}

TEST(spin_text, format_string_from_precision) {
    char f[kSpinTextSize];
    makeSpinFormat(f, 3);
    EXPECT_STREQ(f, "%.3f");
    makeSpinFormat(f, -4);
    EXPECT_STREQ(f, "%.0f");
    makeSpinFormat(f, 32767);
    EXPECT_STREQ(f, "%.15f");
}

TEST(spin_text, huge_values_never_overflow_the_buffer) {
    EXPECT_EQ(shown(123456789012.5, 3), "123456789012.5");    // 14 characters: fits
    EXPECT_EQ(shown(1234567890123.25, 3), "1234567890123.2"); // loses a decimal (binary .25 rounds to even)
    EXPECT_EQ(shown(1e20, 3), "1e+20");
    EXPECT_EQ(shown(-1.2345678e300, 3), "-1.2345678e+300");
    EXPECT_EQ(shown(std::numeric_limits<double>::max(), 15), "1.7976931e+308");
    EXPECT_EQ(shown(std::numeric_limits<double>::infinity(), 3), "1e+308");
    EXPECT_EQ(shown(std::nan(""), 3), "0");
    // The shown text reads back as (almost) the value.
    EXPECT_NEAR(parseSpinText(shown(1e20, 3).c_str()), 1e20, 1e12);
}

TEST(spin_input, only_digits_point_minus_and_backspace) {
    for (unsigned c : {8u, unsigned('0'), unsigned('9'), unsigned('.'), unsigned('-')}) EXPECT_TRUE(isSpinInputChar(c)) << c;
    for (unsigned c : {unsigned('a'), unsigned('e'), unsigned('+'), unsigned(' '), 13u, 27u, 0x100u + '1'})
        EXPECT_FALSE(isSpinInputChar(c)) << c;
}

TEST(spin_input, reads_the_leading_number_like_atof) {
    EXPECT_EQ(parseSpinText("-5"), -5.0);
    EXPECT_EQ(parseSpinText("2.5abc"), 2.5);
    EXPECT_EQ(parseSpinText("  .5"), 0.5);
    EXPECT_EQ(parseSpinText("5."), 5.0);
    EXPECT_EQ(parseSpinText("+7"), 7.0);
    EXPECT_EQ(parseSpinText("1e3"), 1000.0);
    EXPECT_EQ(parseSpinText("1e"), 1.0);
    EXPECT_EQ(parseSpinText("1.5e+"), 1.5);
    EXPECT_EQ(parseSpinText("abc"), 0.0);
    EXPECT_EQ(parseSpinText("-"), 0.0);
    EXPECT_EQ(parseSpinText("."), 0.0);
    EXPECT_EQ(parseSpinText(""), 0.0);
    EXPECT_EQ(parseSpinText(nullptr), 0.0);
    // Not numbers to atof's decimal grammar here: no NaN can enter the value.
    EXPECT_EQ(parseSpinText("nan"), 0.0);
    EXPECT_EQ(parseSpinText("inf"), 0.0);
    EXPECT_EQ(parseSpinText("0x10"), 0.0);
}

TEST(spin_input, reads_at_most_15_characters_and_saturates) {
    EXPECT_EQ(parseSpinText("1234567890123456789"), 123456789012345.0);
    EXPECT_EQ(parseSpinText("1e999"), std::numeric_limits<double>::max());
    EXPECT_EQ(parseSpinText("-1e999"), -std::numeric_limits<double>::max());
    EXPECT_EQ(parseSpinText("1e-999"), 0.0);
}

TEST(spin_drag, five_pixels_per_step_and_upward_positive) {
    EXPECT_EQ(dragSteps(100, 88), 2);
    EXPECT_EQ(dragSteps(100, 96), 0);
    EXPECT_EQ(dragSteps(100, 95), 1);
    EXPECT_EQ(dragSteps(100, 107), -1);
    EXPECT_EQ(dragSteps(100, 104), 0);
}
