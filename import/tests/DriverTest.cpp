// The driver end to end through the stand-in host: the order of its steps on
// every path, what it leaves behind (hooks, command log, settings file, view
// camera) and the exact messages of an import.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "host/HostControl.h"
#include "formats/FixedText.h"
#include "import/ImportPaths.h"
#include "import/ImportWorker.h"
#include "import/tests/ImportTestSupport.h"
#include "plugin/HostOps.h"

using namespace importtest;
using XSI::HostControl::GetHookCounts;
using XSI::HostControl::GetRedrawCount;
using Strings = std::vector<std::string>;

namespace {

constexpr char kCmdLog[] = "preferences.scripting.cmdlog";

struct DriverFixture : ::testing::Test {
    TempFolder folder;
    ScriptedUi ui;
    std::string terrainPath;

    void SetUp() override {
        XSI::HostControl::ResetHost();
        ui.settingsPath = folder.path("vq_vireru.cfg");
        terrainPath = writeTerrain(folder, "alps.ter", TerrainParams{});
        writeWorld(folder, "alps.tgw", tergen::standardWorld({}));
    }
    bool run(ImportSession& session) { return session.RunImport(terrainPath.c_str(), ui); }
    bool settingsWritten() const { return FileExists(ui.settingsPath.c_str()); }
    void expectHooksBalanced() const {
        const auto hooks = GetHookCounts();
        EXPECT_GE(hooks.suspended, 1u);
        EXPECT_EQ(hooks.suspended, hooks.restored);
    }
    XSI::CValue commandLog() const { return *XSI::HostControl::GetParameter(kCmdLog); }
};

size_t countOf(const Strings& list, const std::string& name) {
    return static_cast<size_t>(std::count(list.begin(), list.end(), name));
}

}  // namespace

TEST_F(DriverFixture, success_builds_frames_sets_the_view_camera_and_restores_everything) {
    ImportSession session;
    EXPECT_TRUE(run(session));
    EXPECT_EQ(ui.calls, (Strings{"settings", "skin", "options", "progress"}));
    EXPECT_EQ(ui.progressResult, 1);
    EXPECT_STREQ(session.objectName, "alps");
    EXPECT_EQ(std::string(session.worldPath), folder.path("alps.tgw"));
    EXPECT_EQ(session.vertexCount, 15u);
    EXPECT_EQ(session.triangleCount, 16u);

    const Strings commands = commandNames();
    ASSERT_GE(commands.size(), 6u);
    EXPECT_EQ(Strings(commands.begin(), commands.begin() + 3), (Strings{"NewScene", "GetValue", "SetValue"}));
    EXPECT_EQ(Strings(commands.end() - 3, commands.end()), (Strings{"FrameAll", "SetViewCamera", "SetValue"}));
    EXPECT_EQ(XSI::HostControl::GetViewCamera().str(), "TG_Cam");
    EXPECT_TRUE(XSI::HostControl::IsFramed());
    EXPECT_EQ(commandLog(), XSI::CValue(true));
    EXPECT_EQ(GetRedrawCount(), 1u);
    expectHooksBalanced();
    EXPECT_TRUE(settingsWritten());
    for (const char* name : {"alps", "TG_Cam", "TG_Sun", "TG_Water"})
        EXPECT_TRUE(XSI::HostControl::FindObject(name).has_value()) << name;
}

TEST_F(DriverFixture, cancelled_options_change_neither_scene_nor_settings_nor_command_log) {
    ui.optionsResult = 0;
    ImportSession session;
    EXPECT_FALSE(run(session));
    EXPECT_EQ(ui.calls, (Strings{"settings", "skin", "options"}));
    EXPECT_TRUE(commandNames().empty());
    EXPECT_EQ(GetRedrawCount(), 1u);
    expectHooksBalanced();
    EXPECT_FALSE(settingsWritten());
    EXPECT_TRUE(XSI::HostControl::GetObjects().size() <= 1);  // at most the scene root
}

TEST_F(DriverFixture, unreadable_terrain_shows_the_readers_text_and_stops) {
    const std::string bad = folder.write("broken.ter", tergen::Bytes{'n', 'o', 't', ' ', 'a', ' ', 't', 'e', 'r'});
    ImportSession session;
    EXPECT_FALSE(session.RunImport(bad.c_str(), ui));
    EXPECT_EQ(ui.calls, (Strings{"settings", "skin", "message"}));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], bad + "\nis not a terrain-file");
    EXPECT_TRUE(commandNames().empty());
    EXPECT_EQ(GetRedrawCount(), 1u);
    expectHooksBalanced();
    EXPECT_FALSE(settingsWritten());
}

TEST_F(DriverFixture, failed_elevation_read_reports_and_restores_without_framing) {
    tergen::TerrainParams params;
    params.xPoints = 10;
    params.yPoints = 10;
    params.samples.assign(50, 7);  // half the grid, then the file ends
    params.endMarker = false;
    terrainPath = folder.write("short.ter", tergen::terrainBytes(params));
    ImportSession session;
    EXPECT_FALSE(run(session));
    EXPECT_EQ(ui.calls, (Strings{"settings", "skin", "options", "progress", "message"}));
    EXPECT_EQ(ui.messages, (Strings{"error while reading elevation-data"}));
    EXPECT_EQ(ui.progressResult, 0);
    EXPECT_EQ(ui.sink.events.front().text, "reading elevation-data...");
    EXPECT_EQ(ui.sink.events.back().message, WM_IMPORT_FAILED);
    EXPECT_EQ(commandNames(), (Strings{"NewScene", "GetValue", "SetValue", "SetValue"}));
    EXPECT_EQ(commandLog(), XSI::CValue(true));
    EXPECT_EQ(GetRedrawCount(), 0u);
    EXPECT_FALSE(XSI::HostControl::IsFramed());
    expectHooksBalanced();
    EXPECT_TRUE(settingsWritten());
}

TEST_F(DriverFixture, failed_mesh_build_logs_and_skips_the_world_objects) {
    // Emptying the scene while the triangles are added takes the mesh object
    // away under the builder, so the host refuses the build.
    ui.sink.onEvent = [](ImportSession&, const Event& e) {
        if (e.text == "adding polygons...") NewScene();
    };
    ImportSession session;
    EXPECT_FALSE(run(session));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].rfind("Error generating mesh: ", 0), 0u) << ui.messages[0];
    bool logged = false;
    for (const auto& line : XSI::HostControl::GetLog())
        if (line.severity == XSI::siInfoMsg && line.text.str() == ui.messages[0]) logged = true;
    EXPECT_TRUE(logged);
    EXPECT_FALSE(XSI::HostControl::FindObject("TG_Cam").has_value());
    EXPECT_FALSE(XSI::HostControl::FindObject("TG_Water").has_value());
    EXPECT_EQ(ui.sink.events.back().message, WM_IMPORT_FAILED);
    EXPECT_FALSE(XSI::HostControl::IsFramed());
    EXPECT_EQ(commandLog(), XSI::CValue(true));
    expectHooksBalanced();
}

TEST_F(DriverFixture, cancel_runs_the_import_to_its_end_then_reports_nothing) {
    ui.sink.onEvent = [](ImportSession& s, const Event& e) {
        if (e.text == "reading elevation-data...") s.cancelled = true;  // "Cancel Import"
    };
    ImportSession session;
    EXPECT_FALSE(run(session));
    EXPECT_EQ(ui.progressResult, 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.sink.events.back().message, WM_IMPORT_DONE);
    EXPECT_TRUE(XSI::HostControl::FindObject("TG_Water").has_value());  // the whole scene was built
    const Strings commands = commandNames();
    EXPECT_EQ(countOf(commands, "FrameAll"), 0u);
    EXPECT_EQ(countOf(commands, "SetViewCamera"), 0u);
    EXPECT_EQ(commands.back(), "SetValue");
    EXPECT_EQ(commandLog(), XSI::CValue(true));
    EXPECT_EQ(GetRedrawCount(), 0u);
    expectHooksBalanced();
    EXPECT_TRUE(settingsWritten());
}

TEST_F(DriverFixture, command_log_that_was_off_is_written_back_off) {
    SetValue(kCmdLog, XSI::CValue(false));
    const size_t before = commandNames().size();
    ImportSession session;
    EXPECT_TRUE(run(session));
    const auto commands = XSI::HostControl::GetCommands();
    // GetValue, no SetValue(false) of its own, and the value written back at the end.
    EXPECT_EQ(commands[before + 1].name.str(), "GetValue");
    EXPECT_NE(commands[before + 2].name.str(), "SetValue");
    EXPECT_EQ(commands.back().name.str(), "SetValue");
    EXPECT_EQ(commands.back().args[0].GetAsText().str(), kCmdLog);
    EXPECT_EQ(commands.back().args[1], XSI::CValue(false));
    EXPECT_EQ(commandLog(), XSI::CValue(false));
}

TEST_F(DriverFixture, keeping_the_scene_skips_new_scene) {
    ui.editOptions = [](ImportSession& s) { s.replaceScene = false; };
    ImportSession session;
    EXPECT_TRUE(run(session));
    EXPECT_EQ(countOf(commandNames(), "NewScene"), 0u);
}

TEST_F(DriverFixture, view_camera_only_when_the_camera_was_placed) {
    {  // camera option off
        ui.editOptions = [](ImportSession& s) { s.importCamera = false; };
        ImportSession session;
        EXPECT_TRUE(run(session));
        EXPECT_EQ(countOf(commandNames(), "SetViewCamera"), 0u);
        EXPECT_FALSE(XSI::HostControl::FindObject("TG_Cam").has_value());
    }
    {  // a world without "WLDG": the rig is added but not placed
        XSI::HostControl::ResetHost();
        // The first import saved the camera option off; switch it back on.
        ui.editOptions = [](ImportSession& s) { s.importCamera = true; };
        std::vector<tergen::Chunk> world = tergen::standardWorld({});
        world.erase(world.begin());  // WLDG comes first
        writeWorld(folder, "alps.tgw", world);
        ImportSession session;
        EXPECT_TRUE(run(session));
        EXPECT_FALSE(session.cameraCreated);
        EXPECT_TRUE(session.world.loaded) << session.world.errorText;
        EXPECT_TRUE(XSI::HostControl::FindObject("TG_Cam").has_value());
        EXPECT_EQ(countOf(commandNames(), "SetViewCamera"), 0u);
    }
    {  // a second import into the same scene: the host names the camera TG_Cam1
        writeWorld(folder, "alps.tgw", tergen::standardWorld({}));
        ui.editOptions = [](ImportSession& s) { s.replaceScene = false; s.importCamera = true; };
        ImportSession session;
        EXPECT_TRUE(run(session));
        EXPECT_EQ(session.cameraName.str(), "TG_Cam1");
        EXPECT_EQ(XSI::HostControl::GetViewCamera().str(), "TG_Cam1");
    }
}

TEST_F(DriverFixture, world_path_chosen_in_the_options_is_the_one_loaded) {
    std::vector<tergen::Chunk> world = tergen::standardWorld({});
    writeWorld(folder, "other.tgw", world);
    std::remove(folder.path("alps.tgw").c_str());
    const std::string other = folder.path("other.tgw");
    ui.editOptions = [&](ImportSession& s) {
        EXPECT_STREQ(s.worldPath, "");  // no sibling
        fixedtext::copy(s.worldPath, other.c_str());
    };
    ImportSession session;
    EXPECT_TRUE(run(session));
    EXPECT_TRUE(session.world.loaded);
    EXPECT_TRUE(XSI::HostControl::FindObject("TG_Sun").has_value());
}

TEST_F(DriverFixture, no_world_file_means_no_world_objects) {
    std::remove(folder.path("alps.tgw").c_str());
    ImportSession session;
    EXPECT_TRUE(run(session));
    EXPECT_FALSE(session.world.loaded);
    for (const char* name : {"TG_Cam", "TG_Sun", "TG_Water"})
        EXPECT_FALSE(XSI::HostControl::FindObject(name).has_value()) << name;
    EXPECT_EQ(XSI::HostControl::GetParameter("Passes.Default_Pass.RenderOptions.EndFrame")->GetLong(), 100);
}

// The exact message sequence of a 257 x 257 import.
TEST_F(DriverFixture, messages_of_a_257_by_257_import) {
    TerrainParams p;
    p.xPoints = p.yPoints = 257;
    terrainPath = writeTerrain(folder, "alps.ter", p);
    ImportSession session;
    ASSERT_TRUE(run(session));

    const uint32_t samples = 257 * 257;  // 66049: step 330, a report every 331 samples
    std::vector<Event> expected;
    auto status = [&](const char* text, uint32_t total) { expected.push_back({WM_IMPORT_STATUS, text, 0, total}); };
    auto progress = [&](uint32_t count, uint32_t total) { expected.push_back({WM_IMPORT_PROGRESS, "", count, total}); };
    status("reading elevation-data...", 0);
    for (uint32_t i = 330; i < samples; i += 331) progress(i, samples);
    status("", samples);
    progress(samples, samples);
    status("building scene...", 5);
    progress(0, 5);
    progress(1, 5);
    progress(2, 5);
    status("adding polygons...", 5);
    progress(3, 5);
    status("setting vertices...", 5);
    progress(4, 5);
    status("generating texture coordinates...", 5);
    progress(5, 5);
    status("centering pivot...", 5);
    status("", 5);
    progress(5, 5);
    expected.push_back({WM_IMPORT_DONE, "", 0, 5});

    const auto& got = ui.sink.events;
    ASSERT_EQ(got.size(), expected.size());
    EXPECT_EQ(std::count_if(got.begin(), got.end(), [](const Event& e) { return e.total == 66049 && e.count && e.count < 66049; }), 199);
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].message, expected[i].message) << i;
        EXPECT_EQ(got[i].text, expected[i].text) << i;
        EXPECT_EQ(got[i].count, expected[i].count) << i;
        EXPECT_EQ(got[i].total, expected[i].total) << i;
    }
    const auto mesh = XSI::HostControl::FindObject("alps");
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->vertexCount, 66049u);
    EXPECT_EQ(mesh->polygonCount, 131072u);
    EXPECT_EQ(mesh->uvCount, 393216u);
}

TEST_F(DriverFixture, no_centering_pivot_status_when_the_option_is_off) {
    ui.editOptions = [](ImportSession& s) { s.centerPivot = false; };
    ImportSession session;
    EXPECT_TRUE(run(session));
    for (const Event& e : ui.sink.events) EXPECT_NE(e.text, "centering pivot...");
    const auto mesh = XSI::HostControl::FindObject("alps");
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->pivot[0], 0.0);
    EXPECT_EQ(mesh->pivot[1], 0.0);
    EXPECT_EQ(mesh->pivot[2], 0.0);
}

namespace {

// A display that ends as soon as the final message arrives, like the dialog,
// while the worker still has its last steps to do.
class EarlyEndingUi : public ScriptedUi {
public:
    struct Target : ProgressTarget {
        EarlyEndingUi* ui;
        intptr_t send(uint32_t message, intptr_t) override {
            if (message == WM_IMPORT_DONE || message == WM_IMPORT_FAILED) {
                {
                    std::lock_guard<std::mutex> lock(ui->mutex);
                    ui->ended = true;
                }
                ui->wake.notify_all();
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            return 1;
        }
        void end(int) override {}
    };
    int showProgress(ImportSession& session) override {
        target.ui = this;
        session.cancelled = false;
        if (!StartImportThread(&target, &session)) return 1;
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait(lock, [&] { return ended; });
        return 1;
    }
    Target target;
    std::mutex mutex;
    std::condition_variable wake;
    bool ended = false;
};

}  // namespace

TEST_F(DriverFixture, driver_returns_only_after_the_worker_has_ended) {
    EarlyEndingUi early;
    early.settingsPath = ui.settingsPath;
    auto session = std::make_unique<ImportSession>();
    EXPECT_TRUE(session->RunImport(terrainPath.c_str(), early));
    // The worker clears progressWindow after its final message; it has done so.
    EXPECT_EQ(session->progressWindow, nullptr);
    session.reset();  // under ASan a worker still running would touch freed memory
}
