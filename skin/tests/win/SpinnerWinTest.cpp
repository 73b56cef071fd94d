#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "WinTestSupport.h"
#include "skin/SkinControls.h"
#include "skin/SkinPrimitives.h"

using wintest::Parent;
using wintest::Watch;

namespace {

constexpr int kId = 1000;

// The spinner's three children, found in creation order: edit, down, up.
struct Parts {
    HWND edit = nullptr, up = nullptr, down = nullptr;
};

Parts partsOf(HWND spinner) {
    Parts p;
    for (HWND c = GetWindow(spinner, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = {};
        GetClassNameA(c, cls, sizeof cls);
        RECT r;
        GetWindowRect(c, &r);
        POINT o{r.left, r.top};
        ScreenToClient(spinner, &o);
        if (!_stricmp(cls, "Edit"))
            p.edit = c;
        else if (o.y == 0)
            p.up = c;
        else
            p.down = c;
    }
    return p;
}

class Spinner : public ::testing::Test {
protected:
    Parent parent{100, 100, 240, 120};
    HWND spinner = nullptr;
    Parts parts;

    void SetUp() override {
        spinner = parent.child("vqSpinner", "", 0, 20, 30, 80, 18, kId);
        ASSERT_NE(spinner, nullptr);
        parts = partsOf(spinner);
        ASSERT_NE(parts.edit, nullptr);
        ASSERT_NE(parts.up, nullptr);
        ASSERT_NE(parts.down, nullptr);
        setRange(0.001, 10000, 0.1, 3, 0);
        setValue(1.0);
        wintest::pump();
        parent.clear();
    }
    void TearDown() override { wintest::releaseAllKeys(); }

    void setRange(double lo, double hi, double step, int precision, int wrap) {
        SpinnerRange r{lo, hi, step, static_cast<int16_t>(precision), wrap};
        SendMessageA(spinner, SPNM_SETRANGE, 0, reinterpret_cast<LPARAM>(&r));
    }
    void setValue(double v) { SendMessageA(spinner, SPNM_SETVALUE, 0, reinterpret_cast<LPARAM>(&v)); }
    void setDefault(double v) { SendMessageA(spinner, SPNM_SETDEFAULT, 0, reinterpret_cast<LPARAM>(&v)); }
    double value() { return *reinterpret_cast<const double*>(SendMessageA(spinner, SPNM_GETVALUE, 0, 0)); }
    std::string text() { return wintest::windowText(parts.edit); }
    void press(HWND b, int y = 4, WPARAM keys = MK_LBUTTON) {
        SendMessageA(b, WM_LBUTTONDOWN, keys, MAKELPARAM(5, y));
    }
    void release(HWND b, int y = 4) { SendMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(5, y)); }
    void move(HWND b, int y) { SendMessageA(b, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, y)); }
    void click(HWND b) {
        press(b);
        release(b);
        wintest::pump();
    }
    void type(const char* s) {
        for (; *s; ++s) SendMessageA(parts.edit, WM_CHAR, static_cast<unsigned char>(*s), 1);
    }
    size_t commands() {
        wintest::pump();
        return parent.received(WM_COMMAND).size();
    }
};

}  // namespace

// ---- stepping ----------------------------------------------------------------

TEST_F(Spinner, click_up_steps_by_step_with_ctrl_by_ten_with_alt_by_a_tenth) {
    click(parts.up);
    EXPECT_EQ(text(), "1.1");
    setValue(1.0);
    wintest::setKey(VK_CONTROL, true);
    click(parts.up);
    EXPECT_EQ(text(), "2.0");
    wintest::setKey(VK_CONTROL, false);
    setValue(1.0);
    wintest::setKey(VK_MENU, true);
    click(parts.up);
    EXPECT_EQ(text(), "1.01");
    wintest::setKey(VK_MENU, false);
    click(parts.down);
    EXPECT_EQ(text(), "0.91");
    EXPECT_DOUBLE_EQ(value(), 0.91);
}

TEST_F(Spinner, keyboard_arrows_and_wheel_step) {
    SendMessageA(parts.edit, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(text(), "1.1");
    SendMessageA(parts.edit, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(parts.edit, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(text(), "0.9");
    SendMessageA(spinner, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(text(), "1.0");
    SendMessageA(spinner, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-240)), 0);
    EXPECT_EQ(text(), "0.8");
    SendMessageA(spinner, WM_MOUSEWHEEL, MAKEWPARAM(0, 60), 0);  // part of a notch: nothing
    SendMessageA(spinner, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-60)), 0);
    EXPECT_EQ(text(), "0.8");
}

TEST_F(Spinner, clamps_at_the_ends_and_stays_quiet_when_nothing_changes) {
    setValue(10000);
    EXPECT_EQ(text(), "10000.0");
    parent.clear();
    SendMessageA(spinner, SPNM_STEPUP, 1, 0);
    EXPECT_EQ(value(), 10000);
    EXPECT_EQ(commands(), 0u);
    setValue(0.05);
    SendMessageA(spinner, SPNM_STEPDOWN, 1, 0);
    EXPECT_EQ(text(), "0.001");
    EXPECT_EQ(value(), 0.001);
    // A value set outside the range is shown and kept clamped.
    setValue(25000);
    EXPECT_EQ(text(), "10000.0");
    EXPECT_EQ(value(), 10000);
}

TEST_F(Spinner, wraps_round_0_to_9) {
    setRange(0, 9, 1, 0, 1);
    setValue(9);
    EXPECT_EQ(text(), "9");
    SendMessageA(spinner, SPNM_STEPUP, 1, 0);
    EXPECT_EQ(text(), "0");
    SendMessageA(spinner, SPNM_STEPDOWN, 1, 0);
    EXPECT_EQ(text(), "9");
    SendMessageA(spinner, SPNM_STEPUP, 25, 0);  // longer than the range: still inside
    EXPECT_EQ(text(), "4");
}

TEST_F(Spinner, step_changes_are_reported_to_the_parent) {
    SendMessageA(spinner, SPNM_STEPUP, 1, 0);
    auto cmds = (wintest::pump(), parent.received(WM_COMMAND));
    ASSERT_GE(cmds.size(), 1u);
    EXPECT_EQ(LOWORD(cmds[0].wp), kId);
    EXPECT_EQ(reinterpret_cast<HWND>(cmds[0].lp), spinner);
    // SETVALUE is silent.
    parent.clear();
    setValue(3.0);
    EXPECT_EQ(commands(), 0u);
}

// ---- text ------------------------------------------------------------------------

TEST_F(Spinner, trims_trailing_zeros_of_the_precision) {
    setValue(2.5);
    EXPECT_EQ(text(), "2.5");
    setRange(0, 100, 1, 2, 0);
    setValue(3);
    EXPECT_EQ(text(), "3.0");
    setRange(0, 100, 1, 0, 0);
    setValue(10);
    EXPECT_EQ(text(), "10");
}

TEST_F(Spinner, typing_drops_letters_and_normalises_on_leaving) {
    SetFocus(parts.edit);
    SendMessageA(parts.edit, EM_SETSEL, 0, -1);
    type("a-b5x");
    EXPECT_EQ(text(), "-5");
    EXPECT_EQ(value(), 0.001);  // clamped while the text stays as typed
    SetFocus(parent.hwnd());
    EXPECT_EQ(text(), "0.001");
    EXPECT_EQ(value(), 0.001);
}

TEST_F(Spinner, typing_a_number_reports_the_change) {
    SetFocus(parts.edit);
    SendMessageA(parts.edit, EM_SETSEL, 0, -1);
    type("42");
    EXPECT_EQ(value(), 42.0);
    EXPECT_GE(commands(), 1u);  // posted for each value change
    SetFocus(parent.hwnd());
    EXPECT_EQ(text(), "42.0");
}

TEST_F(Spinner, huge_values_fit_the_text_buffers) {
    setRange(-1e300, 1e300, 1, 15, 0);
    setValue(1.2345678901234567e200);
    EXPECT_LE(text().size(), 15u);
    EXPECT_NEAR(value() / 1.2345678901234567e200, 1.0, 1e-6);
    setValue(-98765432109876.5);
    EXPECT_LE(text().size(), 15u);
    // Longer than any typing fits (the field does not scroll): a pasted text.
    SetFocus(parts.edit);
    SetWindowTextA(parts.edit, "12345678901234567890123");
    EXPECT_EQ(value(), 123456789012345.0);  // only 15 characters are read
    SetFocus(parent.hwnd());
    EXPECT_EQ(text(), "123456789012345");
}

// ---- presses, repeats, drags ------------------------------------------------------

TEST_F(Spinner, click_gives_one_step_one_spin_pair_and_one_parent_end) {
    Watch w(spinner);
    click(parts.up);
    EXPECT_EQ(w.seen(SPNM_STEPUP).size(), 1u);
    EXPECT_EQ(w.seen(SPNM_SPINBEGIN).size(), 1u);
    auto ends = w.seen(SPNM_SPINEND);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].wp, 0u);
    auto parentEnds = parent.received(SPNM_SPINEND);
    ASSERT_EQ(parentEnds.size(), 1u);
    EXPECT_EQ(parentEnds[0].wp, 0u);
    EXPECT_EQ(parentEnds[0].lp, kId);
    EXPECT_EQ(text(), "1.1");
    EXPECT_NE(GetCapture(), parts.up);
}

TEST_F(Spinner, click_without_change_sends_no_parent_end) {
    setValue(10000);
    click(parts.up);
    EXPECT_TRUE(parent.received(SPNM_SPINEND).empty());
}

TEST_F(Spinner, holding_repeats_after_500_then_every_100_ms) {
    Watch w(spinner);
    press(parts.up);
    // Wait for four steps (the press and three repeats), at most 3 s.
    const DWORD start = GetTickCount();
    while (w.seen(SPNM_STEPUP).size() < 4 && GetTickCount() - start < 3000) wintest::pumpFor(10);
    release(parts.up);
    const auto t = w.times(SPNM_STEPUP);
    ASSERT_GE(t.size(), 4u);
    EXPECT_GE(t[1] - t[0], 450u);
    EXPECT_LE(t[1] - t[0], 900u);  // generous: the machine may be busy
    for (size_t i = 2; i < 4; ++i) {
        EXPECT_GE(t[i] - t[i - 1], 80u) << i;
        EXPECT_LE(t[i] - t[i - 1], 400u) << i;
    }
    EXPECT_EQ(w.seen(SPNM_SPINBEGIN).size(), 1u);  // one spin for the whole hold
    // Released: no more steps.
    const size_t n = w.seen(SPNM_STEPUP).size();
    wintest::pumpFor(300);
    EXPECT_EQ(w.seen(SPNM_STEPUP).size(), n);
}

TEST_F(Spinner, cancel_mode_stops_the_repeat) {
    Watch w(spinner);
    press(parts.up);
    SendMessageA(parts.up, WM_CANCELMODE, 0, 0);
    wintest::pumpFor(700);
    EXPECT_EQ(w.seen(SPNM_STEPUP).size(), 1u);
    EXPECT_TRUE(w.seen(SPNM_SPINEND).empty());
    EXPECT_NE(GetCapture(), parts.up);
}

TEST_F(Spinner, drag_of_12_pixels_is_one_step_of_two_and_small_moves_add_up) {
    Watch w(spinner);
    press(parts.up, 4);
    move(parts.up, 4 - 12);
    auto ups = w.seen(SPNM_STEPUP);
    ASSERT_EQ(ups.size(), 2u);  // the press, then the drag
    EXPECT_EQ(ups[1].wp, 2u);
    move(parts.up, 4 - 16);  // 4 more: nothing yet
    EXPECT_EQ(w.seen(SPNM_STEPUP).size(), 2u);
    move(parts.up, 4 - 17);  // 5 in all since the last step
    ups = w.seen(SPNM_STEPUP);
    ASSERT_EQ(ups.size(), 3u);
    EXPECT_EQ(ups[2].wp, 1u);
    // Downward on the up button steps down.
    move(parts.up, 4 - 17 + 10);
    auto downs = w.seen(SPNM_STEPDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].wp, 2u);
    // A drag stops the auto-repeat.
    wintest::pumpFor(650);
    EXPECT_EQ(w.seen(SPNM_STEPUP).size(), 3u);
    release(parts.up);
    EXPECT_EQ(text(), "1.2");  // 1.0 + 0.1 + 0.2 + 0.1 - 0.2
    EXPECT_EQ(parent.received(SPNM_SPINEND).size(), 1u);
}

TEST_F(Spinner, drag_past_the_top_of_the_screen_wraps_the_cursor) {
    press(parts.up, 4);
    POINT o{0, 0};
    ClientToScreen(parts.up, &o);
    move(parts.up, -o.y);  // screen y 0
    POINT c;
    GetCursorPos(&c);
    EXPECT_EQ(c.y, GetSystemMetrics(SM_CYSCREEN) - 2);
    release(parts.up);
}

TEST_F(Spinner, right_click_during_drag_restores_without_parent_end) {
    Watch w(spinner);
    press(parts.up, 4);
    move(parts.up, 4 - 12);
    EXPECT_EQ(text(), "1.3");
    SendMessageA(parts.up, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, -8));
    SendMessageA(parts.up, WM_RBUTTONUP, 0, MAKELPARAM(5, -8));
    EXPECT_EQ(text(), "1.0");
    EXPECT_EQ(value(), 1.0);
    wintest::pump();
    EXPECT_TRUE(parent.received(SPNM_SPINEND).empty());
    auto ends = w.seen(SPNM_SPINEND);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].wp, 1u);
    EXPECT_NE(GetCapture(), parts.up);
    release(parts.up);  // a late release ends nothing
    EXPECT_EQ(w.seen(SPNM_SPINEND).size(), 1u);
}

TEST_F(Spinner, right_click_when_idle_resets_to_the_default) {
    setDefault(5);
    SendMessageA(parts.down, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 4));
    EXPECT_EQ(text(), "5.0");
    setDefault(-3);  // below the minimum: raised to it
    SendMessageA(parts.down, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 4));
    EXPECT_EQ(text(), "0.001");
}

TEST_F(Spinner, clicks_pass_to_the_parent_in_its_coordinates) {
    SendMessageA(parts.edit, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 4));
    auto r = parent.received(WM_RBUTTONDOWN);
    ASSERT_EQ(r.size(), 1u);
    POINT expected{3, 4};  // the edit's client area starts inside its border
    MapWindowPoints(parts.edit, parent.hwnd(), &expected, 1);
    EXPECT_EQ(LOWORD(r[0].lp), expected.x);
    EXPECT_EQ(HIWORD(r[0].lp), expected.y);
    press(parts.down, 2);
    release(parts.down, 2);
    auto l = parent.received(WM_LBUTTONDOWN);
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(LOWORD(l[0].lp), 20 + 80 - 12 + 5);
    EXPECT_EQ(HIWORD(l[0].lp), 30 + 9 + 2);
    // With Ctrl the press is not passed on.
    press(parts.down, 2, MK_LBUTTON | MK_CONTROL);
    release(parts.down, 2);
    EXPECT_EQ(parent.received(WM_LBUTTONDOWN).size(), 1u);
}

TEST_F(Spinner, focus_goes_to_the_edit_and_enable_reaches_the_children) {
    SetFocus(spinner);
    EXPECT_EQ(GetFocus(), parts.edit);
    EXPECT_FALSE(parent.received(WM_SETFOCUS).empty());
    EnableWindow(spinner, FALSE);
    EXPECT_FALSE(IsWindowEnabled(parts.edit));
    EXPECT_FALSE(IsWindowEnabled(parts.up));
    EnableWindow(spinner, TRUE);
    EXPECT_TRUE(IsWindowEnabled(parts.down));
}

// ---- painting -----------------------------------------------------------------------

TEST_F(Spinner, arrows_point_their_way_and_press_sinks) {
    const COLORREF text = RGB(160, 160, 160), back = RGB(56, 56, 56);
    wintest::Capture up = wintest::captureClient(parts.up);
    ASSERT_EQ(up.width, 12);
    ASSERT_EQ(up.height, 9);
    for (int x = 3; x <= 7; ++x) EXPECT_EQ(up.at(x, 5), text) << x;
    EXPECT_EQ(up.at(8, 5), back);
    EXPECT_EQ(up.at(5, 3), text);
    EXPECT_EQ(up.at(4, 3), back);
    EXPECT_EQ(up.at(0, 0), RGB(70, 70, 70));   // light top left
    EXPECT_EQ(up.at(11, 8), RGB(25, 25, 25));  // dark bottom right
    EXPECT_EQ(up.at(0, 8), RGB(25, 25, 25));
    wintest::Capture down = wintest::captureClient(parts.down);
    for (int x = 3; x <= 7; ++x) EXPECT_EQ(down.at(x, 3), text) << x;
    EXPECT_EQ(down.at(5, 5), text);
    EXPECT_EQ(down.at(4, 5), back);
    SendMessageA(parts.up, BM_SETSTATE, 1, 0);
    up = wintest::captureClient(parts.up);
    EXPECT_EQ(up.at(0, 0), RGB(25, 25, 25));
    EXPECT_EQ(up.at(11, 8), RGB(70, 70, 70));
    SendMessageA(parts.up, BM_SETSTATE, 0, 0);
    EnableWindow(spinner, FALSE);
    up = wintest::captureClient(parts.up);
    EXPECT_EQ(up.at(5, 3), RGB(25, 25, 25));
    EnableWindow(spinner, TRUE);
}

TEST_F(Spinner, edit_border_and_colours) {
    wintest::Capture e = wintest::captureWindow(parts.edit);
    ASSERT_EQ(e.width, 80 - 13);
    EXPECT_EQ(e.at(0, 0), RGB(25, 25, 25));
    EXPECT_EQ(e.at(66, 17), RGB(70, 70, 70));
    EXPECT_EQ(e.at(1, 1), RGB(0, 0, 0));
    EXPECT_EQ(e.at(65, 16), RGB(56, 56, 56));
    EXPECT_EQ(e.at(60, 9), RGB(53, 70, 87));
    LOGFONTA lf{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(parts.edit, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -11);
    EXPECT_EQ(SendMessageA(parts.edit, EM_GETMARGINS, 0, 0), MAKELONG(1, 1));
}

TEST(spinner_lifetime, destroyed_with_its_parent_and_defaults_after_creation) {
    Parent parent(100, 100, 200, 80);
    HWND s = parent.child("vqSpinner", "", 0, 10, 10, 60, 18, 5);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(*reinterpret_cast<const double*>(SendMessageA(s, SPNM_GETVALUE, 0, 0)), 0.0);
    const Parts p = partsOf(s);
    EXPECT_EQ(wintest::windowText(p.edit), "0");
    SendMessageA(s, SPNM_STEPUP, 150, 0);  // default range 0 .. 100, step 1
    EXPECT_EQ(wintest::windowText(p.edit), "100");
    // Null pointers are ignored rather than read.
    EXPECT_EQ(SendMessageA(s, SPNM_SETRANGE, 0, 0), 1);
    EXPECT_EQ(SendMessageA(s, SPNM_SETVALUE, 0, 0), 1);
    DestroyWindow(s);
    EXPECT_FALSE(IsWindow(p.edit));
    EXPECT_FALSE(IsWindow(p.up));
}
