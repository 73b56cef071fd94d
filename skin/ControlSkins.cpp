// The skins of the standard controls: each replaces the control's window
// procedure, handles what it paints itself and passes the rest on.

#include <new>

#include "skin/ControlLayout.h"
#include "skin/GdiOwners.h"
#include "skin/SkinPainter.h"
#include "skin/SkinPrimitives.h"

namespace {

// The replaced procedures. All controls of one kind share one window class,
// so one variable per kind serves them all.
WNDPROC g_checkBoxProc = nullptr;
WNDPROC g_groupBoxProc = nullptr;
WNDPROC g_editProc = nullptr;

// One per skinned check box, kept in the control's user data.
struct CheckBoxState {
    int checkState;  // 0 or 1
    int pressed;     // 1 while the left button is held on the control, 2 while the space bar is
};

WNDPROC currentProc(HWND w) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w, GWLP_WNDPROC)); }

void setProc(HWND w, WNDPROC p) { SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(p)); }

void redrawNow(HWND w) { RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); }

// ---- check box -------------------------------------------------------------

LRESULT CALLBACK checkBoxProc(HWND, UINT, WPARAM, LPARAM);
void detachCheckBox(HWND w, bool keepCheck);

CheckBoxState* checkState(HWND w) { return reinterpret_cast<CheckBoxState*>(GetWindowLongPtrA(w, GWLP_USERDATA)); }

skin::Rect clientOf(HWND w) {
    RECT rc{};
    GetClientRect(w, &rc);
    return {rc.left, rc.top, rc.right, rc.bottom};
}

skin::VerticalAlign verticalAlign(LONG_PTR style) {
    switch (style & BS_VCENTER) {
        case BS_TOP: return skin::VerticalAlign::Top;
        case BS_BOTTOM: return skin::VerticalAlign::Bottom;
        default: return skin::VerticalAlign::Centre;
    }
}

RECT boxRect(HWND w) {
    const LONG_PTR style = GetWindowLongPtrA(w, GWL_STYLE);
    const skin::Rect b = skin::checkBoxBoxRect(clientOf(w), (style & BS_LEFTTEXT) != 0, verticalAlign(style));
    return {b.left, b.top, b.right, b.bottom};
}

// The focus is shown as the system shows it, a dotted frame, and only while
// the window's keyboard cues are on (after the keyboard was used in it).
bool showsFocus(HWND w) {
    return GetFocus() == w && !(SendMessageA(w, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

void drawFocusAround(HDC dc, const char* text, const RECT& area, UINT format) {
    RECT r = area;
    DrawTextA(dc, text, -1, &r, format | DT_CALCRECT);
    // DT_CALCRECT keeps the left edge; centred or right text moves with the area.
    const int width = r.right - r.left;
    if (format & DT_CENTER) r.left = area.left + (area.right - area.left - width) / 2;
    else if (format & DT_RIGHT) r.left = area.right - width;
    r.right = r.left + width;
    InflateRect(&r, 1, 1);
    IntersectRect(&r, &r, &area);  // the frame stays inside the control
    SetTextColor(dc, SkinColors::color(SkinColor::Text));
    SetBkColor(dc, SkinColors::color(SkinColor::Background));
    DrawFocusRect(dc, &r);
}

void paintCheckBox(HWND w, HDC dc, const CheckBoxState& st) {
    const LONG_PTR style = GetWindowLongPtrA(w, GWL_STYLE);
    const bool enabled = IsWindowEnabled(w) != FALSE;
    SelectedObject font(dc, SkinFonts::font(0));
    const int oldMode = SetBkMode(dc, TRANSPARENT);

    char text[64] = {};
    const int len = GetWindowTextA(w, text, sizeof text);
    SIZE ext{};
    GetTextExtentPoint32A(dc, len ? text : "X", len ? len : 1, &ext);
    const skin::Rect tr =
        skin::checkBoxTextRect(clientOf(w), (style & BS_LEFTTEXT) != 0, verticalAlign(style), ext.cy);
    RECT trc{tr.left, tr.top, tr.right, tr.bottom};
    UINT align = DT_LEFT;
    if ((style & BS_CENTER) == BS_CENTER)
        align = DT_CENTER;
    else if (style & BS_RIGHT)
        align = DT_RIGHT;
    const UINT format = align | DT_SINGLELINE;
    if (enabled) {
        SetTextColor(dc, SkinColors::color(SkinColor::Text));
        DrawTextA(dc, text, -1, &trc, format);
        if (showsFocus(w)) drawFocusAround(dc, text, trc, format);
    } else {
        RECT shadow = trc;
        OffsetRect(&shadow, 1, 1);
        SetTextColor(dc, SkinColors::color(SkinColor::EdgeLight));
        DrawTextA(dc, text, -1, &shadow, format);
        SetTextColor(dc, SkinColors::color(SkinColor::EdgeDark));
        DrawTextA(dc, text, -1, &trc, format);
    }

    RECT box = boxRect(w);
    const int fill = st.pressed != 0 ? SkinColor::TroughLight
                     : !enabled      ? SkinColor::Background
                                     : SkinColor::FieldBackground;
    FillSolidRect(dc, box, SkinColors::color(fill));
    Draw3dRect(dc, box, SkinColors::color(SkinColor::EdgeDark), SkinColors::color(SkinColor::EdgeLight));
    InflateRect(&box, -1, -1);
    Draw3dRect(dc, box, RGB(0, 0, 0), SkinColors::color(SkinColor::Background));
    if (st.checkState == 1) {
        GdiPen pen(CreatePen(PS_SOLID, 1, SkinColors::color(enabled ? SkinColor::Text : SkinColor::EdgeDark)));
        SelectedObject selected(dc, pen.get());
        skin::TickStroke strokes[3];
        skin::checkTickStrokes(box.left, box.top, strokes);
        for (const skin::TickStroke& s : strokes) {
            MoveToEx(dc, s.p[0].x, s.p[0].y, nullptr);
            LineTo(dc, s.p[1].x, s.p[1].y);
            LineTo(dc, s.p[2].x, s.p[2].y);
        }
    }
    SetBkMode(dc, oldMode);
}

void invalidateBox(HWND w) {
    const RECT box = boxRect(w);
    InvalidateRect(w, &box, TRUE);
}

LRESULT CALLBACK checkBoxProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    CheckBoxState* st = checkState(w);
    WNDPROC orig = g_checkBoxProc;
    if (!st || !orig) return orig ? CallWindowProcA(orig, w, msg, wp, lp) : DefWindowProcA(w, msg, wp, lp);
    switch (msg) {
        case WM_PAINT: {
            if (!GetUpdateRect(w, nullptr, FALSE)) return 0;
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(w, &ps);
            if (dc) paintCheckBox(w, dc, *st);
            EndPaint(w, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            paintCheckBox(w, reinterpret_cast<HDC>(wp), *st);
            return 0;
        case WM_ERASEBKGND: {
            RECT rc;
            GetClientRect(w, &rc);
            FillSolidRect(reinterpret_cast<HDC>(wp), rc, SkinColors::color(SkinColor::Background));
            return 1;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            st->pressed = 1;
            SetFocus(w);
            SetCapture(w);
            invalidateBox(w);
            return 0;
        case WM_LBUTTONUP: {
            // Only a press that began on the box can toggle it: a release
            // dragged in from elsewhere is not a click.
            const bool wasPressed = st->pressed == 1;
            ReleaseCapture();
            RECT rc;
            GetClientRect(w, &rc);
            const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            st->pressed = 0;
            if (wasPressed && PtInRect(&rc, pt)) {
                st->checkState = 1 - st->checkState;
                const int id = GetDlgCtrlID(w);
                SendMessageA(GetParent(w), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(w));
            }
            invalidateBox(w);
            return 0;
        }
        case WM_CAPTURECHANGED:
            // Capture taken away mid-press (another window, a menu): the
            // press is over without a click.
            if (st->pressed == 1 && reinterpret_cast<HWND>(lp) != w) {
                st->pressed = 0;
                invalidateBox(w);
            }
            return 0;
        case BM_GETCHECK:
            return st->checkState;
        case BM_GETSTATE:
            // From the skin's state, not the replaced control's, which never
            // sees a click: accessibility tools read a check box's state so.
            return (st->checkState ? BST_CHECKED : BST_UNCHECKED) | (st->pressed ? BST_PUSHED : 0) |
                   (GetFocus() == w ? BST_FOCUS : 0);
        case BM_SETCHECK: {
            const int v = wp != BST_UNCHECKED ? 1 : 0;  // two-state: anything set is checked
            if (v != st->checkState) {
                st->checkState = v;
                invalidateBox(w);
            }
            return 0;
        }
        // The space bar presses and releases the box as the left button
        // does: a keyboard user toggles a switch as a system check box
        // lets them.
        case WM_KEYDOWN:
            if (wp == VK_SPACE && st->pressed == 0 && GetCapture() != w) {
                st->pressed = 2;  // by the keyboard: drawn as the mouse's press
                invalidateBox(w);
            }
            return 0;
        case WM_KEYUP:
            if (wp == VK_SPACE && st->pressed == 2) {
                st->pressed = 0;
                st->checkState = 1 - st->checkState;
                invalidateBox(w);
                SendMessageA(GetParent(w), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(w), BN_CLICKED),
                             reinterpret_cast<LPARAM>(w));
            }
            return 0;
        case BM_SETSTATE:  // the system button would paint itself over the skin
        case WM_CHAR:
            return 0;
        case WM_SETFOCUS:
            redrawNow(w);
            return 0;
        case WM_KILLFOCUS:
            if (st->pressed == 2) st->pressed = 0;  // a key press is over when the focus goes
            redrawNow(w);
            return 0;
        case WM_UPDATEUISTATE:
            // The system button would repaint itself for its new keyboard
            // cues; the window's own state is kept, and the skin repaints.
            DefWindowProcA(w, msg, wp, lp);
            redrawNow(w);
            return 0;
        case WM_ENABLE:
            redrawNow(w);
            return 0;
        case WM_SETTEXT:
        case WM_SETFONT: {
            const LRESULT r = CallWindowProcA(orig, w, msg, wp, lp);
            redrawNow(w);
            return r;
        }
        case WM_NCDESTROY:
            detachCheckBox(w, false);
            return CallWindowProcA(orig, w, msg, wp, lp);
        default:
            return CallWindowProcA(orig, w, msg, wp, lp);
    }
}

// ---- group box -------------------------------------------------------------

LRESULT CALLBACK groupBoxProc(HWND, UINT, WPARAM, LPARAM);

void paintGroupBox(HWND w, HDC dc) {
    RECT rc;
    GetClientRect(w, &rc);
    const COLORREF c0 = SkinColors::color(SkinColor::Background);
    const skin::Rgb t = skin::groupTitleColor({GetRValue(c0), GetGValue(c0), GetBValue(c0)});
    SelectedObject font(dc, SkinFonts::font(0));

    char title[63] = {};
    const int len = GetWindowTextA(w, title, sizeof title);
    SIZE ext{};
    if (len > 0) GetTextExtentPoint32A(dc, title, len, &ext);
    // Clear the title band (nothing to clear without a title).
    if (len > 0) FillSolidRect(dc, rc.left + 5, 0, (rc.right - 5) - (rc.left + 5), ext.cy + 3, c0);
    RECT titleRc;
    titleRc.left = rc.right / 2 - ext.cx / 2;
    titleRc.right = titleRc.left + ext.cx;
    titleRc.top = 0;
    titleRc.bottom = ext.cy + 3;

    SIZE x{};
    GetTextExtentPoint32A(dc, "X", 1, &x);
    RECT frame = rc;
    frame.top += x.cy / 2;
    Draw3dRect(dc, frame, c0, c0);  // erase an earlier frame
    frame.right -= 1;
    frame.bottom -= 1;
    Draw3dRect(dc, frame, SkinColors::color(SkinColor::EdgeDark), SkinColors::color(SkinColor::EdgeDark));
    OffsetRect(&frame, 1, 1);
    Draw3dRect(dc, frame, SkinColors::color(SkinColor::EdgeLight), SkinColors::color(SkinColor::EdgeLight));

    if (len > 0) {
        SetBkColor(dc, c0);
        const int oldMode = SetBkMode(dc, OPAQUE);
        SetTextColor(dc, RGB(t.r, t.g, t.b));
        DrawTextA(dc, title, len, &titleRc, DT_LEFT | DT_SINGLELINE);
        SetBkMode(dc, oldMode);
    }
}

LRESULT CALLBACK groupBoxProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    WNDPROC orig = g_groupBoxProc;
    if (!orig) return DefWindowProcA(w, msg, wp, lp);
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(w, &ps);
            if (dc) paintGroupBox(w, dc);
            EndPaint(w, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            paintGroupBox(w, reinterpret_cast<HDC>(wp));
            return 0;
        case WM_SETTEXT:
        case WM_ENABLE:
        case WM_SETFONT:
            CallWindowProcA(orig, w, msg, wp, lp);
            redrawNow(w);
            return msg == WM_SETTEXT ? TRUE : 0;
        case WM_NCDESTROY:
            SkinGroupBox::remove(w);
            return CallWindowProcA(orig, w, msg, wp, lp);
        default:
            return CallWindowProcA(orig, w, msg, wp, lp);
    }
}

// ---- edit ------------------------------------------------------------------

LRESULT CALLBACK editProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    WNDPROC orig = g_editProc;
    if (!orig) return DefWindowProcA(w, msg, wp, lp);
    switch (msg) {
        case WM_NCPAINT:
            PaintSkinEditBorder(w);
            return 0;
        case WM_CHAR:
            if (wp == 13 || wp == 27) SendMessageA(GetParent(w), WM_CHAR, wp, lp);
            return CallWindowProcA(orig, w, msg, wp, lp);
        case WM_NCDESTROY:
            SkinEdit::remove(w);
            return CallWindowProcA(orig, w, msg, wp, lp);
        default:
            return CallWindowProcA(orig, w, msg, wp, lp);
    }
}

// Replaces w's procedure with skinProc, remembering the replaced one in
// slot. False when w is already skinned or is no window.
bool replaceProc(HWND w, WNDPROC skinProc, WNDPROC& slot) {
    if (!IsWindow(w)) return false;
    WNDPROC old = currentProc(w);
    if (old == skinProc) return false;
    slot = old;
    setProc(w, skinProc);
    return true;
}

// Puts the replaced procedure back; a second call finds nothing to do.
bool restoreProc(HWND w, WNDPROC skinProc, WNDPROC slot) {
    if (!IsWindow(w) || currentProc(w) != skinProc || !slot) return false;
    setProc(w, slot);
    return true;
}

}  // namespace

bool SkinCheckBox::install(HWND control) {
    if (!IsWindow(control) || currentProc(control) == checkBoxProc) return false;
    auto* st = new (std::nothrow) CheckBoxState{};
    if (!st) return false;
    // Start from the control's current check so an installed skin shows the
    // state the dialog set before.
    st->checkState = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    SetWindowLongPtrA(control, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(st));
    if (!replaceProc(control, checkBoxProc, g_checkBoxProc)) {
        SetWindowLongPtrA(control, GWLP_USERDATA, 0);
        delete st;
        return false;
    }
    InvalidateRect(control, nullptr, TRUE);
    return true;
}

namespace {

// keepCheck hands the skin's check state back to the plain control, so a
// dialog reading it after the skin is gone sees the same answer.
void detachCheckBox(HWND w, bool keepCheck) {
    if (!restoreProc(w, checkBoxProc, g_checkBoxProc)) return;
    auto* st = checkState(w);
    // Clear first: a message arriving now finds no state.
    SetWindowLongPtrA(w, GWLP_USERDATA, 0);
    if (!st) return;
    if (keepCheck) SendMessageA(w, BM_SETCHECK, st->checkState ? BST_CHECKED : BST_UNCHECKED, 0);
    delete st;
}

}  // namespace

void SkinCheckBox::remove(HWND control) { detachCheckBox(control, true); }

bool SkinGroupBox::install(HWND control) {
    if (!replaceProc(control, groupBoxProc, g_groupBoxProc)) return false;
    InvalidateRect(control, nullptr, TRUE);
    return true;
}

void SkinGroupBox::remove(HWND control) { restoreProc(control, groupBoxProc, g_groupBoxProc); }

bool SkinEdit::install(HWND control) {
    if (!replaceProc(control, editProc, g_editProc)) return false;
    SendMessageA(control, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
    SetWindowPos(control, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    return true;
}

void SkinEdit::remove(HWND control) { restoreProc(control, editProc, g_editProc); }
