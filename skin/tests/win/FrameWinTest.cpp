#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "skin/SkinPainter.h"
#include "skin/SkinPrimitives.h"

using wintest::Parent;

namespace {

COLORREF grey(int v) { return RGB(v, v, v); }

// Full-alpha blend of a source byte over a destination byte.
int over(int s, int d) { return ((s - d) * 255 + d * 256) >> 8; }

COLORREF bitmapOver(int id, int x, int y, COLORREF under) {
    const SkinDib* bmp = SkinBitmap(id);
    const uint32_t s = skin::pixelAt(bmp->buffer(), x, y);
    return RGB(over((s >> 16) & 0xFF, GetRValue(under)), over((s >> 8) & 0xFF, GetGValue(under)),
               over(s & 0xFF, GetBValue(under)));
}

class SkinnedDialog : public ::testing::Test {
protected:
    static constexpr int W = 300;
    static constexpr int H = 200;
    Parent dlg{120, 120, W, H, true};
    void SetUp() override { SkinPainter::ApplyWindowShape(dlg.hwnd()); }
};

}  // namespace

TEST_F(SkinnedDialog, frame_lines_and_bitmaps_on_screen) {
    const wintest::Capture c = wintest::capture(dlg.hwnd());
    ASSERT_EQ(c.width, W);
    const COLORREF back = SkinColors::color(0);
    // A few rows and columns of each band (all of them are pinned by the
    // native composition tests), then each bitmap over what lies under it.
    wintest::expectPixels(c, {
        {150, 8, grey(110)}, {150, 17, grey(56)}, {150, 19, grey(21)}, {150, 100, back},
        {0, 100, grey(110)}, {4, 100, grey(21)}, {W - 6, 100, grey(110)}, {W - 2, 100, grey(21)},
        {60, H - 17, grey(110)}, {60, H - 7, grey(21)}, {5, 20, grey(10)}, {6, H - 18, back},
        // 106 at (m - 2, 8) = (207, 8): its left columns continue the bands, so
        // probe its sloped edge, of which only the part inside the region shows.
        {210, 10, bitmapOver(106, 3, 2, grey(63))}, {211, 11, bitmapOver(106, 4, 3, grey(56))},
        {206, 10, grey(63)},
        // 107 at (0, 0) over the caption band's 56.
        {50, 3, bitmapOver(107, 50, 3, grey(56))}, {12, 11, bitmapOver(107, 12, 11, grey(56))},
        // 103 at (W - 118, H - 13); 102 at (W - 8, H - 18); 105 at (0, H - 18).
        {W - 78, H - 6, bitmapOver(103, 40, 7, back)}, {W - 84, H - 6, bitmapOver(103, 34, 7, back)},
        {W - 4, H - 10, bitmapOver(102, 4, 8, back)}, {6, H - 15, bitmapOver(105, 6, 3, grey(63))}});
}

TEST_F(SkinnedDialog, region_has_the_tabs_and_cut_corners_and_the_frame_drags) {
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(dlg.hwnd(), rgn), ERROR);
    const struct { int x, y; bool inside; } probes[] = {
        {50, 5, true},   {200, 5, false},                            // caption tab; above the caption strip
        {150, 10, true}, {W - 30, 10, false}, {W - 20, 10, false},  // the strip and right of its sloped end
        {150, 100, true}, {W - 2, 100, true},                        // body, to its rounded right edge
        {20, H - 2, false}, {W - 60, H - 2, true}, {W - 10, H - 2, false},  // beside and on the bottom tab
        {0, 0, false}, {110, 3, false}};  // the tab's cut corner and right of its slope
    for (const auto& p : probes) EXPECT_EQ(PtInRegion(rgn, p.x, p.y) != 0, p.inside) << p.x << "," << p.y;
    DeleteObject(rgn);
    // The bevels and bands drag the window, the inner area does not; x is signed.
    const struct { int x, y; bool hit; } hits[] = {{3, 50, true}, {50, 50, false}, {50, 182, true}, {-2, 50, true}};
    for (const auto& p : hits)
        EXPECT_EQ(SkinPainter::HitCaption(dlg.hwnd(), MAKELPARAM(p.x, p.y)) != 0, p.hit) << p.x << "," << p.y;
}

TEST(center_on_monitor, on_the_owner_clamped_into_the_work_area) {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoA(MonitorFromWindow(GetDesktopWindow(), MONITOR_DEFAULTTOPRIMARY), &mi);
    const RECT work = mi.rcWork;
    Parent dlg(0, 0, 300, 200);
    RECT r;
    SkinPainter::CenterOnMonitor(dlg.hwnd(), nullptr);  // no owner: the work area's centre
    GetWindowRect(dlg.hwnd(), &r);
    EXPECT_EQ(r.left, (work.left + work.right) / 2 - 150);
    EXPECT_EQ(r.top, (work.top + work.bottom) / 2 - 100);
    Parent owner(work.right - 100, 300, 200, 100);  // half off the right edge
    SkinPainter::CenterOnMonitor(dlg.hwnd(), owner.hwnd());
    GetWindowRect(dlg.hwnd(), &r);
    EXPECT_EQ(r.right, work.right);
    EXPECT_EQ(r.top, 350 - 100);
    EXPECT_EQ(r.right - r.left, 300);  // size kept
}

TEST(skinned_dialog_with_sizing_border, region_moved_by_the_dialog_frame_and_grip_drawn) {
    Parent dlg(150, 150, 300, 200, true, true);
    SkinPainter::ApplyWindowShape(dlg.hwnd());
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(dlg.hwnd(), rgn), ERROR);
    RECT box;
    GetRgnBox(rgn, &box);
    DeleteObject(rgn);
    EXPECT_EQ(box.left, GetSystemMetrics(SM_CXDLGFRAME));
    EXPECT_EQ(box.top, GetSystemMetrics(SM_CYDLGFRAME));
    // The size grip (104) instead of the plain corner (102): a dot at its (4, 6).
    const wintest::Capture c = wintest::capture(dlg.hwnd());
    const COLORREF dot = c.at(c.width - 11 + 4, c.height - 18 + 6);
    EXPECT_EQ(dot, bitmapOver(104, 4, 6, grey(56)));
    EXPECT_NE(dot, bitmapOver(102, 1, 6, grey(56)));
}
