#include <gtest/gtest.h>

#include <vector>

#include "skin/PixelOps.h"

using namespace skin;

namespace {

struct Image {
    std::vector<uint32_t> px;
    int w, h;
    Image(int w_, int h_, uint32_t v = 0) : px(static_cast<size_t>(w_) * h_, v), w(w_), h(h_) {}
    PixelBuffer buf() { return {px.data(), w, h}; }
    ConstPixelBuffer cbuf() const { return {px.data(), w, h}; }
    uint32_t at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    int count(uint32_t v) const {
        int n = 0;
        for (uint32_t p : px) n += p == v;
        return n;
    }
};

}  // namespace

TEST(pixel_value, packs_low_bytes_red_high) {
    EXPECT_EQ(pixelValue(56, 56, 56), 0x383838u);
    EXPECT_EQ(pixelValue(1, 2, 3), 0x010203u);
    EXPECT_EQ(pixelValue(0x1FF, -1, 0x100), 0xFFFF00u);
}

TEST(fill_rect, negative_origin_fills_only_the_visible_corner) {
    Image img(100, 100);
    fillRect(img.buf(), -5, -5, 10, 10, 7);
    EXPECT_EQ(img.count(7), 25);
    EXPECT_EQ(img.at(4, 4), 7u);
    EXPECT_EQ(img.at(5, 0), 0u);
    EXPECT_EQ(img.at(0, 5), 0u);
}

TEST(fill_rect, right_and_bottom_edges_cut) {
    Image img(100, 100);
    fillRect(img.buf(), 95, 0, 10, 1, 7);
    EXPECT_EQ(img.count(7), 5);
    EXPECT_EQ(img.at(99, 0), 7u);
    fillRect(img.buf(), 0, 98, 1, 50, 9);
    EXPECT_EQ(img.count(9), 2);
}

TEST(fill_rect, empty_and_outside_and_huge_sizes_draw_nothing_or_stay_inside) {
    Image img(10, 10);
    fillRect(img.buf(), 2, 2, 0, 5, 7);
    fillRect(img.buf(), 2, 2, 5, -3, 7);
    fillRect(img.buf(), 10, 0, 5, 5, 7);
    fillRect(img.buf(), -20, 0, 5, 5, 7);
    EXPECT_EQ(img.count(7), 0);
    fillRect(img.buf(), -100, -100, 2147483647, 2147483647, 3);
    fillRect(img.buf(), 5, 5, 2147483647, 2147483647, 4);
    EXPECT_EQ(img.count(4), 25);
    EXPECT_EQ(img.count(3) + img.count(4), 100);
    fillRect(PixelBuffer{}, 0, 0, 5, 5, 1);  // an empty image draws nothing
    fillAll(PixelBuffer{}, 1);
}

TEST(lines, inclusive_end_points_and_safe_outside) {
    Image img(10, 5);
    hLine(img.buf(), 2, 1, 4, 7);
    EXPECT_EQ(img.count(7), 3);
    vLine(img.buf(), 9, 0, 4, 8);
    EXPECT_EQ(img.count(8), 5);
    hLine(img.buf(), -3, 4, 20, 9);
    EXPECT_EQ(img.count(9), 10);
    hLine(img.buf(), 0, 5, 9, 1);
    vLine(img.buf(), -1, 0, 4, 1);
    EXPECT_EQ(img.count(1), 0);
}

TEST(blend, alpha_zero_keeps_destination_and_half_averages) {
    Image dst(2, 1, pixelValue(100, 100, 100));
    Image src(2, 1, pixelValue(200, 200, 200));
    blend(dst.buf(), src.cbuf(), 0, 0, 0);
    EXPECT_EQ(dst.at(0, 0), pixelValue(100, 100, 100));
    blend(dst.buf(), src.cbuf(), 0, 0, 128);
    EXPECT_EQ(dst.at(1, 0), pixelValue(150, 150, 150));
}

TEST(blend, full_alpha_darkens_white_over_black_to_254) {
    Image dst(1, 1, 0);
    Image src(1, 1, pixelValue(255, 255, 255));
    blend(dst.buf(), src.cbuf(), 0, 0, 255);
    EXPECT_EQ(dst.at(0, 0), pixelValue(254, 254, 254));
    // (s - d) * 255 / 256 + d: 255 over 255 stays 255; 10 over 200 gives 10.
    Image d2(1, 1, pixelValue(255, 200, 0));
    Image s2(1, 1, pixelValue(255, 10, 0));
    blend(d2.buf(), s2.cbuf(), 0, 0, 255);
    EXPECT_EQ(d2.at(0, 0), pixelValue(255, 10, 0));
}

TEST(blend, channels_are_independent_and_top_byte_kept) {
    Image dst(1, 1, 0xAB000000u | pixelValue(0, 100, 200));
    Image src(1, 1, pixelValue(200, 100, 0));
    blend(dst.buf(), src.cbuf(), 0, 0, 128);
    EXPECT_EQ(dst.at(0, 0), 0xAB000000u | pixelValue(100, 100, 100));
}

TEST(blend, clipped_at_negative_position_skips_left_columns) {
    // A 9 x 12 source whose pixel value is its column number + 1.
    Image src(9, 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 9; ++x) src.px[static_cast<size_t>(y) * 9 + x] = pixelValue(0, 0, 10 * (x + 1));
    Image dst(20, 20);
    blend(dst.buf(), src.cbuf(), -2, 0, 255);
    for (int x = 0; x < 7; ++x) EXPECT_EQ(dst.at(x, 5), pixelValue(0, 0, 10 * (x + 3) * 255 / 256)) << x;
    EXPECT_EQ(dst.at(7, 5), 0u);
    EXPECT_EQ(dst.at(0, 12), 0u);
}

TEST(blend, clipped_at_right_bottom_and_odd_alphas) {
    Image src(4, 4, pixelValue(255, 255, 255));
    Image dst(5, 5);
    blend(dst.buf(), src.cbuf(), 3, 3, 255);
    EXPECT_EQ(dst.count(pixelValue(254, 254, 254)), 4);
    blend(dst.buf(), src.cbuf(), 5, 0, 255);
    blend(dst.buf(), src.cbuf(), -4, 0, 255);
    EXPECT_EQ(dst.count(pixelValue(254, 254, 254)), 4);
    Image d2(1, 1);
    blend(d2.buf(), src.cbuf(), 0, 0, 1000);  // alpha beyond 255 acts as 255
    EXPECT_EQ(d2.at(0, 0), pixelValue(254, 254, 254));
    blend(d2.buf(), src.cbuf(), 0, 0, -5);  // below 0 acts as 0
    EXPECT_EQ(d2.at(0, 0), pixelValue(254, 254, 254));
    blend(d2.buf(), ConstPixelBuffer{}, 0, 0, 255);
}
