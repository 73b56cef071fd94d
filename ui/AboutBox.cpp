// The about box (dialog 114): the skinned frame around the about picture
// (bitmap 101). A click on the picture closes it; the frame drags it.
#include <windows.h>

#include "import/ImportSession.h"
#include "res/resource.h"
#include "skin/GdiOwners.h"
#include "skin/SkinPainter.h"
#include "ui/ImportDialogs.h"

namespace {

// The box is sized to the picture plus the frame; the picture fills the
// frame's inner area.
constexpr int kBoxWidth = 279, kBoxHeight = 179;
constexpr int kPictureX = 5, kPictureY = 20, kPictureWidth = 268, kPictureHeight = 142;

// Per-box state, on the stack of ShowAboutBox for the life of the modal loop
// and reached through the box's user data.
struct AboutBoxState {
    ImportSession* session;  // the import whose module holds the picture
    GdiBitmap picture;       // bitmap 101, loaded once per box (null if missing)
};

void initBox(HWND box, AboutBoxState* state) {
    SetWindowLongPtrA(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    SetWindowPos(box, nullptr, 0, 0, kBoxWidth, kBoxHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SkinPainter::ApplyWindowShape(box);
    SkinPainter::CenterOnMonitor(box, GetParent(box));
}

void paintBox(HWND box, const AboutBoxState& state) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(box, &ps);
    SkinPainter::PaintFrame(box, dc);
    // A missing picture leaves the frame's inner area as it is.
    if (HDC mem = state.picture ? CreateCompatibleDC(dc) : nullptr) {
        {
            SelectedObject selected(mem, state.picture.get());
            BitBlt(dc, kPictureX, kPictureY, kPictureWidth, kPictureHeight, mem, 0, 0, SRCCOPY);
        }
        DeleteDC(mem);
    }
    EndPaint(box, &ps);
}

INT_PTR CALLBACK aboutBoxProc(HWND box, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        initBox(box, reinterpret_cast<AboutBoxState*>(lp));
        return TRUE;
    }
    auto* state = reinterpret_cast<AboutBoxState*>(GetWindowLongPtrA(box, GWLP_USERDATA));
    if (!state) return FALSE;
    switch (msg) {
        case WM_PAINT:
            paintBox(box, *state);
            return TRUE;
        case WM_ERASEBKGND:
            SetWindowLongPtrA(box, DWLP_MSGRESULT, 1);  // the frame covers the whole client area
            return TRUE;
        case WM_LBUTTONDOWN:
            if (SkinPainter::HitCaption(box, lp)) PostMessageA(box, WM_NCLBUTTONDOWN, HTCAPTION, lp);
            else EndDialog(box, 0);  // a click on the picture
            return TRUE;
        case WM_CLOSE:
            EndDialog(box, 1);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK) EndDialog(box, 1);
            else if (LOWORD(wp) == IDCANCEL) EndDialog(box, 0);
            return TRUE;
        case WM_DESTROY:
            SetWindowLongPtrA(box, GWLP_USERDATA, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void ShowAboutBox(ImportSession& session, HWND owner) {
    const auto instance = static_cast<HINSTANCE>(session.instance);
    AboutBoxState state{&session, GdiBitmap(static_cast<HBITMAP>(
                                      LoadImageA(instance, MAKEINTRESOURCEA(IDB_ABOUT), IMAGE_BITMAP, 0, 0, 0)))};
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, aboutBoxProc, reinterpret_cast<LPARAM>(&state));
}
