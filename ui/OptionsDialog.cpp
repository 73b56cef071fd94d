// The options dialog (template 109): the terrain header read-only, the object
// name, the scale spinner, the five switches and Replace Scene, and the world
// file button. It works directly on the session kept in its user data; the
// options reach the session only on Import, the world path at once on browse.
#include "ui/OptionsDialog.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "import/ImportSession.h"
#include "resource.h"
#include "skin/GdiOwners.h"
#include "skin/SkinControls.h"
#include "skin/SkinPainter.h"
#include "skin/SkinPrimitives.h"
#include "ui/ImportDialogs.h"
#include "ui/logic/PathFit.h"

namespace {

OpenFileDialogFn g_openFileDialog = GetOpenFileNameA;

// The record form the dialog has always been given, on either architecture.
static_assert(kOpenFileRecordSize == (sizeof(void*) == 4 ? 76 : 136), "open-file record without places bar");

const int kGroupBoxes[] = {IDC_OPT_CONTENT_GROUP, IDC_OPT_TERRAIN_GROUP, IDC_OPT_WORLD_GROUP};

// Each switch and the session option it shows and sets.
struct OptionBox {
    int id;
    bool ImportSession::*option;
};
const OptionBox kOptionBoxes[] = {
    {IDC_OPT_REPLACE_SCENE, &ImportSession::replaceScene}, {IDC_OPT_CENTER_PIVOT, &ImportSession::centerPivot},
    {IDC_OPT_CAMERA, &ImportSession::importCamera},        {IDC_OPT_SUN, &ImportSession::importSun},
    {IDC_OPT_WATER, &ImportSession::createWater},          {IDC_OPT_RENDER, &ImportSession::importRender},
};

// Scene units per metre: three decimals from a thousandth to ten thousand.
constexpr SpinnerRange kScaleRange{0.001, 10000.0, 0.1, 3, 0};
constexpr double kScaleDefault = 1.0;

// The button's text margin: the fitted path stays 8 pixels narrower than it.
constexpr int kPathMargin = 8;
// Any path the session holds, with the dots the fitting may add.
constexpr size_t kFittedPathSize = sizeof(ImportSession::worldPath) + kPathFitExtra;

ImportSession* sessionOf(HWND dialog) {
    return reinterpret_cast<ImportSession*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

void installSkins(HWND dialog) {
    for (int id : kGroupBoxes) SkinGroupBox::install(GetDlgItem(dialog, id));
    for (const OptionBox& box : kOptionBoxes) SkinCheckBox::install(GetDlgItem(dialog, box.id));
    SkinEdit::install(GetDlgItem(dialog, IDC_OPT_NAME));
}

void removeSkins(HWND dialog) {
    for (int id : kGroupBoxes) SkinGroupBox::remove(GetDlgItem(dialog, id));
    for (const OptionBox& box : kOptionBoxes) SkinCheckBox::remove(GetDlgItem(dialog, box.id));
    SkinEdit::remove(GetDlgItem(dialog, IDC_OPT_NAME));
}

void setText(HWND dialog, int id, const char* format, ...) __attribute__((format(printf, 3, 4)));
void setText(HWND dialog, int id, const char* format, ...) {
    char text[48];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    SetDlgItemTextA(dialog, id, text);
}

void showHeader(HWND dialog, const TerrainFile& terrain) {
    TerrainHeader h;
    (void)terrain.getHeader(h);  // the driver opened the terrain; a closed one shows the defaults
    setText(dialog, IDC_OPT_SIZE, "%u", static_cast<unsigned>(h.size));
    setText(dialog, IDC_OPT_POINTS, "%dx%d", static_cast<int>(h.xPoints), static_cast<int>(h.yPoints));
    setText(dialog, IDC_OPT_METRES, "%g m", static_cast<double>(h.scaleX));
    setText(dialog, IDC_OPT_RADIUS, "%g km", static_cast<double>(h.planetRadius));
    SetDlgItemTextA(dialog, IDC_OPT_CURVE, h.curveMode == 0 ? "flat" : "draped");
    setText(dialog, IDC_OPT_BASE_HEIGHT, "%d", static_cast<int>(h.baseHeight));
    setText(dialog, IDC_OPT_HEIGHT_SCALE, "%d", static_cast<int>(h.heightScale));
}

void setUpScale(HWND spinner, float scale) {
    const double value = scale;
    SendMessageA(spinner, SPNM_SETRANGE, 0, reinterpret_cast<LPARAM>(&kScaleRange));
    SendMessageA(spinner, SPNM_SETDEFAULT, 0, reinterpret_cast<LPARAM>(&kScaleDefault));
    SendMessageA(spinner, SPNM_SETVALUE, 0, reinterpret_cast<LPARAM>(&value));
}

// The world path, fitted to the button in the dialog's font, as the button's
// text. An empty path leaves the button as it is ("[ *.tgw ]" at first).
void showWorldPath(HWND dialog, const char* path) {
    if (!path[0]) return;
    HWND button = GetDlgItem(dialog, IDC_OPT_WORLD_PATH);
    RECT rc{};
    GetClientRect(button, &rc);
    char fitted[kFittedPathSize];
    std::snprintf(fitted, sizeof fitted, "%s", path);
    {
        WindowDC dc(dialog);
        SelectedObject font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
        FitPathText(dc.get(), fitted, sizeof fitted, rc.right - rc.left - kPathMargin);
    }
    SetWindowTextA(button, fitted);
}

void initDialog(HWND dialog, ImportSession& session) {
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&session));
    SkinPainter::CenterOnMonitor(dialog, GetParent(dialog));
    SkinPainter::ApplyWindowShape(dialog);
    installSkins(dialog);

    for (const OptionBox& box : kOptionBoxes)
        CheckDlgButton(dialog, box.id, session.*box.option ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextA(dialog, IDC_OPT_NAME, session.objectName);
    showHeader(dialog, session.terrain);
    setUpScale(GetDlgItem(dialog, IDC_OPT_SCALE), session.scale);
    showWorldPath(dialog, session.worldPath);
}

void acceptOptions(HWND dialog, ImportSession& session) {
    for (const OptionBox& box : kOptionBoxes)
        session.*box.option = IsDlgButtonChecked(dialog, box.id) == BST_CHECKED;
    // The name field may hold more than the session's 63 characters: cut.
    GetDlgItemTextA(dialog, IDC_OPT_NAME, session.objectName, sizeof session.objectName);
    session.objectName[sizeof session.objectName - 1] = '\0';
    const auto* value =
        reinterpret_cast<const double*>(SendDlgItemMessageA(dialog, IDC_OPT_SCALE, SPNM_GETVALUE, 0, 0));
    if (value) session.scale = static_cast<float>(*value);
    EndDialog(dialog, 1);
}

// Commands by control id, whatever the notification. Command 1, the dialog
// manager's answer to Enter, is left alone on purpose: Enter does nothing.
bool onCommand(HWND dialog, ImportSession& session, int id) {
    switch (id) {
        case IDC_OPT_IMPORT: acceptOptions(dialog, session); return true;
        case IDC_OPT_CANCEL: EndDialog(dialog, 0); return true;
        case IDC_OPT_HELP: ShowHelp(session, dialog); return true;
        case IDC_OPT_ABOUT: ShowAboutBox(session, dialog); return true;
        case IDC_OPT_WORLD_PATH: BrowseWorldFile(session, dialog); return true;
        default: return false;
    }
}

// Static texts on the dialog background; the name field (also when it asks
// as a static) on the field colour.
INT_PTR controlColors(UINT msg, HDC dc, HWND control) {
    const bool field = msg == WM_CTLCOLOREDIT || GetDlgCtrlID(control) == IDC_OPT_NAME;
    const int back = field ? SkinColor::FieldBackground : SkinColor::Background;
    SetTextColor(dc, SkinColors::color(SkinColor::Text));
    SetBkColor(dc, SkinColors::color(back));
    return reinterpret_cast<INT_PTR>(SkinColors::brush(back));
}

// The result of a handled message that must answer something other than 0.
INT_PTR answer(HWND dialog, LONG_PTR result) {
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

// The scale spinner, on taking the focus, hands it to its edit and then
// sends WM_SETFOCUS (0, 0) here. The dialog manager would answer that as the
// dialog's own focus and put the focus back on the control it last saved,
// so Tab could never reach the scale. The focus already sits inside the
// dialog then: the notification is taken, and the edit's text selected, as
// the dialog manager does for an edit reached with Tab, so typing replaces it.
bool takeSpinnerFocus(HWND dialog, WPARAM wParam, LPARAM lParam) {
    HWND focus = GetFocus();
    if (wParam != 0 || lParam != 0 || !focus || focus == dialog || !IsChild(dialog, focus)) return false;
    HWND spinner = GetDlgItem(dialog, IDC_OPT_SCALE);
    if (GetParent(focus) == spinner) SendMessageA(focus, EM_SETSEL, 0, -1);
    return true;
}

INT_PTR CALLBACK optionsProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_INITDIALOG:
            initDialog(dialog, *reinterpret_cast<ImportSession*>(lParam));
            return TRUE;  // the system sets the focus
        case WM_SETFOCUS:
            return takeSpinnerFocus(dialog, wParam, lParam);
        case WM_COMMAND: {
            ImportSession* session = sessionOf(dialog);
            return session && onCommand(dialog, *session, LOWORD(wParam));
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
            return controlColors(msg, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(dialog, &ps);
            SkinPainter::PaintFrame(dialog, dc);
            EndPaint(dialog, &ps);
            return TRUE;
        }
        case WM_ERASEBKGND:  // the frame painter covers the whole client area
            return answer(dialog, 1);
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlType != ODT_BUTTON) return FALSE;
            SkinPainter::DrawSkinButton(*item);
            return answer(dialog, TRUE);
        }
        case WM_LBUTTONDOWN:
            if (!SkinPainter::HitCaption(dialog, lParam)) return FALSE;
            PostMessageA(dialog, WM_NCLBUTTONDOWN, HTCAPTION, lParam);
            return TRUE;
        case WM_DESTROY:
            removeSkins(dialog);
            // Late messages find no session.
            SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR ShowOptionsDialog(ImportSession& session) {
    const INT_PTR result =
        DialogBoxParamA(static_cast<HINSTANCE>(session.instance), MAKEINTRESOURCEA(IDD_OPTIONS),
                        static_cast<HWND>(session.hostWindow), optionsProc, reinterpret_cast<LPARAM>(&session));
    // -1 (the dialog could not be made) is no Import: nothing was chosen.
    return result == 1 ? 1 : 0;
}

void BrowseWorldFile(ImportSession& session, HWND dialog) {
    // The dialog works on a copy that proposes the current path: on a failure
    // (a longer path than the buffer takes, for one) it writes the size it
    // would need into the buffer's first bytes, which must not reach the
    // session.
    char chosen[sizeof session.worldPath];
    std::memcpy(chosen, session.worldPath, sizeof chosen);
    chosen[sizeof chosen - 1] = '\0';

    OPENFILENAMEA record{};
    record.lStructSize = kOpenFileRecordSize;
    record.hwndOwner = static_cast<HWND>(session.hostWindow);
    record.lpstrFilter = "Terragen World (*.tgw)\0*.tgw\0";  // the literal adds the closing NUL
    record.lpstrFile = chosen;
    record.nMaxFile = sizeof chosen;
    record.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    // The open-file dialog is owned by the host window, so it does not
    // disable this one: without this a click could press Import, or the
    // path button again for a second browser, while the first is open.
    EnableWindow(dialog, FALSE);
    const BOOL confirmed = g_openFileDialog(&record);
    EnableWindow(dialog, TRUE);
    // Closing, the browser hands the activation to its owner, the host
    // window, which this modal dialog keeps disabled: take it back, and with
    // it the focus the dialog had (the path button).
    if (IsWindowVisible(dialog)) SetForegroundWindow(dialog);
    if (confirmed) {
        chosen[sizeof chosen - 1] = '\0';
        std::memcpy(session.worldPath, chosen, sizeof chosen);
    }
    showWorldPath(dialog, session.worldPath);
}

void FitPathText(HDC dc, char* text, size_t size, int width) {
    FitPathText(text, size, width, [dc](const char* candidate, size_t length) {
        SIZE extent{};
        GetTextExtentPoint32A(dc, candidate, static_cast<int>(length), &extent);
        // Logical to device units (the same in the default mapping mode).
        POINT ends[2] = {{0, 0}, {extent.cx, extent.cy}};
        LPtoDP(dc, ends, 2);
        return static_cast<int>(ends[1].x - ends[0].x);
    });
}

OpenFileDialogFn SetOpenFileDialog(OpenFileDialogFn fn) {
    OpenFileDialogFn previous = g_openFileDialog;
    g_openFileDialog = fn ? fn : GetOpenFileNameA;
    return previous;
}
