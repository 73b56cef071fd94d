// The progress bar's fade blend and steps, and the message box's layout.
#include <gtest/gtest.h>

#include <cstdint>

#include "ui/logic/FadeBlend.h"
#include "ui/logic/MessageLayout.h"

using namespace ui;

namespace {

constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }
constexpr uint32_t kBackground = rgb(56, 56, 56);

}  // namespace

TEST(FadeBlend, ends_at_the_bar_colour_and_the_background_and_truncates_between) {
    const struct {
        uint32_t bar, back;
        float level;
        uint32_t expected;
    } cases[] = {
        {kProgressBarColor, kBackground, 1.0f, rgb(62, 145, 103)},
        {kProgressBarColor, kBackground, 0.0f, kBackground},
        // The fade's last step lands a hair below zero: still the background.
        {kProgressBarColor, kBackground, -7.4505806e-8f, kBackground},
        {kProgressBarColor, kBackground, 1.5f, rgb(62, 145, 103)},
        // 56 + 6 x 0.5 = 59, 56 + 89 x 0.5 = 100.5, 56 + 47 x 0.5 = 79.5.
        {kProgressBarColor, kBackground, 0.5f, rgb(59, 100, 79)},
        // The fade's fifth float level, a little under one half: red 56 + 2.99999 is cut to 58.
        {kProgressBarColor, kBackground, 0.49999991f, rgb(58, 100, 79)},
        // Toward a darker bar: 200 - 99 x 0.5 = 150.5 and 10 + 245 x 0.5 = 132.5, both cut down.
        {rgb(101, 255, 0), rgb(200, 10, 0), 0.5f, rgb(150, 132, 0)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(blendColor(c.bar, c.back, c.level), c.expected) << std::hex << c.bar << " " << c.back << " "
                                                                   << c.level;
}

TEST(FadeBlend, ten_float_steps_of_a_tenth_end_just_below_zero) {
    float level = kFadeStart;
    for (int step = 1; step <= 9; ++step) {
        level = nextFadeLevel(level);
        EXPECT_NEAR(level, 1.0 - step / 10.0, 1e-6) << step;
        EXPECT_GT(level, 0.0f) << step;
    }
    level = nextFadeLevel(level);
    // 0.1 is not exact in binary; the rounding errors of ten float steps add
    // up to -(2^-24 + 2^-26) = -7.450580596923828e-8.
    EXPECT_FLOAT_EQ(level, -7.450580596923828e-8f);
    EXPECT_LT(level, 0.0f);
}

TEST(MessageLayout, lines_are_split_at_newlines_without_empty_ones) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(messageLines("error while reading elevation-data"), Lines{"error while reading elevation-data"});
    EXPECT_EQ(messageLines("cannot create Import-thread\nsorry..."), (Lines{"cannot create Import-thread", "sorry..."}));
    EXPECT_EQ(messageLines("a\n\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(messageLines("\n\n"), Lines{});
    EXPECT_EQ(messageLines(""), Lines{});
    EXPECT_EQ(messageLines(nullptr), Lines{});
}

TEST(MessageLayout, box_grows_with_the_widest_line_and_the_line_count) {
    const struct {
        const char* name;
        std::vector<int> widths;
        MessageLayout expected;
    } cases[] = {
        // Narrower than 70: 70 + 109 wide, one line of 13 + 110 high;
        // button at (179 - 83) / 2 + 16 = 64 and 123 - 23 - 29 = 71.
        {"short", {40}, {179, 123, 64, 71}},
        // Two lines, the longer one 412: 521 wide, 2 x 13 + 110 = 136 high;
        // any line can be the widest.
        {"long", {412, 90}, {521, 136, 235, 84}},
        {"widest last", {90, 120, 412}, {521, 149, 235, 97}},
        {"no lines", {}, {179, 110, 64, 58}},
    };
    for (const auto& c : cases) {
        const MessageLayout l = layoutMessage(c.widths, 13, 83, 23);
        EXPECT_EQ(l.width, c.expected.width) << c.name;
        EXPECT_EQ(l.height, c.expected.height) << c.name;
        EXPECT_EQ(l.buttonX, c.expected.buttonX) << c.name;
        EXPECT_EQ(l.buttonY, c.expected.buttonY) << c.name;
    }
    // An odd remainder is cut: (180 - 83) / 2 = 48.
    EXPECT_EQ(layoutMessage({71}, 13, 83, 23).buttonX, 48 + 16);
}
