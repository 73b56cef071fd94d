#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "WinTestSupport.h"
#include "skin/SkinControls.h"
#include "skin/SkinPrimitives.h"

using namespace wintest;

namespace {

constexpr int kId = 1000;

// The spinner's children: the edit, and the arrows right of it, up on top.
struct Parts {
    HWND edit, up, down;
};

Parts partsOf(HWND spinner) {
    RECT r;
    GetClientRect(spinner, &r);
    const auto at = [&](LONG x, LONG y) { return ChildWindowFromPoint(spinner, POINT{x, y}); };
    return {at(2, 2), at(r.right - 6, 4), at(r.right - 6, 13)};
}

// The options dialog's scale field: 0.001 .. 10000, step 0.1, 3 decimals, at 1.0.
class Spinner : public ::testing::Test {
protected:
    Parent parent{100, 100, 240, 120};
    HWND spinner = parent.child("vqSpinner", "", 0, 20, 30, 80, 18, kId);
    Parts parts = partsOf(spinner);

    void SetUp() override {
        ASSERT_TRUE(parts.edit != spinner && parts.up != spinner && parts.down != parts.up);
        setRange(0.001, 10000, 0.1, 3, 0);
        setValue(1.0);
        pump();
        parent.clear();
    }
    void setRange(double lo, double hi, double step, int precision, int wrap) {
        SpinnerRange r{lo, hi, step, static_cast<int16_t>(precision), wrap};
        SendMessageA(spinner, SPNM_SETRANGE, 0, reinterpret_cast<LPARAM>(&r));
    }
    void setValue(double v) { SendMessageA(spinner, SPNM_SETVALUE, 0, reinterpret_cast<LPARAM>(&v)); }
    void setDefault(double v) { SendMessageA(spinner, SPNM_SETDEFAULT, 0, reinterpret_cast<LPARAM>(&v)); }
    double value() { return *reinterpret_cast<const double*>(SendMessageA(spinner, SPNM_GETVALUE, 0, 0)); }
    std::string text() { return windowText(parts.edit); }
    void send(UINT msg, WPARAM wp = 0) { SendMessageA(spinner, msg, wp, 0); }
    void press(HWND b, int y = 4, WPARAM keys = MK_LBUTTON) { SendMessageA(b, WM_LBUTTONDOWN, keys, MAKELPARAM(5, y)); }
    void release(HWND b, int y = 4) { SendMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(5, y)); }
    void move(HWND b, int y) { SendMessageA(b, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, y)); }
    void rightClick(HWND b, int y) {
        SendMessageA(b, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, y));
        SendMessageA(b, WM_RBUTTONUP, 0, MAKELPARAM(5, y));
    }
    void click(HWND b, int vkHeld = 0) {
        if (vkHeld) setKey(vkHeld, true);
        press(b, 4, MK_LBUTTON | (vkHeld == VK_CONTROL ? MK_CONTROL : 0));
        release(b);
        if (vkHeld) setKey(vkHeld, false);
        pump();
    }
    void type(const char* s) {
        SetFocus(parts.edit);
        SendMessageA(parts.edit, EM_SETSEL, 0, -1);
        for (; *s; ++s) SendMessageA(parts.edit, WM_CHAR, static_cast<unsigned char>(*s), 1);
    }
};

}  // namespace

TEST_F(Spinner, steps_by_click_with_ctrl_and_alt_by_arrow_keys_and_by_wheel_notches) {
    const struct { HWND button; int vk; const char* text; } clicks[] = {
        {parts.up, 0, "1.1"}, {parts.up, VK_CONTROL, "2.0"}, {parts.up, VK_MENU, "1.01"}, {parts.down, 0, "0.9"}};
    for (const auto& c : clicks) {
        setValue(1.0);
        click(c.button, c.vk);
        EXPECT_EQ(text(), c.text) << c.vk;
    }
    EXPECT_DOUBLE_EQ(value(), 0.9);
    SendMessageA(parts.edit, WM_KEYDOWN, VK_UP, 0);
    SendMessageA(parts.edit, WM_KEYDOWN, VK_UP, 0);
    SendMessageA(parts.edit, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(text(), "1.0");
    for (int delta : {-240, 60, -60})  // parts of a notch do nothing
        SendMessageA(spinner, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
    EXPECT_EQ(text(), "0.8");
}

TEST_F(Spinner, clamps_quietly_at_the_ends_reports_changes_and_wraps) {
    send(SPNM_STEPUP, 1);
    auto cmds = (pump(), parent.received(WM_COMMAND));
    ASSERT_GE(cmds.size(), 1u);
    EXPECT_EQ(cmds[0].wp, MAKEWPARAM(kId, 0));  // notification code 0 outside a spin
    EXPECT_EQ(reinterpret_cast<HWND>(cmds[0].lp), spinner);
    parent.clear();
    setValue(25000);  // SETVALUE is silent; outside the range it is shown and kept clamped
    EXPECT_EQ(text(), "10000.0");
    send(SPNM_STEPUP, 1);
    EXPECT_EQ(value(), 10000);
    pump();
    EXPECT_TRUE(parent.received(WM_COMMAND).empty());  // the text did not change
    setValue(0.05);
    send(SPNM_STEPDOWN, 1);
    EXPECT_EQ(text(), "0.001");
    EXPECT_EQ(value(), 0.001);
    // 0..9 wrapping: up past 9, back down past 0, then a step longer than the range.
    setRange(0, 9, 1, 0, 1);
    setValue(9);
    EXPECT_EQ(SendMessageA(spinner, SPNM_SETRANGE, 0, 0), 1);  // null pointers are ignored rather than read
    EXPECT_EQ(SendMessageA(spinner, SPNM_SETVALUE, 0, 0), 1);
    send(SPNM_STEPUP, 1);
    EXPECT_EQ(text(), "0");
    send(SPNM_STEPDOWN, 1);
    EXPECT_EQ(text(), "9");
    send(SPNM_STEPUP, 25);
    EXPECT_EQ(text(), "4");
}

TEST_F(Spinner, trims_filters_typing_normalises_on_leaving_and_fits_huge_values) {
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
    pump();
    EXPECT_FALSE(parent.received(WM_COMMAND).empty());  // posted for each value change
    SetFocus(parent.hwnd());
    EXPECT_EQ(text(), "42.0");
    setRange(0, 100, 1, 0, 0);
    setValue(10);
    EXPECT_EQ(text(), "10");
    // The 16-character buffers: huge values lose digits, a pasted long text is read to 15.
    setRange(-1e300, 1e300, 1, 15, 0);
    for (double v : {1.2345678901234567e200, -98765432109876.5}) {
        setValue(v);
        EXPECT_LE(text().size(), 15u) << v;
        EXPECT_NEAR(value() / v, 1.0, 1e-6);
    }
    SetFocus(parts.edit);
    SetWindowTextA(parts.edit, "12345678901234567890123");
    EXPECT_EQ(value(), 123456789012345.0);
    SetFocus(parent.hwnd());
    EXPECT_EQ(text(), "123456789012345");
}

TEST_F(Spinner, click_gives_one_step_one_spin_pair_and_one_parent_end_if_it_changed) {
    Watch w(spinner);
    parent.clear();
    click(parts.up);
    EXPECT_EQ(text(), "1.1");
    const auto cmds = parent.received(WM_COMMAND);
    ASSERT_FALSE(cmds.empty());
    for (const Msg& c : cmds) EXPECT_EQ(c.wp, MAKEWPARAM(kId, 1));  // during a spin the notification code is 1
    EXPECT_EQ(w.seen(SPNM_STEPUP).size(), 1u);
    EXPECT_EQ(w.seen(SPNM_SPINBEGIN).size(), 1u);
    ASSERT_EQ(w.seen(SPNM_SPINEND).size(), 1u);
    EXPECT_EQ(w.seen(SPNM_SPINEND)[0].wp, 0u);
    auto parentEnds = parent.received(SPNM_SPINEND);
    ASSERT_EQ(parentEnds.size(), 1u);
    EXPECT_EQ(std::make_pair(parentEnds[0].wp, parentEnds[0].lp), std::make_pair(WPARAM{0}, LPARAM{kId}));
    setValue(10000);
    parent.clear();
    click(parts.up);
    EXPECT_TRUE(parent.received(SPNM_SPINEND).empty());
}

TEST_F(Spinner, holding_repeats_after_500_then_every_100_ms_until_released_or_cancelled) {
    Watch w(spinner);
    press(parts.up);
    // Wait for seven steps (the press and six repeats), at most 10 s.
    const DWORD start = GetTickCount();
    while (w.seen(SPNM_STEPUP).size() < 7 && GetTickCount() - start < 10000) pumpFor(10);
    release(parts.up);
    auto t = w.seen(SPNM_STEPUP);
    ASSERT_GE(t.size(), 7u);
    // A timer never fires early, but a busy machine fires it late: each gap
    // is at least its period, and the shortest repeat gap, the one least
    // delayed, shows the 100 ms period (a 500 ms one could not come under 450).
    DWORD shortestRepeat = ~DWORD{0};
    for (size_t i = 1; i < 7; ++i) {
        EXPECT_GE(t[i].tick - t[i - 1].tick, i == 1 ? 450u : 80u) << i;
        if (i > 1) shortestRepeat = std::min(shortestRepeat, t[i].tick - t[i - 1].tick);
    }
    EXPECT_LT(shortestRepeat, 450u);
    EXPECT_EQ(w.seen(SPNM_SPINBEGIN).size(), 1u);  // one spin for the whole hold
    const size_t n = w.seen(SPNM_STEPUP).size();
    pumpFor(300);
    EXPECT_EQ(w.seen(SPNM_STEPUP).size(), n);
    // WM_CANCELMODE stops a hold before its first repeat, without an end.
    const size_t ends = w.seen(SPNM_SPINEND).size();
    press(parts.up);
    SendMessageA(parts.up, WM_CANCELMODE, 0, 0);
    pumpFor(700);
    EXPECT_EQ(w.seen(SPNM_STEPUP).size(), n + 1);
    EXPECT_EQ(w.seen(SPNM_SPINEND).size(), ends);
    EXPECT_NE(GetCapture(), parts.up);
}

TEST_F(Spinner, drag_of_12_pixels_is_one_step_of_two_small_moves_add_up_and_right_click_restores) {
    Watch w(spinner);
    press(parts.up, 4);
    move(parts.up, 4 - 12);
    auto ups = w.seen(SPNM_STEPUP);
    ASSERT_EQ(ups.size(), 2u);  // the press, then the drag
    EXPECT_EQ(ups[1].wp, 2u);
    EXPECT_EQ(text(), "1.3");
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
    pumpFor(650);  // a drag stops the auto-repeat
    EXPECT_EQ(w.seen(SPNM_STEPUP).size(), 3u);
    EXPECT_EQ(text(), "1.2");  // 1.0 + 0.1 + 0.2 + 0.1 - 0.2
    // Past the top of the screen the cursor wraps to the bottom.
    POINT o{0, 0};
    ClientToScreen(parts.up, &o);
    move(parts.up, -o.y);
    POINT c;
    GetCursorPos(&c);
    EXPECT_EQ(c.y, GetSystemMetrics(SM_CYSCREEN) - 2);
    // A right click cancels the drag: back to the value at the press, the
    // spin ends as cancelled and the parent hears nothing.
    rightClick(parts.up, -8);
    EXPECT_EQ(text(), "1.0");
    EXPECT_EQ(value(), 1.0);
    pump();
    EXPECT_TRUE(parent.received(SPNM_SPINEND).empty());
    auto ends = w.seen(SPNM_SPINEND);
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].wp, 1u);
    EXPECT_NE(GetCapture(), parts.up);
    release(parts.up);  // a late release ends nothing
    EXPECT_EQ(w.seen(SPNM_SPINEND).size(), 1u);
}

TEST_F(Spinner, right_click_when_idle_resets_to_the_default_raised_into_the_range) {
    setDefault(5);
    rightClick(parts.down, 4);
    EXPECT_EQ(text(), "5.0");
    setDefault(-3);
    rightClick(parts.down, 4);
    EXPECT_EQ(text(), "0.001");
}

TEST_F(Spinner, clicks_pass_to_the_parent_and_focus_goes_to_the_edit) {
    SendMessageA(parts.edit, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 4));
    POINT atEdit{3, 4};  // in the parent's coordinates
    MapWindowPoints(parts.edit, parent.hwnd(), &atEdit, 1);
    click(parts.down);
    click(parts.down, VK_CONTROL);  // with Ctrl the press is not passed on
    const auto r = parent.received(WM_RBUTTONDOWN), l = parent.received(WM_LBUTTONDOWN);
    ASSERT_EQ(r.size(), 1u);
    ASSERT_EQ(l.size(), 1u);
    EXPECT_EQ(r[0].lp, MAKELPARAM(atEdit.x, atEdit.y));
    EXPECT_EQ(l[0].lp, MAKELPARAM(20 + 80 - 12 + 5, 30 + 9 + 4));
    SetFocus(spinner);
    EXPECT_EQ(GetFocus(), parts.edit);
    EXPECT_FALSE(parent.received(WM_SETFOCUS).empty());
}

TEST_F(Spinner, arrows_point_their_way_press_sinks_disabled_greys_and_the_edit_is_sunken) {
    // 12 x 9 each. Up: a five-pixel base on row 5 narrowing to a tip at (5, 3); down: the mirror.
    expectPixels(capture(parts.up), {{3, 5, kText}, {7, 5, kText}, {8, 5, kBack}, {5, 3, kText}, {4, 3, kBack},
                                     {0, 0, kLight}, {11, 8, kDark}, {0, 8, kDark}, {12, 0, CLR_INVALID},
                                     {0, 9, CLR_INVALID}});
    expectPixels(capture(parts.down), {{3, 3, kText}, {7, 3, kText}, {5, 5, kText}, {4, 5, kBack}});
    SendMessageA(parts.up, BM_SETSTATE, 1, 0);
    expectPixels(capture(parts.up), {{0, 0, kDark}, {11, 8, kLight}});
    SendMessageA(parts.up, BM_SETSTATE, 0, 0);
    EnableWindow(spinner, FALSE);  // reaches the children: the arrow greys out
    EXPECT_FALSE(IsWindowEnabled(parts.edit));
    expectPixels(capture(parts.up), {{5, 3, kDark}});
    EnableWindow(spinner, TRUE);
    // The edit, 80 - 13 pixels wide, is sunken.
    expectPixels(capture(parts.edit, true), {{0, 0, kDark}, {66, 17, kLight}, {67, 17, CLR_INVALID}});
    EXPECT_EQ(SendMessageA(parts.edit, EM_GETMARGINS, 0, 0), MAKELONG(1, 1));
}

// Synthesized hardware input (SendInput): the path through capture, focus and
// the system's own routing, not only messages sent straight to a window.
TEST_F(Spinner, real_input_click_wheel_and_captured_drag) {
    setRange(0, 100, 1, 0, 0);
    setValue(50);
    SetForegroundWindow(parent.hwnd());
    const auto mouse = [](HWND w, int x, int y, DWORD flags, DWORD data = 0) {
        POINT p{x, y};
        ClientToScreen(w, &p);
        SetCursorPos(p.x, p.y);
        pump();
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flags;
        in.mi.mouseData = data;
        SendInput(1, &in, sizeof in);
        pumpFor(30);
    };
    mouse(parts.up, 6, 4, MOUSEEVENTF_LEFTDOWN);
    mouse(parts.up, 6, 4, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(text(), "51");
    EXPECT_EQ(parent.received(SPNM_SPINEND).size(), 1u);
    EXPECT_EQ(GetCapture(), nullptr);
    // The wheel goes to the focused edit, which passes it to the spinner.
    SetFocus(spinner);
    mouse(parts.edit, 10, 5, MOUSEEVENTF_WHEEL, WHEEL_DELTA);
    mouse(parts.edit, 10, 5, MOUSEEVENTF_WHEEL, WHEEL_DELTA);
    EXPECT_EQ(text(), "53");
    // Press down (52), then move 40 pixels up outside the captured arrow: 8 steps up.
    mouse(parts.down, 6, 4, MOUSEEVENTF_LEFTDOWN);
    mouse(parts.down, 6, 4 - 40, MOUSEEVENTF_MOVE);
    mouse(parts.down, 6, 4 - 40, MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(text(), "60");
    EXPECT_EQ(parent.received(SPNM_SPINEND).size(), 2u);
}
