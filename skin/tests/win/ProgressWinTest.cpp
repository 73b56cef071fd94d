#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "WinTestSupport.h"
#include "skin/SkinControls.h"
#include "skin/SkinPrimitives.h"

using wintest::Parent;

namespace {

const COLORREF kBack = RGB(56, 56, 56);
const COLORREF kNavy = RGB(0, 0, 128);

// 106 x 20: inner rectangle (2, 2) .. (103, 18), 101 pixels wide.
class Progress : public ::testing::Test {
protected:
    Parent parent{100, 100, 200, 60};
    HWND bar = parent.child("vqProgressCtrl", "", 0, 10, 10, 106, 20, 1133);
    void setFraction(float f) { SendMessageA(bar, PRGM_SETFRACTION, 0, reinterpret_cast<LPARAM>(&f)); }
    // Filled pixels of colour c along the middle row of the trough.
    int filled(const wintest::Capture& c, COLORREF colour) {
        int n = 0;
        for (int x = 2; x < 103; ++x) n += c.at(x, 10) == colour;
        return n;
    }
};

}  // namespace

TEST_F(Progress, empty_sunken_trough_after_creation) {
    ASSERT_NE(bar, nullptr);
    const wintest::Capture c = wintest::captureClient(bar);
    EXPECT_EQ(c.at(0, 0), RGB(25, 25, 25));
    EXPECT_EQ(c.at(0, 18), RGB(25, 25, 25));
    EXPECT_EQ(c.at(104, 0), RGB(65, 65, 65));  // top right corner of the frame
    EXPECT_EQ(c.at(104, 10), RGB(65, 65, 65));
    EXPECT_EQ(c.at(50, 19), RGB(65, 65, 65));
    EXPECT_EQ(filled(c, kBack), 101);
    EXPECT_EQ(c.at(2, 2), kBack);
    EXPECT_EQ(c.at(102, 17), kBack);
}

TEST_F(Progress, half_of_101_fills_50_and_the_rest_is_background) {
    setFraction(0.5f);
    const wintest::Capture c = wintest::captureClient(bar);
    EXPECT_EQ(filled(c, kNavy), 50);
    EXPECT_EQ(c.at(2, 10), kNavy);
    EXPECT_EQ(c.at(51, 10), kNavy);
    EXPECT_EQ(c.at(52, 10), kBack);
    EXPECT_EQ(c.at(51, 2), kNavy);
    EXPECT_EQ(c.at(51, 17), kNavy);
}

TEST_F(Progress, out_of_range_fractions_are_clamped) {
    setFraction(1.5f);
    EXPECT_EQ(filled(wintest::captureClient(bar), kNavy), 101);
    setFraction(-0.2f);
    EXPECT_EQ(filled(wintest::captureClient(bar), kNavy), 0);
    setFraction(1.0f);
    setFraction(std::nanf(""));
    EXPECT_EQ(filled(wintest::captureClient(bar), kNavy), 0);
}

TEST_F(Progress, set_fraction_draws_at_once) {
    const wintest::Capture before = wintest::captureClient(bar);
    (void)before;
    setFraction(0.25f);
    // Nothing was invalidated: only the message itself can have drawn the bar.
    RECT upd;
    EXPECT_FALSE(GetUpdateRect(bar, &upd, FALSE));
    wintest::pumpFor(100);  // let the window surface reach the screen
    HDC screen = GetDC(nullptr);
    POINT o{2 + 20, 10};
    ClientToScreen(bar, &o);
    EXPECT_EQ(GetPixel(screen, o.x, o.y), kNavy);
    ReleaseDC(nullptr, screen);
}

TEST_F(Progress, set_color_keeps_the_fraction) {
    setFraction(0.5f);
    EXPECT_EQ(SendMessageA(bar, PRGM_SETCOLOR, 0, RGB(200, 0, 0)), 1);
    const wintest::Capture c = wintest::captureClient(bar);
    EXPECT_EQ(filled(c, RGB(200, 0, 0)), 50);
    EXPECT_EQ(filled(c, kNavy), 0);
    SendMessageA(bar, PRGM_SETFRACTION, 0, 0);  // no float: nothing read
    EXPECT_EQ(filled(wintest::captureClient(bar), RGB(200, 0, 0)), 50);
}

// ---- registration --------------------------------------------------------------

namespace {

std::vector<std::string> g_registered;
std::vector<std::string> g_reports;
int g_failAt = -1;
DWORD g_failError = 0;

ATOM fakeRegister(const WNDCLASSA* wc) {
    g_registered.push_back(wc->lpszClassName);
    if (static_cast<int>(g_registered.size()) - 1 == g_failAt) {
        SetLastError(g_failError);
        return 0;
    }
    return 1;
}

int fakeReport(HWND owner, const char* text, const char* caption, UINT type) {
    EXPECT_EQ(owner, nullptr);
    EXPECT_EQ(type, static_cast<UINT>(MB_ICONEXCLAMATION));
    g_reports.push_back(std::string(text) + "|" + caption);
    return IDOK;
}

void resetFakes(int failAt, DWORD error) {
    g_registered.clear();
    g_reports.clear();
    g_failAt = failAt;
    g_failError = error;
}

}  // namespace

TEST(register_skin_controls, second_registration_succeeds) {
    wintest::setUpSkin();
    EXPECT_TRUE(RegisterSkinControls(GetModuleHandleA(nullptr)));
    EXPECT_TRUE(RegisterSkinControls(GetModuleHandleA(nullptr)));
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "vqSpinner", &wc));
    EXPECT_EQ(wc.cbWndExtra, static_cast<int>(sizeof(void*)));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(wc.hbrBackground, nullptr);
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "vqProgressCtrl", &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS));
}

TEST(register_skin_controls, order_and_stop_at_the_first_failure) {
    resetFakes(-1, 0);
    EXPECT_TRUE(RegisterSkinControlsWith(nullptr, fakeRegister, fakeReport));
    EXPECT_EQ(g_registered, (std::vector<std::string>{"vqProgressCtrl", "vqSpinButton", "vqSpinner"}));
    EXPECT_TRUE(g_reports.empty());

    resetFakes(1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(RegisterSkinControlsWith(nullptr, fakeRegister, fakeReport));
    EXPECT_EQ(g_registered, (std::vector<std::string>{"vqProgressCtrl", "vqSpinButton"}));
    EXPECT_EQ(g_reports, (std::vector<std::string>{"Failed to Create|vqSpinButton"}));

    resetFakes(0, ERROR_CLASS_ALREADY_EXISTS);
    EXPECT_TRUE(RegisterSkinControlsWith(nullptr, fakeRegister, fakeReport));
    EXPECT_EQ(g_registered.size(), 3u);
    EXPECT_TRUE(g_reports.empty());
}
