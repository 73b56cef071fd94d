// "vqSpinner": an edit field with two arrow buttons ("vqSpinButton") for one
// floating-point number. The arithmetic and the text live in SpinnerLogic;
// here are the window procedures that wire them to the mouse and keyboard.

#include <windowsx.h>

#include <cstring>
#include <utility>
#include <new>

#include "skin/GdiOwners.h"
#include "skin/SkinControls.h"
#include "skin/SkinPainter.h"
#include "skin/SkinPrimitives.h"
#include "skin/SpinnerLogic.h"

namespace {

constexpr UINT_PTR kRepeatTimer = 1029;
constexpr UINT kFirstRepeatMs = 500;
constexpr UINT kRepeatMs = 100;

// One per vqSpinner window, in its extra bytes.
struct SpinnerState {
    uint32_t spinning;     // 1 between SPNM_SPINBEGIN and SPNM_SPINEND; low word is the WM_COMMAND code
    double minimum;        // lowest value
    double maximum;        // highest value
    double step;           // one step
    int16_t precision;     // decimals shown
    int32_t wrap;          // nonzero: stepping past an end continues from the other
    double value;          // the current value
    double savedValue;     // before the current press or plain step; SPNM_CANCELSPIN returns to it
    double defaultValue;   // set by SPNM_RESETDEFAULT
    double startValue;     // at the start of a press or drag, to decide whether its end is reported
    HWND edit;             // the text field
    HWND upButton;         // upper arrow
    HWND downButton;       // lower arrow
    char format[skin::kSpinTextSize];  // printf format of the text, e.g. "%.3f"
    uint8_t notifyOnEdit;  // 0 for exactly one text change the control makes silently
};

// One per vqSpinButton window, in its extra bytes.
struct SpinButtonState {
    int32_t down;          // 0: up arrow, nonzero: down arrow
    uint32_t stepMessage;  // SPNM_STEPUP or SPNM_STEPDOWN, from down
    int32_t pressed;       // 1 while the left button is held here (or set by BM_SETSTATE)
    int32_t screenLimit;   // primary screen height - 1, for the endless vertical drag
    int32_t lastX;         // cursor in screen coordinates at the last press or drag step
    int32_t lastY;
    int32_t spinBegun;     // 1 once SPNM_SPINBEGIN went out for this press
    HWND buddy;            // the other arrow of the same spinner
};

// All spinner edits share the edit class and so one replaced procedure.
WNDPROC g_spinEditProc = nullptr;

SpinnerState* spinnerOf(HWND w) { return reinterpret_cast<SpinnerState*>(GetWindowLongPtrA(w, 0)); }
SpinButtonState* buttonOf(HWND w) { return reinterpret_cast<SpinButtonState*>(GetWindowLongPtrA(w, 0)); }

skin::SpinLimits limitsOf(const SpinnerState& s) {
    skin::SpinLimits l;
    l.minimum = s.minimum;
    l.maximum = s.maximum;
    l.step = s.step;
    l.precision = s.precision;
    l.wrap = s.wrap != 0;
    return l;
}

void notifyParent(HWND w, const SpinnerState& s, bool post) {
    const WPARAM wp = MAKEWPARAM(GetDlgCtrlID(w), LOWORD(s.spinning));
    const LPARAM lp = reinterpret_cast<LPARAM>(w);
    if (post)
        PostMessageA(GetParent(w), WM_COMMAND, wp, lp);
    else
        SendMessageA(GetParent(w), WM_COMMAND, wp, lp);
}

// Shows the value. Setting the text makes the edit report EN_CHANGE at
// once, which reads the value back from the text: afterwards the value is
// the shown number, rounded to the precision.
void refreshText(HWND w, SpinnerState& s, bool notify) {
    // The value always lies in the range, also after an unchecked SETVALUE.
    s.value = skin::clampToRange(s.value, limitsOf(s));
    // One character more than the spinner's texts: a longer text (pasted)
    // never compares equal to a 15-character one and so gets replaced.
    char current[skin::kSpinTextSize + 1] = {};
    GetWindowTextA(s.edit, current, sizeof current);
    char text[skin::kSpinTextSize];
    skin::formatSpinValue(text, s.value, s.precision);
    if (std::strcmp(text, current) == 0) return;
    DWORD selStart = 0, selEnd = 0;
    SendMessageA(s.edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
    s.notifyOnEdit = notify ? 1 : 0;
    SetWindowTextA(s.edit, text);
    SendMessageA(s.edit, EM_SETSEL, selStart, selEnd);
    if (notify) notifyParent(w, s, false);
}

double readEditNumber(const SpinnerState& s) {
    char text[skin::kSpinTextSize] = {};
    GetWindowTextA(s.edit, text, sizeof text);
    return skin::clampToRange(skin::parseSpinText(text), limitsOf(s));
}

double currentStepFactor(const SpinnerState& s) {
    return skin::stepFactor(GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_MENU) < 0, s.precision);
}

// count 0 is one plain step, remembered so that SPNM_CANCELSPIN can undo it;
// count n is n steps scaled by the Ctrl/Alt factor.
void stepBy(HWND w, SpinnerState& s, uint32_t count, bool up) {
    if (count == 0) s.savedValue = s.value;
    const double amount = count == 0 ? s.step : count * s.step * currentStepFactor(s);
    s.value = up ? skin::stepUpValue(s.value, amount, limitsOf(s)) : skin::stepDownValue(s.value, amount, limitsOf(s));
    refreshText(w, s, true);
}

void stepUp(HWND w, SpinnerState& s, uint32_t count) { stepBy(w, s, count, true); }
void stepDown(HWND w, SpinnerState& s, uint32_t count) { stepBy(w, s, count, false); }

// A point in from's client coordinates, as an lParam in to's.
LPARAM mapPoint(HWND from, HWND to, LPARAM lp) {
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    MapWindowPoints(from, to, &p, 1);
    return MAKELPARAM(p.x, p.y);
}

// ---- the edit filter ---------------------------------------------------------

LRESULT CALLBACK spinEditProc(HWND e, UINT msg, WPARAM wp, LPARAM lp) {
    WNDPROC orig = g_spinEditProc;
    if (!orig) return DefWindowProcA(e, msg, wp, lp);
    switch (msg) {
        case WM_CHAR:
            if (!skin::isSpinInputChar(static_cast<unsigned>(wp))) return 0;
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            // Alt with an arrow arrives as WM_SYSKEYDOWN, so the Alt step applies.
            if (wp == VK_UP) {
                SendMessageA(GetParent(e), SPNM_STEPUP, 1, 0);
                return 0;
            }
            if (wp == VK_DOWN) {
                SendMessageA(GetParent(e), SPNM_STEPDOWN, 1, 0);
                return 0;
            }
            break;
        case WM_RBUTTONDOWN:
            SendMessageA(GetParent(e), WM_RBUTTONDOWN, wp, mapPoint(e, GetParent(e), lp));
            return 1;
        case WM_MOUSEWHEEL:
            // The wheel reaches the focused edit; a single-line edit has no
            // use for it, so it goes to the spinner (not every system's edit
            // passes it up by itself).
            return SendMessageA(GetParent(e), WM_MOUSEWHEEL, wp, lp);
        case WM_CONTEXTMENU:
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_NCPAINT:
            PaintSkinEditBorder(e);
            return 0;
        default:
            break;
    }
    return CallWindowProcA(orig, e, msg, wp, lp);
}

// ---- the spinner -------------------------------------------------------------

LRESULT spinnerCreate(HWND w, const CREATESTRUCTA& cs) {
    auto* s = new (std::nothrow) SpinnerState{};
    if (!s) return -1;
    s->maximum = 100.0;
    s->step = 1.0;
    s->notifyOnEdit = 1;
    skin::makeSpinFormat(s->format, s->precision);
    SetWindowLongPtrA(w, 0, reinterpret_cast<LONG_PTR>(s));

    const int width = cs.cx;
    HINSTANCE inst = cs.hInstance;
    s->edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, width - 13, 18, w,
                              nullptr, inst, nullptr);
    if (!s->edit) return -1;
    g_spinEditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(s->edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&spinEditProc)));
    const LPARAM margins = MAKELPARAM(1, 1);
    SendMessageA(s->edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, margins);
    SendMessageA(s->edit, WM_SETFONT, reinterpret_cast<WPARAM>(SkinFonts::font(1)), FALSE);
    // Setting the font resets the margins.
    SendMessageA(s->edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, margins);

    s->downButton = CreateWindowExA(0, kSpinButtonClass, "", WS_CHILD | WS_VISIBLE, width - 12, 9, 12, 9, w,
                                    nullptr, inst, nullptr);
    s->upButton = CreateWindowExA(0, kSpinButtonClass, "", WS_CHILD | WS_VISIBLE, width - 12, 0, 12, 9, w,
                                  nullptr, inst, nullptr);
    if (!s->downButton || !s->upButton) return -1;
    SendMessageA(s->upButton, SPBM_SETDIRECTION, 0, 0);
    SendMessageA(s->upButton, SPBM_SETBUDDY, reinterpret_cast<WPARAM>(s->downButton), 0);
    SendMessageA(s->downButton, SPBM_SETBUDDY, reinterpret_cast<WPARAM>(s->upButton), 0);
    refreshText(w, *s, false);
    s->spinning = 0;
    return 0;
}

void spinnerDestroy(HWND w, SpinnerState* s) {
    SetWindowLongPtrA(w, 0, 0);  // late messages find nothing
    if (!s) return;
    if (s->edit && g_spinEditProc)
        SetWindowLongPtrA(s->edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_spinEditProc));
    if (s->edit) DestroyWindow(s->edit);
    if (s->upButton) DestroyWindow(s->upButton);
    if (s->downButton) DestroyWindow(s->downButton);
    delete s;
}

void editCommand(HWND w, SpinnerState& s, WORD code) {
    if (code == EN_CHANGE) {
        const double number = readEditNumber(s);
        if (s.notifyOnEdit) {
            if (number != s.value) notifyParent(w, s, true);
            s.value = number;
        } else {
            s.notifyOnEdit = 1;
            s.value = number;
        }
    } else if (code == EN_KILLFOCUS) {
        // Leaving the field shows the normalised number.
        s.value = readEditNumber(s);
        refreshText(w, s, false);
    }
}

}  // namespace

LRESULT CALLBACK SpinnerWndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CREATE) {
        const LRESULT r = spinnerCreate(w, *reinterpret_cast<const CREATESTRUCTA*>(lp));
        if (r == -1) spinnerDestroy(w, spinnerOf(w));
        return r;
    }
    SpinnerState* s = spinnerOf(w);
    if (!s) return DefWindowProcA(w, msg, wp, lp);
    switch (msg) {
        case WM_DESTROY:
            spinnerDestroy(w, s);
            return 1;
        case SPNM_STEPUP:
            stepUp(w, *s, static_cast<uint32_t>(wp));
            return 1;
        case SPNM_STEPDOWN:
            stepDown(w, *s, static_cast<uint32_t>(wp));
            return 1;
        case SPNM_RESETDEFAULT:
            s->value = s->defaultValue < s->minimum ? s->minimum : s->defaultValue;
            refreshText(w, *s, true);
            return 1;
        case SPNM_CANCELSPIN:
            s->value = s->savedValue;
            refreshText(w, *s, true);
            return 1;
        case SPNM_SETRANGE:
            if (const auto* r = reinterpret_cast<const SpinnerRange*>(lp)) {
                s->minimum = r->minimum;
                s->maximum = r->maximum;
                s->step = r->step;
                s->precision = r->precision;
                s->wrap = r->wrap;
                skin::makeSpinFormat(s->format, s->precision);
            }
            return 1;
        case SPNM_SETDEFAULT:
            if (const auto* d = reinterpret_cast<const double*>(lp)) s->defaultValue = *d;
            return 1;
        case SPNM_SETVALUE:
            if (const auto* d = reinterpret_cast<const double*>(lp)) {
                s->value = *d;
                refreshText(w, *s, false);
            }
            return 1;
        case SPNM_GETVALUE:
            return reinterpret_cast<LRESULT>(&s->value);
        case SPNM_SPINBEGIN:
            s->startValue = s->value;
            s->spinning = 1;
            return 1;
        case SPNM_SPINEND:
            if (wp == 0 && s->value != s->startValue)
                SendMessageA(GetParent(w), SPNM_SPINEND, 0, GetDlgCtrlID(w));
            s->spinning = 0;
            return 1;
        case WM_ERASEBKGND: {
            RECT rc;
            GetClientRect(w, &rc);
            FillSolidRect(reinterpret_cast<HDC>(wp), rc, SkinColors::color(SkinColor::Background));
            return 1;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, SkinColors::color(SkinColor::Text));
            SetBkColor(dc, SkinColors::color(SkinColor::FieldBackground));
            return reinterpret_cast<LRESULT>(SkinColors::brush(SkinColor::FieldBackground));
        }
        case WM_MOUSEWHEEL: {
            // Whole notches only: a partial delta (high-resolution wheels)
            // is ignored rather than taken as a step.
            const int notches = GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA;
            if (notches >= 1)
                stepUp(w, *s, static_cast<uint32_t>(notches));
            else if (notches <= -1)
                stepDown(w, *s, static_cast<uint32_t>(-notches));
            return 0;
        }
        case WM_LBUTTONDOWN:
            // Forwarded by an arrow when it is pressed.
            s->savedValue = s->value;
            s->startValue = s->value;
            if (!(wp & MK_CONTROL)) SendMessageA(GetParent(w), WM_LBUTTONDOWN, wp, mapPoint(w, GetParent(w), lp));
            return 0;
        case WM_RBUTTONDOWN:
            SendMessageA(GetParent(w), WM_RBUTTONDOWN, wp, mapPoint(w, GetParent(w), lp));
            return 1;
        case WM_COMMAND:
            if (reinterpret_cast<HWND>(lp) == s->edit) editCommand(w, *s, HIWORD(wp));
            return 1;
        case WM_SETFOCUS:
            SetFocus(s->edit);
            SendMessageA(GetParent(w), WM_SETFOCUS, 0, 0);
            return 0;
        case WM_KILLFOCUS:
            return 1;
        case WM_ENABLE:
            EnableWindow(s->upButton, static_cast<BOOL>(wp));
            EnableWindow(s->downButton, static_cast<BOOL>(wp));
            EnableWindow(s->edit, static_cast<BOOL>(wp));
            return 0;
        default:
            return DefWindowProcA(w, msg, wp, lp);
    }
}

// ---- the arrow buttons ---------------------------------------------------------

namespace {

void redrawButton(HWND b, bool erase) {
    RedrawWindow(b, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | (erase ? RDW_ERASE : 0));
}

void setBuddyState(const SpinButtonState& st, WPARAM pressed) {
    if (st.buddy) SendMessageA(st.buddy, BM_SETSTATE, pressed, 0);
}

void beginSpin(HWND b, SpinButtonState& st) {
    if (st.spinBegun) return;
    st.spinBegun = 1;
    SendMessageA(GetParent(b), SPNM_SPINBEGIN, 0, 0);
}

void paintButton(HWND b, HDC dc, const SpinButtonState& st) {
    RECT rc;
    GetClientRect(b, &rc);
    const int w = rc.right, h = rc.bottom;
    COLORREF light = SkinColors::color(SkinColor::EdgeLight);
    COLORREF dark = SkinColors::color(SkinColor::EdgeDark);
    if (st.pressed == 1) std::swap(light, dark);
    FillSolidRect(dc, rc, SkinColors::color(SkinColor::Background));

    GdiPen darkPen(CreatePen(PS_SOLID, 1, dark));
    GdiPen lightPen(CreatePen(PS_SOLID, 1, light));
    GdiPen arrowPen(
        CreatePen(PS_SOLID, 1, SkinColors::color(IsWindowEnabled(b) ? SkinColor::Text : SkinColor::EdgeDark)));
    SelectedObject restore(dc, darkPen.get());  // puts the DC's own pen back at the end
    MoveToEx(dc, w - 1, 0, nullptr);
    LineTo(dc, w - 1, h - 1);
    LineTo(dc, 0, h - 1);
    SelectObject(dc, lightPen.get());
    LineTo(dc, 0, 0);
    LineTo(dc, w - 1, 0);
    SetPixel(dc, 0, h - 1, dark);

    SelectObject(dc, arrowPen.get());
    const int rowsUp[3] = {5, 4, 3};
    const int rowsDown[3] = {3, 4, 5};
    const int* rows = st.down ? rowsDown : rowsUp;
    const int from[3] = {3, 4, 5};
    const int to[3] = {8, 7, 6};
    for (int i = 0; i < 3; ++i) {
        MoveToEx(dc, from[i], rows[i], nullptr);
        LineTo(dc, to[i], rows[i]);
    }
}

// The press ends without an end message: capture gone, timer stopped.
void abandonPress(HWND b, SpinButtonState& st) {
    KillTimer(b, kRepeatTimer);
    setBuddyState(st, 0);
    st.spinBegun = 0;
    st.pressed = 0;
    redrawButton(b, true);
}

LRESULT buttonLeftDown(HWND b, SpinButtonState& st, WPARAM wp, LPARAM lp) {
    HWND spinner = GetParent(b);
    SendMessageA(spinner, WM_LBUTTONDOWN, wp, mapPoint(b, spinner, lp));
    if (wp & MK_SHIFT) return 0;
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ClientToScreen(b, &p);
    st.lastX = p.x;
    st.lastY = p.y;
    SetCapture(b);
    SendMessageA(spinner, SPNM_SPINBEGIN, 0, 0);
    st.spinBegun = 1;
    SendMessageA(spinner, st.stepMessage, 1, 0);
    SetTimer(b, kRepeatTimer, kFirstRepeatMs, nullptr);
    st.pressed = 1;
    redrawButton(b, false);
    return 0;
}

void buttonRepeat(HWND b, SpinButtonState& st) {
    KillTimer(b, kRepeatTimer);
    if (st.pressed != 1) return;  // a stale tick after the press ended
    beginSpin(b, st);
    SendMessageA(GetParent(b), st.stepMessage, 1, 0);
    SetTimer(b, kRepeatTimer, kRepeatMs, nullptr);
}

void buttonDrag(HWND b, SpinButtonState& st, LPARAM lp) {
    setBuddyState(st, 1);
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ClientToScreen(b, &p);
    beginSpin(b, st);
    // At the screen's top or bottom the cursor jumps to the other edge, so a
    // drag goes on without end.
    if (p.y <= 0) {
        SetCursorPos(p.x, st.screenLimit - 1);
        st.lastY = st.screenLimit - 1;
        return;
    }
    if (p.y >= st.screenLimit) {
        SetCursorPos(p.x, 1);
        st.lastY = 1;
        return;
    }
    if (p.y == st.lastY) return;
    const int d = skin::dragSteps(st.lastY, p.y);
    if (d == 0) return;  // lastY stays: small moves add up
    KillTimer(b, kRepeatTimer);
    if (d > 0)
        SendMessageA(GetParent(b), SPNM_STEPUP, static_cast<WPARAM>(d), 0);
    else
        SendMessageA(GetParent(b), SPNM_STEPDOWN, static_cast<WPARAM>(-d), 0);
    st.lastX = p.x;
    st.lastY = p.y;
}

void buttonLeftUp(HWND b, SpinButtonState& st) {
    setBuddyState(st, 0);
    KillTimer(b, kRepeatTimer);
    if (st.pressed == 1 && st.spinBegun) SendMessageA(GetParent(b), SPNM_SPINEND, 0, GetDlgCtrlID(b));
    st.spinBegun = 0;
    st.pressed = 0;
    ReleaseCapture();
    redrawButton(b, false);
}

void buttonRightDown(HWND b, SpinButtonState& st) {
    HWND spinner = GetParent(b);
    setBuddyState(st, 0);
    if (st.pressed != 1) {
        SendMessageA(spinner, SPNM_RESETDEFAULT, 0, 0);
        return;
    }
    // Cancel the running press or drag: back to the value at the press.
    st.pressed = 0;
    SendMessageA(b, WM_LBUTTONUP, 0, 0);  // ends the press without SPNM_SPINEND
    SetCapture(b);
    SendMessageA(spinner, SPNM_SPINBEGIN, 0, 0);
    SendMessageA(spinner, SPNM_CANCELSPIN, 0, 0);
    SendMessageA(spinner, SPNM_SPINEND, 1, GetDlgCtrlID(b));
    setBuddyState(st, 0);
}

}  // namespace

LRESULT CALLBACK SpinButtonWndProc(HWND b, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CREATE) {
        auto* st = new (std::nothrow) SpinButtonState{};
        if (!st) return -1;
        st->down = 1;
        st->stepMessage = SPNM_STEPDOWN;
        st->screenLimit = GetSystemMetrics(SM_CYSCREEN) - 1;
        SetWindowLongPtrA(b, 0, reinterpret_cast<LONG_PTR>(st));
        return 0;
    }
    SpinButtonState* st = buttonOf(b);
    if (!st) return DefWindowProcA(b, msg, wp, lp);
    switch (msg) {
        case WM_DESTROY:
            KillTimer(b, kRepeatTimer);
            SetWindowLongPtrA(b, 0, 0);
            delete st;
            return 1;
        case SPBM_SETBUDDY:
            st->buddy = reinterpret_cast<HWND>(wp);
            return 1;
        case SPBM_SETDIRECTION:
            st->down = wp != 0 ? 1 : 0;
            st->stepMessage = st->down ? SPNM_STEPDOWN : SPNM_STEPUP;
            st->screenLimit = GetSystemMetrics(SM_CYSCREEN) - 1;
            return 1;
        case BM_SETSTATE:
            st->pressed = static_cast<int32_t>(wp);
            redrawButton(b, false);
            return 1;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return buttonLeftDown(b, *st, wp, lp);
        case WM_TIMER:
            if (wp != kRepeatTimer) return 1;
            buttonRepeat(b, *st);
            return 0;
        case WM_MOUSEMOVE:
            if (st->pressed == 1) buttonDrag(b, *st, lp);
            return 0;
        case WM_LBUTTONUP:
            buttonLeftUp(b, *st);
            return 0;
        case WM_RBUTTONDOWN:
            buttonRightDown(b, *st);
            return 0;
        case WM_RBUTTONUP:
            ReleaseCapture();
            return 0;
        case WM_CANCELMODE:
            ReleaseCapture();
            abandonPress(b, *st);
            return 0;
        case WM_CAPTURECHANGED:
            // Another window took the mouse mid-press: stop repeating.
            if (st->pressed == 1 && reinterpret_cast<HWND>(lp) != b) abandonPress(b, *st);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(b, &ps);
            if (dc) paintButton(b, dc, *st);
            EndPaint(b, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            paintButton(b, reinterpret_cast<HDC>(wp), *st);
            return 0;
        case WM_ENABLE:
            redrawButton(b, true);
            return 0;
        default:
            return DefWindowProcA(b, msg, wp, lp);
    }
}
