// The glTF export and the scene report, checked by reading the files back.
#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/HostControl.h"
#include "host/SceneExport.h"
#include "host/XsiApplication.h"
#include "host/tests/SampleScene.h"
#include "plugin/HostOps.h"

using namespace XSI;
using json = nlohmann::json;
namespace fs = std::filesystem;

namespace {

std::vector<char> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t u32At(const std::vector<char>& b, size_t at) {
    uint32_t v = 0;
    if (at + 4 <= b.size()) std::memcpy(&v, b.data() + at, 4);
    return v;
}

struct Gltf {
    json doc;
    std::vector<char> bin;

    template <typename T>
    std::vector<T> accessor(size_t index) const {
        const json& a = doc["accessors"][index];
        const size_t offset = doc["bufferViews"][a["bufferView"].get<size_t>()].value("byteOffset", size_t{0});
        std::vector<T> out(a["count"].get<size_t>() * (a["type"] == "VEC3" ? 3 : a["type"] == "VEC2" ? 2 : 1));
        if (offset + out.size() * sizeof(T) > bin.size()) {
            ADD_FAILURE() << "accessor " << index << " runs past the buffer";
            return {};
        }
        std::memcpy(out.data(), bin.data() + offset, out.size() * sizeof(T));
        return out;
    }
    const json& node(const std::string& name) const {
        for (const json& n : doc["nodes"])
            if (n["name"] == name) return n;
        static const json none;
        ADD_FAILURE() << "no node " << name;
        return none;
    }
    const json& primitive(const std::string& name) const {
        return doc["meshes"][node(name)["mesh"].get<size_t>()]["primitives"][0];
    }
};

// The JSON and binary chunks of a .glb (the validator run checks the rest of its framing).
Gltf loadGlb(const fs::path& path) {
    Gltf g;
    const std::vector<char> b = readBytes(path);
    const size_t binAt = 20 + size_t{u32At(b, 12)};
    if (b.size() < binAt + 8 || std::string(b.data(), 4) != "glTF") {
        ADD_FAILURE() << "not a .glb of two chunks: " << b.size() << " bytes";
        return g;
    }
    EXPECT_EQ(u32At(b, 8), b.size()) << "the header gives the file's length";
    g.doc = json::parse(b.begin() + 20, b.begin() + binAt);
    g.bin.assign(b.begin() + binAt + 8, b.end());
    return g;
}

using Vec = std::array<double, 3>;

// Where a node's rotation quaternion (x, y, z, w) takes v: v + 2w (q x v) + 2 q x (q x v).
Vec rotate(const json& q, const Vec& v) {
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    const double tx = 2 * (y * v[2] - z * v[1]), ty = 2 * (z * v[0] - x * v[2]), tz = 2 * (x * v[1] - y * v[0]);
    return {v[0] + w * tx + (y * tz - z * ty), v[1] + w * ty + (z * tx - x * tz), v[2] + w * tz + (x * ty - y * tx)};
}

void expectNear(const Vec& got, const Vec& want, const char* what) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << what << " axis " << i;
}

class SceneExport : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vq_export_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ASSERT_TRUE(sample::BuildSampleScene(true));
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const char* name) const { return (dir_ / name).string(); }
    Gltf exportGlb() const {
        EXPECT_TRUE(XSI::SceneExport::WriteGltf(path("s.glb"), XSI::SceneExport::GltfLayout::Binary).ok);
        return loadGlb(dir_ / "s.glb");
    }
    fs::path dir_;
};

TEST_F(SceneExport, glb_and_gltf_hold_the_same_scene) {
    ASSERT_TRUE(XSI::SceneExport::WriteGltf(path("s.gltf"), XSI::SceneExport::GltfLayout::Separate).ok);
    const Gltf glb = exportGlb();
    const std::vector<char> text = readBytes(dir_ / "s.gltf");
    json doc = json::parse(text.begin(), text.end());
    EXPECT_EQ(doc["buffers"][0]["uri"], "s.bin");
    EXPECT_EQ(readBytes(dir_ / "s.bin"), glb.bin);
    doc["buffers"][0].erase("uri");
    EXPECT_EQ(doc, glb.doc);
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_NE(entry.path().extension(), ".tmp") << "no temporary file is left";
}

TEST_F(SceneExport, meshes_are_written_as_the_host_holds_them) {
    const Gltf g = exportGlb();
    const json& prim = g.primitive("grid");
    const int32_t cols = sample::kGridColumns, rows = sample::kGridRows;
    // No vertex split (the grid's UVs agree); u along the columns, v flipped to glTF's top-left origin.
    std::vector<float> positions, uvs;
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c) {
            positions.insert(positions.end(), {float(c * sample::kCellSize), float((r + c) * 0.25),
                                               float(-r * sample::kCellSize)});
            uvs.insert(uvs.end(), {float(c) / (cols - 1), 1 - float(r) / (rows - 1)});
        }
    EXPECT_EQ(g.accessor<float>(prim["attributes"]["POSITION"]), positions);
    EXPECT_EQ(g.accessor<float>(prim["attributes"]["TEXCOORD_0"]), uvs);
    const auto indices = g.accessor<uint32_t>(prim["indices"]);
    ASSERT_EQ(indices.size(), size_t(6 * (cols - 1) * (rows - 1)));
    EXPECT_EQ(std::vector<uint32_t>(indices.begin(), indices.begin() + 6),
              (std::vector<uint32_t>{0, uint32_t(cols), 1, 1, uint32_t(cols), uint32_t(cols + 1)}));
    // The pivot (the box centre) is kept beside the node, not baked into the vertices.
    EXPECT_EQ(g.node("grid")["translation"], json::array({0.0, 0.0, 0.0}));
    EXPECT_EQ(g.node("grid")["extras"]["pivot"][0], 4.0);

    // A vertex with two UVs is split; a four-cornered polygon is fanned.
    const json& seam = g.primitive("seam");
    const auto seamPositions = g.accessor<float>(seam["attributes"]["POSITION"]);
    ASSERT_EQ(seamPositions.size(), 15u) << "4 vertices and one copy of vertex 0";
    EXPECT_EQ(std::vector<float>(seamPositions.begin() + 12, seamPositions.end()), std::vector<float>(3, 0.0f));
    EXPECT_EQ(g.accessor<float>(seam["attributes"]["TEXCOORD_0"]),
              (std::vector<float>{0, 1, 1, 1, 1, 0, 0, 0, 0.5f, 1}));
    EXPECT_EQ(g.accessor<uint32_t>(seam["indices"]), (std::vector<uint32_t>{0, 1, 2, 4, 2, 3}));
    const json& water = g.primitive("TG_Water");
    EXPECT_EQ(g.accessor<uint32_t>(water["indices"]), (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_FALSE(water["attributes"].contains("TEXCOORD_0"));
}

TEST_F(SceneExport, camera_and_sun_aim_at_their_interests) {
    const Gltf g = exportGlb();
    // The camera at (4, 6, 8) looks along (0, -6, -11) at its interest, the sun at (20, 30, -10)
    // along (-16, -30, 7). The camera's level right is (1, 0, 0) and its up right x forward =
    // (0, 11, -6) / sqrt(157); roll 15 turns the X axis from right towards up.
    const json& cam = g.node("TG_Cam");
    const double n = std::sqrt(157.0), m = std::sqrt(1205.0), roll = 15 * std::acos(-1.0) / 180;
    EXPECT_EQ(cam["translation"], json::array({4.0, 6.0, 8.0}));
    expectNear(rotate(cam["rotation"], {0, 0, -1}), {0, -6 / n, -11 / n}, "camera -Z");
    expectNear(rotate(cam["rotation"], {1, 0, 0}), {std::cos(roll), std::sin(roll) * 11 / n, -std::sin(roll) * 6 / n},
               "rolled camera X");
    expectNear(rotate(g.node("TG_Sun")["rotation"], {0, 0, -1}), {-16 / m, -30 / m, 7 / m}, "sun -Z");

    // Horizontal 53.13 degrees at an 800 x 600 picture: yfov = 2 atan(tan(26.565) / (4/3)) = 2 atan(0.375).
    const json& camera = g.doc["cameras"][cam["camera"].get<size_t>()];
    EXPECT_NEAR(camera["perspective"]["yfov"].get<double>(), 2 * std::atan(0.375), 1e-12);
    EXPECT_NEAR(camera["perspective"]["aspectRatio"].get<double>(), 800.0 / 600.0, 1e-12);

    EXPECT_EQ(g.doc["extensions"]["KHR_lights_punctual"]["lights"][0]["type"], "directional");
    EXPECT_EQ(g.doc["scenes"][0]["extras"]["viewCamera"], "TG_Cam");
    EXPECT_EQ(g.doc["scenes"][0]["extras"]["parameters"]["Passes.Default_Pass.RenderOptions.CameraXRes"], 800);
}

TEST_F(SceneExport, a_view_straight_down_has_north_at_the_top_of_the_picture) {
    // A camera and a sun right above their interests have no level "right"
    // to start from. Their picture is a map: its top towards north (the
    // world file's +y, the scene's -Z), its right towards east (+X), the same
    // picture as a view tilted a hair north of straight down. Straight up,
    // the limit from that side again: top towards +Z, right towards +X.
    const auto axes = [this](const char* node) {
        const json q = exportGlb().node(node)["rotation"];
        return std::array<Vec, 3>{rotate(q, {0, 0, -1}), rotate(q, {0, 1, 0}), rotate(q, {1, 0, 0})};
    };
    const auto expectAxes = [](const std::array<Vec, 3>& got, const Vec& view, const Vec& top, const Vec& right,
                               double tolerance, const char* what) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(got[0][i], view[i], tolerance) << what << ": view axis " << i;
            EXPECT_NEAR(got[1][i], top[i], tolerance) << what << ": top axis " << i;
            EXPECT_NEAR(got[2][i], right[i], tolerance) << what << ": right axis " << i;
        }
    };
    SetCameraRoll("TG_Cam", 0.0);
    Translate("TG_Cam_Interest", 4.0, -20.0, 8.0);  // below the camera at (4, 6, 8)
    Translate("TG_Sun_Interest", 20.0, 0.0, -10.0);  // below the sun at (20, 30, -10)
    expectAxes(axes("TG_Cam"), {0, -1, 0}, {0, 0, -1}, {1, 0, 0}, 1e-12, "camera straight down");
    expectAxes(axes("TG_Sun"), {0, -1, 0}, {0, 0, -1}, {1, 0, 0}, 1e-12, "sun straight down");
    Translate("TG_Cam_Interest", 4.0, -20.0, 8.0 - 1e-4);
    expectAxes(axes("TG_Cam"), {0, -1, 0}, {0, 0, -1}, {1, 0, 0}, 1e-5, "a hair north of straight down");

    // The roll turns that picture as any other: 90 degrees puts its top to the west.
    Translate("TG_Cam_Interest", 4.0, -20.0, 8.0);
    SetCameraRoll("TG_Cam", 90.0);
    expectAxes(axes("TG_Cam"), {0, -1, 0}, {-1, 0, 0}, {0, 0, -1}, 1e-12, "rolled 90");

    SetCameraRoll("TG_Cam", 0.0);
    Translate("TG_Cam_Interest", 4.0, 50.0, 8.0);
    expectAxes(axes("TG_Cam"), {0, 1, 0}, {0, 0, 1}, {1, 0, 0}, 1e-12, "camera straight up");
}

TEST_F(SceneExport, values_a_file_cannot_hold_become_the_nearest_valid_with_a_warning) {
    Translate("TG_Sun_Interest", std::nan(""), 1.0, INFINITY);
    SetValue("Passes.Default_Pass.RenderOptions.PixelRatio", CValue(-1.0f));
    const Gltf g = exportGlb();
    // The sample's camera with a field of view of 0 is written with 90 degrees:
    // at aspect 1 (the negative pixel ratio) that is also its vertical one.
    const json& cam1 = g.doc["cameras"][g.node("TG_Cam1")["camera"].get<size_t>()];
    EXPECT_NEAR(cam1["perspective"]["yfov"].get<double>(), std::acos(-1.0) / 2, 1e-12);
    EXPECT_EQ(cam1["extras"]["fov"], 90.0);
    EXPECT_EQ(HostControl::FindObject("TG_Cam1")->fov, 0.0) << "the host keeps its own value";
    EXPECT_EQ(g.doc["cameras"][0]["perspective"]["aspectRatio"], 1.0) << "negative pixel ratio: aspect 1";
    const json& moved = g.node("TG_Sun_Interest")["translation"];
    EXPECT_EQ(moved[0], 0.0);
    EXPECT_GT(moved[2].get<double>(), 1e300);

    // The vertex (NaN, +inf, 0) is written as (0, largest float, 0); the validator run checks the bounds.
    EXPECT_EQ(g.accessor<float>(g.primitive("spike")["attributes"]["POSITION"]),
              (std::vector<float>{0, 0, 0, 1, 0, 0, 0, FLT_MAX, 0}));
    int warnings = 0;
    for (const auto& line : HostControl::GetLog()) warnings += line.severity == siWarningMsg;
    EXPECT_GE(warnings, 3) << "field of view, aspect and the two coordinates are reported";
}

TEST(SceneExportFov, only_a_field_of_view_inside_0_to_180_degrees_is_written_as_it_is) {
    // A world file without ZOOM gives -90, ZOOM 0 gives 180: both are written
    // as the default zoom's 90 degrees, as is anything a camera cannot have.
    for (const double bad : {-90.0, 0.0, -0.0, 180.0, 270.0, double(INFINITY), -double(INFINITY), std::nan("")})
        EXPECT_EQ(XSI::SceneExport::usableFieldOfView(bad), 90.0) << bad;
    for (const double good : {1e-9, 53.13010235415598, 179.999})
        EXPECT_EQ(XSI::SceneExport::usableFieldOfView(good), good);
}

TEST_F(SceneExport, per_vertex_uvs_are_written_finite_with_v_flipped) {
    // Six vertices: one block of four converted together and two on their own.
    X3DObject object;
    CMeshBuilder builder;
    ASSERT_EQ(Application().GetActiveSceneRoot().AddPolygonMesh("uvs", object, builder), CStatus::OK);
    const uint32_t triangles[6] = {0, 1, 2, 3, 4, 5};
    ASSERT_EQ(builder.AddVertices(6), CStatus::OK);
    ASSERT_EQ(builder.AddTriangles(2, triangles), CStatus::OK);
    ASSERT_EQ(builder.Build(), CStatus::OK);
    const float nan = std::nanf(""), inf = INFINITY;
    std::vector<float> values = {nan, 0.25f, 7, -0.0f, inf, 0, -inf, 0.5f, 0,
                                 1, nan, 0, 0.125f, 0.75f, 0, -0.0f, -inf, 0};
    ClusterProperty uv = PolygonMesh(object.GetActivePrimitive().GetGeometry()).GetClusterPropertyBuilder().AddUV();
    ASSERT_EQ(uv.SetValues(std::move(values)), CStatus::OK);

    const Gltf g = exportGlb();
    const std::vector<float> written = g.accessor<float>(g.primitive("uvs")["attributes"]["TEXCOORD_0"]);
    EXPECT_EQ(written, (std::vector<float>{0, 0.75f, 0, -FLT_MAX, -FLT_MAX, 0.5f, 1, 1, 0.125f, 0.25f, 0, FLT_MAX}));
    for (size_t i = 0; i < written.size(); i += 2) EXPECT_FALSE(std::signbit(written[i]) && written[i] == 0) << i;
}

TEST_F(SceneExport, a_failed_export_leaves_the_target_alone) {
    const std::string target = path("taken");
    fs::create_directories(fs::path(target) / "inside");  // a folder where the file should go
    const auto r = XSI::SceneExport::WriteGltf(target, XSI::SceneExport::GltfLayout::Binary);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.errorText.empty());
    EXPECT_TRUE(fs::is_directory(fs::path(target) / "inside"));
    EXPECT_FALSE(fs::exists(target + ".tmp"));

    const auto missing = XSI::SceneExport::WriteSceneReport(path("no/such/folder/r.json"));
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.errorText.find("cannot create"), std::string::npos);
    // Writing over an existing file replaces it.
    ASSERT_TRUE(XSI::SceneExport::WriteSceneReport(path("r.json")).ok);
    ASSERT_TRUE(XSI::SceneExport::WriteSceneReport(path("r.json")).ok);
}

TEST_F(SceneExport, the_report_lists_objects_parameters_log_and_commands) {
    Application().LogMessage("hello", siErrorMsg);
    ASSERT_TRUE(XSI::SceneExport::WriteSceneReport(path("r.json")).ok);
    const std::vector<char> text = readBytes(dir_ / "r.json");
    const json r = json::parse(text.begin(), text.end());
    std::map<std::string, json> objects;
    for (const json& o : r["objects"]) objects[o["name"]] = o;
    const auto expectFields = [&](const char* name, const json& want) {
        for (const auto& field : want.items())
            EXPECT_EQ(objects[name][field.key()], field.value()) << name << "." << field.key();
    };
    const int32_t cols = sample::kGridColumns, rows = sample::kGridRows, cells = (cols - 1) * (rows - 1);
    expectFields("grid", {{"type", "polymsh"}, {"parent", nullptr}, {"vertexCount", cols * rows},
                          {"polygonCount", 2 * cells}, {"nodeCount", 6 * cells}, {"uvCount", 6 * cells},
                          {"pivot", {4.0, 0.875, -3.0}}});
    expectFields("TG_Cam", {{"type", "camera"}, {"parent", "TG_Cam_Root"}, {"position", {4.0, 6.0, 8.0}},
                            {"roll", 15.0}, {"fov", 53.13010235415598}, {"interest", "TG_Cam_Interest"}});
    expectFields("TG_Sun", {{"type", "light"}, {"interest", "TG_Sun_Interest"}});
    EXPECT_EQ(r["parameters"]["preferences.scripting.cmdlog"], true);
    EXPECT_EQ(r["viewCamera"], "TG_Cam");
    EXPECT_EQ(r["framed"], true);
    EXPECT_EQ(r["log"].back(), (json{{"severity", 2}, {"text", "hello"}}));
    EXPECT_EQ(r["commands"][0], (json{{"name", "NewScene"}, {"args", {nullptr, false}}}));
}

}  // namespace
