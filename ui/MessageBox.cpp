// The skinned message box (dialog 110): the text in lines beside a system
// icon, and one OK button. The box is sized from the text when it opens.
#include <windows.h>

#include <string>
#include <vector>

#include "import/ImportSession.h"
#include "res/resource.h"
#include "skin/GdiOwners.h"
#include "skin/SkinPainter.h"
#include "skin/SkinPrimitives.h"
#include "ui/ImportDialogs.h"
#include "ui/logic/MessageLayout.h"

namespace {

// Per-box state, on the stack of ShowMessage for the life of the modal loop
// and reached through the box's user data.
struct MessageBoxState {
    UINT type;                       // 0x20 question, 0x30 exclamation, else information
    std::vector<std::string> lines;  // the text's non-empty lines, copied whole
    int lineHeight;                  // pixels per line in skin font 0
};

// Where the icon's top left corner and the text column are.
constexpr int kIconX = 20, kIconY = 35;
constexpr int kTextX = 70, kTextY = 42;

MessageBoxState* stateOf(HWND box) { return reinterpret_cast<MessageBoxState*>(GetWindowLongPtrA(box, GWLP_USERDATA)); }

int textWidth(HDC dc, const std::string& s) {
    SIZE size{};
    GetTextExtentPoint32A(dc, s.data(), static_cast<int>(s.size()), &size);
    return size.cx;
}

// Measures the lines in skin font 0, sizes the box and places the button.
void layOut(HWND box, MessageBoxState& state) {
    std::vector<int> widths;
    {
        WindowDC dc(box);
        SelectedObject font(dc.get(), SkinFonts::font(0));
        // A capital with a diaeresis over a descender: the full height of a line.
        SIZE size{};
        GetTextExtentPoint32A(dc.get(), "\xD6g", 2, &size);
        POINT extent{size.cx, size.cy}, origin{0, 0};
        LPtoDP(dc.get(), &extent, 1);
        LPtoDP(dc.get(), &origin, 1);
        state.lineHeight = extent.y - origin.y;
        for (const std::string& line : state.lines) widths.push_back(textWidth(dc.get(), line));
    }
    HWND ok = GetDlgItem(box, IDC_MSG_OK);
    RECT button{};
    GetWindowRect(ok, &button);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&button), 2);
    const int bw = button.right - button.left, bh = button.bottom - button.top;
    const ui::MessageLayout l = ui::layoutMessage(widths, state.lineHeight, bw, bh);
    SetWindowPos(box, nullptr, 0, 0, l.width, l.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(ok, nullptr, l.buttonX, l.buttonY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void initBox(HWND box, MessageBoxState* state, const char* text) {
    SetWindowLongPtrA(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    // No caption shows it, but programs that watch the window (a host's log)
    // read the message from the window text.
    SetWindowTextA(box, text);
    layOut(box, *state);
    SkinPainter::ApplyWindowShape(box);
    SkinPainter::CenterOnMonitor(box, GetParent(box));
}

LPCSTR iconFor(UINT type) {
    if (type == MB_ICONQUESTION) return IDI_QUESTION;
    if (type == MB_ICONEXCLAMATION) return IDI_EXCLAMATION;
    return IDI_ASTERISK;
}

void paintBox(HWND box, const MessageBoxState& state) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(box, &ps);
    SkinPainter::PaintFrame(box, dc);
    SetTextColor(dc, SkinColors::color(SkinColor::Text));
    SetBkMode(dc, TRANSPARENT);
    DrawIcon(dc, kIconX, kIconY, LoadIconA(nullptr, iconFor(state.type)));
    {
        SelectedObject font(dc, SkinFonts::font(0));
        int y = kTextY;
        for (const std::string& line : state.lines) {
            TextOutA(dc, kTextX, y, line.data(), static_cast<int>(line.size()));
            y += state.lineHeight;
        }
    }
    EndPaint(box, &ps);
}

INT_PTR answer(HWND box, LRESULT result) {
    SetWindowLongPtrA(box, DWLP_MSGRESULT, result);
    return TRUE;
}

struct InitParam {
    MessageBoxState* state;
    const char* text;
};

INT_PTR CALLBACK messageBoxProc(HWND box, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        const auto* init = reinterpret_cast<const InitParam*>(lp);
        initBox(box, init->state, init->text);
        return TRUE;
    }
    MessageBoxState* state = stateOf(box);
    if (!state) return FALSE;
    switch (msg) {
        case WM_PAINT:
            paintBox(box, *state);
            return TRUE;
        case WM_ERASEBKGND:
            return answer(box, 1);  // the frame covers the whole client area
        case WM_DRAWITEM:
            SkinPainter::DrawSkinButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            return TRUE;
        case WM_LBUTTONDOWN:
            if (SkinPainter::HitCaption(box, lp)) PostMessageA(box, WM_NCLBUTTONDOWN, HTCAPTION, lp);
            return answer(box, 0);
        case WM_COMMAND:
            // OK or Enter; Escape and everything else leave the box open.
            if (LOWORD(wp) == IDC_MSG_OK) EndDialog(box, 1);
            return TRUE;
        case WM_DESTROY:
            SetWindowLongPtrA(box, GWLP_USERDATA, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

bool ShowMessage(ImportSession& session, HWND owner, const char* text, UINT type) {
    if (!text) text = "";
    MessageBoxState state{type, ui::messageLines(text), 0};
    InitParam init{&state, text};
    DialogBoxParamA(static_cast<HINSTANCE>(session.instance), MAKEINTRESOURCEA(IDD_MESSAGE), owner, messageBoxProc,
                    reinterpret_cast<LPARAM>(&init));
    return false;
}

bool ShowHostMessage(ImportSession& session, const char* text, UINT type) {
    return ShowMessage(session, static_cast<HWND>(session.hostWindow), text, type);
}
