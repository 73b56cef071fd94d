#include "DialogDriver.h"

#include <utility>

namespace wintest {
namespace {

std::function<void(HWND)> g_action;
HWND g_except = nullptr;
int g_ticks = 0, g_wanted = 0;
UINT_PTR g_timer = 0;

struct Search {
    HWND except;
    HWND found;
};

BOOL CALLBACK visitWindow(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    char cls[32] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (w != s->except && lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(w) && IsWindowEnabled(w)) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK tick(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = findDialog(g_except);
    if (!dialog || ++g_ticks < g_wanted) return;
    KillTimer(nullptr, id);
    g_timer = 0;
    auto action = std::move(g_action);
    g_action = nullptr;
    if (action) action(dialog);
}

}  // namespace

HWND findDialog(HWND except) {
    // Enabled dialogs only: a dialog under a modal child of its own is disabled.
    Search s{except, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), visitWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

void driveNextDialog(std::function<void(HWND)> action, int ticks, HWND except) {
    if (g_timer) KillTimer(nullptr, g_timer);
    g_action = std::move(action);
    g_except = except;
    g_ticks = 0;
    g_wanted = ticks;
    g_timer = SetTimer(nullptr, 0, 50, tick);
}

void clickControl(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void sendKey(WORD vk, bool shift) {
    // One batch, so that no other input comes between Shift and the key.
    INPUT keys[4] = {};
    UINT count = 0;
    const auto add = [&keys, &count](WORD key, DWORD flags) {
        keys[count].type = INPUT_KEYBOARD;
        keys[count].ki.wVk = key;
        keys[count++].ki.dwFlags = flags;
    };
    if (shift) add(VK_SHIFT, 0);
    add(vk, 0);
    add(vk, KEYEVENTF_KEYUP);
    if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(count, keys, sizeof keys[0]);
}

}  // namespace wintest
