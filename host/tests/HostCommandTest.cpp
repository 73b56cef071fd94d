// Named commands through the host operations, parameters, NewScene and the
// desktop hook, the file browser and registration.
#include <gtest/gtest.h>

#include <array>
#include <utility>
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
    // The commands recorded since the reset are exactly these, with these arguments.
    static void expectCommands(const std::vector<std::pair<const char*, std::vector<CValue>>>& want) {
        const auto got = HostControl::GetCommands();
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            const auto& [name, args] = want[i];
            EXPECT_EQ(got[i].name, CString(name));
            ASSERT_EQ(got[i].args.GetCount(), args.size()) << name;
            for (uint32_t a = 0; a < args.size(); ++a) EXPECT_EQ(got[i].args[a], args[a]) << name << " argument " << a;
        }
    }
};

TEST_F(HostCommands, operations_send_exactly_their_arguments) {
    FrameAll();
    SetViewCamera("cam");
    TranslatePivot("obj", 1.5, -2, 3);
    Translate("obj", 1.5, -2, 3);
    SetValue("a.b", CValue(int32_t{7}));
    GetValue("a.b");
    NewScene();
    const CValue obj("obj"), x(1.5), y(-2.0), z(3.0);
    expectCommands({{"FrameAll", {CValue(true), CValue(true), CValue(int16_t{0})}},
                    {"SetViewCamera", {CValue("cam"), CValue(int16_t{1})}},
                    {"TranslatePivot", {obj, x, y, z}},
                    {"Translate", {obj, x, y, z}},  // failed calls are recorded too
                    {"SetValue", {CValue("a.b"), CValue(int32_t{7})}},
                    {"GetValue", {CValue("a.b")}},
                    {"NewScene", {CValue(), CValue(false)}}});
}

TEST_F(HostCommands, parameters_start_at_defaults_and_set_value_converts_or_changes_nothing) {
    EXPECT_EQ(GetValue("preferences.scripting.cmdlog"), CValue(true));
    EXPECT_EQ(GetValue(kPass + "CameraXRes"), CValue(int32_t{640}));
    EXPECT_EQ(GetValue(kPass + "CameraYRes"), CValue(int32_t{480}));
    EXPECT_EQ(GetValue(kPass + "PixelRatio"), CValue(1.0f));
    EXPECT_EQ(GetValue(kPass + "InverseRatio"), CValue(false));
    EXPECT_EQ(GetValue(kPass + "PassCamera").GetType(), CValue::siString);
    for (const char* name : {"EndFrame", "PictureStandard"})
        EXPECT_EQ(GetValue(kPass + name).GetType(), CValue::siInt2) << name;

    EXPECT_TRUE(SetValue(kPass + "CameraXRes", CValue(1024.0)).IsEmpty());
    EXPECT_EQ(GetValue(kPass + "CameraXRes"), CValue(int32_t{1024}));
    SetValue(kPass + "CameraYRes", CValue("wide"));  // a string cannot become a number
    EXPECT_EQ(GetValue(kPass + "CameraYRes"), CValue(int32_t{480}));

    EXPECT_TRUE(SetValue("no.such.parameter", CValue(5.0)).IsEmpty());
    EXPECT_FALSE(HostControl::GetParameter("no.such.parameter"));
    EXPECT_TRUE(GetValue("no.such.parameter").IsEmpty());
    EXPECT_EQ(execute("SetValue", {CValue("no.such.parameter"), CValue(1.0)}), CStatus::Fail);
    EXPECT_EQ(execute("Frobnicate", {}), CStatus::NotImpl);

    // Numbers as the host converts and compares them.
    EXPECT_EQ(CValue(-90.9).GetLong(), -90);
    EXPECT_EQ(CValue(1e20).GetLong(), 0);
    EXPECT_NE(CValue(true), CValue(int32_t{1})) << "the same content of another type differs";
    EXPECT_EQ(CValue(0.1).GetAsText(), CString("0.1"));
    // Texts read as booleans the way scripts write them; other texts are false.
    for (auto [text, truth] : {std::pair{"true", true}, {"1", true}, {"false", false}, {"0", false}, {"yes", false}})
        EXPECT_EQ(CValue(CString(text)).GetBool(), truth) << text;
    EXPECT_EQ(CStatus(CStatus::Fail).GetCode(), 0x80004005u);
}

TEST_F(HostCommands, camera_fov_and_roll_are_parameters_of_the_camera) {
    const CString cam = addCamera("TG_Cam").GetName();
    EXPECT_EQ(SetCameraFov(cam, 53.13010235415598), CStatus::OK);
    EXPECT_EQ(SetCameraRoll(cam, -12.5), CStatus::OK);
    expectCommands({{"SetValue", {CValue("TG_Cam.camera.fov"), CValue(53.13010235415598)}},
                    {"SetValue", {CValue("TG_Cam.kine.dircns.roll"), CValue(-12.5)}}});
    EXPECT_EQ(GetValue(cam + ".camera.fov"), CValue(53.13010235415598));
    EXPECT_DOUBLE_EQ(HostControl::FindObject("TG_Cam")->roll, -12.5);
    SetCameraFov(cam, -90.0);  // a world file without ZOOM: held as given
    EXPECT_DOUBLE_EQ(HostControl::FindObject("TG_Cam")->fov, -90.0);
    EXPECT_EQ(SetCameraFov("nobody", 10.0), CStatus::OK) << "the value is dropped, the host answers nothing";
}

TEST_F(HostCommands, new_scene_keeps_preferences_resets_everything_else_and_balances_the_hook) {
    SetValue("preferences.scripting.cmdlog", CValue(false));
    SetValue(kPass + "CameraXRes", CValue(int32_t{1920}));
    Camera camera = addCamera("TG_Cam");
    SetViewCamera("TG_Cam");
    FrameAll();
    Desktop desktop = Application().GetDesktop();
    desktop.SuspendWin32ControlsHook();  // as the import's driver does first
    NewScene();                          // restores the hook before the command, suspends it after
    EXPECT_EQ(HostControl::GetHookCounts().suspended, 2u);
    EXPECT_EQ(HostControl::GetHookCounts().restored, 1u);
    desktop.RedrawUI();
    EXPECT_EQ(HostControl::GetRedrawCount(), 1u);

    EXPECT_EQ(GetValue("preferences.scripting.cmdlog"), CValue(false));
    EXPECT_EQ(GetValue(kPass + "CameraXRes"), CValue(int32_t{640}));
    EXPECT_EQ(HostControl::GetViewCamera(), CString(""));
    EXPECT_FALSE(HostControl::IsFramed());
    EXPECT_TRUE(HostControl::GetObjects().empty());
    // Old handles are invalid; their names are free again.
    EXPECT_FALSE(camera.IsValid());
    EXPECT_EQ(addCamera("TG_Cam").GetName(), CString("TG_Cam"));

    HostControl::ResetHost();
    EXPECT_TRUE(HostControl::GetCommands().empty());
    EXPECT_EQ(GetValue("preferences.scripting.cmdlog"), CValue(true));
}

TEST_F(HostCommands, commands_change_only_the_object_they_name) {
    addCamera("TG_Cam");
    SetViewCamera("TG_Cam_Interest");
    EXPECT_EQ(HostControl::GetViewCamera(), CString("")) << "the view camera must be a camera";
    Translate("TG_Cam", 300, 150, -600);
    TranslatePivot("TG_Cam_Interest", 1, 2, 3);
    // Missing coordinates or a missing object change nothing.
    EXPECT_EQ(execute("Translate", {CValue("TG_Cam"), CValue(1.0)}), CStatus::Fail);
    Translate("ghost", 1, 1, 1);
    EXPECT_FALSE(HostControl::FindObject("ghost"));
    const auto cam = HostControl::FindObject("TG_Cam"), interest = HostControl::FindObject("TG_Cam_Interest");
    EXPECT_EQ(vec(cam->position), (Vec{300, 150, -600}));
    EXPECT_EQ(vec(cam->pivot), (Vec{0, 0, 0}));
    EXPECT_EQ(vec(interest->position), (Vec{0, 0, 0}));
    EXPECT_EQ(vec(interest->pivot), (Vec{1, 2, 3}));
}

TEST_F(HostCommands, file_browser_answers_what_was_set_in_advance) {
    HostControl::SetFileBrowserAnswer("D:/maps/alps.ter");
    CComAPIHandler toolkit, unknown;
    ASSERT_EQ(toolkit.CreateInstance("XSI.UIToolkit"), CStatus::OK);
    EXPECT_EQ(unknown.CreateInstance("Other.Thing"), CStatus::Fail);
    CComAPIHandler browser(toolkit.GetProperty("FileBrowser"));
    ASSERT_TRUE(browser.IsValid());
    for (const char* name : {"Filter", "DialogTitle", "InitialDirectory", "FileBaseName"})
        EXPECT_EQ(browser.PutProperty(name, CValue(CString(name) + " value")), CStatus::OK) << name;
    EXPECT_EQ(browser.PutProperty("Colour", CValue("red")), CStatus::MemberNotFound);
    EXPECT_EQ(HostControl::GetFileBrowserProperty("Filter"), CValue("Filter value"));
    CValue ret;
    ASSERT_EQ(browser.Call("ShowOpen", ret), CStatus::OK);
    EXPECT_EQ(browser.GetProperty("FilePathName").GetAsText(), CString("D:/maps/alps.ter"));
    HostControl::SetFileBrowserAnswer("");  // the user cancels
    ASSERT_EQ(browser.Call("ShowOpen", ret), CStatus::OK);
    EXPECT_EQ(browser.GetProperty("FilePathName").GetAsText(), CString(""));
    EXPECT_EQ(HostControl::GetFileBrowserShowCount(), 2u);
}

TEST_F(HostCommands, registrar_and_menus_keep_what_the_plugin_gave) {
    PluginRegistrar registrar;
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

}  // namespace
