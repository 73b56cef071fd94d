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

// A host that unloads the plug-in and loads a rebuilt copy: the classes go
// with the module, and the copy registers its own, whose windows work.
TEST(PluginModule, freeing_the_module_unregisters_its_classes_and_a_copy_loaded_after_registers_its_own) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string copy = std::string(temp) + "vqVirEru-reloaded-" + std::to_string(GetCurrentProcessId()) + ".dll";
    ASSERT_TRUE(CopyFileA(pluginPath().c_str(), copy.c_str(), FALSE));
    for (const std::string& path : {pluginPath(), copy}) {
        HMODULE plugin = LoadLibraryA(path.c_str());
        ASSERT_NE(plugin, nullptr) << path << " error " << GetLastError();
        for (const char* name : kClasses) {
            EXPECT_TRUE(classRegistered(plugin, name)) << name;
            HWND w = CreateWindowExA(0, name, "", WS_POPUP, 0, 0, 60, 20, nullptr, nullptr, plugin, nullptr);
            EXPECT_NE(w, nullptr) << name;
            if (w) DestroyWindow(w);
        }
        EXPECT_TRUE(FreeLibrary(plugin));
        for (const char* name : kClasses) EXPECT_FALSE(classRegistered(plugin, name)) << name << " left behind";
    }
    DeleteFileA(copy.c_str());
}

TEST(ModuleSetup, detach_unregisters_what_the_set_up_registered_but_not_at_process_end) {
    static std::vector<HINSTANCE> g_unregistered;
    g_unregistered.clear();
    const auto record = [](HINSTANCE instance) { g_unregistered.push_back(instance); };
    HINSTANCE self = GetModuleHandleA(nullptr);

    ModuleState failed;
    EXPECT_FALSE(RunModuleEntry(failed, self, failToRegister, recordWarning));
    RunModuleDetach(failed, false, record);  // nothing was registered
    ModuleState ending;
    EXPECT_TRUE(RunModuleEntry(ending, self, registerFine, recordWarning));
    RunModuleDetach(ending, true, record);  // the process ends: left to the system
    EXPECT_TRUE(g_unregistered.empty());

    ModuleState freed;
    EXPECT_TRUE(RunModuleEntry(freed, self, registerFine, recordWarning));
    RunModuleDetach(freed, false, record);
    RunModuleDetach(freed, false, record);  // once only
    EXPECT_EQ(g_unregistered, std::vector<HINSTANCE>{self});
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
