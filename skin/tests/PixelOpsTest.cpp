#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
    int count(uint32_t v) const { return static_cast<int>(std::count(px.begin(), px.end(), v)); }
};

const uint32_t k254 = pixelValue(254, 254, 254);

}  // namespace

TEST(fill_rect_and_lines, clipped_at_every_edge_and_never_outside) {
    Image img(100, 100);
    fillRect(img.buf(), -5, -5, 10, 10, 7);  // only the visible corner
    EXPECT_EQ(img.count(7), 25);
    EXPECT_EQ(img.at(4, 4), 7u);
    fillRect(img.buf(), 95, 0, 10, 1, 8);
    EXPECT_EQ(img.count(8), 5);
    fillRect(img.buf(), 0, 98, 1, 50, 9);
    EXPECT_EQ(img.count(9), 2);
    Image small(10, 10);
    for (const auto& r : {std::array<int, 4>{2, 2, 0, 5}, {2, 2, 5, -3}, {10, 0, 5, 5}, {-20, 0, 5, 5}})
        fillRect(small.buf(), r[0], r[1], r[2], r[3], 7);
    EXPECT_EQ(small.count(7), 0);
    fillRect(small.buf(), -100, -100, 2147483647, 2147483647, 3);  // no overflow in the clip
    fillRect(small.buf(), 5, 5, 2147483647, 2147483647, 4);
    EXPECT_EQ(small.count(4), 25);
    EXPECT_EQ(small.count(3), 75);
    fillRect(PixelBuffer{}, 0, 0, 5, 5, 1);  // an empty image draws nothing
    // Lines include both end points and clip.
    Image lines(10, 5);
    hLine(lines.buf(), 2, 1, 4, 7);
    vLine(lines.buf(), 9, 0, 3, 8);
    hLine(lines.buf(), -3, 4, 20, 9);
    hLine(lines.buf(), 0, 5, 9, 1);
    vLine(lines.buf(), -1, 0, 4, 1);
    EXPECT_EQ((std::array<int, 4>{lines.count(7), lines.count(8), lines.count(9), lines.count(1)}),
              (std::array<int, 4>{3, 4, 10, 0}));
}

TEST(blend, alpha_arithmetic_per_channel) {
    // (s - d) * alpha / 256 + d, channel by channel, the top byte kept.
    const struct { uint32_t d, s; int alpha; uint32_t out; } cases[] = {
        {pixelValue(100, 100, 100), pixelValue(200, 200, 200), 0, pixelValue(100, 100, 100)},
        {pixelValue(100, 100, 100), pixelValue(200, 200, 200), 128, pixelValue(150, 150, 150)},
        {0, pixelValue(255, 255, 255), 255, k254},  // full alpha darkens white over black
        {pixelValue(255, 200, 0), pixelValue(255, 10, 0), 255, pixelValue(255, 10, 0)},
        {0xAB000000u | pixelValue(0, 100, 200), pixelValue(200, 100, 0), 128, 0xAB000000u | pixelValue(100, 100, 100)},
        {0, pixelValue(255, 255, 255), 1000, k254},  // beyond 255 acts as 255
        {k254, 0, -5, k254}};                         // below 0 acts as 0
    for (const auto& c : cases) {
        Image dst(1, 1, c.d), src(1, 1, c.s);
        blend(dst.buf(), src.cbuf(), 0, 0, c.alpha);
        EXPECT_EQ(dst.at(0, 0), c.out) << std::hex << c.d << " " << c.s << " " << std::dec << c.alpha;
    }
}

TEST(blend, clipped_at_every_edge) {
    // A 9 x 12 source whose blue is ten times its column number + 1.
    Image src(9, 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 9; ++x) src.px[static_cast<size_t>(y) * 9 + x] = pixelValue(0, 0, 10 * (x + 1));
    Image dst(20, 20);
    blend(dst.buf(), src.cbuf(), -2, 0, 255);  // left columns skipped
    for (int x = 0; x < 7; ++x) EXPECT_EQ(dst.at(x, 5), pixelValue(0, 0, 10 * (x + 3) * 255 / 256)) << x;
    EXPECT_EQ(dst.at(7, 5), 0u);
    EXPECT_EQ(dst.at(0, 12), 0u);
    const Image white(4, 4, pixelValue(255, 255, 255));
    Image d(5, 5);
    for (int at : {3, 5, -4}) blend(d.buf(), white.cbuf(), at, at == 3 ? 3 : 0, 255);
    EXPECT_EQ(d.count(k254), 4);
    blend(d.buf(), ConstPixelBuffer{}, 0, 0, 255);
}
