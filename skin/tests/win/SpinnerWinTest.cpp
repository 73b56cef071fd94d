#include <gtest/gtest.h>

#include <string>

#include "WinTestSupport.h"
#include "skin/SkinControls.h"
#include "skin/SkinPrimitives.h"

using wintest::Parent;
using wintest::Watch;

namespace {

constexpr int kId = 1000;

// The spinner's three children: the edit, and the arrow at the top (up) or
// below it (down).
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
        MapWindowPoints(nullptr, spinner, reinterpret_cast<POINT*>(&r), 1);
        (!_stricmp(cls, "Edit") ? p.edit : r.top == 0 ? p.up : p.down) = c;
    }
    return p;
}

// The options dialog's scale field: 0.001 .. 10000, step 0.1, 3 decimals, at 1.0.
class Spinner : public ::testing::Test {
protected:
    Parent parent{100, 100, 240, 120};
    HWND spinner = nullptr;
    Parts parts;

    void SetUp() override {
        spinner = parent.child("vqSpinner", "", 0, 20, 30, 80, 18, kId);
        parts = partsOf(spinner);
        ASSERT_TRUE(parts.edit && parts.up && parts.down);
        setRange(0.001, 10000, 0.1, 3, 0);
        setValue(1.0);
        wintest::pump();
        parent.clear();
    }
    void TearDown() override {
        const BYTE keys[256] = {};
        SetKeyboardState(const_cast<BYTE*>(keys));
    }
    void setRange(double lo, double hi, double step, int precision, int wrap) {
        SpinnerRange r{lo, hi, step, static_cast<int16_t>(precision), wrap};
        SendMessageA(spinner, SPNM_SETRANGE, 0, reinterpret_cast<LPARAM>(&r));
    }
    void setValue(double v) { SendMessageA(spinner, SPNM_SETVALUE, 0, reinterpret_cast<LPARAM>(&v)); }
    void setDefault(double v) { SendMessageA(spinner, SPNM_SETDEFAULT, 0, reinterpret_cast<LPARAM>(&v)); }
    double value() { return *reinterpret_cast<const double*>(SendMessageA(spinner, SPNM_GETVALUE, 0, 0)); }
    std::string text() { return wintest::windowText(parts.edit); }
    void press(HWND b, int y = 4, WPARAM keys = MK_LBUTTON) { SendMessageA(b, WM_LBUTTONDOWN, keys, MAKELPARAM(5, y)); }
    void release(HWND b, int y = 4) { SendMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(5, y)); }
    void move(HWND b, int y) { SendMessageA(b, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, y)); }
    void rightClick(HWND b, int y) {
        SendMessageA(b, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, y));
        SendMessageA(b, WM_RBUTTONUP, 0, MAKELPARAM(5, y));
    }
    void click(HWND b) {
        press(b);
        release(b);
        wintest::pump();
    }
    void stepWithKey(int vk, const char* expected) {
        setValue(1.0);
        wintest::setKey(vk, true);
        click(parts.up);
        wintest::setKey(vk, false);
        EXPECT_EQ(text(), expected) << vk;
    }
    void type(const char* s) {
        SetFocus(parts.edit);
        SendMessageA(parts.edit, EM_SETSEL, 0, -1);
        for (; *s; ++s) SendMessageA(parts.edit, WM_CHAR, static_cast<unsigned char>(*s), 1);
    }
    size_t commands() {
        wintest::pump();
        return parent.received(WM_COMMAND).size();
    }
    void wheel(int delta) { SendMessageA(spinner, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0); }
};

}  // namespace

// ---- stepping ----------------------------------------------------------------

TEST_F(Spinner, steps_by_click_with_ctrl_and_alt_by_arrow_keys_and_by_wheel_notches) {
    click(parts.up);
    EXPECT_EQ(text(), "1.1");
    stepWithKey(VK_CONTROL, "2.0");
    stepWithKey(VK_MENU, "1.01");
    click(parts.down);
    EXPECT_EQ(text(), "0.91");
    EXPECT_DOUBLE_EQ(value(), 0.91);
    setValue(1.0);
    SendMessageA(parts.edit, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(text(), "1.1");
    SendMessageA(parts.edit, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(parts.edit, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(text(), "0.9");
    wheel(120);
    EXPECT_EQ(text(), "1.0");
    wheel(-240);
    EXPECT_EQ(text(), "0.8");
    wheel(60);  // parts of a notch: nothing
    wheel(-60);
    EXPECT_EQ(text(), "0.8");
}

TEST_F(Spinner, clamps_quietly_at_the_ends_reports_changes_and_wraps) {
    SendMessageA(spinner, SPNM_STEPUP, 1, 0);
    auto cmds = (wintest::pump(), parent.received(WM_COMMAND));
    ASSERT_GE(cmds.size(), 1u);
    EXPECT_EQ(LOWORD(cmds[0].wp), kId);
    EXPECT_EQ(reinterpret_cast<HWND>(cmds[0].lp), spinner);
    parent.clear();
    setValue(25000);  // SETVALUE is silent; outside the range it is shown and kept clamped
    EXPECT_EQ(text(), "10000.0");
    EXPECT_EQ(value(), 10000);
    SendMessageA(spinner, SPNM_STEPUP, 1, 0);
    EXPECT_EQ(value(), 10000);
    EXPECT_EQ(commands(), 0u);  // the text did not change
    setValue(0.05);
    SendMessageA(spinner, SPNM_STEPDOWN, 1, 0);
    EXPECT_EQ(text(), "0.001");
    EXPECT_EQ(value(), 0.001);

    setRange(0, 9, 1, 0, 1);
    setValue(9);
    EXPECT_EQ(text(), "9");
    // Up past 9, back down past 0, then a step longer than the range.
    const struct { UINT msg; WPARAM count; const char* text; } wraps[] = {
        {SPNM_STEPUP, 1, "0"}, {SPNM_STEPDOWN, 1, "9"}, {SPNM_STEPUP, 25, "4"}};
    for (const auto& w : wraps) {
        SendMessageA(spinner, w.msg, w.count, 0);
        EXPECT_EQ(text(), w.text) << w.count;
    }
}

// ---- text ------------------------------------------------------------------------

TEST_F(Spinner, trims_filters_typing_and_normalises_on_leaving) {
    setValue(2.5);
    EXPECT_EQ(text(), "2.5");
    type("a-b5x");
    EXPECT_EQ(text(), "-5");    // letters dropped, kept as typed
    EXPECT_EQ(value(), 0.001);  // while the value is clamped
    SetFocus(parent.hwnd());
    EXPECT_EQ(text(), "0.001");
    parent.clear();
    type("42");
    EXPECT_EQ(value(), 42.0);
    EXPECT_GE(commands(), 1u);  // posted for each value change
    SetFocus(parent.hwnd());
    EXPECT_EQ(text(), "42.0");
    setRange(0, 100, 1, 2, 0);
    setValue(3);
    EXPECT_EQ(text(), "3.0");
    setRange(0, 100, 1, 0, 0);
    setValue(10);
    EXPECT_EQ(text(), "10");
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

TEST_F(Spinner, click_gives_one_step_one_spin_pair_and_one_parent_end_if_it_changed) {
    Watch w(spinner);
    click(parts.up);
    EXPECT_EQ(text(), "1.1");
    EXPECT_EQ(w.seen(SPNM_STEPUP).size(), 1u);
    EXPECT_EQ(w.seen(SPNM_SPINBEGIN).size(), 1u);
    auto ends = w.seen(SPNM_SPINEND);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].wp, 0u);
    auto parentEnds = parent.received(SPNM_SPINEND);
    ASSERT_EQ(parentEnds.size(), 1u);
    EXPECT_EQ(parentEnds[0].wp, 0u);
    EXPECT_EQ(parentEnds[0].lp, kId);
    EXPECT_NE(GetCapture(), parts.up);
    setValue(10000);
    parent.clear();
    click(parts.up);
    EXPECT_TRUE(parent.received(SPNM_SPINEND).empty());
}

TEST_F(Spinner, holding_repeats_after_500_then_every_100_ms_until_released_or_cancelled) {
    Watch w(spinner);
    press(parts.up);
    // Wait for four steps (the press and three repeats), at most 3 s.
    const DWORD start = GetTickCount();
    while (w.seen(SPNM_STEPUP).size() < 4 && GetTickCount() - start < 3000) wintest::pumpFor(10);
    release(parts.up);
    auto t = w.seen(SPNM_STEPUP);
    ASSERT_GE(t.size(), 4u);
    EXPECT_GE(t[1].tick - t[0].tick, 450u);
    EXPECT_LE(t[1].tick - t[0].tick, 900u);  // generous: the machine may be busy
    for (size_t i = 2; i < 4; ++i) {
        EXPECT_GE(t[i].tick - t[i - 1].tick, 80u) << i;
        EXPECT_LE(t[i].tick - t[i - 1].tick, 400u) << i;
    }
    EXPECT_EQ(w.seen(SPNM_SPINBEGIN).size(), 1u);  // one spin for the whole hold
    const size_t n = w.seen(SPNM_STEPUP).size();
    wintest::pumpFor(300);
    EXPECT_EQ(w.seen(SPNM_STEPUP).size(), n);
    // WM_CANCELMODE stops a hold before its first repeat, without an end.
    const size_t ends = w.seen(SPNM_SPINEND).size();
    press(parts.up);
    SendMessageA(parts.up, WM_CANCELMODE, 0, 0);
    wintest::pumpFor(700);
    EXPECT_EQ(w.seen(SPNM_STEPUP).size(), n + 1);
    EXPECT_EQ(w.seen(SPNM_SPINEND).size(), ends);
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
    move(parts.up, 4 - 17 + 10);  // downward on the up button steps down
    auto downs = w.seen(SPNM_STEPDOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].wp, 2u);
    wintest::pumpFor(650);  // a drag stops the auto-repeat
    EXPECT_EQ(w.seen(SPNM_STEPUP).size(), 3u);
    EXPECT_EQ(text(), "1.2");  // 1.0 + 0.1 + 0.2 + 0.1 - 0.2
    // Past the top of the screen the cursor wraps to the bottom.
    POINT o{0, 0};
    ClientToScreen(parts.up, &o);
    move(parts.up, -o.y);
    POINT c;
    GetCursorPos(&c);
    EXPECT_EQ(c.y, GetSystemMetrics(SM_CYSCREEN) - 2);
    release(parts.up);
    EXPECT_EQ(w.seen(SPNM_SPINEND).size(), 1u);
    EXPECT_EQ(parent.received(SPNM_SPINEND).size(), 1u);
}

TEST_F(Spinner, right_click_restores_during_a_drag_and_resets_to_the_default_when_idle) {
    Watch w(spinner);
    press(parts.up, 4);
    move(parts.up, 4 - 12);
    EXPECT_EQ(text(), "1.3");
    rightClick(parts.up, -8);
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
    setDefault(5);
    rightClick(parts.down, 4);
    EXPECT_EQ(text(), "5.0");
    setDefault(-3);  // below the minimum: raised to it
    rightClick(parts.down, 4);
    EXPECT_EQ(text(), "0.001");
}

TEST_F(Spinner, clicks_pass_to_the_parent_focus_goes_to_the_edit_and_enable_reaches_the_children) {
    SendMessageA(parts.edit, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 4));
    POINT atEdit{3, 4};  // in the parent's coordinates
    MapWindowPoints(parts.edit, parent.hwnd(), &atEdit, 1);
    press(parts.down, 2);
    release(parts.down, 2);
    const auto r = parent.received(WM_RBUTTONDOWN), l = parent.received(WM_LBUTTONDOWN);
    ASSERT_EQ(r.size(), 1u);
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(r[0].lp, MAKELPARAM(atEdit.x, atEdit.y));
    EXPECT_EQ(l[0].lp, MAKELPARAM(20 + 80 - 12 + 5, 30 + 9 + 2));
    press(parts.down, 2, MK_LBUTTON | MK_CONTROL);  // with Ctrl the press is not passed on
    release(parts.down, 2);
    EXPECT_EQ(parent.received(WM_LBUTTONDOWN).size(), 1u);
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

TEST_F(Spinner, arrows_point_their_way_press_sinks_and_the_edit_is_sunken) {
    const COLORREF fg = RGB(160, 160, 160), back = RGB(56, 56, 56), light = RGB(70, 70, 70), dark = RGB(25, 25, 25);
    wintest::Capture up = wintest::capture(parts.up);
    ASSERT_EQ(up.width, 12);
    ASSERT_EQ(up.height, 9);
    // Up: a five-pixel base on row 5 narrowing to a tip at (5, 3); down: the mirror.
    wintest::expectPixels(up, {{3, 5, fg}, {7, 5, fg}, {8, 5, back}, {5, 3, fg}, {4, 3, back},
                               {0, 0, light}, {11, 8, dark}, {0, 8, dark}});
    wintest::expectPixels(wintest::capture(parts.down), {{3, 3, fg}, {7, 3, fg}, {5, 5, fg}, {4, 5, back}});
    SendMessageA(parts.up, BM_SETSTATE, 1, 0);
    wintest::expectPixels(wintest::capture(parts.up), {{0, 0, dark}, {11, 8, light}});
    SendMessageA(parts.up, BM_SETSTATE, 0, 0);
    EnableWindow(spinner, FALSE);
    wintest::expectPixels(wintest::capture(parts.up), {{5, 3, dark}});
    EnableWindow(spinner, TRUE);
    const wintest::Capture e = wintest::capture(parts.edit, true);
    ASSERT_EQ(e.width, 80 - 13);
    wintest::expectPixels(e, {{0, 0, dark}, {66, 17, light}, {1, 1, RGB(0, 0, 0)}, {65, 16, back},
                              {60, 9, RGB(53, 70, 87)}});
    LOGFONTA lf{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(parts.edit, WM_GETFONT, 0, 0)), sizeof lf, &lf);
    EXPECT_EQ(lf.lfHeight, -11);
    EXPECT_EQ(SendMessageA(parts.edit, EM_GETMARGINS, 0, 0), MAKELONG(1, 1));
}

TEST(spinner_lifetime, defaults_after_creation_and_destroyed_with_its_parent) {
    Parent parent(100, 100, 200, 80);
    HWND s = parent.child("vqSpinner", "", 0, 10, 10, 60, 18, 5);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(*reinterpret_cast<const double*>(SendMessageA(s, SPNM_GETVALUE, 0, 0)), 0.0);
    const Parts p = partsOf(s);
    EXPECT_EQ(wintest::windowText(p.edit), "0");
    SendMessageA(s, SPNM_STEPUP, 150, 0);  // default range 0 .. 100, step 1
    EXPECT_EQ(wintest::windowText(p.edit), "100");
    EXPECT_EQ(SendMessageA(s, SPNM_SETRANGE, 0, 0), 1);  // null pointers are ignored rather than read
    EXPECT_EQ(SendMessageA(s, SPNM_SETVALUE, 0, 0), 1);
    DestroyWindow(s);
    EXPECT_FALSE(IsWindow(p.edit));
    EXPECT_FALSE(IsWindow(p.up));
}
