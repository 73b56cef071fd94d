// The built plug-in module under Windows: what its entry does on load and on
// every thread, its version resource, and the set-up's failure path.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "plugin/ModuleSetup.h"

namespace {

const char* const kClasses[] = {"vqProgressCtrl", "vqSpinButton", "vqSpinner"};

std::string moduleFolder() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/") + 1);
}

std::string pluginPath() { return moduleFolder() + VQ_PLUGIN_DLL; }

bool classRegistered(HINSTANCE module, const char* name) {
    WNDCLASSA wc{};
    return GetClassInfoA(module, name, &wc) != 0;
}

std::string versionString(const std::string& file, const char* key) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0) return "(no version resource)";
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(file.c_str(), 0, size, data.data())) return "(unreadable)";
    void* value = nullptr;
    UINT length = 0;
    const std::string sub = std::string("\\StringFileInfo\\040904b0\\") + key;
    if (!VerQueryValueA(data.data(), sub.c_str(), &value, &length) || !value) return "(missing)";
    return static_cast<const char*>(value);
}

struct Warning {
    std::string text, caption;
    UINT type;
};
std::vector<Warning> g_warnings;
int WINAPI recordWarning(HWND owner, const char* text, const char* caption, UINT type) {
    EXPECT_EQ(owner, nullptr);
    g_warnings.push_back({text, caption, type});
    return IDOK;
}
int g_registrations = 0;
bool failToRegister(HINSTANCE) { ++g_registrations; return false; }
bool registerFine(HINSTANCE) { ++g_registrations; return true; }

}  // namespace

TEST(PluginModule, entry_registers_the_classes_once_across_thread_start_and_end) {
    HMODULE plugin = LoadLibraryA(pluginPath().c_str());
    ASSERT_NE(plugin, nullptr) << pluginPath() << " error " << GetLastError();
    for (const char* name : kClasses) EXPECT_TRUE(classRegistered(plugin, name)) << name;

    // Remove the classes, then start and end a thread: the system calls the
    // module entry twice more, and it must not register them again.
    for (const char* name : kClasses) EXPECT_TRUE(UnregisterClassA(name, plugin)) << name;
    std::thread([] {}).join();
    for (const char* name : kClasses) EXPECT_FALSE(classRegistered(plugin, name)) << name;
    EXPECT_TRUE(FreeLibrary(plugin));
}

TEST(PluginModule, version_resource_names_the_module) {
    EXPECT_EQ(versionString(pluginPath(), "FileVersion"), "0.70b");
    EXPECT_EQ(versionString(pluginPath(), "OriginalFilename"), "vqVirEru.dll");
    EXPECT_EQ(versionString(pluginPath(), "InternalName"), "vqVirEru");
}

TEST(ModuleSetup, failed_registration_warns_once_and_fails_the_entry) {
    ModuleState state;
    g_warnings.clear();
    g_registrations = 0;
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_FALSE(RunModuleEntry(state, self, failToRegister, recordWarning));
    ASSERT_EQ(g_warnings.size(), 1u);
    EXPECT_EQ(g_warnings[0].text, "Failed to create some custom controls\n sorry...");
    EXPECT_EQ(g_warnings[0].caption, "vq::VirEru");
    EXPECT_EQ(g_warnings[0].type, static_cast<UINT>(MB_ICONWARNING));
    EXPECT_TRUE(state.uiInitialised);
    EXPECT_EQ(state.instance, self);

    // Later calls (thread start and end) keep the handle and try nothing again.
    HINSTANCE other = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(0x10000));
    EXPECT_TRUE(RunModuleEntry(state, other, failToRegister, recordWarning));
    EXPECT_EQ(state.instance, other);
    EXPECT_EQ(g_registrations, 1);
    EXPECT_EQ(g_warnings.size(), 1u);
}

TEST(ModuleSetup, successful_set_up_runs_once) {
    ModuleState state;
    g_warnings.clear();
    g_registrations = 0;
    for (int call = 0; call < 3; ++call)
        EXPECT_TRUE(RunModuleEntry(state, GetModuleHandleA(nullptr), registerFine, recordWarning));
    EXPECT_EQ(g_registrations, 1);
    EXPECT_TRUE(g_warnings.empty());
}
