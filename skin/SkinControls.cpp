#include "skin/SkinControls.h"

#include <initializer_list>

namespace {

ATOM systemRegisterClass(const WNDCLASSA* wc) { return RegisterClassA(wc); }

int systemReport(HWND owner, const char* text, const char* caption, UINT type) {
    return MessageBoxA(owner, text, caption, type);
}

}  // namespace

bool RegisterSkinControlsWith(HINSTANCE instance, RegisterClassFn registerClass, ReportFailureFn report) {
    struct ClassInfo {
        const char* name;
        UINT style;
        WNDPROC proc;
    };
    const ClassInfo classes[] = {
        {kProgressClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, ProgressWndProc},
        {kSpinButtonClass, CS_HREDRAW | CS_VREDRAW, SpinButtonWndProc},
        {kSpinnerClass, CS_HREDRAW | CS_VREDRAW, SpinnerWndProc},
    };
    for (const ClassInfo& c : classes) {
        WNDCLASSA wc{};
        wc.style = c.style;
        wc.lpfnWndProc = c.proc;
        // Room for the state pointer: sizeof(void*), so 64-bit builds keep
        // the whole pointer.
        wc.cbWndExtra = sizeof(void*);
        wc.hInstance = instance;
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = c.name;
        SetLastError(0);
        if (registerClass(&wc)) continue;
        if (GetLastError() == ERROR_CLASS_ALREADY_EXISTS) continue;
        report(nullptr, "Failed to Create", c.name, MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

bool RegisterSkinControls(HINSTANCE instance) {
    return RegisterSkinControlsWith(instance, systemRegisterClass, systemReport);
}

void UnregisterSkinControls(HINSTANCE instance) {
    for (const char* name : {kSpinnerClass, kSpinButtonClass, kProgressClass}) UnregisterClassA(name, instance);
}
