#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "skin/SkinPrimitives.h"

namespace {

// A memory DC drawing into a SkinDib, so painted pixels can be read back.
struct DibCanvas {
    SkinDib dib;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
    DibCanvas(int w, int h) {
        EXPECT_TRUE(dib.create(w, h));
        dib.fillAll(255, 255, 255);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, dib.bitmap);
    }
    ~DibCanvas() {
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    COLORREF at(int x, int y) {
        GdiFlush();
        const uint32_t v = skin::pixelAt(skin::asConst(dib.buffer()), x, y);
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
};

constexpr COLORREF kWhite = RGB(255, 255, 255);

}  // namespace

TEST(skin_colors, table_and_out_of_range_indices) {
    EXPECT_EQ(SkinColors::color(0), 0x00383838u);
    EXPECT_EQ(SkinColors::color(1), RGB(160, 160, 160));
    EXPECT_EQ(SkinColors::color(7), RGB(53, 70, 87));
    EXPECT_EQ(SkinColors::color(16), RGB(65, 65, 65));
    EXPECT_EQ(SkinColors::color(2), 0u);  // unused slots are black
    EXPECT_EQ(SkinColors::color(18), 0u);
    EXPECT_EQ(SkinColors::color(-1), 0u);
    EXPECT_EQ(SkinColors::brush(18), nullptr);
    EXPECT_EQ(SkinColors::brush(-3), nullptr);
}

TEST(skin_colors, brushes_are_cached_solid_brushes_of_the_slot_colour) {
    HBRUSH a = SkinColors::brush(7);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(SkinColors::brush(7), a);
    LOGBRUSH lb{};
    ASSERT_TRUE(GetObjectA(a, sizeof lb, &lb));
    EXPECT_EQ(lb.lbStyle, static_cast<UINT>(BS_SOLID));
    EXPECT_EQ(lb.lbColor, RGB(53, 70, 87));
    EXPECT_NE(SkinColors::brush(0), a);
}

TEST(skin_fonts, heights_follow_the_screen_and_96_dpi) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    LOGFONTA lf{};
    HFONT f0 = SkinFonts::font(0);
    ASSERT_NE(f0, nullptr);
    ASSERT_TRUE(GetObjectA(f0, sizeof lf, &lf));
    EXPECT_EQ(lf.lfHeight, -MulDiv(8, dpi, 72));
    ASSERT_TRUE(GetObjectA(SkinFonts::font(1), sizeof lf, &lf));
    EXPECT_EQ(lf.lfHeight, -11);
    // Same face as the default GUI font.
    LOGFONTA gui{};
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui);
    EXPECT_STREQ(lf.lfFaceName, gui.lfFaceName);
    EXPECT_EQ(SkinFonts::font(0), f0);
    EXPECT_EQ(SkinFonts::font(3), nullptr);
    EXPECT_EQ(SkinFonts::font(-1), nullptr);
}

TEST(skin_painting, fill_solid_rect_both_forms) {
    DibCanvas c(20, 10);
    const RECT rc{2, 3, 6, 5};
    FillSolidRect(c.dc, rc, RGB(10, 20, 30));
    EXPECT_EQ(c.at(2, 3), RGB(10, 20, 30));
    EXPECT_EQ(c.at(5, 4), RGB(10, 20, 30));
    EXPECT_EQ(c.at(6, 4), kWhite);
    EXPECT_EQ(c.at(5, 5), kWhite);
    FillSolidRect(c.dc, 10, 0, 3, 2, RGB(1, 2, 3));
    EXPECT_EQ(c.at(12, 1), RGB(1, 2, 3));
    EXPECT_EQ(c.at(13, 1), kWhite);
    EXPECT_EQ(GetBkColor(c.dc), RGB(1, 2, 3));  // the DC keeps the colour, no brush involved
}

TEST(skin_painting, draw_3d_rect_corners_belong_to_bottom_right) {
    DibCanvas c(20, 20);
    const RECT rc{2, 2, 12, 10};  // 10 x 8
    const COLORREF tl = RGB(200, 0, 0), br = RGB(0, 0, 200);
    Draw3dRect(c.dc, rc, tl, br);
    EXPECT_EQ(c.at(2, 2), tl);
    EXPECT_EQ(c.at(10, 2), tl);
    EXPECT_EQ(c.at(11, 2), br);  // top right corner
    EXPECT_EQ(c.at(2, 9), br);   // bottom left corner
    EXPECT_EQ(c.at(2, 8), tl);
    EXPECT_EQ(c.at(11, 9), br);
    EXPECT_EQ(c.at(11, 5), br);
    EXPECT_EQ(c.at(6, 9), br);
    EXPECT_EQ(c.at(6, 5), kWhite);  // inside untouched
    EXPECT_EQ(c.at(12, 5), kWhite);
    EXPECT_EQ(c.at(6, 10), kWhite);
}

TEST(skin_dib, create_fills_header_and_destroy_empties) {
    SkinDib d;
    EXPECT_TRUE(d.empty());
    ASSERT_TRUE(d.create(3, 2));
    EXPECT_EQ(d.width, 3);
    EXPECT_EQ(d.height, 2);
    EXPECT_EQ(d.header.biSize, 40u);
    EXPECT_EQ(d.header.biWidth, 3);
    EXPECT_EQ(d.header.biHeight, -2);
    EXPECT_EQ(d.header.biBitCount, 32);
    EXPECT_EQ(d.header.biSizeImage, 24u);
    EXPECT_NE(d.bitmap, nullptr);
    d.destroy();
    EXPECT_TRUE(d.empty());
    EXPECT_EQ(d.width, 0);
    EXPECT_EQ(d.bitmap, nullptr);
    EXPECT_FALSE(d.create(0, 5));
    EXPECT_FALSE(d.create(70000, 1));  // width does not fit the 16-bit field
    EXPECT_TRUE(d.empty());
    d.fillRect(0, 0, 5, 5, 1, 2, 3);  // drawing on an empty image draws nothing
}

TEST(skin_dib, drawing_writes_the_section_pixels) {
    SkinDib d;
    ASSERT_TRUE(d.create(100, 100));
    d.fillAll(100, 100, 100);
    d.fillRect(-5, -5, 10, 10, 255, 0, 0);
    EXPECT_EQ(d.pixels[4 * 100 + 4], 0xFF0000u);
    EXPECT_EQ(d.pixels[5 * 100 + 5], 0x646464u);
    SkinDib src;
    ASSERT_TRUE(src.create(1, 1));
    src.fillAll(200, 200, 200);
    d.blend(src, 50, 50, 128);
    EXPECT_EQ(d.pixels[50 * 100 + 50], 0x969696u);  // 150
}

TEST(skin_dib, blit_puts_the_top_row_at_the_top) {
    SkinDib d;
    ASSERT_TRUE(d.create(4, 3));
    d.fillAll(0, 0, 255);
    d.hLine(0, 0, 3, 255, 0, 0);
    d.vLine(3, 0, 2, 0, 255, 0);
    DibCanvas c(10, 10);
    d.blitTo(c.dc, 2, 1);
    EXPECT_EQ(c.at(2, 1), RGB(255, 0, 0));
    EXPECT_EQ(c.at(2, 3), RGB(0, 0, 255));
    EXPECT_EQ(c.at(5, 3), RGB(0, 255, 0));
    EXPECT_EQ(c.at(1, 1), kWhite);
    EXPECT_EQ(c.at(2, 4), kWhite);
}

TEST(skin_bitmaps, load_at_their_sizes_as_32_bit_images) {
    wintest::setUpSkin();
    struct {
        int id, w, h;
    } sizes[] = {{107, 123, 23}, {106, 9, 12}, {108, 7, 9}, {105, 9, 12},
                 {103, 92, 13},  {102, 7, 12}, {104, 10, 12}};
    for (const auto& s : sizes) {
        SkinDib* d = SkinBitmap(s.id);
        ASSERT_NE(d, nullptr);
        EXPECT_FALSE(d->empty()) << s.id;
        EXPECT_EQ(d->width, s.w) << s.id;
        EXPECT_EQ(d->height, s.h) << s.id;
    }
    EXPECT_EQ(SkinBitmap(101), nullptr);
    EXPECT_EQ(SkinBitmap(109), nullptr);
    // The caption tab's artwork: its cut corner pixel is 21 grey, its top
    // edge highlight 110, and the frame's left bevel column below.
    const SkinDib* tab = SkinBitmap(107);
    EXPECT_EQ(skin::pixelAt(tab->buffer(), 0, 0), 0x151515u);
    EXPECT_EQ(skin::pixelAt(tab->buffer(), 50, 0), 0x6E6E6Eu);
    EXPECT_EQ(skin::pixelAt(tab->buffer(), 0, 20), 0x6E6E6Eu);
}

TEST(skin_bitmaps, missing_resource_fails_and_leaves_the_image_empty) {
    SkinDib d;
    ASSERT_TRUE(d.create(5, 5));
    EXPECT_FALSE(d.loadResource(GetModuleHandleA(nullptr), 4711));
    EXPECT_TRUE(d.empty());
    EXPECT_TRUE(d.loadResource(GetModuleHandleA(nullptr), 106));
    EXPECT_EQ(d.width, 9);
    // Loading again replaces the pixels.
    LoadSkinBitmaps(GetModuleHandleA(nullptr));
    EXPECT_EQ(SkinBitmap(103)->width, 92);
}
