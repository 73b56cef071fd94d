#include <gtest/gtest.h>

#include <vector>

#include "skin/FrameGeometry.h"

using namespace skin;

namespace {

constexpr uint32_t kBack = pixelValue(56, 56, 56);
constexpr int W = 300;
constexpr int H = 200;

uint32_t grey(int v) { return pixelValue(v, v, v); }

struct Probe {
    int x, y;
    uint32_t v;
};

}  // namespace

TEST(window_shape, points_for_a_300_by_200_dialog) {
    EXPECT_EQ(captionStripEnd(118), 118);  // (118 - 117) / 2 truncates to 0
    const WindowShape s = windowShapeFor(W, H);
    EXPECT_EQ(s.captionStrip[1].x, 209);
    EXPECT_EQ(s.captionStrip[2].x, 216);
    EXPECT_EQ(s.body.top, 15);
    EXPECT_EQ(s.body.bottom, 195);
    EXPECT_EQ(s.bottomTab[0].x, 182);
    EXPECT_EQ(s.bottomTab[3].x, 268);
    EXPECT_EQ(s.bottomTab[3].y, 200);
}

TEST(hit_caption, bevels_and_bands_drag_the_inner_area_does_not) {
    // Inner area (5, 20) .. (295, 182), right and bottom excluded.
    const struct { int x, y; bool hit; } cases[] = {
        {3, 50, true},   {50, 50, false},  {50, 185, true},  {5, 20, false},  {5, 19, true},
        {294, 181, false}, {295, 100, true}, {100, 182, true}, {-3, 50, true}};
    for (const auto& c : cases) EXPECT_EQ(hitCaption(W, H, c.x, c.y), c.hit) << c.x << "," << c.y;
}

TEST(centring, on_the_owner_then_clamped_into_the_work_area) {
    const Rect work{0, 0, 1280, 1000};
    const struct { int w, h; Rect owner; int x, y; } cases[] = {
        {200, 100, {100, 100, 500, 300}, 200, 150},
        {300, 200, {1100, 400, 1500, 700}, 980, 450},  // owner half off the right edge
        {300, 200, {-300, -300, 100, 0}, 0, 0},
        {2000, 2000, {0, 0, 1280, 1000}, 0, 0}};       // larger than the work area: left/top win
    for (const auto& c : cases) {
        const Point p = centredPosition(c.w, c.h, c.owner, work);
        EXPECT_EQ(p.x, c.x) << c.owner.left;
        EXPECT_EQ(p.y, c.y) << c.owner.left;
    }
}

class FrameComposition : public ::testing::Test {
protected:
    std::vector<uint32_t> px = std::vector<uint32_t>(W * H, 0xDEADBEEFu);
    void compose(const FrameBitmaps& b, bool sizing = false) { composeFrame({px.data(), W, H}, b, sizing, kBack); }
    void expectPixels(std::initializer_list<Probe> probes) const {
        for (const Probe& p : probes) EXPECT_EQ(pixelAt({px.data(), W, H}, p.x, p.y), p.v) << p.x << "," << p.y;
    }
};

TEST_F(FrameComposition, bands_bevels_shadow_and_single_pixels) {
    compose(FrameBitmaps{});
    // Caption band (top) and bottom band, away from the bevels and bitmaps.
    const int rows[][2] = {{0, 56},  {8, 110}, {9, 86},  {10, 63}, {11, 56}, {15, 110}, {16, 86},
                           {17, 56}, {18, 38}, {19, 21}, {H - 17, 110}, {H - 16, 86}, {H - 15, 63},
                           {H - 14, 56}, {H - 9, 52}, {H - 8, 38}, {H - 7, 21}, {H - 1, 56}};
    for (const auto& r : rows) expectPixels({{50, r[0], grey(r[1])}});
    const int bevel[5] = {110, 86, 56, 38, 21};  // left and right edges
    for (int i = 0; i < 5; ++i) expectPixels({{i, 100, grey(bevel[i])}, {W - 6 + i, 100, grey(bevel[i])}});
    expectPixels({{50, 100, kBack}, {50, H - 18, kBack}, {W - 1, 100, kBack},
                  {5, 20, grey(10)}, {6, 21, kBack}, {4, 21, grey(21)},  // inner shadow, the left bevel stays
                  {W - 8, 23, kBack}, {W - 6, 22, grey(110)}, {6, H - 18, kBack}, {W - 9, H - 18, kBack}});
    // Tiny and empty images are safe.
    std::vector<uint32_t> tiny(3 * 2);
    composeFrame({tiny.data(), 3, 2}, FrameBitmaps{}, false, kBack);
    composeFrame({nullptr, 0, 0}, FrameBitmaps{}, true, kBack);
}

TEST_F(FrameComposition, bitmaps_placed_at_their_corners) {
    // Each bitmap a distinct flat colour; full alpha gives v * 255 / 256.
    std::vector<std::vector<uint32_t>> store;
    store.reserve(7);
    auto flat = [&](int w, int h, uint32_t v) {
        store.emplace_back(static_cast<size_t>(w) * h, v);
        return ConstPixelBuffer{store.back().data(), w, h};
    };
    const int c = 199;  // 200 * 255 / 256, rounded down
    const FrameBitmaps b{flat(123, 23, grey(200)),           flat(9, 12, pixelValue(0, 0, 200)),
                         flat(7, 9, pixelValue(0, 200, 0)),   flat(9, 12, pixelValue(200, 0, 0)),
                         flat(92, 13, pixelValue(200, 200, 0)), flat(7, 12, pixelValue(0, 200, 200)),
                         flat(10, 12, pixelValue(200, 0, 200))};
    compose(b);
    expectPixels({{122, 0, grey(c)}, {123, 0, grey(56)},
                  {207, 8, pixelValue(0, 0, c)}, {206, 8, grey(110)},  // 106 at (m - 2, 8) for W 300
                  {215, 19, pixelValue(0, 0, c)}, {216, 19, grey(21)},
                  {W - 8, 15, pixelValue(0, c, 0)}, {W - 2, 23, pixelValue(0, c, 0)},
                  {W - 8, 21, kBack},  // the shadow band covers 108's left column
                  {W - 7, 22, kBack},  // and the single pixels the next one
                  {W - 6, 22, pixelValue(0, c, 0)}, {0, H - 18, pixelValue(c, 0, 0)},
                  {W - 118, H - 13, pixelValue(c, c, 0)}, {W - 27, H - 1, pixelValue(c, c, 0)},
                  {W - 2, H - 7, pixelValue(0, c, c)},
                  {W - 11, H - 7, grey(21)}});  // 104 only with a sizing border
    compose(b, true);
    expectPixels({{W - 11, H - 7, pixelValue(c, 0, c)}, {W - 11, H - 18, kBack}});  // cleared after the bitmaps
}
