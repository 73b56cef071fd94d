#include <gtest/gtest.h>

#include <string>

#include "WinTestSupport.h"
#include "skin/SkinPainter.h"
#include "skin/SkinPrimitives.h"

using namespace wintest;

namespace {

RECT boxOf(const Capture& c, COLORREF colour, RECT within = Capture::kAll) {
    return c.boxWhere([colour](COLORREF p) { return p == colour; }, within);
}

}  // namespace

TEST(skin_button, draws_a_text_longer_than_a_caption_whole) {
    // A fitted path may run past 63 characters; the button shows all of it.
    Parent parent{100, 100, 700, 60};
    const std::string dots(90, '.');
    HWND whole = parent.child("BUTTON", dots.c_str(), BS_OWNERDRAW, 0, 0, 680, 20, 1);
    HWND cut = parent.child("BUTTON", dots.substr(0, 63).c_str(), BS_OWNERDRAW, 0, 30, 680, 20, 2);
    const RECT a = boxOf(capture(whole), kText), b = boxOf(capture(cut), kText);
    ASSERT_GT(b.right, b.left);
    EXPECT_GT(a.right - a.left, (b.right - b.left) * 90 / 63 - 4);
}

TEST(skin_button, raised_sunken_with_the_text_one_pixel_further_and_embossed_when_disabled) {
    Parent parent{100, 100, 200, 100};
    HWND button = parent.child("BUTTON", "Import", BS_OWNERDRAW, 20, 20, 90, 24, 1);
    Capture c = capture(button);
    // Raised: light top and left, dark bottom and right with both far corners.
    expectPixels(c, {{0, 0, kLight}, {0, 22, kLight}, {88, 0, kLight}, {89, 0, kDark}, {0, 23, kDark},
                              {89, 23, kDark}, {2, 2, kBack}});
    EXPECT_GT(c.count(kText), 10);
    RECT up = boxOf(c, kText);
    SendMessageA(button, BM_SETSTATE, TRUE, 0);
    c = capture(button);
    expectPixels(c, {{0, 0, kDark}, {89, 23, kLight}, {89, 0, kLight}});
    const RECT down = boxOf(c, kText);
    OffsetRect(&up, 1, 1);
    EXPECT_TRUE(EqualRect(&up, &down));
    SendMessageA(button, BM_SETSTATE, FALSE, 0);

    EnableWindow(button, FALSE);
    c = capture(button);
    EXPECT_EQ(c.count(kText), 0);
    // The text is antialiased: sort the inner pixels into darker and lighter
    // than the face. The light copy lies one pixel right of and below the dark.
    const RECT inner{2, 2, 88, 22};
    const RECT dark = c.boxWhere([](COLORREF p) { return GetGValue(p) < 56; }, inner);
    const RECT light = c.boxWhere([](COLORREF p) { return GetGValue(p) > 56; }, inner);
    ASSERT_GT(dark.right, dark.left);
    EXPECT_TRUE(light.left > dark.left && light.top > dark.top && light.right > dark.right &&
                light.bottom > dark.bottom);
}

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
    LRESULT checked() { return SendMessageA(box, BM_GETCHECK, 0, 0); }
};

TEST_F(SkinnedCheckBox, toggles_and_reports_one_click_only_when_released_inside) {
    click(5, 5, 120, 6);  // far along the 150 x 20 box: x and y are not interchangeable
    EXPECT_EQ(checked(), 1);
    EXPECT_TRUE(IsDlgButtonChecked(parent.hwnd(), 1002));
    auto cmds = parent.received(WM_COMMAND);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(cmds[0].wp, MAKEWPARAM(1002, BN_CLICKED));
    EXPECT_EQ(reinterpret_cast<HWND>(cmds[0].lp), box);
    click(5, 5, 6, 6);
    EXPECT_EQ(checked(), 0);
    EXPECT_EQ(parent.received(WM_COMMAND).size(), 2u);
    // Released outside, a release without a press, other keys: nothing.
    parent.clear();
    click(5, 5, 170, 6);
    click(5, 5, 5, -3);
    EXPECT_NE(GetCapture(), box);
    SendMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SetFocus(box);
    SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
    SendMessageA(box, WM_KEYUP, VK_RETURN, 0);
    SendMessageA(box, WM_KEYUP, VK_SPACE, 0);  // a release without its press
    pump();
    EXPECT_EQ(checked(), 0);
    EXPECT_TRUE(parent.received(WM_COMMAND).empty());
    // The space bar is a click: press and release toggle and report once;
    // the focus leaving between them drops the press.
    SendMessageA(box, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(SendMessageA(box, BM_GETSTATE, 0, 0), BST_PUSHED | BST_FOCUS);
    SendMessageA(box, WM_CHAR, ' ', 0);
    SendMessageA(box, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(checked(), 1);
    EXPECT_EQ(SendMessageA(box, BM_GETSTATE, 0, 0), BST_CHECKED | BST_FOCUS);  // as a tool reads it
    EXPECT_EQ(parent.received(WM_COMMAND).size(), 1u);
    SendMessageA(box, WM_KEYDOWN, VK_SPACE, 0);
    SetFocus(parent.hwnd());
    SetFocus(box);
    SendMessageA(box, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(checked(), 1);
    SendMessageA(box, BM_SETCHECK, BST_UNCHECKED, 0);
    parent.clear();
    // Setting is not clicking.
    CheckDlgButton(parent.hwnd(), 1002, BST_CHECKED);
    EXPECT_EQ(checked(), 1);
    SendMessageA(box, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(checked(), 0);
    EXPECT_TRUE(parent.received(WM_COMMAND).empty());
}

TEST_F(SkinnedCheckBox, box_tick_and_disabled_look) {
    // Box 13 x 13 at (0, (20 - 13) / 2 - 1) = (0, 2): outer frame dark/light,
    // inner frame black/face, interior field colour.
    Capture c = capture(box);
    expectPixels(c, {{0, 2, kDark}, {12, 14, kLight}, {1, 3, RGB(0, 0, 0)}, {11, 13, kBack},
                              {6, 8, kField}, {3, 7, kField}});
    EXPECT_GT(c.count(kText), 10);  // the label
    SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
    // Inset box top left (1, 3): the tick starts at (3, 7) and bends at (5, 9).
    expectPixels(capture(box),
                          {{3, 7, kText}, {5, 9, kText}, {5, 11, kText}, {9, 5, kText}, {3, 10, kField}});
    // While the button is held the interior turns to the trough colour.
    SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    expectPixels(capture(box), {{3, 12, RGB(65, 65, 65)}});
    SendMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(500, 5));
    // Disabled: a face-coloured box and embossed text right of it.
    SendMessageA(box, BM_SETCHECK, BST_UNCHECKED, 0);
    EnableWindow(box, FALSE);
    c = capture(box);
    EXPECT_EQ(c.at(6, 8), kBack);
    EXPECT_EQ(c.count(kText), 0);
    EXPECT_GT(c.count(kDark, RECT{18, 0, 150, 20}), 10);
    EXPECT_GT(c.count(kLight, RECT{18, 0, 150, 20}), 5);
}

TEST_F(SkinnedCheckBox, installs_once_and_remove_restores_the_control) {
    WNDPROC skinned = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(box, GWLP_WNDPROC));
    EXPECT_FALSE(SkinCheckBox::install(box));
    click(5, 5, 5, 5);
    SkinCheckBox::remove(box);
    EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(box, GWLP_WNDPROC)), skinned);
    EXPECT_EQ(checked(), BST_CHECKED);
    SkinCheckBox::remove(box);  // a second removal finds nothing to do
    ASSERT_TRUE(SkinCheckBox::install(box));
    EXPECT_EQ(checked(), BST_CHECKED);  // taken over from the control
    // Destroyed while skinned: cleaned up, and a new control skins again.
    DestroyWindow(box);
    box = parent.child("BUTTON", "y", BS_AUTOCHECKBOX, 10, 40, 100, 20, 8);
    EXPECT_TRUE(SkinCheckBox::install(box));
}

TEST(skinned_group_box, centred_title_in_its_colour_over_an_etched_frame) {
    const COLORREF title = RGB(156, 146, 131);
    // The top line runs at half the height of an "X" in the skin font.
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, SkinFonts::font(0));
    SIZE x{};
    GetTextExtentPoint32A(dc, "X", 1, &x);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const int y = x.cy / 2;
    Parent parent(100, 100, 260, 140);
    HWND g = parent.child("BUTTON", "", BS_GROUPBOX, 10, 10, 200, 100, 102);
    ASSERT_TRUE(SkinGroupBox::install(g));
    Capture c = capture(g);
    EXPECT_EQ(c.count(title), 0);  // without a title only the frame
    for (int i = 1; i < 198; ++i) EXPECT_EQ(c.at(i, y), kDark) << i;
    // Etched line: dark at the frame, light one pixel right and down.
    expectPixels(c, {
        {0, y + 30, kDark}, {1, y + 30, kLight}, {198, y + 30, kDark}, {199, y + 30, kLight},
        {20, y, kDark},     {20, y + 1, kLight}, {20, 98, kDark},      {20, 99, kLight}});
    EXPECT_TRUE(SetWindowTextA(g, "Terrain"));  // a title set later appears
    c = capture(g);
    const RECT t = boxOf(c, title);
    ASSERT_GT(t.right, t.left) << "no title pixels";
    const int mid = (t.left + t.right) / 2;
    EXPECT_NEAR(mid, 100, 3);  // centred
    EXPECT_NE(c.at(mid, y), kDark);  // covering the line behind it
    SkinGroupBox::remove(g);
}

TEST(skinned_edit, border_margins_and_enter_to_parent) {
    Parent parent(100, 100, 200, 80);
    HWND e = parent.child("EDIT", "Terrain", ES_AUTOHSCROLL, 10, 10, 120, 20, 1001, WS_EX_CLIENTEDGE);
    ASSERT_TRUE(SkinEdit::install(e));
    EXPECT_EQ(SendMessageA(e, EM_GETMARGINS, 0, 0), MAKELONG(1, 1));
    // Sunken: dark/black top left, light/face bottom right; the interior
    // from the parent's colour answer.
    expectPixels(capture(e, true), {{0, 0, kDark}, {119, 19, kLight}, {119, 0, kLight},
                                                      {1, 1, RGB(0, 0, 0)}, {118, 18, kBack}, {110, 10, kField}});
    for (WPARAM ch : {WPARAM{13}, WPARAM{27}, WPARAM{'x'}}) SendMessageA(e, WM_CHAR, ch, 1);
    auto chars = parent.received(WM_CHAR);
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].wp, 13u);
    EXPECT_EQ(chars[1].wp, 27u);
    SkinEdit::remove(e);
}
