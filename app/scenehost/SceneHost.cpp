// scenehost: a small Windows program that plays the 3D host for the plug-in.
// It loads the plug-in module, registers it, builds its menu, shows a main
// window, picks the menu item as a user would, unloads the plug-in and writes
// the scene it got. The dialogs are real; --ui actions stand in for the user.
#include <windows.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "app/scenehost/DialogAutomation.h"
#include "app/scenehost/FullPath.h"
#include "app/scenehost/UiScript.h"
#include "host/HostControl.h"
#include "host/SceneExport.h"
#include "host/XsiApplication.h"
#include "plugin/PluginEntries.h"

namespace {

struct Options {
    std::vector<std::string> plugins;
    std::string output, report, screenshots;
    std::vector<std::string> files;  // one import each, in order
    bool cancelBrowser = false;
    std::vector<std::string> ui;
};

constexpr char kMainClass[] = "SceneHostMainWindow";

LRESULT CALLBACK mainWindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) {
        RECT r;
        GetClientRect(w, &r);
        HBRUSH b = CreateSolidBrush(RGB(92, 96, 104));
        FillRect(reinterpret_cast<HDC>(wp), &r, b);
        DeleteObject(b);
        return 1;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

HWND createMainWindow() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = mainWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = kMainClass;
    if (!RegisterClassA(&wc)) return nullptr;
    HWND w = CreateWindowExA(0, kMainClass, "scenehost", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 900, 640,
                             nullptr, nullptr, wc.hInstance, nullptr);
    if (w) UpdateWindow(w);
    return w;
}

// Handles what is pending, so the main window shows before the plug-in runs.
void pumpPending() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string exeFolder() {
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return folderOf(std::string(path, n));
}

std::string lowerExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

template <class Fn>
Fn entry(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

int fail(const std::string& text) {
    std::fprintf(stderr, "scenehost: %s\n", text.c_str());
    return 1;
}

// Whether the import whose commands start at firstCommand completed: it
// frames the views only then, the host's sign of a successful import command.
bool importCompleted(size_t firstCommand) {
    const auto commands = XSI::HostControl::GetCommands();
    for (size_t i = firstCommand; i < commands.size(); ++i)
        if (commands[i].name == XSI::CString("FrameAll")) return true;
    return false;
}

// What picking the menu item needs, and what the imports did.
struct ImportRuns {
    std::vector<std::string> files;   // the browser's answer for each pick ("": cancelled);
                                      // none: one pick, the real open-file dialog asks
    std::vector<UiAction> actions;    // the options dialog's script, for each pick
    std::string screenshots;
    bool lastCompleted = false;
};

// Loads the plug-in, registers it, builds its menus and picks the first item.
int runPlugin(const std::string& pluginPath, ImportRuns& runs) {
    HMODULE module = LoadLibraryA(pluginPath.c_str());
    if (!module) return fail("cannot load the plug-in " + pluginPath + " (error " + std::to_string(GetLastError()) + ")");
    auto load = entry<PluginLoadFn>(module, kLoadEntry);
    auto unload = entry<PluginUnloadFn>(module, kUnloadEntry);
    if (!load || !unload) {
        FreeLibrary(module);
        return fail(pluginPath + " is not a plug-in: it lacks " + kLoadEntry + " or " + kUnloadEntry);
    }
    XSI::PluginRegistrar registrar;
    if (load(registrar) != XSI::CStatus::OK) {
        FreeLibrary(module);
        return fail(pluginPath + ": registration failed");
    }

    // Each registered menu is built by its "<name>_Init" entry; the host
    // keeps the menus while the plug-in is loaded.
    std::vector<XSI::Menu> menus;
    XSI::MenuItem picked;
    for (uint32_t i = 0; i < registrar.GetMenuCount(); ++i) {
        const std::string name = registrar.GetMenu(i).name.str();
        auto init = entry<PluginContextFn>(module, (name + "_Init").c_str());
        if (!init) continue;
        menus.push_back(XSI::Menu::Create(name.c_str()));
        XSI::Context menuContext(menus.back().GetRef());
        if (init(menuContext) != XSI::CStatus::OK) continue;
        if (!picked.IsValid() && menus.back().GetItemCount() > 0) picked = menus.back().GetItem(0);
    }
    int status = 0;
    auto callback = picked.IsValid() ? entry<PluginContextFn>(module, picked.GetCallback().GetAsciiString()) : nullptr;
    if (!callback) {
        status = fail(pluginPath + " added no menu item with a callback");
    } else {
        // Each pick is one import in the same loaded plug-in, as a user
        // picking the menu item again in the host.
        const size_t picks = runs.files.empty() ? 1 : runs.files.size();
        for (size_t i = 0; i < picks; ++i) {
            if (!runs.files.empty()) XSI::HostControl::SetFileBrowserAnswer(runs.files[i].c_str());
            setDialogScript(runs.actions, runs.screenshots);
            const size_t firstCommand = XSI::HostControl::GetCommands().size();
            pumpPending();
            startDialogAutomation();
            XSI::Context context(picked.GetRef());
            callback(context);
            stopDialogAutomation();
            runs.lastCompleted = importCompleted(firstCommand);
            if (scriptLeftDialogOpen()) break;  // reported; no more picks
            if (picks > 1)
                std::fprintf(stderr, "scenehost: import %zu of %zu %s\n", i + 1, picks,
                             runs.lastCompleted ? "completed" : "was cancelled or failed");
        }
    }
    unload(registrar);
    menus.clear();
    FreeLibrary(module);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    CLI::App app{"Loads the plug-in as a 3D host does, runs its import command and writes the scene.", "scenehost"};
    app.add_option("--plugin", o.plugins,
                   "the plug-in module (default: vqVirEru.dll beside scenehost.exe); given again, each is loaded, run "
                   "and unloaded in turn in this process, as a host that loads a rebuilt copy");
    auto* file = app.add_option("--file", o.files,
                                "the file browser's answer: the terrain to import (repeated: one import each, in order)");
    app.add_flag("--cancel-browser", o.cancelBrowser, "the file browser is cancelled")->excludes(file);
    app.add_option("--ui", o.ui,
                   "an action on the options dialog, in order: text:ID=VALUE, check:ID=0|1, spin:ID=VALUE, click:ID, "
                   "key:KEY, shot:NAME; a dialog still open after the last one ends the run (exit status 3)");
    app.add_option("-o,--output", o.output, "write the scene: .glb or .gltf (+ .bin)");
    app.add_option("--report", o.report, "write the host's scene report (JSON)");
    app.add_option("--screenshots", o.screenshots,
                   "save each dialog as it first shows (options.bmp, progress.bmp, message.bmp, about.bmp) here");
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "scenehost: %s\n", e.what());
        return 2;
    }

    std::vector<UiAction> actions;
    for (const std::string& text : o.ui) {
        UiAction a;
        std::string error;
        if (!parseUiAction(text, a, error)) {
            std::fprintf(stderr, "scenehost: %s\n", error.c_str());
            return 2;
        }
        actions.push_back(a);
    }
    if (!o.output.empty()) {
        const std::string ext = lowerExtension(o.output);
        if (ext != ".glb" && ext != ".gltf") {
            std::fprintf(stderr, "scenehost: the output must end in .glb or .gltf: %s\n", o.output.c_str());
            return 2;
        }
    }
    if (o.plugins.empty()) o.plugins.push_back(exeFolder() + "vqVirEru.dll");
    // The current folder stays the one scenehost was started in, as a host's
    // does; the plug-in finds its own files beside itself.
    for (std::string& plugin : o.plugins) plugin = absolutePath(plugin);
    for (std::string& path : o.files) path = absolutePath(path);
    for (std::string* path : {&o.output, &o.report, &o.screenshots}) *path = absolutePath(*path);

    XSI::HostControl::ResetHost();
    ImportRuns runs;
    runs.files = o.files;
    if (o.cancelBrowser) runs.files = {""};
    runs.actions = actions;
    runs.screenshots = o.screenshots;

    HWND mainWindow = createMainWindow();
    if (!mainWindow) return fail("cannot create the main window (is there a display?)");
    XSI::HostControl::SetApplicationWindowHandle(mainWindow);

    // Each plug-in copy is loaded, picked once for each file and unloaded;
    // every copy's last import must have completed.
    int status = 0;
    bool allCompleted = true;
    for (const std::string& plugin : o.plugins) {
        status = runPlugin(plugin, runs);
        if (status != 0 || scriptLeftDialogOpen()) break;
        if (!runs.lastCompleted) allCompleted = false;
    }
    XSI::HostControl::SetApplicationWindowHandle(nullptr);
    DestroyWindow(mainWindow);
    if (status != 0) return status;
    if (scriptLeftDialogOpen()) return kScriptLeftOpenStatus;  // stderr named the dialog
    if (!allCompleted) return fail("the import was cancelled or failed; nothing written");

    if (!o.output.empty()) {
        const auto layout = lowerExtension(o.output) == ".glb" ? XSI::SceneExport::GltfLayout::Binary
                                                               : XSI::SceneExport::GltfLayout::Separate;
        const auto written = XSI::SceneExport::WriteGltf(o.output, layout);
        if (!written.ok) return fail(written.errorText);
    }
    if (!o.report.empty()) {
        const auto written = XSI::SceneExport::WriteSceneReport(o.report);
        if (!written.ok) return fail(written.errorText);
    }
    return 0;
}
