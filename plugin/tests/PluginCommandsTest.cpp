// The plug-in's entry points as the host sees them: what registration leaves
// in the registrar, the menu item, and the import command's log line, file
// browser and session.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/tests/TempFiles.h"
#include "host/HostControl.h"
#include "import/ImportSession.h"
#include "import/ImportUi.h"
#include "import/tests/ImportTestSupport.h"
#include "plugin/PluginCommands.h"

using namespace XSI;
using namespace XSI::HostControl;

namespace {

// An ImportUi that records which module each session came from and cancels
// at the options dialog.
struct CancellingUi : ImportUi {
    std::string settingsFilePath(void* instance) override {
        instances.push_back(instance);
        return {};
    }
    void loadSkinBitmaps(void*) override {}
    int showOptions(ImportSession& s) override {
        objectNames.push_back(s.objectName);
        return 0;
    }
    int showProgress(ImportSession&) override { return 0; }
    void showMessage(ImportSession&, const char* text, unsigned) override { messages.push_back(text); }
    std::vector<void*> instances;
    std::vector<std::string> objectNames, messages;
};

// The menu as the host builds it (registration, the menu, its init entry)
// and keeps it while the plug-in is loaded.
struct BuiltMenu {
    BuiltMenu() {
        PluginRegistrar registrar;
        EXPECT_EQ(RegisterPlugin(registrar), CStatus::OK);
        menu = Menu::Create(registrar.GetMenu(0).name);
        Context menuContext(menu.GetRef());
        EXPECT_EQ(BuildImportMenu(menuContext), CStatus::OK);
        EXPECT_EQ(menu.GetItemCount(), 1u);
        item = menu.GetItem(0);
    }
    Menu menu;
    MenuItem item;
};

}  // namespace

TEST(PluginRegistration, registrar_menu_and_unload_log) {
    ResetHost();
    PluginRegistrar registrar;
    EXPECT_EQ(RegisterPlugin(registrar), CStatus::OK);
    EXPECT_EQ(registrar.GetName(), CString("vqVirEru"));
    EXPECT_EQ(registrar.GetAuthor(), CString("mavo"));
    EXPECT_EQ(registrar.GetEmail(), CString(""));
    EXPECT_EQ(registrar.GetURL(), CString(""));
    uint32_t major = 9, minor = 9;
    registrar.GetVersion(major, minor);
    EXPECT_EQ(major, 1u);
    EXPECT_EQ(minor, 0u);
    ASSERT_EQ(registrar.GetMenuCount(), 1u);
    const auto menu = registrar.GetMenu(0);
    EXPECT_EQ(menu.anchor, 1003);
    EXPECT_EQ(menu.name, CString("vqVirEruort"));
    EXPECT_FALSE(menu.displayAsSubmenu);
    EXPECT_FALSE(menu.dynamic);

    const BuiltMenu built;
    const MenuItem& item = built.item;
    EXPECT_EQ(item.GetName(), CString("vq::VirEruort"));
    EXPECT_EQ(item.GetCallback(), CString("OnVirEruort"));

    EXPECT_EQ(UnregisterPlugin(registrar), CStatus::OK);
    const auto log = GetLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].text, CString("vqVirEru has been unloaded."));
    EXPECT_EQ(log[0].severity, siInfoMsg);
}

TEST(PluginRegistration, menu_of_an_invalid_context_reports_the_hosts_failure) {
    Context nowhere;
    EXPECT_NE(BuildImportMenu(nowhere), CStatus::OK);
}

TEST(ImportCommand, cancelled_browser_logs_and_creates_no_session) {
    ResetHost();
    const BuiltMenu built;
    const MenuItem& item = built.item;
    SetFileBrowserAnswer("");
    CancellingUi ui;
    Context picked(item.GetRef());
    EXPECT_EQ(RunImportCommand(picked, &ui, ui), CStatus::OK);

    const auto log = GetLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].text, CString("vqVirEruort:vq::VirEruortOnVirEruort"));
    EXPECT_EQ(log[0].severity, siInfoMsg);
    // The browser got its four properties in this order, then was shown once.
    EXPECT_EQ(GetFileBrowserPutOrder(),
              (std::vector<CString>{"Filter", "DialogTitle", "InitialDirectory", "FileBaseName"}));
    EXPECT_EQ(GetFileBrowserProperty("Filter").GetAsText(), CString("Terragen ter(*.ter)|*.ter||"));
    EXPECT_EQ(GetFileBrowserProperty("DialogTitle").GetAsText(), CString("vq::DirUzoved"));
    EXPECT_EQ(GetFileBrowserProperty("InitialDirectory").GetAsText(), CString("D:/Apps/Terragen/Worlds"));
    EXPECT_EQ(GetFileBrowserProperty("FileBaseName").GetAsText(), CString(""));
    EXPECT_EQ(GetFileBrowserShowCount(), 1u);
    // No session: nothing asked for the settings path, no hook touched, no command run.
    EXPECT_TRUE(ui.instances.empty());
    EXPECT_EQ(GetHookCounts().suspended, 0u);
    EXPECT_TRUE(GetCommands().empty());
}

TEST(ImportCommand, chosen_file_runs_one_session_of_this_module) {
    TempFolder dir;
    const std::string ter = dir.write("alps.old.ter", tergen::terrainBytes(importtest::grid(3, 2)));
    ResetHost();
    const BuiltMenu built;
    const MenuItem& item = built.item;
    SetFileBrowserAnswer(ter.c_str());
    CancellingUi ui;
    int module = 0;  // stands for the module's instance handle
    Context picked(item.GetRef());
    EXPECT_EQ(RunImportCommand(picked, &module, ui), CStatus::OK);
    EXPECT_EQ(ui.instances, std::vector<void*>{&module});
    EXPECT_EQ(ui.objectNames, std::vector<std::string>{"alps"});
    EXPECT_TRUE(ui.messages.empty());

    // A failed import still answers OK; the session showed its own message.
    const std::string bad = dir.write("bad.ter", tergen::Bytes{'n', 'o', 'p', 'e'});
    SetFileBrowserAnswer(bad.c_str());
    EXPECT_EQ(RunImportCommand(picked, &module, ui), CStatus::OK);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].find("is not a terrain-file"), std::string::npos) << ui.messages[0];
}
