// The same controls driven by synthesized hardware input (SendInput), so the
// path through capture, focus and the system's own message routing is
// covered too, not only messages sent straight to a window.
#include <gtest/gtest.h>

#include <cstring>

#include "WinTestSupport.h"
#include "skin/SkinControls.h"
#include "skin/SkinPainter.h"

using wintest::Parent;

namespace {

void mouseAt(HWND w, int x, int y) {
    POINT p{x, y};
    ClientToScreen(w, &p);
    SetCursorPos(p.x, p.y);
    wintest::pump();
}

void sendMouse(DWORD flags, DWORD data = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.mouseData = data;
    SendInput(1, &in, sizeof in);
    wintest::pumpFor(30);
}

void bringToFront(HWND w) {
    SetForegroundWindow(w);
    SetActiveWindow(w);
    wintest::pumpFor(30);
}

HWND childAt(HWND spinner, bool up) {
    for (HWND c = GetWindow(spinner, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = {};
        GetClassNameA(c, cls, sizeof cls);
        if (strcmp(cls, kSpinButtonClass) != 0) continue;
        RECT r;
        GetWindowRect(c, &r);
        POINT o{r.left, r.top};
        ScreenToClient(spinner, &o);
        if ((o.y == 0) == up) return c;
    }
    return nullptr;
}

}  // namespace

TEST(real_input, clicking_the_up_arrow_and_the_wheel_step_the_spinner) {
    Parent parent(100, 100, 240, 100);
    HWND spinner = parent.child("vqSpinner", "", 0, 20, 30, 80, 18, 1000);
    SpinnerRange r{0.001, 10000, 0.1, 3, 0};
    SendMessageA(spinner, SPNM_SETRANGE, 0, reinterpret_cast<LPARAM>(&r));
    double v = 1.0;
    SendMessageA(spinner, SPNM_SETVALUE, 0, reinterpret_cast<LPARAM>(&v));
    HWND edit = GetWindow(spinner, GW_CHILD);
    bringToFront(parent.hwnd());

    HWND up = childAt(spinner, true);
    ASSERT_NE(up, nullptr);
    mouseAt(up, 5, 4);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    sendMouse(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(wintest::windowText(edit), "1.1");
    EXPECT_EQ(parent.received(SPNM_SPINEND).size(), 1u);
    EXPECT_EQ(GetCapture(), nullptr);

    // The wheel goes to the focused edit, which passes it to the spinner.
    SetFocus(spinner);
    EXPECT_EQ(GetFocus(), edit);
    mouseAt(edit, 10, 5);
    sendMouse(MOUSEEVENTF_WHEEL, WHEEL_DELTA);
    EXPECT_EQ(wintest::windowText(edit), "1.2");
    sendMouse(MOUSEEVENTF_WHEEL, static_cast<DWORD>(-WHEEL_DELTA));
    EXPECT_EQ(wintest::windowText(edit), "1.1");
}

TEST(real_input, dragging_the_arrow_steps_by_the_distance) {
    Parent parent(100, 200, 240, 100);
    HWND spinner = parent.child("vqSpinner", "", 0, 20, 30, 80, 18, 1000);
    SpinnerRange r{0, 100, 1, 0, 0};
    SendMessageA(spinner, SPNM_SETRANGE, 0, reinterpret_cast<LPARAM>(&r));
    double v = 50;
    SendMessageA(spinner, SPNM_SETVALUE, 0, reinterpret_cast<LPARAM>(&v));
    HWND edit = GetWindow(spinner, GW_CHILD);
    HWND down = childAt(spinner, false);
    ASSERT_NE(down, nullptr);
    bringToFront(parent.hwnd());
    mouseAt(down, 5, 4);
    sendMouse(MOUSEEVENTF_LEFTDOWN);  // one step down: 49
    POINT p{5, 4};
    ClientToScreen(down, &p);
    SetCursorPos(p.x, p.y - 40);  // captured: the move reaches the arrow from outside
    sendMouse(MOUSEEVENTF_MOVE);  // 40 pixels up: 8 steps up: 57
    sendMouse(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(wintest::windowText(edit), "57");
    EXPECT_EQ(parent.received(SPNM_SPINEND).size(), 1u);
}

TEST(real_input, clicking_a_skinned_check_box_toggles_it) {
    Parent parent(100, 300, 200, 60);
    HWND box = parent.child("BUTTON", "Water", BS_AUTOCHECKBOX, 10, 10, 120, 20, 1038);
    ASSERT_TRUE(SkinCheckBox::install(box));
    bringToFront(parent.hwnd());
    mouseAt(box, 6, 10);
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    sendMouse(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), 1);
    EXPECT_EQ(parent.received(WM_COMMAND).size(), 1u);
    // Pressed on the box, released outside the control: nothing.
    sendMouse(MOUSEEVENTF_LEFTDOWN);
    mouseAt(box, 6, 40);
    sendMouse(MOUSEEVENTF_MOVE);
    sendMouse(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), 1);
    EXPECT_EQ(parent.received(WM_COMMAND).size(), 1u);
    SkinCheckBox::remove(box);
}
