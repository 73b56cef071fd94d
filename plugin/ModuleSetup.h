#pragma once
// The module entry's work: keep the module's instance handle and, on the
// first call only, set up the user interface (common controls, the skin's
// window classes). The system calls the entry at load, unload and at the
// start and end of every thread, so the one-time flag matters.
#include <windows.h>

struct ModuleState {
    HINSTANCE instance = nullptr;  // stored on every call; each import gets it
    bool uiInitialised = false;    // set before the first set-up, never cleared
    bool classesRegistered = false;  // the set-up registered the window classes
};

using RegisterControlsFn = bool (*)(HINSTANCE);
using WarnFn = int(WINAPI*)(HWND, const char* text, const char* caption, UINT type);

// Answers whether the entry succeeds: false only when the first set-up could
// not register the window classes (after warning the user), so the host does
// not load the module.
bool RunModuleEntry(ModuleState& state, HINSTANCE instance, RegisterControlsFn registerControls, WarnFn warn);

// The module is unloaded (FreeLibrary, not the end of the process): the
// window classes registered by the set-up go with it, so that a copy loaded
// later registers its own. At the end of the process nothing is done.
using UnregisterControlsFn = void (*)(HINSTANCE);
void RunModuleDetach(ModuleState& state, bool processEnding, UnregisterControlsFn unregisterControls);

// The module's own state and the entry with the real system calls, by the
// reason the system gives (DLL_PROCESS_ATTACH, ..._DETACH, thread start, end).
ModuleState& PluginModuleState();
bool RunModuleEntry(HINSTANCE instance, DWORD reason, bool processEnding);
