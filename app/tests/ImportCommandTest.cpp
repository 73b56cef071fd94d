// `vqvireru import`: exit codes, what is written and when, failure texts,
// the options and their checks, Ctrl+C.
#include "app/vqvireru/ImportCommand.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "host/HostControl.h"
#include "import/tests/ImportTestSupport.h"

namespace {

struct CommandRun {
    int status;
    std::string out, err;
};

std::string slurp(std::FILE* f) {
    std::string s;
    std::rewind(f);
    for (int ch; (ch = std::fgetc(f)) != EOF;) s += static_cast<char>(ch);
    std::fclose(f);
    return s;
}

bool exists(const std::string& path) { return std::filesystem::exists(path); }

// A 9 x 5 terrain "hill.ter" beside its world file, camera at (100, 200, 50).
struct ImportCommandFixture : ::testing::Test {
    TempFolder folder;
    std::string terrain, world, json = folder.path("r.json");

    void SetUp() override {
        XSI::HostControl::ResetHost();
        resetImportInterrupts();
        terrain = folder.write("hill.ter", tergen::terrainBytes(importtest::grid(9, 5)));
        tergen::WorldParams w;
        w.camera = {100, 200, 50};
        world = folder.write("hill.tgw", tergen::worldBytes(tergen::standardWorld(w)));
    }
    void TearDown() override { resetImportInterrupts(); }

    CommandRun run(std::vector<std::string> args, bool terminal = false) {
        args.insert(args.begin(), "import");
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        const ImportConsole console{std::tmpfile(), std::tmpfile(), terminal};
        const int status = runImportCommandWith(static_cast<int>(argv.size()), argv.data(), console);
        return {status, slurp(console.out), slurp(console.err)};
    }
    nlohmann::json report() const { return nlohmann::json::parse(readWholeFile(json), nullptr, false); }
};

// The object called name in a scene report, or null.
const nlohmann::json* object(const nlohmann::json& report, const std::string& name) {
    for (const auto& o : report["objects"])
        if (o["name"] == name) return &o;
    return nullptr;
}

}  // namespace

TEST_F(ImportCommandFixture, writes_glb_or_gltf_with_plain_terminal_or_no_status_lines) {
    const std::string glb = folder.path("scene.GLB");  // the extension in any letter case
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

    // Without -o: the terrain's base name in the current folder.
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(folder.path(""));
    r = run({terrain, "-q"});
    const bool written = exists(folder.path("hill.glb"));
    std::filesystem::current_path(before);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(written);
}

// Failures and a first Ctrl+C exit with 1, write neither the scene nor the
// report, and leave an existing output as it was; the failure texts are the
// message box's.
TEST_F(ImportCommandFixture, failed_or_interrupted_import_writes_nothing) {
    const std::string bad = folder.write("bad.ter", tergen::Bytes{'T', 'E', 'R', 'R', 'A', 'G', 'E', 'N', '\n'});
    tergen::TerrainParams t = importtest::grid(20, 20);
    t.samples.resize(100);
    const std::string shortTerrain = folder.write("short.ter", tergen::terrainBytes(t));
    const std::pair<std::string, std::string> cases[] = {{bad, bad + "\nis not a terrain-file\n"},
                                                         {shortTerrain, "error while reading elevation-data\n"},
                                                         {terrain, ""}};
    for (const auto& [input, err] : cases) {
        const std::string out = folder.write("keep.glb", tergen::Bytes{'o', 'l', 'd'});
        if (err.empty()) {
            onImportInterrupt(SIGINT);  // as a Ctrl+C while the import runs
            std::signal(SIGINT, SIG_DFL);
        }
        const CommandRun r = run({input, "-o", out, "-q", "--report", json});
        EXPECT_EQ(r.status, 1) << input;
        EXPECT_EQ(r.err, err);  // a cancelled import shows no message
        EXPECT_EQ(readWholeFile(out), "old");
        EXPECT_FALSE(exists(json));
    }
    EXPECT_TRUE(XSI::HostControl::FindObject("TG_Water").has_value());  // the interrupted import still ran to its end
}

TEST_F(ImportCommandFixture, usage_errors_exit_with_2) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {}, {terrain, "-o", folder.path("scene.obj")}, {terrain, "--scale", "much"}, {terrain, "--frobnicate"},
             {terrain, "--world", folder.path("missing.tgw")}, {std::string(256, 'x') + ".ter"}})
        EXPECT_EQ(run(args).status, 2) << args.size();
    EXPECT_EQ(run({std::string(255, 'x') + ".ter"}).status, 1);  // 259 characters fit: no such file
    EXPECT_FALSE(exists(folder.path("scene.obj")));
}

// A world file given elsewhere, then a second terrain added to the kept scene
// (without world objects: it has no world file beside it).
TEST_F(ImportCommandFixture, options_reach_the_scene) {
    std::filesystem::rename(world, folder.path("elsewhere.tgw"));
    const CommandRun r = run({terrain, "-o", folder.path("s.glb"), "-q", "--report", json, "--world", folder.path("elsewhere.tgw"),
                              "--name", "my hill", "--scale", "0.2", "--no-camera", "--no-water", "--no-center-pivot"});
    ASSERT_EQ(r.status, 0) << r.err;
    nlohmann::json rep = report();
    ASSERT_NE(object(rep, "my_hill"), nullptr);
    EXPECT_EQ((*object(rep, "my_hill"))["pivot"][0].get<double>(), 0.0);
    EXPECT_EQ(object(rep, "TG_Cam"), nullptr);
    EXPECT_EQ(object(rep, "TG_Water"), nullptr);
    const auto* sun = object(rep, "TG_Sun_Interest");  // the camera position: (100, 50, -200) x 0.2 x 30
    ASSERT_NE(sun, nullptr);
    EXPECT_FLOAT_EQ((*sun)["position"][0].get<float>(), 600.0f);
    EXPECT_FLOAT_EQ((*sun)["position"][2].get<float>(), -1200.0f);

    ASSERT_EQ(run({terrain, "-o", folder.path("s.glb"), "-q", "--keep-scene", "--report", json}).status, 0);
    rep = report();
    for (const char* name : {"my_hill", "TG_Sun", "hill"}) EXPECT_NE(object(rep, name), nullptr) << name;
    EXPECT_EQ(object(rep, "TG_Sun1"), nullptr);
}

// The scale clamped and rounded as the spinner shows it, the name cut to 63
// characters; a settings file only with --settings, and then the options
// start from it.
TEST_F(ImportCommandFixture, options_are_checked_and_saved_only_to_a_given_settings_file) {
    const std::string settings = folder.path("vq_vireru.cfg"), glb = folder.path("a.glb");
    ASSERT_EQ(run({terrain, "-o", glb, "-q", "--no-sun", "--scale", "1"}).status, 0);
    EXPECT_FALSE(exists(settings));
    for (const auto& [given, scale] : {std::pair<const char*, float>{"20000", 10000.0f}, {"0", 0.001f}, {"0.0009", 0.001f}, {"0.001", 0.001f},
                                                   // below the minimum and 0.000 at three decimals: held first
                                                   {"0.0004", 0.001f}, {"-2", 0.001f},
                                                   {"0.0016", 0.002f}, {"0.12345", 0.123f}}) {
        EXPECT_EQ(run({terrain, "-o", glb, "-q", "--settings", settings, "--scale", given}).status, 0);
        const std::string bytes = readWholeFile(settings);
        float saved = 0;
        if (bytes.size() == 14) std::memcpy(&saved, bytes.data() + 6, 4);
        EXPECT_EQ(saved, scale) << given;
    }
    ASSERT_EQ(run({terrain, "-o", glb, "-q", "--settings", settings, "--no-sun", "--scale", "1"}).status, 0);
    EXPECT_EQ(readWholeFile(settings), std::string("\x03\x00\x00\x00\x01\x01\x00\x00\x80\x3F\x01\x00\x01\x01", 14));

    // No sun and scale 1 without saying so.
    ASSERT_EQ(run({terrain, "-o", glb, "-q", "--settings", settings, "--report", json, "--name", std::string(80, 'n')}).status, 0);
    const nlohmann::json rep = report();
    EXPECT_NE(object(rep, std::string(63, 'n')), nullptr);
    EXPECT_EQ(object(rep, "TG_Sun"), nullptr);
    ASSERT_NE(object(rep, "TG_Cam"), nullptr);
    EXPECT_FLOAT_EQ((*object(rep, "TG_Cam"))["position"][0].get<float>(), 3000.0f);  // 100 x 1 x 30
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

// --max-error and --max-triangles: 0 is the full grid byte for byte; a mesh
// is reported in one closing line; everything but the terrain's lists is the
// full grid's scene; bad values are usage errors that write nothing; a
// Ctrl+C writes nothing.
TEST_F(ImportCommandFixture, error_bounded_mesh_from_the_command_line) {
    tergen::TerrainParams t = importtest::grid(60, 41);
    t.samples = tergen::makeRelief(60, 41, 3);
    terrain = folder.write("hill.ter", tergen::terrainBytes(t));
    const std::string full = folder.path("full.glb"), zero = folder.path("zero.glb"), lean = folder.path("lean.glb");
    const std::string fullJson = folder.path("full.json");
    ASSERT_EQ(run({terrain, "-o", full, "-q", "--report", fullJson}).status, 0);
    ASSERT_EQ(run({terrain, "-o", zero, "-q", "--max-error", "0"}).status, 0);
    EXPECT_EQ(readWholeFile(zero), readWholeFile(full));

    const CommandRun r = run({terrain, "-o", lean, "--max-error", "4.5", "--report", json});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("reading elevation-data...\nrefining mesh...\nbuilding scene...\n"), std::string::npos);
    unsigned long long points = 0, triangles = 0;
    double worst = -1;
    ASSERT_EQ(std::sscanf(r.out.substr(r.out.find("kept ")).c_str(), "kept %llu points and %llu triangles; worst error %lf m",
                          &points, &triangles, &worst),
              3)
        << r.out;
    const nlohmann::json leanReport = report(), fullReport = nlohmann::json::parse(readWholeFile(fullJson));
    const auto* hill = object(leanReport, "hill");
    ASSERT_NE(hill, nullptr);
    EXPECT_EQ((*hill)["vertexCount"].get<unsigned long long>(), points);
    EXPECT_EQ((*hill)["polygonCount"].get<unsigned long long>(), triangles);
    EXPECT_LT(triangles, 2u * 59 * 40);
    EXPECT_GT(worst, 0.0);
    EXPECT_LE(worst, 4.5);
    // The same scene apart from the terrain's own lists (the hosts' command
    // records differ: the host lives on between runs and keeps adding).
    nlohmann::json a = leanReport, b = fullReport;
    for (auto* rep : {&a, &b}) {
        rep->erase("commands");
        for (auto& o : (*rep)["objects"])
            if (o["name"] == "hill")
                for (const char* key : {"vertexCount", "polygonCount", "nodeCount", "uvCount"}) o.erase(key);
    }
    EXPECT_EQ(a, b);

    // A budget that ends a bounded refinement first, and budgets alone: up
    // to the largest a 32-bit count holds.
    for (const std::vector<std::string>& limits : std::vector<std::vector<std::string>>{
             {"--max-error", "4.5", "--max-triangles", "40"}, {"--max-triangles", "40"}, {"--max-triangles", "4294967295"}}) {
        std::vector<std::string> args{terrain, "-o", lean, "-q", "--report", json};
        args.insert(args.end(), limits.begin(), limits.end());
        const CommandRun budget = run(args);
        ASSERT_EQ(budget.status, 0) << budget.err;
        const unsigned polygons = (*object(report(), "hill"))["polygonCount"].get<unsigned>();
        EXPECT_LE(polygons, limits.back() == "40" ? 40u : 2u * 59 * 40) << limits.back();
        EXPECT_GE(polygons, limits.back() == "40" ? 38u : 2u) << limits.back();
    }

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--max-error", "-1"}, {"--max-error", "nan"}, {"--max-error", "inf"}, {"--max-error", "1e999"},
             {"--max-error", "two"}, {"--max-error", "3m"}, {"--max-error", ""}, {"--max-error", "0x10"},
             {"--max-triangles", "1"}, {"--max-triangles", "-5"}, {"--max-triangles", "2.5"},
             {"--max-triangles", "99999999999"}, {"--max-triangles", "4294967296"}, {"--max-triangles", "many"}}) {
        const std::string out = folder.write("keep.glb", tergen::Bytes{'o', 'l', 'd'});
        const CommandRun refused = run({terrain, "-o", out, "-q", "--report", json + ".x", bad[0], bad[1]});
        EXPECT_EQ(refused.status, 2) << bad[0] << " " << bad[1];
        EXPECT_NE(refused.err.find(bad[0]), std::string::npos) << refused.err;
        EXPECT_EQ(readWholeFile(out), "old");
        EXPECT_FALSE(exists(json + ".x"));
    }

    // Ctrl+C stops the refinement itself: no stage after it starts.
    const std::string out = folder.write("keep.glb", tergen::Bytes{'o', 'l', 'd'});
    onImportInterrupt(SIGINT);
    std::signal(SIGINT, SIG_DFL);
    const CommandRun cancelled = run({terrain, "-o", out, "--max-error", "0.01", "--report", json + ".c"});
    EXPECT_EQ(cancelled.status, 1);
    EXPECT_EQ(cancelled.err, "");
    EXPECT_EQ(cancelled.out, "reading elevation-data...\nrefining mesh...\n");
    EXPECT_EQ(readWholeFile(out), "old");
    EXPECT_FALSE(exists(json + ".c"));
}

// The worst error printed is the one reached, to a useful precision: on a
// 3 x 3 grid whose middle sample stands 1000 units (36.62109375 m) above a
// plain, a bound above it keeps the corners, and the middle, on their
// shared edge, is that far from the mesh.
TEST_F(ImportCommandFixture, the_worst_error_printed_is_the_one_reached) {
    tergen::TerrainParams t = importtest::grid(3, 3);
    t.samples.assign(9, 0);
    t.samples[4] = 1000;
    terrain = folder.write("hill.ter", tergen::terrainBytes(t));
    const CommandRun r = run({terrain, "-o", folder.path("m.glb"), "--max-error", "40"});
    ASSERT_EQ(r.status, 0) << r.err;
    double worst = 0;
    ASSERT_EQ(std::sscanf(r.out.substr(r.out.find("kept ")).c_str(), "kept 4 points and 2 triangles; worst error %lf m", &worst), 1)
        << r.out;
    EXPECT_NEAR(worst, 36.62109375, 1e-4);
}
