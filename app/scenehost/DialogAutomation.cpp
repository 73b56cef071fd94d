#include "app/scenehost/DialogAutomation.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include "res/resource.h"
#include "skin/SkinMessages.h"
#include "tools/windowshot/WindowShot.h"

namespace {

enum class DialogKind { Options, Progress, Message, About, Other };

struct Automation {
    std::vector<UiAction> actions;
    size_t next = 0;
    std::string shots;
    std::set<std::string> shotsTaken;
    std::set<HWND> answered;  // message and about boxes already answered
    HWND current = nullptr;
    int ticks = 0;            // ticks the current dialog has been on top
    DWORD quietSince = 0;     // the last action, or the last change of the dialog on top
    bool leftOpen = false;    // the script left a dialog open: each one is ended on sight
    UINT_PTR timer = 0;
    bool inTick = false;
};

// Set while a pick's dialogs run, cleared when they are over: a dialog that
// the script left open and that does not close ends the process.
std::atomic<bool> g_picking{false};
constexpr DWORD kForcedExitMs = 5000;

Automation& automation() {
    static Automation a;
    return a;
}

constexpr UINT kTickMs = 50;
constexpr int kPaintedTicks = 3;  // on top this long, a dialog has painted

BOOL CALLBACK visitWindow(HWND w, LPARAM lp) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    // A dialog under a modal one of its own is disabled: the enabled one is on top.
    if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(w) && IsWindowEnabled(w)) {
        *reinterpret_cast<HWND*>(lp) = w;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK visitHelpViewer(HWND w, LPARAM lp) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, "HH Parent") == 0 && IsWindowVisible(w)) {
        *reinterpret_cast<HWND*>(lp) = w;
        return FALSE;
    }
    return TRUE;
}

// The HTML Help viewer, when the plug-in's Help opened it on this thread.
HWND helpViewer() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), visitHelpViewer, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND topDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), visitWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

DialogKind classify(HWND d) {
    if (GetDlgItem(d, IDC_OPT_IMPORT) && GetDlgItem(d, IDC_OPT_WORLD_PATH)) return DialogKind::Options;
    if (GetDlgItem(d, IDC_PRG_BAR)) return DialogKind::Progress;
    HWND first = GetWindow(d, GW_CHILD);
    if (!first) return DialogKind::About;
    if (GetDlgCtrlID(first) == IDC_MSG_OK && !GetWindow(first, GW_HWNDNEXT)) return DialogKind::Message;
    return DialogKind::Other;
}

void screenshot(HWND d, const char* name) {
    Automation& a = automation();
    if (a.shots.empty() || a.shotsTaken.count(name)) return;
    a.shotsTaken.insert(name);
    const std::string path = a.shots + "\\" + name + ".bmp";
    if (!SaveWindowShot(d, path.c_str())) std::fprintf(stderr, "scenehost: cannot save %s\n", path.c_str());
}

void keyEvent(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

// A key as the keyboard gives it: through the system's input to the window
// with the focus, so the dialog manager routes it as it routes a user's.
void pressKey(HWND d, const UiAction& action) {
    if (GetForegroundWindow() != d) SetForegroundWindow(d);
    if (action.shift) keyEvent(VK_SHIFT, false);
    keyEvent(action.key, false);
    keyEvent(action.key, true);
    if (action.shift) keyEvent(VK_SHIFT, true);
}

void saveShot(HWND d, const std::string& name) {
    Automation& a = automation();
    if (a.shots.empty()) {
        std::fprintf(stderr, "scenehost: shot:%s needs --screenshots\n", name.c_str());
        return;
    }
    const std::string path = a.shots + "\\" + name + ".bmp";
    if (!SaveWindowShot(d, path.c_str())) std::fprintf(stderr, "scenehost: cannot save %s\n", path.c_str());
}

void apply(HWND d, const UiAction& action) {
    if (action.kind == UiAction::Kind::Key) return pressKey(d, action);
    if (action.kind == UiAction::Kind::Shot) return saveShot(d, action.text);
    HWND control = GetDlgItem(d, action.control);
    if (!control) {
        std::fprintf(stderr, "scenehost: the options dialog has no control %d\n", action.control);
        return;
    }
    switch (action.kind) {
    case UiAction::Kind::Text:
        SetWindowTextA(control, action.text.c_str());
        break;
    case UiAction::Kind::Check:
        SendMessageA(control, BM_SETCHECK, action.checked ? BST_CHECKED : BST_UNCHECKED, 0);
        break;
    case UiAction::Kind::Spin:
        SendMessageA(control, SPNM_SETVALUE, 0, reinterpret_cast<LPARAM>(&action.value));
        break;
    case UiAction::Kind::Click:
        // Posted, as a click is: a modal box it opens then runs in the
        // dialog's own loop, not inside this timer.
        PostMessageA(d, WM_COMMAND, MAKEWPARAM(action.control, BN_CLICKED), reinterpret_cast<LPARAM>(control));
        break;
    case UiAction::Kind::Key:
    case UiAction::Kind::Shot:
        break;  // above: no control of their own
    }
}

// The control with the focus, by its id, text and class, as a person
// reading the failure would look for it in the dialog.
std::string describeFocus(HWND d) {
    HWND focus = GetFocus();
    if (!focus) return "no window";
    if (focus == d) return "the dialog itself";
    if (!IsChild(d, focus)) return "a window outside the dialog";
    HWND control = focus;
    while (GetParent(control) != d) control = GetParent(control);
    char cls[64] = {}, text[64] = {};
    GetClassNameA(control, cls, sizeof cls);
    GetWindowTextA(control, text, sizeof text);
    std::string s = "control " + std::to_string(GetDlgCtrlID(control)) + " \"" + text + "\" (" + cls + ")";
    if (control != focus) {
        GetClassNameA(focus, cls, sizeof cls);
        s += std::string(", in its ") + cls;
    }
    return s;
}

std::string describeDialog(HWND d, DialogKind kind) {
    if (kind == DialogKind::Options) return "the options dialog";
    char title[128] = {};
    GetWindowTextA(d, title, sizeof title);
    return std::string("the dialog \"") + title + "\"";
}

// Ends the process when the dialog the script left open has not closed.
void endUnlessClosed() {
    std::thread([] {
        Sleep(kForcedExitMs);
        if (!g_picking) return;
        std::fprintf(stderr, "scenehost: the dialog did not close; ending the process\n");
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), kScriptLeftOpenStatus);
    }).detach();
}

// A dialog the script does not answer, on top since the script's last
// action: once the bound has passed it is reported and ended.
void endWhenLeftOpen(HWND d, DialogKind kind) {
    Automation& a = automation();
    if (a.actions.empty()) return;  // no script: the dialogs are the user's
    if (!a.leftOpen) {
        if (GetTickCount() - a.quietSince < kScriptEndBoundMs) return;
        const bool done = a.next >= a.actions.size();
        std::fprintf(stderr, "scenehost: %s is still open %s; the focus is on %s\n", describeDialog(d, kind).c_str(),
                     done ? "after the --ui script's last action" : "and the --ui script cannot reach it",
                     describeFocus(d).c_str());
        std::fflush(stderr);
        a.leftOpen = true;
        endUnlessClosed();
    }
    EndDialog(d, IDCANCEL);
}

void answerOnce(HWND d, WPARAM command) {
    Automation& a = automation();
    if (!a.answered.insert(d).second) return;
    PostMessageA(d, WM_COMMAND, command, 0);
}

void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    Automation& a = automation();
    if (a.inTick) return;
    a.inTick = true;
    // The help viewer is reported and closed: it is not modal, so the
    // dialog's script goes on beside it.
    if (HWND viewer = helpViewer()) {
        if (a.answered.insert(viewer).second) {
            char title[256] = {};
            GetWindowTextA(viewer, title, sizeof title);
            std::fprintf(stderr, "scenehost: help viewer opened: %s\n", title);
            std::fflush(stderr);
            screenshot(viewer, "help");
        }
        PostMessageA(viewer, WM_CLOSE, 0, 0);
        a.quietSince = GetTickCount();  // the help is at work: the dialog is not idle
    }
    HWND d = topDialog();
    if (d != a.current) {
        a.current = d;
        a.ticks = 0;
        a.quietSince = GetTickCount();
    }
    if (d && ++a.ticks >= kPaintedTicks) {
        switch (classify(d)) {
        case DialogKind::Options:
            screenshot(d, "options");
            if (a.next < a.actions.size() && !a.leftOpen) {
                apply(d, a.actions[a.next++]);
                a.quietSince = GetTickCount();
            } else {
                endWhenLeftOpen(d, DialogKind::Options);
            }
            break;
        case DialogKind::Progress:
            screenshot(d, "progress");
            break;
        case DialogKind::Message:
            if (!a.answered.count(d)) {
                char text[4096] = {};
                GetWindowTextA(d, text, sizeof text);
                std::fprintf(stderr, "%s\n", text);
                std::fflush(stderr);
                screenshot(d, "message");
            }
            answerOnce(d, IDOK);
            break;
        case DialogKind::About:
            screenshot(d, "about");
            answerOnce(d, IDCANCEL);
            break;
        case DialogKind::Other:
            endWhenLeftOpen(d, DialogKind::Other);  // a system dialog: the user's, unless a script runs
            break;
        }
    }
    a.inTick = false;
}

}  // namespace

void setDialogScript(std::vector<UiAction> actions, std::string screenshotFolder) {
    Automation& a = automation();
    a.actions = std::move(actions);
    a.next = 0;
    a.shots = std::move(screenshotFolder);
    a.quietSince = GetTickCount();
}

void startDialogAutomation() {
    Automation& a = automation();
    if (!a.timer) a.timer = SetTimer(nullptr, 0, kTickMs, tick);
    a.quietSince = GetTickCount();
    g_picking = true;
}

void stopDialogAutomation() {
    Automation& a = automation();
    if (a.timer) KillTimer(nullptr, a.timer);
    a.timer = 0;
    g_picking = false;
}

bool scriptLeftDialogOpen() { return automation().leftOpen; }
