// The glTF export and the scene report, checked by reading the files back.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
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

constexpr double kPi = 3.14159265358979323846;

std::vector<char> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t u32At(const std::vector<char>& b, size_t at) {
    uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

struct Gltf {
    json doc;
    std::vector<char> bin;

    template <typename T>
    std::vector<T> accessor(size_t index) const {
        const json& a = doc["accessors"][index];
        const json& view = doc["bufferViews"][a["bufferView"].get<size_t>()];
        const size_t components = a["type"] == "VEC3" ? 3 : a["type"] == "VEC2" ? 2 : 1;
        std::vector<T> out(a["count"].get<size_t>() * components);
        const size_t offset = view["byteOffset"].get<size_t>();
        EXPECT_LE(offset + out.size() * sizeof(T), bin.size());
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
    const json& primitive(const std::string& name) const { return doc["meshes"][node(name)["mesh"].get<size_t>()]["primitives"][0]; }
};

Gltf loadGlb(const fs::path& path) {
    Gltf g;
    const std::vector<char> b = readBytes(path);
    EXPECT_GE(b.size(), 20u);
    if (b.size() < 20) return g;
    EXPECT_EQ(std::string(b.data(), 4), "glTF");
    EXPECT_EQ(u32At(b, 4), 2u);
    EXPECT_EQ(u32At(b, 8), b.size()) << "the header gives the file's length";
    const uint32_t jsonLength = u32At(b, 12);
    EXPECT_EQ(u32At(b, 16), 0x4E4F534Au);
    EXPECT_EQ(jsonLength % 4, 0u);
    g.doc = json::parse(b.begin() + 20, b.begin() + 20 + jsonLength);
    const size_t binAt = 20 + jsonLength;
    if (binAt < b.size()) {
        EXPECT_EQ(u32At(b, binAt + 4), 0x004E4942u);
        g.bin.assign(b.begin() + binAt + 8, b.begin() + binAt + 8 + u32At(b, binAt));
    }
    return g;
}

Gltf loadGltf(const fs::path& path) {
    Gltf g;
    const std::vector<char> text = readBytes(path);
    g.doc = json::parse(text.begin(), text.end());
    g.bin = readBytes(path.parent_path() / g.doc["buffers"][0]["uri"].get<std::string>());
    EXPECT_EQ(g.bin.size(), g.doc["buffers"][0]["byteLength"].get<size_t>());
    return g;
}

// The direction a node's -Z axis points to, after its rotation quaternion.
void rotate(const json& q, const double v[3], double out[3]) {
    const double x = q[0], y = q[1], z = q[2], w = q[3];
    // v' = v + 2w (q x v) + 2 q x (q x v)
    const double tx = 2 * (y * v[2] - z * v[1]), ty = 2 * (z * v[0] - x * v[2]), tz = 2 * (x * v[1] - y * v[0]);
    out[0] = v[0] + w * tx + (y * tz - z * ty);
    out[1] = v[1] + w * ty + (z * tx - x * tz);
    out[2] = v[2] + w * tz + (x * ty - y * tx);
}

void expectPointsAt(const json& node, const json& target) {
    const double minusZ[3] = {0, 0, -1};
    double d[3];
    rotate(node["rotation"], minusZ, d);
    double want[3];
    double length = 0;
    for (int i = 0; i < 3; ++i) {
        want[i] = target["translation"][i].get<double>() - node["translation"][i].get<double>();
        length += want[i] * want[i];
    }
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(d[i], want[i] / std::sqrt(length), 1e-9) << node["name"] << " axis " << i;
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
    fs::path dir_;
};

TEST_F(SceneExport, glb_and_gltf_hold_the_same_scene) {
    ASSERT_TRUE(XSI::SceneExport::WriteGltf(path("s.glb"), XSI::SceneExport::GltfLayout::Binary).ok);
    ASSERT_TRUE(XSI::SceneExport::WriteGltf(path("s.gltf"), XSI::SceneExport::GltfLayout::Separate).ok);
    const Gltf glb = loadGlb(dir_ / "s.glb");
    const Gltf gltf = loadGltf(dir_ / "s.gltf");
    EXPECT_EQ(glb.bin, gltf.bin);
    json a = glb.doc, b = gltf.doc;
    b["buffers"][0].erase("uri");
    EXPECT_EQ(a, b);
    EXPECT_EQ(gltf.doc["buffers"][0]["uri"], "s.bin");
    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_NE(entry.path().extension(), ".tmp") << "no temporary file is left";
}

TEST_F(SceneExport, grid_positions_and_indices_are_written_as_the_host_holds_them) {
    ASSERT_TRUE(XSI::SceneExport::WriteGltf(path("s.glb"), XSI::SceneExport::GltfLayout::Binary).ok);
    const Gltf g = loadGlb(dir_ / "s.glb");
    const json& prim = g.primitive("grid");
    const auto positions = g.accessor<float>(prim["attributes"]["POSITION"]);
    const int32_t cols = sample::kGridColumns, rows = sample::kGridRows;
    ASSERT_EQ(positions.size(), size_t(3 * cols * rows)) << "no vertex was split: the grid's UVs agree per vertex";
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c) {
            const size_t v = size_t(3) * (r * cols + c);
            EXPECT_EQ(positions[v], float(c * sample::kCellSize));
            EXPECT_EQ(positions[v + 1], float((r + c) * 0.25));
            EXPECT_EQ(positions[v + 2], float(-r * sample::kCellSize));
        }
    const json& posAccessor = g.doc["accessors"][prim["attributes"]["POSITION"].get<size_t>()];
    EXPECT_EQ(posAccessor["max"][0], (cols - 1) * sample::kCellSize);
    EXPECT_EQ(posAccessor["min"][2], -(rows - 1) * sample::kCellSize);

    const auto indices = g.accessor<uint32_t>(prim["indices"]);
    ASSERT_EQ(indices.size(), size_t(6 * (cols - 1) * (rows - 1)));
    EXPECT_EQ(std::vector<uint32_t>(indices.begin(), indices.begin() + 6),
              (std::vector<uint32_t>{0, uint32_t(cols), 1, 1, uint32_t(cols), uint32_t(cols + 1)}));

    // Texture coordinates: u along the columns, v (flipped to glTF's top-left origin) along the rows.
    const auto uv = g.accessor<float>(prim["attributes"]["TEXCOORD_0"]);
    const size_t last = size_t(cols * rows - 1);
    EXPECT_FLOAT_EQ(uv[2 * last], 1.0f);
    EXPECT_FLOAT_EQ(uv[2 * last + 1], 0.0f);
    EXPECT_FLOAT_EQ(uv[1], 1.0f);

    // The pivot (the box centre) is kept beside the node, not baked into the vertices.
    const json& grid = g.node("grid");
    EXPECT_EQ(grid["translation"], json::array({0.0, 0.0, 0.0}));
    EXPECT_EQ(grid["extras"]["pivot"][0], 4.0);
}

TEST_F(SceneExport, a_vertex_with_two_uvs_is_split_and_polygons_are_fanned) {
    ASSERT_TRUE(XSI::SceneExport::WriteGltf(path("s.glb"), XSI::SceneExport::GltfLayout::Binary).ok);
    const Gltf g = loadGlb(dir_ / "s.glb");
    const json& seam = g.primitive("seam");
    const auto positions = g.accessor<float>(seam["attributes"]["POSITION"]);
    ASSERT_EQ(positions.size(), 15u) << "4 vertices and one copy of vertex 0";
    EXPECT_EQ(std::vector<float>(positions.begin() + 12, positions.end()), std::vector<float>(3, 0.0f));
    const auto uv = g.accessor<float>(seam["attributes"]["TEXCOORD_0"]);
    EXPECT_EQ(uv[8], 0.5f);
    EXPECT_EQ(uv[9], 1.0f);
    EXPECT_EQ(g.accessor<uint32_t>(seam["indices"]), (std::vector<uint32_t>{0, 1, 2, 4, 2, 3}));

    const json& water = g.primitive("TG_Water");
    EXPECT_EQ(g.accessor<uint32_t>(water["indices"]), (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_FALSE(water["attributes"].contains("TEXCOORD_0"));
}

TEST_F(SceneExport, camera_and_sun_aim_at_their_interests) {
    ASSERT_TRUE(XSI::SceneExport::WriteGltf(path("s.glb"), XSI::SceneExport::GltfLayout::Binary).ok);
    const Gltf g = loadGlb(dir_ / "s.glb");
    const json& cam = g.node("TG_Cam");
    expectPointsAt(cam, g.node("TG_Cam_Interest"));
    expectPointsAt(g.node("TG_Sun"), g.node("TG_Sun_Interest"));

    // Roll 15: the camera's X axis turns from the level right vector towards its up vector.
    const double eye[3] = {4, 6, 8}, target[3] = {4, 0, -3};
    double f[3], len = 0;
    for (int i = 0; i < 3; ++i) {
        f[i] = target[i] - eye[i];
        len += f[i] * f[i];
    }
    for (double& c : f) c /= std::sqrt(len);
    const double right[3] = {-f[2], 0, f[0]};  // f x (0, 1, 0), here already unit length: f[1] is the only tilt
    const double rn = std::sqrt(right[0] * right[0] + right[2] * right[2]);
    const double up[3] = {right[1] * f[2] - right[2] * f[1], right[2] * f[0] - right[0] * f[2],
                          right[0] * f[1] - right[1] * f[0]};
    const double xAxis[3] = {1, 0, 0};
    double x[3];
    rotate(cam["rotation"], xAxis, x);
    const double towardsRight = (x[0] * right[0] + x[2] * right[2]) / rn;
    const double towardsUp = (x[0] * up[0] + x[1] * up[1] + x[2] * up[2]) / rn;
    EXPECT_NEAR(towardsRight, std::cos(15 * kPi / 180), 1e-9);
    EXPECT_NEAR(towardsUp, std::sin(15 * kPi / 180), 1e-9);

    // Horizontal 53.13 degrees at an 800 x 600 picture: yfov = 2 atan(tan(26.565) / (4/3)) = 2 atan(0.375).
    const json& camera = g.doc["cameras"][cam["camera"].get<size_t>()];
    EXPECT_NEAR(camera["perspective"]["yfov"].get<double>(), 2 * std::atan(0.375), 1e-12);
    EXPECT_NEAR(camera["perspective"]["aspectRatio"].get<double>(), 800.0 / 600.0, 1e-12);

    const json& light = g.doc["extensions"]["KHR_lights_punctual"]["lights"][0];
    EXPECT_EQ(light["type"], "directional");
    EXPECT_EQ(g.doc["extensionsUsed"][0], "KHR_lights_punctual");
    EXPECT_EQ(g.doc["scenes"][0]["extras"]["viewCamera"], "TG_Cam");
    EXPECT_EQ(g.doc["scenes"][0]["extras"]["parameters"]["Passes.Default_Pass.RenderOptions.CameraXRes"], 800);
}

TEST_F(SceneExport, values_a_file_cannot_hold_become_the_nearest_valid_with_a_warning) {
    Translate("TG_Sun_Interest", std::nan(""), 1.0, INFINITY);
    SetValue("Passes.Default_Pass.RenderOptions.PixelRatio", CValue(-1.0f));
    ASSERT_TRUE(XSI::SceneExport::WriteGltf(path("s.glb"), XSI::SceneExport::GltfLayout::Binary).ok);
    const Gltf g = loadGlb(dir_ / "s.glb");
    const json& cam1 = g.node("TG_Cam1");  // the sample's camera with a field of view of 0
    const double yfov = g.doc["cameras"][cam1["camera"].get<size_t>()]["perspective"]["yfov"];
    EXPECT_GT(yfov, 0.0);
    EXPECT_LT(yfov, 0.001);
    EXPECT_EQ(g.doc["cameras"][0]["perspective"]["aspectRatio"], 1.0) << "negative pixel ratio: aspect 1";
    const json& moved = g.node("TG_Sun_Interest")["translation"];
    EXPECT_EQ(moved[0], 0.0);
    EXPECT_GT(moved[2].get<double>(), 1e300);

    // The vertex (NaN, +inf, 0) is written as (0, largest float, 0), and the bounds agree.
    const json& spike = g.primitive("spike");
    const auto spikePositions = g.accessor<float>(spike["attributes"]["POSITION"]);
    EXPECT_EQ(spikePositions[6], 0.0f);
    EXPECT_EQ(spikePositions[7], FLT_MAX);
    const json& bounds = g.doc["accessors"][spike["attributes"]["POSITION"].get<size_t>()];
    EXPECT_EQ(bounds["max"][1].get<double>(), double(FLT_MAX));
    EXPECT_EQ(bounds["min"][0].get<double>(), 0.0);

    int warnings = 0;
    for (const auto& line : HostControl::GetLog())
        if (line.severity == siWarningMsg) ++warnings;
    EXPECT_GE(warnings, 3) << "field of view, aspect and the two coordinates are reported";
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
    Application().LogMessage("hello", siInfoMsg);
    ASSERT_TRUE(XSI::SceneExport::WriteSceneReport(path("r.json")).ok);
    const std::vector<char> text = readBytes(dir_ / "r.json");
    const json r = json::parse(text.begin(), text.end());
    json grid, cam, sun;
    for (const json& o : r["objects"]) {
        if (o["name"] == "grid") grid = o;
        if (o["name"] == "TG_Cam") cam = o;
        if (o["name"] == "TG_Sun") sun = o;
    }
    EXPECT_EQ(grid["type"], "polymsh");
    EXPECT_EQ(grid["parent"], nullptr);
    EXPECT_EQ(grid["vertexCount"], sample::kGridColumns * sample::kGridRows);
    EXPECT_EQ(grid["polygonCount"], 2 * (sample::kGridColumns - 1) * (sample::kGridRows - 1));
    EXPECT_EQ(grid["nodeCount"], 6 * (sample::kGridColumns - 1) * (sample::kGridRows - 1));
    EXPECT_EQ(grid["uvCount"], grid["nodeCount"]);
    EXPECT_EQ(grid["pivot"], json::array({4.0, 0.875, -3.0}));
    EXPECT_EQ(cam["type"], "camera");
    EXPECT_EQ(cam["parent"], "TG_Cam_Root");
    EXPECT_EQ(cam["position"], json::array({4.0, 6.0, 8.0}));
    EXPECT_EQ(cam["roll"], 15.0);
    EXPECT_EQ(cam["interest"], "TG_Cam_Interest");
    EXPECT_EQ(sun["type"], "light");
    EXPECT_EQ(sun["interest"], "TG_Sun_Interest");
    EXPECT_EQ(r["parameters"]["preferences.scripting.cmdlog"], true);
    EXPECT_EQ(r["viewCamera"], "TG_Cam");
    EXPECT_EQ(r["framed"], true);
    EXPECT_EQ(r["log"].back(), (json{{"severity", 8}, {"text", "hello"}}));
    EXPECT_EQ(r["commands"][0], (json{{"name", "NewScene"}, {"args", {nullptr, false}}}));
}

}  // namespace
