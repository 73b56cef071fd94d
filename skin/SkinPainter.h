// The skinned dialog: its shaped outline, its background, dragging by the
// frame, centring on the owner, owner-drawn push buttons, and the skins of
// check boxes, group boxes and single-line edits (applied by replacing the
// control's window procedure and removed by putting it back).
#pragma once

#include <windows.h>

class SkinPainter {
public:
    // WM_INITDIALOG: the window region (body, caption tab and strip, bottom tab).
    static void ApplyWindowShape(HWND dialog);
    // WM_INITDIALOG: centred on owner (or the primary work area), kept inside
    // the monitor's work area, size unchanged.
    static void CenterOnMonitor(HWND window, HWND owner);
    // WM_PAINT, before the dialog's own content: the whole client area.
    static void PaintFrame(HWND dialog, HDC dc);
    // WM_LBUTTONDOWN: true when the point lies outside the inner area, where
    // a press drags the window.
    static bool HitCaption(HWND dialog, LPARAM lParam);
    // WM_DRAWITEM of a BS_OWNERDRAW push button.
    static void DrawSkinButton(const DRAWITEMSTRUCT& item);
};

// Each skin: install at WM_INITDIALOG, remove at WM_DESTROY. A control
// destroyed while skinned removes its skin itself, and installing twice
// changes nothing.
class SkinCheckBox {
public:
    static bool install(HWND control);
    static void remove(HWND control);
};

class SkinGroupBox {
public:
    static bool install(HWND control);
    static void remove(HWND control);
};

class SkinEdit {
public:
    static bool install(HWND control);
    static void remove(HWND control);
};

// The edit border of the skin, shared with the spinner's edit: inner frame
// black / background, outer frame dark / light, painted in window
// coordinates of the edit.
void PaintSkinEditBorder(HWND edit);
