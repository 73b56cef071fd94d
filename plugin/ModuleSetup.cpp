#include "plugin/ModuleSetup.h"

#include <commctrl.h>

#include "skin/SkinControls.h"

bool RunModuleEntry(ModuleState& state, HINSTANCE instance, RegisterControlsFn registerControls, WarnFn warn) {
    state.instance = instance;
    if (state.uiInitialised) return true;
    state.uiInitialised = true;  // a failed set-up is not tried again either

    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = 8;
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES;
    InitCommonControlsEx(&controls);

    if (!registerControls(instance)) {
        warn(nullptr, "Failed to create some custom controls\n sorry...", "vq::VirEru", MB_ICONWARNING);
        return false;
    }
    state.classesRegistered = true;
    return true;
}

void RunModuleDetach(ModuleState& state, bool processEnding, UnregisterControlsFn unregisterControls) {
    // At the end of the process the system takes everything down itself, and
    // the window manager may already be gone: nothing is called then.
    if (processEnding || !state.classesRegistered) return;
    state.classesRegistered = false;
    unregisterControls(state.instance);
}

ModuleState& PluginModuleState() {
    static ModuleState state;
    return state;
}

bool RunModuleEntry(HINSTANCE instance, DWORD reason, bool processEnding) {
    if (reason == DLL_PROCESS_DETACH) {
        PluginModuleState().instance = instance;
        RunModuleDetach(PluginModuleState(), processEnding, UnregisterSkinControls);
        return true;
    }
    return RunModuleEntry(PluginModuleState(), instance, RegisterSkinControls, MessageBoxA);
}
