// The same controls driven by synthesized hardware input (SendInput), so the
// path through capture, focus and the system's own message routing is
// covered too, not only messages sent straight to a window.
#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "skin/SkinControls.h"

using wintest::Parent;

namespace {

void mouseTo(HWND w, int x, int y) {
    POINT p{x, y};
    ClientToScreen(w, &p);
    SetCursorPos(p.x, p.y);
    wintest::pump();
}

void mouse(DWORD flags, DWORD data = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    in.mi.mouseData = data;
    SendInput(1, &in, sizeof in);
    wintest::pumpFor(30);
}

}  // namespace

TEST(real_input, spinner_click_wheel_and_captured_drag) {
    Parent parent(100, 100, 240, 100);
    HWND spinner = parent.child("vqSpinner", "", 0, 20, 30, 80, 18, 1000);
    SpinnerRange r{0, 100, 1, 0, 0};
    SendMessageA(spinner, SPNM_SETRANGE, 0, reinterpret_cast<LPARAM>(&r));
    double v = 50;
    SendMessageA(spinner, SPNM_SETVALUE, 0, reinterpret_cast<LPARAM>(&v));
    HWND edit = GetWindow(spinner, GW_CHILD);
    SetForegroundWindow(parent.hwnd());
    wintest::pumpFor(30);
    // The arrows sit right of the edit: up at the top, down below it.
    const POINT upAt{80 - 6, 4}, downAt{80 - 6, 9 + 4};
    mouseTo(spinner, upAt.x, upAt.y);
    mouse(MOUSEEVENTF_LEFTDOWN);
    mouse(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(wintest::windowText(edit), "51");
    EXPECT_EQ(parent.received(SPNM_SPINEND).size(), 1u);
    EXPECT_EQ(GetCapture(), nullptr);
    // The wheel goes to the focused edit, which passes it to the spinner.
    SetFocus(spinner);
    mouseTo(edit, 10, 5);
    mouse(MOUSEEVENTF_WHEEL, WHEEL_DELTA);
    EXPECT_EQ(wintest::windowText(edit), "52");
    mouse(MOUSEEVENTF_WHEEL, static_cast<DWORD>(-WHEEL_DELTA));
    EXPECT_EQ(wintest::windowText(edit), "51");
    // Press down (50), then move 40 pixels up outside the captured arrow: 8 steps up.
    mouseTo(spinner, downAt.x, downAt.y);
    mouse(MOUSEEVENTF_LEFTDOWN);
    mouseTo(spinner, downAt.x, downAt.y - 40);
    mouse(MOUSEEVENTF_MOVE);
    mouse(MOUSEEVENTF_LEFTUP);
    EXPECT_EQ(wintest::windowText(edit), "58");
    EXPECT_EQ(parent.received(SPNM_SPINEND).size(), 2u);
}
