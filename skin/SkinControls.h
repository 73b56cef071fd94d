// The skin's own window classes: the numeric spinner "vqSpinner" with its
// arrow buttons "vqSpinButton", and the progress bar "vqProgressCtrl".
// Messages are in SkinMessages.h.
#pragma once

#include <windows.h>

#include <cstdint>

#include "skin/SkinMessages.h"

constexpr const char* kSpinnerClass = "vqSpinner";
constexpr const char* kSpinButtonClass = "vqSpinButton";
constexpr const char* kProgressClass = "vqProgressCtrl";

// Passed with SPNM_SETRANGE.
struct SpinnerRange {
    double minimum;     // lowest value
    double maximum;     // highest value
    double step;        // amount of one step
    int16_t precision;  // decimals shown
    int32_t wrap;       // nonzero: stepping past one end continues from the other
};

// Registers "vqProgressCtrl", "vqSpinButton" and "vqSpinner" in that order.
// A class that already exists counts as registered. On any other failure a
// message box names the class and the later classes are not registered.
bool RegisterSkinControls(HINSTANCE instance);
// Unregisters the three classes of instance (the module is going away: a
// class left behind would keep a window procedure in the unmapped module).
// A class that is missing, or still has windows, is passed over.
void UnregisterSkinControls(HINSTANCE instance);

// The same with the two system calls replaceable, so tests can watch the
// order and force a failure without a modal message box.
using RegisterClassFn = ATOM (*)(const WNDCLASSA*);
using ReportFailureFn = int (*)(HWND, const char* text, const char* caption, UINT type);
bool RegisterSkinControlsWith(HINSTANCE instance, RegisterClassFn registerClass, ReportFailureFn report);

// Window procedures, for the registration.
LRESULT CALLBACK SpinnerWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK SpinButtonWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK ProgressWndProc(HWND, UINT, WPARAM, LPARAM);
