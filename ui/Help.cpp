// The help: "vqVirEru.chm" opened on its index through the HTML Help control,
// loaded at run time from the path registered for its class.
#include "ui/Help.h"

#include <cstring>

#include "import/ImportSession.h"
#include "ui/ImportDialogs.h"

namespace help {
namespace {

constexpr char kServerKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr REGSAM kReadAccess = 0x20019;  // KEY_READ
constexpr int kHtmlHelpOrdinal = 14;     // HtmlHelpA
constexpr UINT kDisplayIndex = 2;        // HH_DISPLAY_INDEX
constexpr char kHelpFile[] = "vqVirEru.chm";

using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

template <class Fn>
Fn procCast(FARPROC p) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
}

LONG queryRegistry(BYTE* data, DWORD* size, DWORD* type) {
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExA(HKEY_CLASSES_ROOT, kServerKey, 0, kReadAccess, &key);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegQueryValueExA(key, nullptr, nullptr, type, data, size);
    RegCloseKey(key);
    return rc;
}

HMODULE loadLibrary(const char* name) { return LoadLibraryA(name); }
FARPROC getProcAddress(HMODULE module, LPCSTR name) { return GetProcAddress(module, name); }
DWORD moduleFileName(HMODULE module, char* path, DWORD size) { return GetModuleFileNameA(module, path, size); }

// Module-wide: the control stays loaded for the life of the plug-in module.
struct HelpState {
    HelpSystem system{queryRegistry, loadLibrary, getProcAddress, moduleFileName};
    HMODULE module = nullptr;   // the loaded control
    HtmlHelpFn entry = nullptr; // its HTML Help entry
    bool failed = false;        // loading failed once: never tried again
};

HelpState& state() {
    static HelpState s;
    return s;
}

// The registered path of the control into path[MAX_PATH]. A registry value
// need not end with a NUL, and a longer one is cut by the buffer: only a name
// that is whole and terminated within the buffer is used.
bool registeredServerPath(const HelpSystem& system, char (&path)[MAX_PATH]) {
    BYTE data[MAX_PATH] = {};
    DWORD size = sizeof data, type = REG_NONE;
    if (system.queryServerPath(data, &size, &type) != ERROR_SUCCESS) return false;
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size == 0 || size > sizeof data) return false;
    const void* nul = std::memchr(data, 0, size);
    if (!nul) {
        if (size == sizeof data) return false;  // no room left for the NUL: the name may be cut
        data[size] = 0;
    }
    const char* name = reinterpret_cast<const char*>(data);
    if (!*name) return false;
    if (type == REG_SZ) {
        std::memcpy(path, name, std::strlen(name) + 1);
        return true;
    }
    const DWORD n = ExpandEnvironmentStringsA(name, path, MAX_PATH);
    return n != 0 && n <= MAX_PATH;
}

bool loadControl(HelpState& s) {
    if (!s.module) {
        char path[MAX_PATH];
        if (registeredServerPath(s.system, path)) s.module = s.system.loadLibrary(path);
        if (!s.module) s.module = s.system.loadLibrary("hhctrl.ocx");
        if (!s.module) return false;
    }
    if (!s.entry) {
        s.entry = procCast<HtmlHelpFn>(s.system.getProcAddress(s.module, MAKEINTRESOURCEA(kHtmlHelpOrdinal)));
        if (!s.entry) return false;
    }
    return true;
}

}  // namespace

const HelpSystem& SystemHelp() {
    static const HelpSystem system{queryRegistry, loadLibrary, getProcAddress, moduleFileName};
    return system;
}

void ResetHelp(const HelpSystem& system) {
    HelpState& s = state();
    s = HelpState{};
    s.system = system;
}

HWND CallHtmlHelp(HWND owner, const char* file, UINT command, DWORD_PTR data) {
    HelpState& s = state();
    if (s.failed) return nullptr;
    if (!loadControl(s)) {
        s.failed = true;
        return nullptr;
    }
    return s.entry(owner, file, command, data);
}

bool HelpFileBesideModule(HMODULE module, char* path, size_t size) {
    const HelpState& s = state();
    if (!s.system.moduleFileName || size < 2) return false;
    const DWORD capacity = size > MAX_PATH * 4 ? MAX_PATH * 4 : static_cast<DWORD>(size);
    const DWORD n = s.system.moduleFileName(module, path, capacity);
    if (n == 0 || n >= capacity) return false;  // unknown, or cut by the buffer
    path[n] = '\0';
    char* slash = std::strrchr(path, '\\');
    if (char* forward = std::strrchr(path, '/'); forward && (!slash || forward > slash)) slash = forward;
    if (!slash) return false;
    const size_t folder = static_cast<size_t>(slash - path) + 1;
    if (folder + sizeof kHelpFile > size) return false;
    std::memcpy(path + folder, kHelpFile, sizeof kHelpFile);
    return true;
}

}  // namespace help

void ShowHelp(ImportSession& session, HWND owner) {
    // The bare name first: the control finds it in the current folder or
    // the system's help folder. A host's current folder is its own, so the
    // file installed beside the plug-in is tried by its full path next.
    char file[256] = "vqVirEru.chm";
    HWND viewer = help::CallHtmlHelp(owner, file, help::kDisplayIndex, 0);
    char beside[MAX_PATH * 2];
    if (!viewer && help::HelpFileBesideModule(static_cast<HMODULE>(session.instance), beside, sizeof beside))
        viewer = help::CallHtmlHelp(owner, beside, help::kDisplayIndex, 0);
    if (viewer) {
        SetWindowPos(viewer, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
        return;
    }
    ShowMessage(session, owner, "you need  help for this ?", 0);
}
