#pragma once
// Shared pieces of the import tests: a terrain grid with known samples, and
// the mesh of one node read back from the host's glTF export.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "formats/FixedText.h"
#include "formats/tests/TempFiles.h"
#include "host/SceneExport.h"
#include "import/ImportSession.h"
#include "tools/tergen/TerGen.h"

namespace importtest {

// An x by y grid, 30 m per unit on every axis, height scale 80, base 0,
// sample i = (i * 37) % 2000 - 1000.
inline tergen::TerrainParams grid(uint16_t xPoints, uint16_t yPoints) {
    tergen::TerrainParams p;
    p.xPoints = xPoints;
    p.yPoints = yPoints;
    p.scale = std::array<float, 3>{30, 30, 30};
    p.samples.resize(size_t{xPoints} * yPoints);
    for (size_t i = 0; i < p.samples.size(); ++i) p.samples[i] = static_cast<int16_t>(int(i * 37 % 2000) - 1000);
    return p;
}

struct GltfMesh {
    std::vector<float> positions, texcoords;  // per vertex: x y z, u v
    std::vector<uint32_t> indices;
};

// Exports the host scene as .gltf + .bin into folder and reads back the mesh
// of the node called nodeName.
inline GltfMesh exportedMesh(const TempFolder& folder, const std::string& nodeName) {
    GltfMesh mesh;
    const std::string path = folder.path("scene.gltf");
    EXPECT_TRUE(XSI::SceneExport::WriteGltf(path, XSI::SceneExport::GltfLayout::Separate).ok);
    const nlohmann::json doc = nlohmann::json::parse(readWholeFile(path), nullptr, false);
    if (doc.is_discarded()) return mesh;
    const std::string bin = readWholeFile(folder.path(doc["buffers"][0]["uri"].get<std::string>()));
    auto read = [&](auto& out, const nlohmann::json& index, size_t components) {
        const auto& a = doc["accessors"][index.get<int>()];
        const size_t offset = doc["bufferViews"][a["bufferView"].get<int>()].value("byteOffset", size_t{0}) +
                              a.value("byteOffset", size_t{0});
        out.resize(a["count"].get<size_t>() * components);
        const size_t bytes = out.size() * sizeof out[0];
        if (offset + bytes <= bin.size()) std::memcpy(out.data(), bin.data() + offset, bytes);
    };
    for (const auto& node : doc["nodes"]) {
        if (node.value("name", "") != nodeName || !node.contains("mesh")) continue;
        const auto& primitive = doc["meshes"][node["mesh"].get<int>()]["primitives"][0];
        read(mesh.positions, primitive["attributes"]["POSITION"], 3);
        if (primitive["attributes"].contains("TEXCOORD_0")) read(mesh.texcoords, primitive["attributes"]["TEXCOORD_0"], 2);
        read(mesh.indices, primitive["indices"], 1);
    }
    return mesh;
}

}  // namespace importtest
