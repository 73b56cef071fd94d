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
    return true;
}

ModuleState& PluginModuleState() {
    static ModuleState state;
    return state;
}

bool RunModuleEntry(HINSTANCE instance) {
    return RunModuleEntry(PluginModuleState(), instance, RegisterSkinControls, MessageBoxA);
}
