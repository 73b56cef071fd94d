#include <gtest/gtest.h>

#include <vector>

#include "skin/FrameGeometry.h"

using namespace skin;

namespace {

constexpr uint32_t kBack = pixelValue(56, 56, 56);

struct Canvas {
    std::vector<uint32_t> px;
    int w, h;
    Canvas(int w_, int h_) : px(static_cast<size_t>(w_) * h_, 0xDEADBEEFu), w(w_), h(h_) {}
    PixelBuffer buf() { return {px.data(), w, h}; }
    uint32_t at(int x, int y) const { return pixelAt({px.data(), w, h}, x, y); }
};

uint32_t grey(int v) { return pixelValue(v, v, v); }

}  // namespace

TEST(window_shape, caption_strip_end_for_300_wide_dialog) {
    EXPECT_EQ(captionStripEnd(300), 209);
    EXPECT_EQ(captionStripEnd(118), 118);  // (118 - 117) / 2 truncates to 0
    WindowShape s = windowShapeFor(300, 200);
    EXPECT_EQ(s.captionStrip[1].x, 209);
    EXPECT_EQ(s.captionStrip[2].x, 216);
    EXPECT_EQ(s.body.top, 15);
    EXPECT_EQ(s.body.bottom, 195);
    EXPECT_EQ(s.bottomTab[0].x, 182);
    EXPECT_EQ(s.bottomTab[3].x, 268);
    EXPECT_EQ(s.bottomTab[3].y, 200);
}

TEST(hit_caption, bevels_and_bands_drag_inner_area_does_not) {
    EXPECT_TRUE(hitCaption(300, 200, 3, 50));
    EXPECT_FALSE(hitCaption(300, 200, 50, 50));
    EXPECT_TRUE(hitCaption(300, 200, 50, 185));
    // Inner area (5, 20) .. (295, 182), right and bottom excluded.
    EXPECT_FALSE(hitCaption(300, 200, 5, 20));
    EXPECT_TRUE(hitCaption(300, 200, 5, 19));
    EXPECT_FALSE(hitCaption(300, 200, 294, 181));
    EXPECT_TRUE(hitCaption(300, 200, 295, 100));
    EXPECT_TRUE(hitCaption(300, 200, 100, 182));
    EXPECT_TRUE(hitCaption(300, 200, -3, 50));
}

TEST(centring, centred_on_owner_inside_work_area) {
    Rect work{0, 0, 1280, 1000};
    Point p = centredPosition(200, 100, Rect{100, 100, 500, 300}, work);
    EXPECT_EQ(p.x, 200);
    EXPECT_EQ(p.y, 150);
}

TEST(centring, owner_half_off_the_right_edge_puts_window_against_it) {
    Rect work{0, 0, 1280, 1000};
    Point p = centredPosition(300, 200, Rect{1100, 400, 1500, 700}, work);
    EXPECT_EQ(p.x, 980);
    EXPECT_EQ(p.y, 450);
    p = centredPosition(300, 200, Rect{-300, -300, 100, 0}, work);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    // Larger than the work area: the left and top edges win.
    p = centredPosition(2000, 2000, Rect{0, 0, 1280, 1000}, work);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
}

class FrameComposition : public ::testing::Test {
protected:
    static constexpr int W = 300;
    static constexpr int H = 200;
    Canvas img{W, H};
    FrameBitmaps none{};
    void compose(const FrameBitmaps& b, bool sizing = false) { composeFrame(img.buf(), b, sizing, kBack); }
};

TEST_F(FrameComposition, caption_band_rows) {
    compose(none);
    // Away from the bevels (x 50) and with no bitmaps.
    EXPECT_EQ(img.at(50, 0), grey(56));
    EXPECT_EQ(img.at(50, 8), grey(110));
    EXPECT_EQ(img.at(50, 9), grey(86));
    EXPECT_EQ(img.at(50, 10), grey(63));
    EXPECT_EQ(img.at(50, 11), grey(56));
    EXPECT_EQ(img.at(50, 15), grey(110));
    EXPECT_EQ(img.at(50, 16), grey(86));
    EXPECT_EQ(img.at(50, 17), grey(56));
    EXPECT_EQ(img.at(50, 18), grey(38));
    EXPECT_EQ(img.at(50, 19), grey(21));
    EXPECT_EQ(img.at(50, 100), kBack);
}

TEST_F(FrameComposition, bevel_columns_and_bottom_band) {
    compose(none);
    const int left[5] = {110, 86, 56, 38, 21};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(img.at(i, 100), grey(left[i])) << i;
        EXPECT_EQ(img.at(W - 6 + i, 100), grey(left[i])) << i;
    }
    EXPECT_EQ(img.at(W - 1, 100), kBack);
    EXPECT_EQ(img.at(50, H - 17), grey(110));
    EXPECT_EQ(img.at(50, H - 16), grey(86));
    EXPECT_EQ(img.at(50, H - 15), grey(63));
    EXPECT_EQ(img.at(50, H - 14), grey(56));
    EXPECT_EQ(img.at(50, H - 9), grey(52));
    EXPECT_EQ(img.at(50, H - 8), grey(38));
    EXPECT_EQ(img.at(50, H - 7), grey(21));
    EXPECT_EQ(img.at(50, H - 1), grey(56));
    EXPECT_EQ(img.at(50, H - 18), kBack);
}

TEST_F(FrameComposition, inner_shadow_and_single_pixels) {
    compose(none);
    EXPECT_EQ(img.at(5, 20), grey(10));
    EXPECT_EQ(img.at(6, 21), kBack);
    EXPECT_EQ(img.at(4, 21), grey(21));   // the left bevel stays
    EXPECT_EQ(img.at(W - 8, 23), kBack);
    EXPECT_EQ(img.at(W - 6, 22), grey(110));
    EXPECT_EQ(img.at(6, H - 18), kBack);
    EXPECT_EQ(img.at(W - 9, H - 18), kBack);
}

TEST_F(FrameComposition, bitmaps_placed_at_their_corners) {
    // Each bitmap a distinct flat colour; full alpha gives v * 255 / 256.
    auto flat = [](int w, int h, uint32_t v) { return std::vector<uint32_t>(static_cast<size_t>(w) * h, v); };
    auto p107 = flat(123, 23, grey(200));
    auto p106 = flat(9, 12, pixelValue(0, 0, 200));
    auto p108 = flat(7, 9, pixelValue(0, 200, 0));
    auto p105 = flat(9, 12, pixelValue(200, 0, 0));
    auto p103 = flat(92, 13, pixelValue(200, 200, 0));
    auto p102 = flat(7, 12, pixelValue(0, 200, 200));
    auto p104 = flat(10, 12, pixelValue(200, 0, 200));
    FrameBitmaps b;
    b.captionTab = {p107.data(), 123, 23};
    b.captionEnd = {p106.data(), 9, 12};
    b.topRight = {p108.data(), 7, 9};
    b.bottomLeft = {p105.data(), 9, 12};
    b.bottomTab = {p103.data(), 92, 13};
    b.bottomRight = {p102.data(), 7, 12};
    b.bottomRightGrip = {p104.data(), 10, 12};
    compose(b);
    const int c = 199;  // 200 * 255 / 256, rounded down
    EXPECT_EQ(img.at(122, 0), grey(c));
    EXPECT_EQ(img.at(123, 0), grey(56));
    // 106 at (m - 2, 8) = (207, 8) for W 300.
    EXPECT_EQ(img.at(207, 8), pixelValue(0, 0, c));
    EXPECT_EQ(img.at(206, 8), grey(110));
    EXPECT_EQ(img.at(215, 19), pixelValue(0, 0, c));
    EXPECT_EQ(img.at(216, 19), grey(21));
    EXPECT_EQ(img.at(W - 8, 15), pixelValue(0, c, 0));
    EXPECT_EQ(img.at(W - 2, 23), pixelValue(0, c, 0));
    EXPECT_EQ(img.at(W - 8, 21), kBack);  // the shadow band covers 108's left column
    EXPECT_EQ(img.at(W - 7, 22), kBack);  // and the single pixels the next one
    EXPECT_EQ(img.at(W - 6, 22), pixelValue(0, c, 0));
    EXPECT_EQ(img.at(0, H - 18), pixelValue(c, 0, 0));
    EXPECT_EQ(img.at(W - 118, H - 13), pixelValue(c, c, 0));
    EXPECT_EQ(img.at(W - 27, H - 1), pixelValue(c, c, 0));
    EXPECT_EQ(img.at(W - 2, H - 7), pixelValue(0, c, c));
    EXPECT_EQ(img.at(W - 11, H - 7), grey(21)) << "104 is not drawn without a sizing border";

    compose(b, true);
    EXPECT_EQ(img.at(W - 11, H - 7), pixelValue(c, 0, c));
    EXPECT_EQ(img.at(W - 11, H - 18), kBack);  // cleared after the bitmaps
}

TEST(frame_composition, tiny_and_empty_images_are_safe) {
    std::vector<uint32_t> px(3 * 2);
    composeFrame({px.data(), 3, 2}, FrameBitmaps{}, false, kBack);
    composeFrame({nullptr, 0, 0}, FrameBitmaps{}, true, kBack);
    SUCCEED();
}
