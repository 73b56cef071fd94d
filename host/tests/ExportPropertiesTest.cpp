// What every glTF export must hold whatever the scene, asserted here rather
// than left to the validator run: the primitive mode, the accessors' types
// and bounds, the views' targets, the extension declarations.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/SceneExport.h"
#include "host/tests/SampleScene.h"

using json = nlohmann::json;
namespace fs = std::filesystem;

namespace {

// glTF's numbers for the few enumerations the export uses.
constexpr int kTriangles = 4, kFloat = 5126, kUnsignedInt = 5125, kArrayBuffer = 34962, kElementArrayBuffer = 34963;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Exported {
    json doc;
    std::string bin;
    // The floats of a float accessor (tightly packed, as the export writes them).
    std::vector<float> floats(size_t accessor) const {
        const json& a = doc["accessors"][accessor];
        const json& view = doc["bufferViews"][a["bufferView"].get<size_t>()];
        const size_t n = a["count"].get<size_t>() * (a["type"] == "VEC3" ? 3 : a["type"] == "VEC2" ? 2 : 1);
        std::vector<float> out(n);
        const size_t at = view.value("byteOffset", size_t{0}) + a.value("byteOffset", size_t{0});
        if (at + 4 * n <= bin.size()) std::memcpy(out.data(), bin.data() + at, 4 * n);
        return out;
    }
};

Exported exportSample(bool awkward) {
    const fs::path dir = fs::temp_directory_path() / (std::string("vq_export_properties_") + (awkward ? "a" : "b"));
    fs::create_directories(dir);
    EXPECT_TRUE(sample::BuildSampleScene(awkward, 7, 3));
    EXPECT_TRUE(XSI::SceneExport::WriteGltf((dir / "s.gltf").string(), XSI::SceneExport::GltfLayout::Separate).ok);
    Exported e{json::parse(readAll(dir / "s.gltf")), readAll(dir / "s.bin")};
    fs::remove_all(dir);
    return e;
}

}  // namespace

// For the sample scene with and without its awkward cases: triangle-list
// primitives; float VEC3 positions whose min and max are exactly the
// component-wise extremes of the data (infinities written as the largest
// float); float attributes in array-buffer views and 32-bit indices in an
// element-array view; the lights' extension declared where lights are.
TEST(export_properties, primitives_accessors_views_and_extensions) {
    for (const bool awkward : {false, true}) {
        SCOPED_TRACE(awkward ? "with awkward cases" : "plain");
        const Exported e = exportSample(awkward);
        const json& accessors = e.doc["accessors"];
        const json& views = e.doc["bufferViews"];
        EXPECT_EQ(e.doc["asset"]["version"], "2.0");
        EXPECT_EQ(e.doc["buffers"][0]["byteLength"].get<size_t>(), e.bin.size());
        auto viewTarget = [&](size_t accessor) { return views[accessors[accessor]["bufferView"].get<size_t>()]["target"]; };
        for (const json& mesh : e.doc["meshes"]) {
            SCOPED_TRACE(mesh["name"].get<std::string>());
            const json& primitive = mesh["primitives"][0];
            EXPECT_EQ(primitive["mode"], kTriangles);
            for (const auto& [name, index] : primitive["attributes"].items()) {
                EXPECT_EQ(accessors[index.get<size_t>()]["componentType"], kFloat) << name;
                EXPECT_EQ(viewTarget(index), kArrayBuffer) << name;
            }
            const size_t indices = primitive["indices"];
            EXPECT_EQ(accessors[indices]["componentType"], kUnsignedInt);
            EXPECT_EQ(accessors[indices]["type"], "SCALAR");
            EXPECT_EQ(viewTarget(indices), kElementArrayBuffer);

            const size_t position = primitive["attributes"]["POSITION"];
            const std::vector<float> p = e.floats(position);
            ASSERT_FALSE(p.empty());
            for (int axis = 0; axis < 3; ++axis) {
                float lo = FLT_MAX, hi = -FLT_MAX;
                for (size_t i = axis; i < p.size(); i += 3) lo = std::min(lo, p[i]), hi = std::max(hi, p[i]);
                EXPECT_EQ(accessors[position]["min"][axis].get<double>(), double{lo}) << "axis " << axis;
                EXPECT_EQ(accessors[position]["max"][axis].get<double>(), double{hi}) << "axis " << axis;
            }
        }
        const bool lights = e.doc.contains("extensions") && e.doc["extensions"].contains("KHR_lights_punctual");
        EXPECT_TRUE(lights);
        EXPECT_EQ(e.doc.value("extensionsUsed", json::array()), json::array({"KHR_lights_punctual"}));
    }
}
