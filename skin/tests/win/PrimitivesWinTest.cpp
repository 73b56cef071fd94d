#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "WinTestSupport.h"
#include "skin/SkinPrimitives.h"

TEST(skin_colors, slots_brushes_and_out_of_range_indices) {
    EXPECT_EQ(SkinColors::color(0), 0x00383838u);
    EXPECT_EQ(SkinColors::color(7), RGB(53, 70, 87));
    EXPECT_EQ(SkinColors::color(16), RGB(65, 65, 65));
    EXPECT_EQ(SkinColors::color(2), 0u);  // unused slots are black
    for (int bad : {18, -1}) {
        EXPECT_EQ(SkinColors::color(bad), 0u) << bad;
        EXPECT_EQ(SkinColors::brush(bad), nullptr) << bad;
    }
    HBRUSH a = SkinColors::brush(7);
    EXPECT_EQ(SkinColors::brush(7), a);  // cached
    LOGBRUSH lb{};
    ASSERT_TRUE(GetObjectA(a, sizeof lb, &lb));
    EXPECT_EQ(lb.lbColor, RGB(53, 70, 87));
    EXPECT_NE(SkinColors::brush(0), a);
}

TEST(skin_fonts, heights_follow_the_screen_and_96_dpi) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    LOGFONTA lf{}, gui{};
    ASSERT_TRUE(GetObjectA(SkinFonts::font(0), sizeof lf, &lf));
    EXPECT_EQ(lf.lfHeight, -MulDiv(8, dpi, 72));
    ASSERT_TRUE(GetObjectA(SkinFonts::font(1), sizeof lf, &lf));
    EXPECT_EQ(lf.lfHeight, -11);
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
    EXPECT_STREQ(lf.lfFaceName, gui.lfFaceName);
    EXPECT_EQ(SkinFonts::font(3), nullptr);
    EXPECT_EQ(SkinFonts::font(-1), nullptr);
}

TEST(skin_dib, create_draw_clip_blend_blit_and_destroy) {
    SkinDib d;
    ASSERT_TRUE(d.create(4, 3));
    d.fillAll(0, 0, 255);
    d.hLine(0, 0, 3, 255, 0, 0);
    d.vLine(3, 0, 2, 0, 255, 0);
    d.fillRect(-5, -5, 7, 8, 10, 10, 10);  // clipped to columns 0..1, rows 0..2
    SkinDib src;
    ASSERT_TRUE(src.create(1, 1));
    src.fillAll(200, 200, 200);
    d.blend(src, 0, 0, 128);  // (200 - 10) * 128 / 256 + 10
    SkinDib canvas;  // white, drawn on through a memory DC
    ASSERT_TRUE(canvas.create(10, 10));
    canvas.fillAll(255, 255, 255);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, canvas.bitmap);
    d.blitTo(dc, 2, 1);  // top-down: the top row lands at the top
    GdiFlush();
    SelectObject(dc, old);
    DeleteDC(dc);
    const struct { int x, y; uint32_t v; } probes[] = {
        {2, 1, 0x696969}, {3, 3, 0x0A0A0A}, {4, 1, 0xFF0000}, {5, 3, 0x00FF00},
        {4, 3, 0x0000FF}, {1, 1, 0xFFFFFF}, {2, 4, 0xFFFFFF}};
    for (const auto& p : probes) EXPECT_EQ(canvas.pixels[p.y * 10 + p.x] & 0xFFFFFFu, p.v) << p.x << "," << p.y;
    d.destroy();
    EXPECT_TRUE(d.empty());
    EXPECT_EQ(d.bitmap, nullptr);
    EXPECT_FALSE(d.create(0, 5));
    EXPECT_FALSE(d.create(70000, 1));  // width does not fit the 16-bit field
    d.fillRect(0, 0, 5, 5, 1, 2, 3);  // drawing on an empty image draws nothing
}

// Each skin bitmap as its .bmp file holds it (8 bits per pixel, rows bottom
// up and padded to 4 bytes, a palette of BGRA entries): its size and every
// pixel at its place in its colour.
TEST(skin_bitmaps, load_as_their_files_hold_them_and_missing_ones_fail) {
    wintest::setUpSkin();
    for (int id = 102; id <= 108; ++id) {
        SCOPED_TRACE(id);
        const std::string path = "Z:" VQ_SKIN_BITMAP_DIR "/skin_" + std::to_string(id) + ".bmp";
        std::ifstream in(path, std::ios::binary);
        const std::string bmp((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_GT(bmp.size(), 1078u) << path;
        auto byte = [&](size_t at) { return uint32_t{static_cast<uint8_t>(bmp[at])}; };
        auto u32 = [&](size_t at) { return byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24; };
        const int w = static_cast<int>(u32(18)), h = static_cast<int>(u32(22));
        const size_t bits = u32(10), stride = (w + 3) / 4 * 4;
        ASSERT_EQ(bmp[28], 8);
        const SkinDib* d = SkinBitmap(id);
        ASSERT_NE(d, nullptr);
        ASSERT_EQ(d->width, w);
        ASSERT_EQ(d->height, h);
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t entry = 54 + 4 * byte(bits + (h - 1 - y) * stride + x);
                wrong += (d->pixels[y * w + x] & 0xFFFFFFu) != (u32(entry) & 0xFFFFFFu);  // 0x00RRGGBB both
            }
        EXPECT_EQ(wrong, 0);
    }
    EXPECT_EQ(SkinBitmap(101), nullptr);
    EXPECT_EQ(SkinBitmap(109), nullptr);
    SkinDib d;
    ASSERT_TRUE(d.create(5, 5));
    EXPECT_FALSE(d.loadResource(GetModuleHandleA(nullptr), 4711));
    EXPECT_TRUE(d.empty());
    EXPECT_TRUE(d.loadResource(GetModuleHandleA(nullptr), 106));
    EXPECT_EQ(d.width, 9);
}
