// Named commands through the host operations, parameters, the log, the
// desktop hook, the file browser and registration.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "host/HostControl.h"
#include "host/XsiApplication.h"
#include "plugin/HostOps.h"

using namespace XSI;

namespace {

const CString kPass = "Passes.Default_Pass.RenderOptions.";
using Vec = std::array<double, 3>;
Vec vec(const double v[3]) { return {v[0], v[1], v[2]}; }

class HostCommands : public ::testing::Test {
protected:
    void SetUp() override { HostControl::ResetHost(); }

    static Camera addCamera(const char* name) {
        CameraRig rig;
        EXPECT_EQ(Application().GetActiveSceneRoot().AddCameraRig("Camera", name, rig), CStatus::OK);
        return rig.GetCamera();
    }
    static CStatus execute(const char* name, const std::vector<CValue>& args) {
        CValueArray list;
        for (const CValue& a : args) list.Add(a);
        CValue ignored;
        return Application().ExecuteCommand(name, list, ignored);
    }
    static void expectLastCommand(const char* name, const std::vector<CValue>& args) {
        const auto commands = HostControl::GetCommands();
        ASSERT_FALSE(commands.empty()) << name;
        const auto& c = commands.back();
        EXPECT_EQ(c.name, CString(name));
        ASSERT_EQ(c.args.GetCount(), args.size()) << name;
        for (uint32_t i = 0; i < args.size(); ++i) EXPECT_EQ(c.args[i], args[i]) << name << " argument " << i;
    }
};

TEST_F(HostCommands, operations_send_exactly_their_arguments) {
    FrameAll();
    expectLastCommand("FrameAll", {CValue(true), CValue(true), CValue(int16_t{0})});
    SetViewCamera("cam");
    expectLastCommand("SetViewCamera", {CValue("cam"), CValue(int16_t{1})});
    TranslatePivot("obj", 1.5, -2, 3);
    expectLastCommand("TranslatePivot", {CValue("obj"), CValue(1.5), CValue(-2.0), CValue(3.0)});
    Translate("obj", 1.5, -2, 3);
    expectLastCommand("Translate", {CValue("obj"), CValue(1.5), CValue(-2.0), CValue(3.0)});
    SetValue("a.b", CValue(int32_t{7}));
    expectLastCommand("SetValue", {CValue("a.b"), CValue(int32_t{7})});
    GetValue("a.b");
    expectLastCommand("GetValue", {CValue("a.b")});
    NewScene();
    expectLastCommand("NewScene", {CValue(), CValue(false)});
    EXPECT_EQ(HostControl::GetCommands().size(), 7u) << "every call is recorded, failed ones too";
}

TEST_F(HostCommands, parameters_start_at_defaults_and_set_value_converts_or_changes_nothing) {
    EXPECT_EQ(GetValue("preferences.scripting.cmdlog"), CValue(true));
    EXPECT_EQ(GetValue(kPass + "EndFrame").GetType(), CValue::siInt2);
    EXPECT_EQ(GetValue(kPass + "CameraXRes"), CValue(int32_t{640}));
    EXPECT_EQ(GetValue(kPass + "CameraYRes"), CValue(int32_t{480}));
    EXPECT_EQ(GetValue(kPass + "PixelRatio"), CValue(1.0f));
    EXPECT_EQ(GetValue(kPass + "InverseRatio"), CValue(false));
    EXPECT_EQ(GetValue(kPass + "PassCamera").GetType(), CValue::siString);
    EXPECT_EQ(GetValue(kPass + "PictureStandard").GetType(), CValue::siInt2);

    EXPECT_TRUE(SetValue(kPass + "CameraXRes", CValue(1024.0)).IsEmpty());
    EXPECT_EQ(GetValue(kPass + "CameraXRes"), CValue(int32_t{1024}));
    SetValue(kPass + "PixelRatio", CValue(-1.0f));
    EXPECT_EQ(GetValue(kPass + "PixelRatio"), CValue(-1.0f));
    SetValue(kPass + "CameraYRes", CValue("wide"));  // a string cannot become a number
    EXPECT_EQ(GetValue(kPass + "CameraYRes"), CValue(int32_t{480}));

    EXPECT_TRUE(SetValue("no.such.parameter", CValue(5.0)).IsEmpty());
    EXPECT_FALSE(HostControl::GetParameter("no.such.parameter"));
    EXPECT_TRUE(GetValue("no.such.parameter").IsEmpty());
    EXPECT_EQ(execute("SetValue", {CValue("no.such.parameter"), CValue(1.0)}), CStatus::Fail);
    EXPECT_EQ(execute("Frobnicate", {}), CStatus::NotImpl);
}

TEST_F(HostCommands, camera_fov_and_roll_are_parameters_of_the_camera) {
    const CString cam = addCamera("TG_Cam").GetName();
    EXPECT_EQ(SetCameraFov(cam, 53.13010235415598), CStatus::OK);
    expectLastCommand("SetValue", {CValue("TG_Cam.camera.fov"), CValue(53.13010235415598)});
    EXPECT_EQ(SetCameraRoll(cam, -12.5), CStatus::OK);
    EXPECT_DOUBLE_EQ(HostControl::FindObject("TG_Cam")->roll, -12.5);
    EXPECT_EQ(GetValue(cam + ".camera.fov"), CValue(53.13010235415598));

    SetCameraFov(cam, -90.0);  // a world file without ZOOM: held as given
    EXPECT_DOUBLE_EQ(HostControl::FindObject("TG_Cam")->fov, -90.0);
    EXPECT_EQ(SetCameraFov("nobody", 10.0), CStatus::OK) << "the value is dropped, the host answers nothing";
}

TEST_F(HostCommands, new_scene_keeps_preferences_and_resets_everything_else) {
    SetValue("preferences.scripting.cmdlog", CValue(false));
    SetValue(kPass + "CameraXRes", CValue(int32_t{1920}));
    Camera camera = addCamera("TG_Cam");
    SetViewCamera("TG_Cam");
    FrameAll();
    ASSERT_TRUE(HostControl::IsFramed());
    NewScene();
    EXPECT_EQ(GetValue("preferences.scripting.cmdlog"), CValue(false));
    EXPECT_EQ(GetValue(kPass + "CameraXRes"), CValue(int32_t{640}));
    EXPECT_EQ(HostControl::GetViewCamera(), CString(""));
    EXPECT_FALSE(HostControl::IsFramed());
    EXPECT_TRUE(HostControl::GetObjects().empty());
    // Old handles are invalid; their names are free again.
    EXPECT_FALSE(camera.IsValid());
    EXPECT_EQ(camera.GetName(), CString(""));
    EXPECT_FALSE(camera.GetInterest().IsValid());
    EXPECT_EQ(addCamera("TG_Cam").GetName(), CString("TG_Cam"));

    HostControl::ResetHost();
    EXPECT_TRUE(HostControl::GetCommands().empty());
    EXPECT_EQ(GetValue("preferences.scripting.cmdlog"), CValue(true));
}

TEST_F(HostCommands, commands_change_only_the_object_they_name) {
    addCamera("TG_Cam");
    SetViewCamera("TG_Cam_Interest");
    EXPECT_EQ(HostControl::GetViewCamera(), CString("")) << "the view camera must be a camera";
    SetViewCamera("TG_Cam");
    EXPECT_EQ(HostControl::GetViewCamera(), CString("TG_Cam"));

    Translate("TG_Cam", 300, 150, -600);
    TranslatePivot("TG_Cam_Interest", 1, 2, 3);
    const auto cam = HostControl::FindObject("TG_Cam"), interest = HostControl::FindObject("TG_Cam_Interest");
    EXPECT_EQ(vec(cam->position), (Vec{300, 150, -600}));
    EXPECT_EQ(vec(cam->pivot), (Vec{0, 0, 0}));
    EXPECT_EQ(vec(interest->position), (Vec{0, 0, 0}));
    EXPECT_EQ(vec(interest->pivot), (Vec{1, 2, 3}));
    // Missing coordinates or a missing object change nothing.
    EXPECT_EQ(execute("Translate", {CValue("TG_Cam"), CValue(1.0)}), CStatus::Fail);
    EXPECT_EQ(vec(HostControl::FindObject("TG_Cam")->position), (Vec{300, 150, -600}));
    Translate("ghost", 1, 1, 1);
    EXPECT_FALSE(HostControl::FindObject("ghost"));
}

TEST_F(HostCommands, new_scene_balances_the_hook_and_redraws_and_log_lines_are_recorded) {
    Desktop desktop = Application().GetDesktop();
    desktop.SuspendWin32ControlsHook();  // as the import's driver does first
    NewScene();                          // restores the hook before the command, suspends it after
    EXPECT_EQ(HostControl::GetHookCounts().suspended, 2u);
    EXPECT_EQ(HostControl::GetHookCounts().restored, 1u);
    desktop.RestoreWin32ControlsHook();
    EXPECT_EQ(HostControl::GetHookCounts().suspended, HostControl::GetHookCounts().restored) << "balanced";
    desktop.RedrawUI();
    EXPECT_EQ(HostControl::GetRedrawCount(), 1u);

    Application().LogMessage("Error generating mesh: bad", siInfoMsg);
    Application().LogMessage("second", siErrorMsg);
    const auto log = HostControl::GetLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].severity, 8);
    EXPECT_EQ(log[0].text, CString("Error generating mesh: bad"));
    EXPECT_EQ(log[1].severity, siErrorMsg);
}

TEST_F(HostCommands, file_browser_answers_what_was_set_in_advance) {
    HostControl::SetFileBrowserAnswer("D:/maps/alps.ter");
    CComAPIHandler toolkit, unknown;
    ASSERT_EQ(toolkit.CreateInstance("XSI.UIToolkit"), CStatus::OK);
    CComAPIHandler browser(toolkit.GetProperty("FileBrowser"));
    ASSERT_TRUE(browser.IsValid());
    for (const char* name : {"Filter", "DialogTitle", "InitialDirectory", "FileBaseName"})
        EXPECT_EQ(browser.PutProperty(name, CValue(CString(name) + " value")), CStatus::OK) << name;
    EXPECT_EQ(browser.PutProperty("Colour", CValue("red")), CStatus::MemberNotFound);
    CValue ret;
    ASSERT_EQ(browser.Call("ShowOpen", ret), CStatus::OK);
    EXPECT_EQ(browser.GetProperty("FilePathName").GetAsText(), CString("D:/maps/alps.ter"));
    EXPECT_EQ(HostControl::GetFileBrowserProperty("Filter"), CValue("Filter value"));
    EXPECT_EQ(HostControl::GetFileBrowserShowCount(), 1u);

    HostControl::SetFileBrowserAnswer("");  // the user cancels
    ASSERT_EQ(browser.Call("ShowOpen", ret), CStatus::OK);
    EXPECT_EQ(browser.GetProperty("FilePathName").GetAsText(), CString(""));
    EXPECT_EQ(unknown.CreateInstance("Other.Thing"), CStatus::Fail);
    EXPECT_FALSE(unknown.IsValid());
}

TEST_F(HostCommands, registrar_and_menus_keep_what_the_plugin_gave) {
    PluginRegistrar registrar;
    registrar.PutName("plug");
    registrar.PutVersion(1, 0);
    EXPECT_EQ(registrar.RegisterMenu(static_cast<siMenuAnchorPoints>(1003), "menu", false, false), CStatus::OK);
    ASSERT_EQ(registrar.GetMenuCount(), 1u);
    EXPECT_EQ(registrar.GetMenu(0).anchor, 1003);
    EXPECT_FALSE(registrar.GetMenu(0).dynamic);

    Menu menu = Menu::Create("menu");  // the menu lives as long as this handle
    MenuItem item;
    EXPECT_EQ(Menu(Context(menu.GetRef()).GetSource()).AddCallbackItem("label", "OnCallback", item), CStatus::OK);
    Context picked(item.GetRef());
    MenuItem source(picked.GetSource());
    EXPECT_EQ(source.GetName(), CString("label"));
    EXPECT_EQ(source.GetCallback(), CString("OnCallback"));
    EXPECT_EQ(Menu(source.GetParent()).GetName(), CString("menu"));
    EXPECT_FALSE(Menu(picked.GetSource()).IsValid()) << "an item is not a menu";
}

TEST(HostValues, numbers_convert_as_the_import_reads_them) {
    EXPECT_EQ(CValue(90.9).GetLong(), 90);
    EXPECT_EQ(CValue(-90.9).GetLong(), -90);
    EXPECT_EQ(CValue(1e20).GetLong(), 0);
    EXPECT_EQ(CValue().GetLong(), 0);
    EXPECT_NE(CValue(true), CValue(int32_t{1})) << "the same content of another type differs";
    EXPECT_EQ(CValue(0.1).GetAsText(), CString("0.1"));
    EXPECT_EQ(CStatus::FromLong(0), CStatus::OK);
    EXPECT_EQ(CStatus(CStatus::Fail).GetCode(), 0x80004005u);
}

}  // namespace
