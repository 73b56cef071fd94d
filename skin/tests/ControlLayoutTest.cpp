#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "skin/ControlLayout.h"

using namespace skin;

TEST(check_box_layout, box_left_or_right_and_vertical_placement) {
    const Rect client{0, 0, 120, 20};
    Rect box = checkBoxBoxRect(client, false, VerticalAlign::Centre);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 2);  // (20 - 13) / 2 - 1
    EXPECT_EQ(box.width(), 13);
    EXPECT_EQ(box.height(), 13);
    EXPECT_EQ(checkBoxBoxRect(client, true, VerticalAlign::Top).left, 107);
    EXPECT_EQ(checkBoxBoxRect(client, true, VerticalAlign::Top).top, 1);
    EXPECT_EQ(checkBoxBoxRect(client, false, VerticalAlign::Bottom).top, 4);
}

TEST(check_box_layout, text_beside_the_box) {
    const Rect client{0, 0, 120, 20};
    Rect t = checkBoxTextRect(client, false, VerticalAlign::Centre, 13);
    EXPECT_EQ(t.left, 18);
    EXPECT_EQ(t.right, 120);
    EXPECT_EQ(t.top, 2);
    EXPECT_EQ(t.bottom, 15);
    t = checkBoxTextRect(client, true, VerticalAlign::Bottom, 13);
    EXPECT_EQ(t.left, 0);
    EXPECT_EQ(t.right, 102);
    EXPECT_EQ(t.top, 4);
}

TEST(group_box, title_colour_wraps_modulo_255) {
    Rgb t = groupTitleColor({56, 56, 56});
    EXPECT_EQ(t.r, 156);
    EXPECT_EQ(t.g, 146);
    EXPECT_EQ(t.b, 131);
    t = groupTitleColor({200, 165, 180});
    EXPECT_EQ(t.r, 45);  // 300 mod 255
    EXPECT_EQ(t.g, 0);   // 255 mod 255
    EXPECT_EQ(t.b, 0);
}

TEST(skin_fonts, heights_at_96_and_120_dpi) {
    EXPECT_EQ(skinFontHeight(0, 96), -11);   // 10.67 rounds to 11
    EXPECT_EQ(skinFontHeight(0, 120), -13);  // 13.33
    EXPECT_EQ(skinFontHeight(1, 120), -11);
    EXPECT_EQ(skinFontHeight(0, 144), -16);
    EXPECT_EQ(skinFontHeight(5, 96), 0);
}

TEST(progress, inner_rect_and_fill_width) {
    Rect in = progressInnerRect({0, 0, 106, 20});
    EXPECT_EQ(in.left, 2);
    EXPECT_EQ(in.right, 103);
    EXPECT_EQ(in.width(), 101);
    EXPECT_EQ(in.top, 2);
    EXPECT_EQ(in.bottom, 18);
    EXPECT_EQ(progressFillWidth(101, 0.5f), 50);
    EXPECT_EQ(progressFillWidth(101, 1.5f), 101);
    EXPECT_EQ(progressFillWidth(101, 1.0f), 101);
    EXPECT_EQ(progressFillWidth(101, -0.2f), 0);
    EXPECT_EQ(progressFillWidth(101, std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(progressFillWidth(101, std::numeric_limits<float>::infinity()), 101);
    EXPECT_EQ(progressFillWidth(-4, 0.5f), 0);
}

TEST(progress, clamp_fraction) {
    EXPECT_EQ(clampFraction(1.5f), 1.0f);
    EXPECT_EQ(clampFraction(-0.2f), 0.0f);
    EXPECT_EQ(clampFraction(0.25f), 0.25f);
    EXPECT_EQ(clampFraction(std::nanf("")), 0.0f);
}
