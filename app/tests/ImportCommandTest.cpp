// `vqvireru import`: exit codes, what is written and when, failure texts,
// the options and their checks, Ctrl+C.
#include "app/vqvireru/ImportCommand.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/TerrainFile.h"
#include "formats/tests/TempFiles.h"
#include "host/HostControl.h"

namespace {

struct CommandRun {
    int status = -1;
    std::string out, err;
};

std::string slurp(std::FILE* f) {
    std::string s;
    std::rewind(f);
    for (int ch; (ch = std::fgetc(f)) != EOF;) s += static_cast<char>(ch);
    std::fclose(f);
    return s;
}

struct ImportCommandFixture : ::testing::Test {
    TempFolder folder;
    std::string terrain, world;

    void SetUp() override {
        XSI::HostControl::ResetHost();
        resetImportInterrupts();
        tergen::TerrainParams t;
        t.xPoints = 9;
        t.yPoints = 5;
        t.samples.assign(45, 100);
        terrain = folder.write("hill.ter", tergen::terrainBytes(t));
        tergen::WorldParams w;
        w.camera = {100, 200, 50};
        world = folder.write("hill.tgw", tergen::worldBytes(tergen::standardWorld(w)));
    }
    void TearDown() override { resetImportInterrupts(); }

    CommandRun run(std::vector<std::string> args, bool terminal = false) {
        args.insert(args.begin(), "import");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        ImportConsole console;
        console.out = std::tmpfile();
        console.err = std::tmpfile();
        console.terminal = terminal;
        CommandRun r;
        r.status = runImportCommandWith(static_cast<int>(argv.size()), argv.data(), console);
        r.out = slurp(console.out);
        r.err = slurp(console.err);
        return r;
    }
    nlohmann::json report(const std::string& path) { return nlohmann::json::parse(readWholeFile(path)); }
    static const nlohmann::json* object(const nlohmann::json& report, const std::string& name) {
        for (const auto& o : report["objects"])
            if (o["name"] == name) return &o;
        return nullptr;
    }
};

bool exists(const std::string& path) { return std::filesystem::exists(path); }

}  // namespace

TEST_F(ImportCommandFixture, writes_glb_or_gltf_with_plain_terminal_or_no_status_lines) {
    const std::string glb = folder.path("scene.glb");
    CommandRun r = run({terrain, "-o", glb});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "reading elevation-data...\nbuilding scene...\nadding polygons...\nsetting vertices...\n"
              "generating texture coordinates...\ncentering pivot...\nwrote " + glb + "\n");
    EXPECT_EQ(readWholeFile(glb).substr(0, 4), "glTF");

    r = run({terrain, "--output", folder.path("scene.gltf"), "--quiet"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(exists(folder.path("scene.gltf")) && exists(folder.path("scene.bin")));

    r = run({terrain, "-o", folder.path("t.glb")}, true);  // on a terminal
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find('\n'), r.out.rfind('\n'));  // one line that updates itself, then "wrote"
    EXPECT_NE(r.out.find("[##############################] 100%"), std::string::npos);
    EXPECT_NE(r.out.find("reading elevation-data..."), std::string::npos);
}

TEST_F(ImportCommandFixture, default_output_is_the_base_name_in_the_current_folder) {
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(folder.path(""));
    const CommandRun r = run({terrain, "-q"});
    const bool written = exists(folder.path("hill.glb"));
    std::filesystem::current_path(before);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(written);
}

// Failures and a first Ctrl+C exit with 1, write neither the scene nor the
// report, and leave an existing output as it was.
TEST_F(ImportCommandFixture, failed_or_interrupted_import_writes_nothing) {
    const std::string bad = folder.write("bad.ter", tergen::Bytes{'T', 'E', 'R', 'R', 'A', 'G', 'E', 'N', '\n'});
    tergen::TerrainParams t;
    t.xPoints = t.yPoints = 20;
    t.samples.assign(100, 0);
    const std::string shortTerrain = folder.write("short.ter", tergen::terrainBytes(t));
    // The reader's own text, as the message box would show it (a long path
    // is shortened from the front to fit the text field).
    TerrainFile reader;
    ASSERT_FALSE(reader.open(bad.c_str()));
    const std::string unreadable = std::string(reader.errorText) + "\n";
    EXPECT_NE(unreadable.find("bad.ter\nis not a terrain-file\n"), std::string::npos);

    const std::pair<std::string, std::string> cases[] = {
        {bad, unreadable}, {shortTerrain, "error while reading elevation-data\n"}, {terrain, ""}};
    for (const auto& [input, err] : cases) {
        const std::string out = folder.write("keep.glb", tergen::Bytes{'o', 'l', 'd'});
        if (err.empty()) {
            onImportInterrupt(SIGINT);  // as a Ctrl+C while the import runs
            std::signal(SIGINT, SIG_DFL);
        }
        const CommandRun r = run({input, "-o", out, "-q", "--report", folder.path("r.json")});
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_EQ(r.err, err);  // a cancelled import shows no message
        EXPECT_EQ(readWholeFile(out), "old");
        EXPECT_FALSE(exists(folder.path("r.json")));
    }
    EXPECT_TRUE(XSI::HostControl::FindObject("TG_Water").has_value());  // the interrupted import still ran to its end
}

TEST_F(ImportCommandFixture, usage_errors_exit_with_2) {
    EXPECT_EQ(run({}).status, 2);
    EXPECT_EQ(run({terrain, "-o", folder.path("scene.obj")}).status, 2);
    EXPECT_EQ(run({terrain, "--scale", "much"}).status, 2);
    EXPECT_EQ(run({terrain, "--frobnicate"}).status, 2);
    EXPECT_EQ(run({terrain, "--world", folder.path("missing.tgw")}).status, 2);
    EXPECT_EQ(run({std::string(300, 'x') + ".ter"}).status, 2);
    EXPECT_FALSE(exists(folder.path("scene.obj")));
    const CommandRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--no-water"), std::string::npos);
}

TEST_F(ImportCommandFixture, options_reach_the_scene) {
    const std::string json = folder.path("r.json");
    const CommandRun r = run({terrain, "-o", folder.path("s.glb"), "-q", "--report", json, "--name", "my hill", "--scale",
                       "0.2", "--no-camera", "--no-water", "--no-center-pivot"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto rep = report(json);
    const auto* mesh = object(rep, "my_hill");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ((*mesh)["pivot"][0].get<double>(), 0.0);
    EXPECT_EQ(object(rep, "TG_Cam"), nullptr);
    EXPECT_EQ(object(rep, "TG_Water"), nullptr);
    const auto* sun = object(rep, "TG_Sun_Interest");  // the camera position: (100, 50, -200) x 0.2 x 30
    ASSERT_NE(sun, nullptr);
    EXPECT_FLOAT_EQ((*sun)["position"][0].get<float>(), 600.0f);
    EXPECT_FLOAT_EQ((*sun)["position"][2].get<float>(), -1200.0f);
}

TEST_F(ImportCommandFixture, scale_is_clamped_and_rounded_as_the_spinner_shows_it_and_names_are_cut) {
    const std::string settings = folder.path("s.cfg");
    auto scaleAfter = [&](const char* given) {
        EXPECT_EQ(run({terrain, "-o", folder.path("s.glb"), "-q", "--settings", settings, "--scale", given}).status, 0);
        const std::string bytes = readWholeFile(settings);
        float scale = 0;
        if (bytes.size() == 14) std::memcpy(&scale, bytes.data() + 6, 4);
        return scale;
    };
    EXPECT_EQ(scaleAfter("20000"), 10000.0f);
    EXPECT_EQ(scaleAfter("0"), 0.001f);
    EXPECT_EQ(scaleAfter("0.12345"), 0.123f);
    EXPECT_EQ(scaleAfter("2.5"), 2.5f);

    const std::string json = folder.path("r.json");
    ASSERT_EQ(run({terrain, "-o", folder.path("s.glb"), "-q", "--report", json, "--name", std::string(80, 'n')}).status, 0);
    EXPECT_NE(object(report(json), std::string(63, 'n')), nullptr);
}

TEST_F(ImportCommandFixture, settings_file_only_with_the_option_and_then_options_start_from_it) {
    const std::string settings = folder.path("vq_vireru.cfg");
    ASSERT_EQ(run({terrain, "-o", folder.path("a.glb"), "-q", "--no-sun", "--scale", "1"}).status, 0);
    EXPECT_FALSE(exists(settings));

    ASSERT_EQ(run({terrain, "-o", folder.path("a.glb"), "-q", "--settings", settings, "--no-sun", "--scale", "1"}).status, 0);
    EXPECT_EQ(readWholeFile(settings), std::string("\x03\x00\x00\x00\x01\x01\x00\x00\x80\x3F\x01\x00\x01\x01", 14));

    // The next run starts from the file: no sun and scale 1 without saying so.
    const std::string json = folder.path("r.json");
    ASSERT_EQ(run({terrain, "-o", folder.path("b.glb"), "-q", "--settings", settings, "--report", json}).status, 0);
    const auto rep = report(json);
    EXPECT_EQ(object(rep, "TG_Sun"), nullptr);
    EXPECT_FLOAT_EQ((*object(rep, "TG_Cam"))["position"][0].get<float>(), 3000.0f);  // 100 x 1 x 30
}

TEST_F(ImportCommandFixture, explicit_world_file_and_keeping_the_scene) {
    std::filesystem::rename(world, folder.path("elsewhere.tgw"));
    const std::string json = folder.path("r.json");
    ASSERT_EQ(run({terrain, "-o", folder.path("a.glb"), "-q", "--world", folder.path("elsewhere.tgw")}).status, 0);
    ASSERT_EQ(run({terrain, "-o", folder.path("a.glb"), "-q", "--keep-scene", "--no-camera", "--report", json}).status, 0);
    // Kept: the first import's objects, and a second terrain next to them (without world objects).
    const auto rep = report(json);
    EXPECT_NE(object(rep, "TG_Cam"), nullptr);
    EXPECT_NE(object(rep, "hill"), nullptr);
    EXPECT_NE(object(rep, "hill1"), nullptr);
    EXPECT_EQ(object(rep, "TG_Sun1"), nullptr);
}

TEST(ImportCommandDeathTest, second_interrupt_ends_the_program_at_once) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            resetImportInterrupts();
            onImportInterrupt(SIGINT);
            onImportInterrupt(SIGINT);
        },
        ::testing::ExitedWithCode(130), "");
}
