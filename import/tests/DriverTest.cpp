// The driver end to end through the stand-in host: the order of its steps on
// every path, what it leaves behind (hooks, command log, settings file, view
// camera) and the exact messages of an import.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <limits>
#include <set>
#include <thread>

#include "host/HostControl.h"
#include "import/ImportMessages.h"
#include "import/ImportPaths.h"
#include "import/ImportUi.h"
#include "import/ImportWorker.h"
#include "import/ProgressSink.h"
#include "import/TerrainBuild.h"
#include "import/tests/ImportTestSupport.h"
#include "plugin/HostOps.h"

using namespace importtest;
using namespace XSI::HostControl;
using Strings = std::vector<std::string>;

namespace {

constexpr char kCmdLog[] = "preferences.scripting.cmdlog";

// Follows a script: the options dialog applies editOptions and answers
// optionsResult; the progress display runs the worker and records each
// message with the session's progressTotal at its arrival: "status <text>
// /total", "progress <count>/total", "done/total" or "failed/total".
class ScriptedUi : public ImportUi, public ProgressSink {
public:
    std::string settingsFilePath(void*) override { calls.push_back("settings"); return settingsPath; }
    void loadSkinBitmaps(void*) override { calls.push_back("skin"); }
    int showOptions(ImportSession& s) override {
        calls.push_back("options");
        if (editOptions) editOptions(s);
        return optionsResult;
    }
    int showProgress(ImportSession& s) override {
        calls.push_back("progress");
        session = &s;
        if (!startWorker) {  // as the dialog does when no thread can be made
            fixedtext::copy(s.errorText, "cannot create Import-thread\nsorry...");
            return progressResult = 1;
        }
        return progressResult = run(s);
    }
    void showMessage(ImportSession&, const char* text, unsigned style) override {
        calls.push_back("message");
        messages.push_back(text);
        EXPECT_EQ(style, 0u);
    }
    void receive(uint32_t message, intptr_t lParam) override {  // on the worker thread
        std::string e = message == WM_IMPORT_STATUS     ? "status " + std::string(reinterpret_cast<const char*>(lParam)) + " "
                        : message == WM_IMPORT_PROGRESS ? "progress " + std::to_string(lParam)
                        : message == WM_IMPORT_DONE     ? "done"
                                                        : "failed";
        events.push_back(e + "/" + std::to_string(session->progressTotal));
        if (onEvent) onEvent(*session, events.back());
    }

    std::string settingsPath;
    int optionsResult = 1, progressResult = -1;
    bool startWorker = true;
    std::function<void(ImportSession&)> editOptions;
    std::function<void(ImportSession&, const std::string&)> onEvent;
    Strings calls, messages, events;
    ImportSession* session = nullptr;
};

// Ends the display as soon as the final message arrives, like the dialog,
// while the worker still has its last steps to do.
struct EarlyEndingUi : ScriptedUi {
    std::atomic<bool> ended{false};
    void receive(uint32_t message, intptr_t) override {
        if (message != WM_IMPORT_DONE) return;
        ended = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    int showProgress(ImportSession& s) override {
        if (StartImportThread(this, &s))
            while (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 1;
    }
};

// The host commands since `from`: the command log's writes as "log=<value>",
// the driver's own commands by name (FrameAll and SetViewCamera with the
// state of the Win32 controls hook) and every run of others as one ".".
std::string trail(size_t from) {
    const auto commands = GetCommands();
    std::string t;
    for (size_t i = from; i < commands.size(); ++i) {
        std::string name = commands[i].name.str();
        if (name == "SetValue" && commands[i].args[0].GetAsText().str() == kCmdLog)
            name = "log=" + commands[i].args[1].GetAsText().str();
        else if (name == "FrameAll" || name == "SetViewCamera")
            name += commands[i].hookSuspended ? "(hook off)" : "(hook on)";
        else if (name != "NewScene" && name != "GetValue")
            name = ".";
        if (name != "." || t.size() < 2 || t.compare(t.size() - 2, 2, ". ") != 0) t += name + " ";
    }
    return t;
}

struct DriverFixture : ::testing::Test {
    TempFolder folder;
    ScriptedUi ui;
    std::string terrainPath;

    void SetUp() override {
        ResetHost();
        ui.settingsPath = folder.path("vq_vireru.cfg");
        terrainPath = folder.write("alps.ter", tergen::terrainBytes(grid(5, 3)));
        folder.write("alps.tgw", tergen::worldBytes(tergen::standardWorld({})));
    }
    bool run(ImportSession& session) { return session.RunImport(terrainPath.c_str(), ui); }
};

enum Path { kSuccess, kOptionsCancelled, kUnreadable, kElevationFailed, kBuildFailed, kCancelled, kNoThread };
struct PathCase {
    const char* name;
    bool result;
    Strings calls;
    int progressResult;  // -1: no progress display
    const char* lastEvent;
    std::string message;  // shown in the message box
    const char* trail;    // host commands between switching the command log off and restoring it
};
const PathCase kPaths[] = {
    {"success", true, {"settings", "skin", "options", "progress"}, 1, "done/5", "", ". FrameAll(hook off) SetViewCamera(hook on) "},
    {"options cancelled", false, {"settings", "skin", "options"}, -1, "", "", ""},
    {"terrain unreadable", false, {"settings", "skin", "message"}, -1, "", "\nis not a terrain-file", ""},
    {"elevation read failed", false, {"settings", "skin", "options", "progress", "message"}, 0, "failed/100",
     "error while reading elevation-data", ""},
    {"build failed", false, {"settings", "skin", "options", "progress", "message"}, 0, "failed/5",
     "Error generating mesh: ", "NewScene "},  // the test empties the scene
    {"cancelled", false, {"settings", "skin", "options", "progress"}, 0, "done/5", "", ". "},
    // The display ends as done, but with a failure text: a failure.
    {"no worker thread", false, {"settings", "skin", "options", "progress", "message"}, 1, "",
     "cannot create Import-thread\nsorry...", ""},
};

}  // namespace

// Every path, with the command log on and off before the import: the steps
// in order, the hook restored, the command log written back once it was
// read, the settings written once past the options, framing, view camera
// and redraw only on success (and a redraw when stopped before the import).
TEST_F(DriverFixture, each_path_restores_the_host) {
    for (const bool logOn : {true, false})
        for (int path = kSuccess; path <= kNoThread; ++path) {
            const PathCase& c = kPaths[path];
            SCOPED_TRACE(std::string(c.name) + (logOn ? ", command log on" : ", command log off"));
            ui = ScriptedUi{};
            SetUp();
            std::remove(ui.settingsPath.c_str());
            SetValue(kCmdLog, XSI::CValue(logOn));
            const size_t before = GetCommands().size();
            std::string message = c.message;
            if (path == kOptionsCancelled) ui.optionsResult = 0;
            if (path == kUnreadable) {
                terrainPath = folder.write("broken.ter", tergen::Bytes{'n', 'o', 't', ' ', 'a', ' ', 't', 'e', 'r'});
                message = terrainPath + message;
                ImportSession other;  // settings that would change the options, were they read
                fixedtext::copy(other.settingsPath, ui.settingsPath.c_str());
                other.scale = 5;
                other.importSun = false;
                other.SaveSettings();
            }
            ui.startWorker = path != kNoThread;
            if (path == kElevationFailed) {
                tergen::TerrainParams p = grid(10, 10);
                p.samples.resize(50);  // half the grid, then the file ends
                p.endMarker = false;
                terrainPath = folder.write("short.ter", tergen::terrainBytes(p));
            }
            // Emptying the scene while the triangles are added takes the mesh
            // object away under the builder, so the host refuses the build.
            if (path == kBuildFailed)
                ui.onEvent = [](ImportSession&, const std::string& e) { if (e == "status adding polygons... /5") NewScene(); };
            if (path == kCancelled)  // "Cancel Import" at once
                ui.onEvent = [](ImportSession& s, const std::string&) { s.cancelled = true; };

            ImportSession session;
            EXPECT_EQ(run(session), c.result);
            EXPECT_EQ(ui.calls, c.calls);
            EXPECT_EQ(ui.progressResult, c.progressResult);
            EXPECT_EQ(ui.events.empty() ? "" : ui.events.back(), c.lastEvent);
            Strings shown = ui.messages;
            if (path == kBuildFailed && !shown.empty()) shown[0].resize(message.size());  // then the host's text
            EXPECT_EQ(shown, message.empty() ? Strings{} : Strings{message});

            const auto hooks = GetHookCounts();
            EXPECT_TRUE(hooks.suspended >= 1 && hooks.suspended == hooks.restored) << hooks.suspended << " " << hooks.restored;
            const bool imported = c.progressResult >= 0;
            // Switched off only when it was on, and written back last.
            const std::string was = logOn ? "log=true " : "log=false ";
            EXPECT_EQ(trail(before), imported ? "NewScene GetValue " + std::string(logOn ? "log=false " : "") + c.trail + was : "");
            EXPECT_EQ(FileExists(ui.settingsPath.c_str()), imported || path == kUnreadable);
            if (path == kUnreadable) {
                EXPECT_TRUE(session.scale == 0.1f && session.importSun);  // not read
            }
            EXPECT_EQ(GetRedrawCount(), c.result || !imported ? 1u : 0u);
            bool logged = false;  // the build's failure is in the host's log too
            for (const auto& line : GetLog())
                logged |= !ui.messages.empty() && line.severity == XSI::siInfoMsg && line.text.str() == ui.messages[0];
            EXPECT_EQ(logged, path == kBuildFailed);
            // The world objects come after the mesh; a cancelled import still runs to its end.
            for (const char* name : {"alps", "TG_Cam", "TG_Sun", "TG_Water"})
                EXPECT_EQ(FindObject(name).has_value(), path == kSuccess || path == kCancelled) << name;
            if (path == kSuccess) {
                EXPECT_EQ(std::string(session.worldPath), folder.path("alps.tgw"));
                EXPECT_EQ(session.vertexCount, 15u);
                EXPECT_EQ(session.triangleCount, 16u);  // 2 x 4 cells x 2 rows
                EXPECT_EQ(GetViewCamera().str(), "TG_Cam");
            }
        }
}

// The view becomes the imported camera only when it was imported and placed.
TEST_F(DriverFixture, options_world_file_and_the_view_camera_rule) {
    // No sibling world file; the one chosen in the options has no "WLDG": the
    // rig is added but not placed.
    std::remove(folder.path("alps.tgw").c_str());
    std::vector<tergen::Chunk> world = tergen::standardWorld({});
    world.erase(world.begin());  // "WLDG" comes first
    const std::string chosen = folder.write("other.tgw", tergen::worldBytes(world));
    ui.editOptions = [&](ImportSession& s) {
        EXPECT_STREQ(s.worldPath, "");
        fixedtext::copy(s.worldPath, chosen.c_str());
    };
    ImportSession unplaced;
    EXPECT_TRUE(run(unplaced));
    EXPECT_TRUE(FindObject("TG_Cam") && FindObject("TG_Sun"));
    EXPECT_EQ(GetViewCamera().str(), "");

    // A second import kept in the same scene: the host names the camera TG_Cam1.
    folder.write("alps.tgw", tergen::worldBytes(tergen::standardWorld({})));
    ui.editOptions = [](ImportSession& s) { s.replaceScene = false; };
    ImportSession kept;
    EXPECT_TRUE(run(kept));
    EXPECT_EQ(GetViewCamera().str(), "TG_Cam1");
}

TEST_F(DriverFixture, messages_of_a_257_by_257_import) {
    terrainPath = folder.write("alps.ter", tergen::terrainBytes(grid(257, 257)));
    ImportSession session;
    ASSERT_TRUE(run(session));

    // 66049 samples: step 330, a report every 331 samples.
    Strings expected{"status reading elevation-data... /0"};
    for (uint32_t i = 330; i < 66049; i += 331) expected.push_back("progress " + std::to_string(i) + "/66049");
    expected.insert(expected.end(), {
        "status  /66049", "progress 66049/66049",
        "status building scene... /5", "progress 0/5", "progress 1/5", "progress 2/5",
        "status adding polygons... /5", "progress 3/5",
        "status setting vertices... /5", "progress 4/5",
        "status generating texture coordinates... /5", "progress 5/5",
        "status centering pivot... /5", "status  /5", "progress 5/5", "done/5",
    });
    EXPECT_EQ(ui.events, expected);
}

TEST_F(DriverFixture, driver_returns_only_after_the_worker_has_ended) {
    EarlyEndingUi early;
    auto session = std::make_unique<ImportSession>();
    EXPECT_TRUE(session->RunImport(terrainPath.c_str(), early));
    EXPECT_EQ(session->progressWindow, nullptr);  // cleared by the worker after its final message
    session.reset();  // under ASan a worker still running would touch freed memory
}

// A SCAL that cannot place the mesh ends the import before the options, like
// a file that is not a terrain, naming the file and the values; a negative
// scale mirrors and a zero height scale flattens, both importable. A finite
// scale that carries the farthest point past the largest float fails in the
// worker, before the mesh is added.
TEST_F(DriverFixture, terrain_scale_that_cannot_place_a_mesh) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    struct Case {
        std::array<float, 3> scal;
        const char* shown;  // after the path; "" for an import
    };
    const Case cases[] = {
        {{nan, 30, 30}, "\nhas an unusable scale: SCAL nan 30 30"},
        {{30, 30, -inf}, "\nhas an unusable scale: SCAL 30 30 -inf"},
        {{0, 0, 0}, "\nhas an unusable scale: SCAL 0 0 0"},
        {{30, 0, 30}, "\nhas an unusable scale: SCAL 30 0 30"},
        {{-30, 30, -30}, ""},
        {{30, 30, 0}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        ui = ScriptedUi{};
        SetUp();
        tergen::TerrainParams p = grid(5, 3);
        p.scale = c.scal;
        terrainPath = folder.write("alps.ter", tergen::terrainBytes(p));
        ImportSession session;
        const bool imported = run(session);
        EXPECT_EQ(imported, !*c.shown);
        ASSERT_EQ(ui.messages.size(), *c.shown ? 1u : 0u);
        if (*c.shown) {
            // The path, or its end after "..." where the whole text would not fit.
            const std::string& m = ui.messages[0];
            const std::string shown = c.shown;
            ASSERT_GE(m.size(), shown.size());
            EXPECT_EQ(m.substr(m.size() - shown.size()), shown);
            std::string path = m.substr(0, m.size() - shown.size());
            if (path != terrainPath) {
                ASSERT_EQ(path.rfind("...", 0), 0u) << m;
                path.erase(0, 3);
                EXPECT_EQ(terrainPath.substr(terrainPath.size() - path.size()), path) << m;
            }
        }
        EXPECT_EQ(ui.calls.size(), *c.shown ? 3u : 4u);  // settings, skin, then the message or options and progress
        EXPECT_EQ(FindObject("alps").has_value(), imported);
    }

    // At scale 0.1 and 3e38 m per unit the last of 5 columns lies at
    // 4 x 3e38 x 0.1 = 1.2e38, below the largest float (3.4e38); at 1e38 m
    // the highest point of height scale 80, 80 / 2 x 1e38 x 0.1 = 4e38,
    // just beyond it.
    ui = ScriptedUi{};
    SetUp();
    tergen::TerrainParams p = grid(5, 3);
    p.scale = std::array<float, 3>{30, 3e38f, 30};
    terrainPath = folder.write("alps.ter", tergen::terrainBytes(p));
    ImportSession fits;
    EXPECT_TRUE(run(fits));
    p.scale = std::array<float, 3>{30, 30, 1e38f};
    terrainPath = folder.write("alps.ter", tergen::terrainBytes(p));
    ImportSession tooFar;
    EXPECT_FALSE(run(tooFar));
    EXPECT_EQ(ui.messages, Strings{"terrain too large for scene positions at this scale"});
    EXPECT_FALSE(FindObject("alps").has_value());
}

// A host that runs out of room for the mesh's lists, at every stage of the
// build: the import fails with the failure's own text, never crashes, and
// never passes off a mesh without its texture coordinates as imported. The
// plug-in's own lists (positions, triangle corners) give the terrain's size;
// the host's (normals at Build, the texture coordinates) give "Error
// generating mesh: " and the host's description. With room again, the same
// import succeeds.
TEST_F(DriverFixture, a_host_out_of_room_fails_the_import_at_every_stage) {
    terrainPath = folder.write("wide.ter", tergen::terrainBytes(grid(300, 200)));
    const std::set<std::string> failures = {"terrain too large for the memory available: 300 x 200 points",
                                            "Error generating mesh: out of memory",
                                            "Error generating mesh: cannot add the texture coordinates"};
    std::set<std::string> seen;
    // The lists take about 3.4 MB in all.
    for (uint64_t limit = 128 << 10; limit <= (4u << 20); limit += 128 << 10) {
        SCOPED_TRACE(limit);
        ResetHost();
        ui = ScriptedUi{};
        ui.settingsPath = folder.path("vq_vireru.cfg");
        SetListMemoryLimit(limit);
        ImportSession session;
        const bool imported = run(session);
        SetListMemoryLimit(0);
        const auto mesh = FindObject("wide");
        ASSERT_TRUE(mesh);
        if (imported) {
            EXPECT_TRUE(ui.messages.empty());
            EXPECT_EQ(mesh->uvCount, mesh->nodeCount);
            EXPECT_EQ(mesh->vertexCount, 300u * 200u);
            seen.insert("imported");
            continue;
        }
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(failures.count(ui.messages[0]), 1u) << ui.messages[0];
        EXPECT_EQ(ui.events.back().rfind("failed", 0), 0u);
        EXPECT_FALSE(IsFramed());
        seen.insert(ui.messages[0]);
    }
    EXPECT_EQ(seen.size(), failures.size() + 1) << "every stage failed once and the import succeeded with room";
}

// What a grid's lists take, and whether they can fit this build's address
// space: known from the header alone, so a terrain too large for a 32-bit
// host is refused before the options and before any sample is read.
TEST_F(DriverFixture, a_grid_too_large_for_the_address_space_is_refused_from_its_header) {
    // 34 bytes per point and 12 per triangle.
    EXPECT_EQ(TerrainListBytes(3, 2), 6u * 34 + 4u * 12);
    EXPECT_EQ(TerrainListBytes(1, 5), 5u * 34);
    EXPECT_EQ(TerrainListBytes(65535, 65535), 65535ull * 65535 * 34 + 2ull * 65534 * 65534 * 12);

    char text[128];
    TerrainHeader header;
    header.xPoints = header.yPoints = 8193;  // 3.9 GB of lists
    EXPECT_EQ(CheckTerrainFits(header, text, sizeof text), sizeof(void*) == 8);
    header.xPoints = header.yPoints = 4097;  // 0.97 GB
    EXPECT_TRUE(CheckTerrainFits(header, text, sizeof text));
    header.xPoints = 8193;
    header.yPoints = 2;
    EXPECT_TRUE(CheckTerrainFits(header, text, sizeof text));
    // An error-bounded mesh needs the samples alone for certain (2 bytes a
    // point): 8193 x 8193 fits a 32-bit process then; 65535 x 65535 (8.6 GB)
    // still does not.
    EXPECT_EQ(TerrainListBytes(8193, 8193, true), 8193ull * 8193 * 2);
    header.xPoints = header.yPoints = 8193;
    EXPECT_TRUE(CheckTerrainFits(header, text, sizeof text, true));
    header.xPoints = header.yPoints = 65535;
    EXPECT_EQ(CheckTerrainFits(header, text, sizeof text, true), sizeof(void*) == 8);

    // A file that declares 8193 x 8193 points and holds none: a 32-bit
    // import says so before the options; a 64-bit one reads what is there.
    tergen::Bytes bytes = tergen::terrainBytes(grid(4, 4));
    for (size_t i = 0; i + 4 <= bytes.size(); ++i)
        if (std::equal(bytes.begin() + i, bytes.begin() + i + 4, "XPTS") ||
            std::equal(bytes.begin() + i, bytes.begin() + i + 4, "YPTS"))
            bytes[i + 4] = 0x01, bytes[i + 5] = 0x20;  // 8193, little-endian
    terrainPath = folder.write("huge.ter", bytes);
    ImportSession session;
    EXPECT_FALSE(run(session));
    ASSERT_EQ(ui.messages.size(), 1u);
    if (sizeof(void*) == 4) {
        EXPECT_EQ(ui.messages[0], "terrain too large for the memory available: 8193 x 8193 points");
        EXPECT_EQ(ui.calls, (Strings{"settings", "skin", "message"}));
    } else {
        EXPECT_EQ(ui.messages[0], "error while reading elevation-data");
    }
}
