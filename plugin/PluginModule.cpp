// The plug-in module vqVirEru.dll: its entry and the four functions the host
// calls, exported under their plain C names.
#include <windows.h>

#include "host/XsiApplication.h"
#include "plugin/ModuleSetup.h"
#include "plugin/PluginCommands.h"
#include "ui/Win32ImportUi.h"

#define PLUGIN_ENTRY extern "C" __declspec(dllexport)

// reserved is not null at DLL_PROCESS_DETACH when the process is ending,
// null when the module is freed.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    return RunModuleEntry(instance, reason, reserved != nullptr) ? TRUE : FALSE;
}

namespace {

// No exception may leave the module into the host: each entry answers a
// failure instead.
template <class Body>
XSI::CStatus guarded(Body body) noexcept {
    try {
        return body();
    } catch (...) {
        return XSI::CStatus::Fail;
    }
}

}  // namespace

PLUGIN_ENTRY XSI::CStatus XSILoadPlugin(XSI::PluginRegistrar& registrar) {
    return guarded([&] { return RegisterPlugin(registrar); });
}

PLUGIN_ENTRY XSI::CStatus XSIUnloadPlugin(const XSI::PluginRegistrar& registrar) {
    return guarded([&] { return UnregisterPlugin(registrar); });
}

PLUGIN_ENTRY XSI::CStatus vqVirEruort_Init(XSI::Context& context) {
    return guarded([&] { return BuildImportMenu(context); });
}

PLUGIN_ENTRY XSI::CStatus OnVirEruort(XSI::Context& context) {
    return guarded([&] {
        Win32ImportUi ui;
        return RunImportCommand(context, PluginModuleState().instance, ui);
    });
}
