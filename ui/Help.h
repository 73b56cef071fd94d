// The HTML Help control behind ShowHelp, with its three system calls
// replaceable so that tests can take the control away, count load attempts
// and hand back registry values of any shape.
#pragma once

#include <windows.h>

namespace help {

struct HelpSystem {
    // The default value of the control's InprocServer32 key, as
    // RegQueryValueExA answers it: data (room for *size bytes), *size the
    // bytes stored, *type the value type; ERROR_SUCCESS or an error.
    LONG (*queryServerPath)(BYTE* data, DWORD* size, DWORD* type);
    HMODULE (*loadLibrary)(const char* name);
    FARPROC (*getProcAddress)(HMODULE module, LPCSTR name);
    // The module's file path, as GetModuleFileNameA answers it: where the
    // help file is looked for when its bare name finds nothing.
    DWORD (*moduleFileName)(HMODULE module, char* path, DWORD size);
};

// The real registry, LoadLibraryA and GetProcAddress.
const HelpSystem& SystemHelp();

// Replaces the system calls (tests) and forgets the loaded control, its entry
// and an earlier failure, as if the module had just been loaded.
void ResetHelp(const HelpSystem& system);

// The HTML Help entry (owner, file, command, data) -> the viewer's window or
// null. The control is loaded on the first call; once loading has failed,
// every later call answers null without trying again.
HWND CallHtmlHelp(HWND owner, const char* file, UINT command, DWORD_PTR data);

// The full path of "vqVirEru.chm" in the folder of module into path; false
// when the module's path is unknown or too long for the buffer.
bool HelpFileBesideModule(HMODULE module, char* path, size_t size);

}  // namespace help
