#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "skin/ControlLayout.h"

using namespace skin;

TEST(check_box_layout, box_and_text_placement) {
    const Rect client{0, 0, 120, 20};
    const auto corners = [](Rect r) { return std::array<int, 4>{r.left, r.top, r.right, r.bottom}; };
    // 13 x 13, centred at (20 - 13) / 2 - 1; on the right for right-aligned buttons.
    EXPECT_EQ(corners(checkBoxBoxRect(client, false, VerticalAlign::Centre)), (std::array<int, 4>{0, 2, 13, 15}));
    EXPECT_EQ(corners(checkBoxBoxRect(client, true, VerticalAlign::Top)), (std::array<int, 4>{107, 1, 120, 14}));
    EXPECT_EQ(checkBoxBoxRect(client, false, VerticalAlign::Bottom).top, 4);
    EXPECT_EQ(corners(checkBoxTextRect(client, false, VerticalAlign::Centre, 13)),
              (std::array<int, 4>{18, 2, 120, 15}));
    EXPECT_EQ(corners(checkBoxTextRect(client, true, VerticalAlign::Bottom, 13)), (std::array<int, 4>{0, 4, 102, 17}));
}

TEST(skin_fonts, heights_by_dpi) {
    EXPECT_EQ(skinFontHeight(0, 96), -11);   // 10.67 rounds to 11
    EXPECT_EQ(skinFontHeight(0, 120), -13);  // 13.33
    EXPECT_EQ(skinFontHeight(0, 144), -16);
    EXPECT_EQ(skinFontHeight(1, 120), -11);
    EXPECT_EQ(skinFontHeight(5, 96), 0);
}

TEST(progress, inner_rect_clamp_and_fill_width) {
    const Rect in = progressInnerRect({0, 0, 106, 20});
    EXPECT_EQ((std::array<int, 4>{in.left, in.top, in.right, in.bottom}), (std::array<int, 4>{2, 2, 103, 18}));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct { float f; int fill; float clamped; } cases[] = {
        {0.5f, 50, 0.5f}, {1.0f, 101, 1.0f}, {1.5f, 101, 1.0f}, {-0.2f, 0, 0.0f}, {nan, 0, 0.0f},
        {std::numeric_limits<float>::infinity(), 101, 1.0f}};
    for (const auto& c : cases) {
        EXPECT_EQ(progressFillWidth(101, c.f), c.fill) << c.f;
        EXPECT_EQ(clampFraction(c.f), c.clamped) << c.f;
    }
    EXPECT_EQ(progressFillWidth(-4, 0.5f), 0);
}
