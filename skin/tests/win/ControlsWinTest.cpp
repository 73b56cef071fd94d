#include <gtest/gtest.h>

#include <algorithm>

#include "WinTestSupport.h"
#include "skin/SkinPainter.h"
#include "skin/SkinPrimitives.h"

using wintest::Capture;
using wintest::Parent;

namespace {

const COLORREF kBack = RGB(56, 56, 56);
const COLORREF kText = RGB(160, 160, 160);
const COLORREF kLight = RGB(70, 70, 70);
const COLORREF kDark = RGB(25, 25, 25);
const COLORREF kField = RGB(53, 70, 87);

bool sameSize(const RECT& a, const RECT& b) {
    return a.right - a.left == b.right - b.left && a.bottom - a.top == b.bottom - b.top;
}

}  // namespace

// ---- owner-drawn push buttons ------------------------------------------------

class SkinButton : public ::testing::Test {
protected:
    Parent parent{100, 100, 200, 100};
    HWND button = parent.child("BUTTON", "Import", BS_OWNERDRAW, 20, 20, 90, 24, 1);
};

TEST_F(SkinButton, raised_frame_and_text_in_the_skin) {
    const Capture c = wintest::captureClient(button);
    EXPECT_EQ(c.at(0, 0), kLight);
    EXPECT_EQ(c.at(0, 22), kLight);
    EXPECT_EQ(c.at(88, 0), kLight);
    EXPECT_EQ(c.at(89, 0), kDark);  // top right corner takes the dark side
    EXPECT_EQ(c.at(0, 23), kDark);
    EXPECT_EQ(c.at(89, 23), kDark);
    EXPECT_EQ(c.at(2, 2), kBack);
    EXPECT_GT(c.count(kText), 10);
}

TEST_F(SkinButton, pressed_is_sunken_with_the_text_one_pixel_further) {
    const RECT up = wintest::captureClient(button).boxOf(kText);
    SendMessageA(button, BM_SETSTATE, TRUE, 0);
    const Capture c = wintest::captureClient(button);
    EXPECT_EQ(c.at(0, 0), kDark);
    EXPECT_EQ(c.at(89, 23), kLight);
    EXPECT_EQ(c.at(89, 0), kLight);
    const RECT down = c.boxOf(kText);
    ASSERT_TRUE(sameSize(up, down));
    EXPECT_EQ(down.left, up.left + 1);
    EXPECT_EQ(down.top, up.top + 1);
    SendMessageA(button, BM_SETSTATE, FALSE, 0);
}

TEST_F(SkinButton, disabled_text_is_embossed) {
    EnableWindow(button, FALSE);
    const Capture c = wintest::captureClient(button);
    EXPECT_EQ(c.count(kText), 0);
    // Text is drawn antialiased: sort the inner pixels into darker and
    // lighter than the face. The light copy lies one pixel right of and
    // below the dark one, so its box ends one pixel further on both axes.
    RECT dark{100, 100, 0, 0}, light{100, 100, 0, 0};
    auto grow = [](RECT& r, int x, int y) {
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1);
        r.bottom = std::max<LONG>(r.bottom, y + 1);
    };
    for (int y = 2; y < 22; ++y)
        for (int x = 2; x < 88; ++x) {
            const int v = GetGValue(c.at(x, y));
            if (v < 56) grow(dark, x, y);
            if (v > 56) grow(light, x, y);
        }
    ASSERT_GT(dark.right, dark.left);
    ASSERT_GT(light.right, light.left);
    EXPECT_GT(light.right, dark.right);
    EXPECT_GT(light.bottom, dark.bottom);
    EXPECT_GT(light.left, dark.left);
    EXPECT_GT(light.top, dark.top);
}

// ---- check boxes --------------------------------------------------------------

class SkinnedCheckBox : public ::testing::Test {
protected:
    Parent parent{100, 100, 200, 100};
    HWND box = parent.child("BUTTON", "Centre Pivot", BS_AUTOCHECKBOX, 10, 10, 150, 20, 1002);
    void SetUp() override { ASSERT_TRUE(SkinCheckBox::install(box)); }
    void TearDown() override { SkinCheckBox::remove(box); }
    void click(int x, int y, int ux, int uy) {
        SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(ux, uy));
    }
    std::vector<wintest::Msg> clicks() { return parent.received(WM_COMMAND); }
};

TEST_F(SkinnedCheckBox, click_toggles_and_reports_once) {
    click(5, 5, 6, 6);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), 1);
    EXPECT_TRUE(IsDlgButtonChecked(parent.hwnd(), 1002));
    auto cmds = clicks();
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(LOWORD(cmds[0].wp), 1002);
    EXPECT_EQ(HIWORD(cmds[0].wp), BN_CLICKED);
    EXPECT_EQ(reinterpret_cast<HWND>(cmds[0].lp), box);
    click(5, 5, 6, 6);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), 0);
    EXPECT_EQ(clicks().size(), 2u);
}

TEST_F(SkinnedCheckBox, release_outside_changes_nothing) {
    click(5, 5, 170, 6);
    click(5, 5, 5, -3);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), 0);
    EXPECT_TRUE(clicks().empty());
    EXPECT_NE(GetCapture(), box);
}

TEST_F(SkinnedCheckBox, release_without_a_press_on_it_is_no_click) {
    SendMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), 0);
    EXPECT_TRUE(clicks().empty());
}

TEST_F(SkinnedCheckBox, keyboard_does_not_toggle) {
    SetFocus(box);
    SendMessageA(box, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(box, WM_CHAR, ' ', 0);
    SendMessageA(box, WM_KEYUP, VK_SPACE, 0);
    wintest::pump();
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), 0);
    EXPECT_TRUE(clicks().empty());
}

TEST_F(SkinnedCheckBox, set_check_and_dialog_helpers) {
    CheckDlgButton(parent.hwnd(), 1002, BST_CHECKED);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), 1);
    EXPECT_TRUE(clicks().empty());  // setting is not clicking
    SendMessageA(box, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), 0);
}

TEST_F(SkinnedCheckBox, box_colours_and_tick) {
    // Box 13 x 13 at (0, (20 - 13) / 2 - 1) = (0, 2).
    Capture c = wintest::captureClient(box);
    EXPECT_EQ(c.at(0, 2), kDark);      // outer frame top left
    EXPECT_EQ(c.at(12, 14), kLight);   // outer frame bottom right
    EXPECT_EQ(c.at(1, 3), RGB(0, 0, 0));
    EXPECT_EQ(c.at(11, 13), kBack);
    EXPECT_EQ(c.at(6, 8), kField);     // interior
    EXPECT_EQ(c.at(3, 7), kField);
    EXPECT_GT(c.count(kText), 10);     // the label
    SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
    c = wintest::captureClient(box);
    // Inset box top left (1, 3): the tick starts at (3, 7) and bends at (5, 9).
    EXPECT_EQ(c.at(3, 7), kText);
    EXPECT_EQ(c.at(5, 9), kText);
    EXPECT_EQ(c.at(5, 11), kText);
    EXPECT_EQ(c.at(9, 5), kText);
    EXPECT_EQ(c.at(3, 10), kField);
    // While the button is held the interior turns to the trough colour.
    SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    c = wintest::captureClient(box);
    EXPECT_EQ(c.at(3, 12), RGB(65, 65, 65));
    SendMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
}

TEST_F(SkinnedCheckBox, disabled_shows_embossed_text_and_background_box) {
    EnableWindow(box, FALSE);
    const Capture c = wintest::captureClient(box);
    EXPECT_EQ(c.at(6, 8), kBack);
    EXPECT_EQ(c.count(kText), 0);
    const RECT textArea{18, 0, 150, 20};
    int dark = 0, light = 0;
    for (int y = textArea.top; y < textArea.bottom; ++y)
        for (int x = textArea.left; x < textArea.right; ++x) {
            dark += c.at(x, y) == kDark;
            light += c.at(x, y) == kLight;
        }
    EXPECT_GT(dark, 10);
    EXPECT_GT(light, 5);
    EnableWindow(box, TRUE);
}

TEST_F(SkinnedCheckBox, remove_restores_the_control_and_keeps_its_state) {
    WNDPROC skinned = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(box, GWLP_WNDPROC));
    click(5, 5, 5, 5);
    SkinCheckBox::remove(box);
    EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(box, GWLP_WNDPROC)), skinned);
    EXPECT_EQ(GetWindowLongPtrA(box, GWLP_USERDATA), 0);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    SkinCheckBox::remove(box);  // a second removal finds nothing to do
    ASSERT_TRUE(SkinCheckBox::install(box));
    EXPECT_FALSE(SkinCheckBox::install(box));  // installed once only
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), 1);
}

TEST(skinned_check_box, destroyed_while_skinned_cleans_up) {
    Parent parent(100, 100, 200, 100);
    HWND box = parent.child("BUTTON", "x", BS_AUTOCHECKBOX, 10, 10, 100, 20, 7);
    ASSERT_TRUE(SkinCheckBox::install(box));
    DestroyWindow(box);
    EXPECT_FALSE(IsWindow(box));
    // A new control of the class skins and works as before.
    HWND other = parent.child("BUTTON", "y", BS_AUTOCHECKBOX, 10, 40, 100, 20, 8);
    ASSERT_TRUE(SkinCheckBox::install(other));
    SendMessageA(other, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(other, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(SendMessageA(other, BM_GETCHECK, 0, 0), 1);
    SkinCheckBox::remove(other);
}

// ---- group boxes -------------------------------------------------------------

namespace {

int halfXHeight() {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, SkinFonts::font(0));
    SIZE x{};
    GetTextExtentPoint32A(dc, "X", 1, &x);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return x.cy / 2;
}

}  // namespace

TEST(skinned_group_box, centred_title_in_its_colour_over_an_etched_frame) {
    Parent parent(100, 100, 260, 140);
    HWND g = parent.child("BUTTON", "Terrain", BS_GROUPBOX, 10, 10, 200, 100, 102);
    ASSERT_TRUE(SkinGroupBox::install(g));
    const Capture c = wintest::captureClient(g);
    const COLORREF title = RGB(156, 146, 131);
    const RECT t = c.boxOf(title);
    ASSERT_GT(t.right, t.left) << "no title pixels";
    const int mid = (t.left + t.right) / 2;
    EXPECT_NEAR(mid, 100, 3);  // centred
    const int y = halfXHeight();
    // Etched line: dark at the frame, light one pixel right and down.
    EXPECT_EQ(c.at(0, y + 30), kDark);
    EXPECT_EQ(c.at(1, y + 30), kLight);
    EXPECT_EQ(c.at(198, y + 30), kDark);
    EXPECT_EQ(c.at(199, y + 30), kLight);
    EXPECT_EQ(c.at(20, y), kDark);
    EXPECT_EQ(c.at(20, y + 1), kLight);
    EXPECT_EQ(c.at(20, 99), kLight);
    EXPECT_EQ(c.at(20, 98), kDark);
    // The title covers the line behind it.
    EXPECT_NE(c.at(mid, y), kDark);
    SkinGroupBox::remove(g);
}

TEST(skinned_group_box, without_title_only_the_frame) {
    Parent parent(100, 100, 260, 140);
    HWND g = parent.child("BUTTON", "", BS_GROUPBOX, 10, 10, 200, 100, 102);
    ASSERT_TRUE(SkinGroupBox::install(g));
    Capture c = wintest::captureClient(g);
    const int y = halfXHeight();
    EXPECT_EQ(c.count(RGB(156, 146, 131)), 0);
    for (int x = 1; x < 198; ++x) EXPECT_EQ(c.at(x, y), kDark) << x;
    // A title set later appears.
    EXPECT_TRUE(SetWindowTextA(g, "Camera"));  // reported as done
    c = wintest::captureClient(g);
    EXPECT_GT(c.count(RGB(156, 146, 131)), 5);
    SkinGroupBox::remove(g);
}

// ---- edit fields ---------------------------------------------------------------

TEST(skinned_edit, border_margins_and_enter_to_parent) {
    Parent parent(100, 100, 200, 80);
    HWND e = parent.child("EDIT", "Terrain", ES_AUTOHSCROLL, 10, 10, 120, 20, 1001, WS_EX_CLIENTEDGE);
    ASSERT_TRUE(SkinEdit::install(e));
    EXPECT_EQ(SendMessageA(e, EM_GETMARGINS, 0, 0), MAKELONG(1, 1));
    const Capture c = wintest::captureWindow(e);
    EXPECT_EQ(c.at(0, 0), kDark);
    EXPECT_EQ(c.at(119, 19), kLight);
    EXPECT_EQ(c.at(119, 0), kLight);
    EXPECT_EQ(c.at(1, 1), RGB(0, 0, 0));
    EXPECT_EQ(c.at(118, 18), kBack);
    EXPECT_EQ(c.at(110, 10), kField);  // interior from the parent's colour answer
    SendMessageA(e, WM_CHAR, 13, 1);
    SendMessageA(e, WM_CHAR, 27, 1);
    SendMessageA(e, WM_CHAR, 'x', 1);
    auto chars = parent.received(WM_CHAR);
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].wp, 13u);
    EXPECT_EQ(chars[1].wp, 27u);
    SkinEdit::remove(e);
}
