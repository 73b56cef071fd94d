// "vqProgressCtrl": a bar in a sunken trough showing a fraction 0..1 in a
// colour the owner chooses.

#include <new>

#include "skin/ControlLayout.h"
#include "skin/GdiOwners.h"
#include "skin/SkinControls.h"
#include "skin/SkinPrimitives.h"

namespace {

// One per window, in the window's extra bytes.
struct ProgressState {
    uint32_t barColor;  // COLORREF of the filled part
    float fraction;     // part done, 0.0 .. 1.0
};

ProgressState* stateOf(HWND w) { return reinterpret_cast<ProgressState*>(GetWindowLongPtrA(w, 0)); }

// The inner rectangle: the control's background, then the bar from the left.
void paintTroughContents(HWND w, HDC dc, const ProgressState& st) {
    RECT rc;
    GetClientRect(w, &rc);
    const skin::Rect in = skin::progressInnerRect({rc.left, rc.top, rc.right, rc.bottom});
    if (in.width() < 1 || in.height() < 1) return;
    FillSolidRect(dc, in.left, in.top, in.width(), in.height(), SkinColors::color(SkinColor::Background));
    const int filled = skin::progressFillWidth(in.width(), st.fraction);
    if (filled > 0) FillSolidRect(dc, in.left, in.top, filled, in.height(), st.barColor);
}

void paintTrough(HWND w, HDC dc, const ProgressState& st) {
    RECT rc;
    GetClientRect(w, &rc);
    rc.right -= 1;  // the rightmost column stays unpainted
    Draw3dRect(dc, rc, SkinColors::color(SkinColor::TroughDark), SkinColors::color(SkinColor::TroughLight));
    paintTroughContents(w, dc, st);
}

void redrawContents(HWND w, const ProgressState& st) {
    WindowDC dc(w);
    if (dc) paintTroughContents(w, dc.get(), st);
}

}  // namespace

LRESULT CALLBACK ProgressWndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    ProgressState* st = stateOf(w);
    switch (msg) {
        case WM_CREATE: {
            auto* s = new (std::nothrow) ProgressState{RGB(0, 0, 128), 0.0f};
            if (!s) return -1;
            SetWindowLongPtrA(w, 0, reinterpret_cast<LONG_PTR>(s));
            return 0;
        }
        case WM_DESTROY:
            SetWindowLongPtrA(w, 0, 0);
            delete st;
            return 1;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(w, &ps);
            if (dc && st) paintTrough(w, dc, *st);
            EndPaint(w, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            if (st) paintTrough(w, reinterpret_cast<HDC>(wp), *st);
            return 0;
        case PRGM_SETCOLOR:
            if (!st) return 0;
            st->barColor = static_cast<uint32_t>(lp);
            InvalidateRect(w, nullptr, FALSE);
            return 1;
        case PRGM_SETFRACTION:
            if (!st) return 0;
            if (const auto* f = reinterpret_cast<const float*>(lp)) st->fraction = skin::clampFraction(*f);
            redrawContents(w, *st);
            return 1;
        default:
            return DefWindowProcA(w, msg, wp, lp);
    }
}
