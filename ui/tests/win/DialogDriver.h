// Drives modal dialogs in tests: an action armed before the blocking call
// runs from a thread timer once the dialog (a visible "#32770" window of this
// thread, not `except`) has been up for a few ticks, so it has painted.
#pragma once

#include <windows.h>

#include <functional>

namespace wintest {

// The top visible dialog window of this thread other than except, or null.
HWND findDialog(HWND except = nullptr);
// Arms action for the next dialog that opens (after `ticks` timer ticks of
// 50 ms with the dialog visible). One action at a time; a new one replaces it.
void driveNextDialog(std::function<void(HWND)> action, int ticks = 3, HWND except = nullptr);
// Clicks a dialog's control the way a user does: BN_CLICKED to the dialog.
void clickControl(HWND dialog, int id);
// A key pressed and released at the keyboard (with Shift held when shift):
// synthesized input, which reaches the focused window through the modal
// loop's dialog routing as a person's key does.
void sendKey(WORD vk, bool shift = false);

}  // namespace wintest
