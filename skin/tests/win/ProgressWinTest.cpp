#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "skin/SkinControls.h"

using namespace wintest;

namespace {

const COLORREF kNavy = RGB(0, 0, 128);

// 106 x 20: inner rectangle (2, 2) .. (103, 18), 101 pixels wide.
class Progress : public ::testing::Test {
protected:
    Parent parent{100, 100, 200, 60};
    HWND bar = parent.child("vqProgressCtrl", "", 0, 10, 10, 106, 20, 1133);
    void setFraction(float f) { SendMessageA(bar, PRGM_SETFRACTION, 0, reinterpret_cast<LPARAM>(&f)); }
    // Pixels of colour c along the middle row of the trough.
    int filled(COLORREF c) { return capture(bar).count(c, RECT{2, 10, 103, 11}); }
};

}  // namespace

TEST_F(Progress, empty_sunken_trough_then_half_of_101_fills_50) {
    expectPixels(capture(bar), {
        {0, 0, kDark},   {0, 18, kDark},  {104, 0, RGB(65, 65, 65)},  // top right takes the light side
        {104, 10, RGB(65, 65, 65)}, {50, 19, RGB(65, 65, 65)}, {2, 2, kBack}, {102, 17, kBack}});
    EXPECT_EQ(filled(kBack), 101);
    setFraction(0.5f);
    // Drawn at once: nothing is left for a later WM_PAINT, yet the screen shows the fill.
    RECT upd;
    EXPECT_FALSE(GetUpdateRect(bar, &upd, FALSE));
    pumpFor(100);
    HDC screen = GetDC(nullptr);
    POINT o{22, 10};
    ClientToScreen(bar, &o);
    EXPECT_EQ(GetPixel(screen, o.x, o.y), kNavy);
    ReleaseDC(nullptr, screen);
    expectPixels(capture(bar), {{2, 10, kNavy}, {51, 2, kNavy}, {51, 17, kNavy}, {52, 10, kBack}});
    EXPECT_EQ(filled(kNavy), 50);
}

TEST_F(Progress, out_of_range_fractions_are_clamped_and_set_color_keeps_the_fraction) {
    const struct { float f; int fill; } cases[] = {{1.5f, 101}, {-0.2f, 0}, {1.0f, 101}, {std::nanf(""), 0}};
    for (const auto& c : cases) {
        setFraction(c.f);
        EXPECT_EQ(filled(kNavy), c.fill) << c.f;
    }
    setFraction(0.5f);
    EXPECT_EQ(SendMessageA(bar, PRGM_SETCOLOR, 0, RGB(200, 0, 0)), 1);
    EXPECT_EQ(capture(bar, false, false).count(RGB(200, 0, 0), RECT{2, 10, 103, 11}), 50);  // shown without help
    EXPECT_EQ(filled(RGB(200, 0, 0)), 50);
    SendMessageA(bar, PRGM_SETFRACTION, 0, 0);  // no float: nothing read
    EXPECT_EQ(filled(RGB(200, 0, 0)), 50);
}

namespace {

std::vector<std::string> g_calls;  // class names tried, then "report:text|caption"
int g_failAt = -1;

ATOM fakeRegister(const WNDCLASSA* wc) {
    const bool fail = static_cast<int>(g_calls.size()) == g_failAt;
    g_calls.push_back(wc->lpszClassName);
    if (fail) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return fail ? 0 : 1;
}

int fakeReport(HWND owner, const char* text, const char* caption, UINT type) {
    EXPECT_EQ(owner, nullptr);
    EXPECT_EQ(type, static_cast<UINT>(MB_ICONEXCLAMATION));
    g_calls.push_back(std::string("report:") + text + "|" + caption);
    return IDOK;
}

}  // namespace

TEST(register_skin_controls, in_order_twice_is_success_and_stops_at_the_first_failure) {
    setUpSkin();
    EXPECT_TRUE(RegisterSkinControls(GetModuleHandleA(nullptr)));  // the second registration
    WNDCLASSA wc{};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "vqSpinner", &wc));
    EXPECT_EQ(wc.cbWndExtra, static_cast<int>(sizeof(void*)));  // room for a 64-bit pointer
    using Calls = std::vector<std::string>;
    EXPECT_TRUE(RegisterSkinControlsWith(nullptr, fakeRegister, fakeReport));
    EXPECT_EQ(g_calls, (Calls{"vqProgressCtrl", "vqSpinButton", "vqSpinner"}));
    g_calls.clear();
    g_failAt = 1;
    EXPECT_FALSE(RegisterSkinControlsWith(nullptr, fakeRegister, fakeReport));
    EXPECT_EQ(g_calls, (Calls{"vqProgressCtrl", "vqSpinButton", "report:Failed to Create|vqSpinButton"}));
}
