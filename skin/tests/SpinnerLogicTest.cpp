#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "skin/SpinnerLogic.h"

using namespace skin;

namespace {

// The options dialog's scale field.
const SpinLimits kScale{0.001, 10000, 0.1, 3, false};

std::string shown(double v, int precision) {
    char out[kSpinTextSize];
    std::memset(out, 'x', sizeof out);
    formatSpinValue(out, v, precision);
    EXPECT_LT(std::strlen(out), kSpinTextSize);
    return out;
}

}  // namespace

TEST(spin_step, modifiers_clamping_and_wrapping) {
    const struct { bool ctrl, alt; const char* text; } steps[] = {
        {false, false, "1.1"}, {true, false, "2.0"}, {false, true, "1.01"}, {true, true, "1.01"}};  // Alt wins
    for (const auto& s : steps)
        EXPECT_EQ(shown(stepUpValue(1.0, 0.1 * stepFactor(s.ctrl, s.alt, 3), kScale), 3), s.text) << s.ctrl << s.alt;
    EXPECT_EQ(stepFactor(false, true, 0), 1.0);  // no decimals: Alt does nothing
    EXPECT_EQ(stepUpValue(9999.95, 1.0, kScale), 10000);
    EXPECT_EQ(stepDownValue(0.05, 1.0, kScale), 0.001);
    EXPECT_EQ(clampToRange(std::nan(""), kScale), 0.001);
    const SpinLimits digit{0, 9, 1, 0, true};
    EXPECT_EQ(stepUpValue(8, 3, digit), 1);
    EXPECT_EQ(stepUpValue(9, 35, digit), 4);  // longer than the range: 44 is 4 in a ten-value cycle
    EXPECT_EQ(stepDownValue(0, 35, digit), 5);
    const double huge = stepUpValue(9, 1e300, digit);
    EXPECT_TRUE(huge >= 0 && huge <= 9);
}

TEST(spin_text, trimmed_and_never_longer_than_the_buffer) {
    const struct { double v; int precision; const char* text; } cases[] = {
        {2.5, 3, "2.5"}, {3, 2, "3.0"}, {10, 0, "10"}, {0, 0, "0"}, {100, 3, "100.0"},
        {1.2345, 3, "1.234"},  // printf rounds the binary value 1.23449999...
        {1.0006, 3, "1.001"},
        {123456789012.5, 3, "123456789012.5"},     // 14 characters: fits
        {1234567890123.25, 3, "1234567890123.2"},  // loses a decimal (binary .25 rounds to even)
        {1e20, 3, "1e+20"}, {-1.2345678e300, 3, "-1.2345678e+300"},
        {std::numeric_limits<double>::max(), 15, "1.7976931e+308"},
        {std::numeric_limits<double>::infinity(), 3, "1e+308"}, {std::nan(""), 3, "0"}};
    for (const auto& c : cases) EXPECT_EQ(shown(c.v, c.precision), c.text) << c.v;
    char t[] = "1.000e+10";
    trimTrailingZeros(t);
    EXPECT_STREQ(t, "1.000e+10");
    char f[kSpinTextSize];
    for (const auto& p : {std::make_pair(3, "%.3f"), {-4, "%.0f"}, {32767, "%.15f"}}) {
        makeSpinFormat(f, p.first);
        EXPECT_STREQ(f, p.second);
    }
}

TEST(spin_input, typed_characters_and_reading_like_atof) {
    for (unsigned c : {8u, unsigned('0'), unsigned('9'), unsigned('.'), unsigned('-')}) EXPECT_TRUE(isSpinInputChar(c)) << c;
    for (unsigned c : {unsigned('a'), unsigned('e'), unsigned('+'), unsigned(' '), 13u, 27u, 0x100u + '1'})
        EXPECT_FALSE(isSpinInputChar(c)) << c;
    const double big = std::numeric_limits<double>::max();
    // No NaN or infinity can enter the value; at most 15 characters are read.
    const struct { const char* text; double v; } cases[] = {
        {"-5", -5}, {"2.5abc", 2.5}, {"  .5", 0.5}, {"5.", 5}, {"+7", 7}, {"1e3", 1000}, {"1e", 1},
        {"1.5e+", 1.5}, {"abc", 0}, {"-", 0}, {".", 0}, {"", 0}, {nullptr, 0}, {"nan", 0}, {"inf", 0},
        {"0x10", 0}, {"1234567890123456789", 123456789012345.0}, {"1e999", big}, {"-1e999", -big}, {"1e-999", 0}};
    for (const auto& c : cases) EXPECT_EQ(parseSpinText(c.text), c.v) << (c.text ? c.text : "null");
}
