// The terrain mesh against the formulas: positions, the index list, texture
// values per node and per vertex, and the pivot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>

#include "host/HostControl.h"
#include "host/XsiScene.h"
#include "import/TerrainBuild.h"
#include "import/tests/ImportTestSupport.h"

using namespace importtest;

namespace {

// Builds the terrain as the worker does once the elevations are read, at
// scale 0.5 with the pivot centred. The object name "3d land" goes through
// the name rule.
bool build(const TempFolder& folder, ImportSession& session, const tergen::TerrainParams& params) {
    XSI::HostControl::ResetHost();
    EXPECT_TRUE(session.terrain.open(folder.write("t.ter", tergen::terrainBytes(params)).c_str()));
    EXPECT_TRUE(session.terrain.readElevations(nullptr, nullptr));
    fixedtext::copy(session.objectName, "3d land");
    session.scale = 0.5f;
    return BuildTerrain(session, nullptr);
}

}  // namespace

// A 4 x 3 grid with its own SCAL value on each axis (rows 10, columns 20,
// heights 40) and base height 3; du = 1/3 is not exact in binary.
TEST(terrain_build, non_square_grid_with_three_scal_values) {
    tergen::TerrainParams p = grid(4, 3);
    p.scale = std::array<float, 3>{10, 20, 40};
    p.baseHeight = 3;
    TempFolder folder;
    ImportSession session;
    ASSERT_TRUE(build(folder, session, p));
    const GltfMesh mesh = exportedMesh(folder, "_3d_land");
    const auto info = XSI::HostControl::FindObject("_3d_land");
    ASSERT_TRUE(info);

    // Vertex (r, c) at (c x 20, (e x 80 / 65536 + 3) x 40, -r x 10) x 0.5.
    ASSERT_EQ(mesh.positions.size(), 3u * 12);
    float lo = FLT_MAX, hi = -FLT_MAX;  // of the heights
    for (uint32_t v = 0; v < 12; ++v) {
        const double r = v / 4, c = v % 4, height = (p.samples[v] * 80 / 65536.0 + 3) * 40;
        const float want[3] = {static_cast<float>(c * 20 * 0.5), static_cast<float>(height * 0.5),
                               static_cast<float>(-r * 10 * 0.5)};
        const float* got = &mesh.positions[3 * v];
        EXPECT_TRUE(got[0] == want[0] && got[1] == want[1] && got[2] == want[2])
            << v << ": " << got[0] << " " << got[1] << " " << got[2];
        lo = std::min(lo, want[1]);
        hi = std::max(hi, want[1]);
    }
    EXPECT_EQ(mesh.positions[3 * 3 + 0], 30.0f);   // column 3: 3 x 20 x 0.5
    EXPECT_EQ(mesh.positions[3 * 11 + 2], -10.0f);  // row 2: -2 x 10 x 0.5
    EXPECT_DOUBLE_EQ(info->pivot[0], 15.0);         // (0 + 30) / 2
    EXPECT_DOUBLE_EQ(info->pivot[1], (double{lo} + hi) / 2);
    EXPECT_DOUBLE_EQ(info->pivot[2], -5.0);  // (0 - 10) / 2
    EXPECT_EQ(info->position[0], 0.0);       // the object itself stays at the origin

    // Two triangles per cell, (v, v+1, v+4) and (v+1, v+5, v+4); each node
    // has its vertex's (c du, r dv, 0), each step rounded to a float.
    EXPECT_EQ(info->vertexCount, 12u);
    EXPECT_EQ(info->polygonCount, 12u);
    EXPECT_EQ(info->uvCount, 36u);
    std::vector<uint32_t> corners;
    ASSERT_EQ(XSI::CGeometryAccessor(info->id).GetVertexIndices(corners), XSI::CStatus::OK);
    ASSERT_EQ(corners.size(), 36u);
    XSI::ClusterProperty uv(info->id);
    const float du = static_cast<float>(1.0 / 3), dv = 0.5f;
    size_t n = 0;
    for (uint32_t cell = 0; cell < 6; ++cell) {
        const uint32_t v = cell / 3 * 4 + cell % 3;
        for (uint32_t vertex : {v, v + 1, v + 4, v + 1, v + 5, v + 4}) {
            EXPECT_EQ(corners[n], vertex) << n;
            float value[3];
            ASSERT_TRUE(uv.GetValue(static_cast<uint32_t>(n), value));
            EXPECT_EQ(value[0], static_cast<float>(vertex % 4) * du) << n;  // the last u is 3 du, not 1
            EXPECT_EQ(value[1], static_cast<float>(vertex / 4) * dv) << n;
            EXPECT_EQ(value[2], 0.0f);
            ++n;
        }
    }
    // The export holds one texture coordinate per vertex and the same index list.
    ASSERT_EQ(mesh.texcoords.size(), 2u * 12);
    EXPECT_EQ(mesh.texcoords[2 * 11], 3 * du);
    EXPECT_EQ(mesh.indices, corners);
}

TEST(terrain_build, single_row_grid_builds_an_empty_mesh) {
    TempFolder folder;
    ImportSession session;
    EXPECT_TRUE(build(folder, session, grid(6, 1)));
    const auto info = XSI::HostControl::FindObject("_3d_land");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->vertexCount, 6u);
    EXPECT_EQ(info->polygonCount, 0u);
}
