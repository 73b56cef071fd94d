// skin-gallery: one skinned dialog with every control of the skin, to look
// at the skin as a whole. With --screenshot FILE.bmp it saves what the
// screen shows of the dialog once it has painted, and exits.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gallery.h"
#include "skin/SkinControls.h"
#include "skin/SkinPainter.h"
#include "skin/SkinPrimitives.h"
#include "tools/windowshot/WindowShot.h"

namespace {

const char* g_screenshotPath = nullptr;
constexpr UINT_PTR kShotTimer = 1;

const int kCheckBoxes[] = {IDC_CHECK_PIVOT, IDC_CHECK_CAMERA, IDC_CHECK_SUN, IDC_CHECK_WATER};
const int kGroupBoxes[] = {IDC_GROUP_TERRAIN, IDC_GROUP_IMPORT, IDC_GROUP_PROGRESS};

void initDialog(HWND dlg) {
    SkinPainter::CenterOnMonitor(dlg, GetParent(dlg));
    SkinPainter::ApplyWindowShape(dlg);
    SetWindowTextA(dlg, "Skin Gallery");
    for (int id : kCheckBoxes) SkinCheckBox::install(GetDlgItem(dlg, id));
    for (int id : kGroupBoxes) SkinGroupBox::install(GetDlgItem(dlg, id));
    SkinEdit::install(GetDlgItem(dlg, IDC_NAME_EDIT));
    SetDlgItemTextA(dlg, IDC_NAME_EDIT, "Terrain_01");
    CheckDlgButton(dlg, IDC_CHECK_PIVOT, BST_CHECKED);
    CheckDlgButton(dlg, IDC_CHECK_SUN, BST_CHECKED);

    HWND scale = GetDlgItem(dlg, IDC_SCALE);
    SpinnerRange range{0.001, 10000.0, 0.1, 3, 0};
    double scaleDefault = 30.0, scaleValue = 12.5;
    SendMessageA(scale, SPNM_SETRANGE, 0, reinterpret_cast<LPARAM>(&range));
    SendMessageA(scale, SPNM_SETDEFAULT, 0, reinterpret_cast<LPARAM>(&scaleDefault));
    SendMessageA(scale, SPNM_SETVALUE, 0, reinterpret_cast<LPARAM>(&scaleValue));

    HWND bar = GetDlgItem(dlg, IDC_PROGRESS);
    SendMessageA(bar, PRGM_SETCOLOR, 0, RGB(87, 110, 135));
    float done = 0.6f;
    SendMessageA(bar, PRGM_SETFRACTION, 0, reinterpret_cast<LPARAM>(&done));

    // Shown held down, to see the sunken state next to the raised ones.
    SendMessageA(GetDlgItem(dlg, IDC_PRESSED), BM_SETSTATE, TRUE, 0);
    if (g_screenshotPath) SetTimer(dlg, kShotTimer, 400, nullptr);
}

void paintDialog(HWND dlg) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dlg, &ps);
    SkinPainter::PaintFrame(dlg, dc);
    // The title on the caption tab.
    char title[64] = {};
    GetWindowTextA(dlg, title, sizeof title);
    HGDIOBJ oldFont = SelectObject(dc, SkinFonts::font(0));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SkinColors::color(SkinColor::Text));
    RECT tab{30, 1, 100, 15};
    DrawTextA(dc, title, -1, &tab, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    EndPaint(dlg, &ps);
}

INT_PTR CALLBACK galleryProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG:
            initDialog(dlg);
            SetFocus(GetDlgItem(dlg, IDOK));
            return FALSE;  // focus set here
        case WM_PAINT:
            paintDialog(dlg);
            return TRUE;
        case WM_ERASEBKGND:
            SetWindowLongPtrA(dlg, DWLP_MSGRESULT, 1);
            return TRUE;
        case WM_LBUTTONDOWN:
            if (SkinPainter::HitCaption(dlg, lp)) {
                PostMessageA(dlg, WM_NCLBUTTONDOWN, HTCAPTION, lp);
                return TRUE;
            }
            return FALSE;
        case WM_DRAWITEM:
            SkinPainter::DrawSkinButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            SetWindowLongPtrA(dlg, DWLP_MSGRESULT, TRUE);
            return TRUE;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT: {
            HDC dc = reinterpret_cast<HDC>(wp);
            const bool field = msg == WM_CTLCOLOREDIT || GetDlgCtrlID(reinterpret_cast<HWND>(lp)) == IDC_NAME_EDIT;
            const int back = field ? SkinColor::FieldBackground : SkinColor::Background;
            SetTextColor(dc, SkinColors::color(SkinColor::Text));
            SetBkColor(dc, SkinColors::color(back));
            return reinterpret_cast<INT_PTR>(SkinColors::brush(back));
        }
        case WM_TIMER:
            if (wp == kShotTimer) {
                KillTimer(dlg, kShotTimer);
                const bool ok = SaveWindowShot(dlg, g_screenshotPath);
                EndDialog(dlg, ok ? IDOK : IDABORT);
            }
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) EndDialog(dlg, LOWORD(wp));
            return TRUE;
        case WM_DESTROY:
            for (int id : kCheckBoxes) SkinCheckBox::remove(GetDlgItem(dlg, id));
            for (int id : kGroupBoxes) SkinGroupBox::remove(GetDlgItem(dlg, id));
            SkinEdit::remove(GetDlgItem(dlg, IDC_NAME_EDIT));
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    for (int i = 1; i < __argc; ++i)
        if (!std::strcmp(__argv[i], "--screenshot") && i + 1 < __argc) g_screenshotPath = __argv[++i];
    if (!RegisterSkinControls(instance)) return 2;
    LoadSkinBitmaps(instance);
    const INT_PTR r = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_GALLERY), nullptr, galleryProc, 0);
    if (g_screenshotPath) return r == IDOK ? 0 : 1;
    return r == -1 ? 1 : 0;
}
