// The terrain mesh against the formulas: positions, texture coordinates,
// the index list, per-node texture values and the pivot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>

#include "host/HostControl.h"
#include "host/SceneExport.h"
#include "host/XsiScene.h"
#include "import/TerrainBuild.h"
#include "import/tests/ImportTestSupport.h"

using namespace importtest;

namespace {

// A session with the terrain's elevations read, as the worker has it when
// the mesh build starts.
struct BuiltTerrain {
    TempFolder folder;
    ImportSession session;
    TerrainParams params;
    bool built = false;

    explicit BuiltTerrain(TerrainParams p, float scale, bool centerPivot) : params(std::move(p)) {
        XSI::HostControl::ResetHost();
        if (params.samples.empty()) params.samples = defaultSamples(params.xPoints, params.yPoints);
        const std::string path = writeTerrain(folder, "t.ter", params);
        EXPECT_TRUE(session.terrain.open(path.c_str()));
        EXPECT_TRUE(session.terrain.readElevations(nullptr, nullptr));
        fixedtext::copy(session.objectName, "ground");
        session.scale = scale;
        session.centerPivot = centerPivot;
        built = BuildTerrain(session, nullptr);
    }
    GltfMesh exported() {
        const std::string out = folder.path("scene.gltf");
        EXPECT_TRUE(XSI::SceneExport::WriteGltf(out, XSI::SceneExport::GltfLayout::Separate).ok);
        return readGltfMesh(out, "ground");
    }
    // The position of grid point (r, c) by the formula, in scene units.
    std::array<float, 3> expectedPosition(uint32_t r, uint32_t c) const {
        const double s = session.scale;
        const double e = params.samples[size_t{r} * params.xPoints + c];
        const double height = (e * params.heightScale / 65536.0 + params.baseHeight) * params.scal[2];
        return {static_cast<float>(c * double{params.scal[1]} * s), static_cast<float>(height * s),
                static_cast<float>(-(r * double{params.scal[0]}) * s)};
    }
};

TerrainParams nonSquare() {
    TerrainParams p;
    p.xPoints = 5;
    p.yPoints = 3;
    p.scal = {10, 20, 40};  // rows, columns, heights: each axis its own value
    p.heightScale = 80;
    p.baseHeight = 3;
    return p;
}

}  // namespace

TEST(terrain_build, positions_follow_the_grid_formula_with_three_scal_values) {
    BuiltTerrain t(nonSquare(), 0.5f, false);
    ASSERT_TRUE(t.built);
    const GltfMesh mesh = t.exported();
    ASSERT_TRUE(mesh.found);
    ASSERT_EQ(mesh.positions.size(), 3u * 15);
    for (uint32_t r = 0; r < 3; ++r)
        for (uint32_t c = 0; c < 5; ++c) {
            const auto want = t.expectedPosition(r, c);
            const size_t v = 3 * (r * 5 + c);
            EXPECT_EQ(mesh.positions[v + 0], want[0]) << r << "," << c;
            EXPECT_EQ(mesh.positions[v + 1], want[1]) << r << "," << c;
            EXPECT_EQ(mesh.positions[v + 2], want[2]) << r << "," << c;
        }
    // The corner points by hand: column 4 at 4 x 20 x 0.5, row 2 at -2 x 10 x 0.5.
    EXPECT_EQ(mesh.positions[3 * 4 + 0], 40.0f);
    EXPECT_EQ(mesh.positions[3 * 14 + 2], -10.0f);
}

TEST(terrain_build, index_list_and_node_texture_values) {
    BuiltTerrain t(nonSquare(), 0.5f, false);
    ASSERT_TRUE(t.built);
    const auto info = XSI::HostControl::FindObject("ground");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->vertexCount, 15u);
    EXPECT_EQ(info->polygonCount, 16u);  // 2 x 4 x 2
    EXPECT_EQ(info->nodeCount, 48u);
    EXPECT_EQ(info->uvCount, 48u);

    std::vector<uint32_t> corners;
    ASSERT_EQ(XSI::CGeometryAccessor(info->id).GetVertexIndices(corners), XSI::CStatus::OK);
    ASSERT_EQ(corners.size(), 48u);
    XSI::ClusterProperty uv(info->id);
    size_t n = 0;
    for (uint32_t r = 0; r < 2; ++r)
        for (uint32_t c = 0; c < 4; ++c) {
            const uint32_t v = r * 5 + c;
            const uint32_t cell[6] = {v, v + 1, v + 5, v + 1, v + 6, v + 5};
            for (uint32_t vertex : cell) {
                EXPECT_EQ(corners[n], vertex) << n;
                float value[3];
                ASSERT_TRUE(uv.GetValue(static_cast<uint32_t>(n), value));
                // du = 1/4, dv = 1/2: exact in binary.
                EXPECT_EQ(value[0], (vertex % 5) * 0.25f) << n;
                EXPECT_EQ(value[1], (vertex / 5) * 0.5f) << n;
                EXPECT_EQ(value[2], 0.0f);
                ++n;
            }
        }
    // Per exported vertex the texture coordinates run 0..1 across the grid.
    const GltfMesh mesh = t.exported();
    ASSERT_EQ(mesh.texcoords.size(), 2u * 15);
    EXPECT_EQ(mesh.texcoords[2 * 14 + 0], 1.0f);
    EXPECT_EQ(mesh.indices, corners);
}

TEST(terrain_build, texture_step_is_rounded_to_float) {
    TerrainParams p;
    p.xPoints = 4;  // du = 1/3 rounded to a float, so the last u is 3 x du, not 1
    p.yPoints = 2;
    BuiltTerrain t(p, 0.1f, false);
    ASSERT_TRUE(t.built);
    const auto info = XSI::HostControl::FindObject("ground");
    XSI::ClusterProperty uv(info->id);
    float value[3];
    ASSERT_TRUE(uv.GetValue(1, value));  // node 1 of cell 0: vertex 1
    EXPECT_EQ(value[0], static_cast<float>(1.0 / 3));
    ASSERT_TRUE(uv.GetValue(6 * 2 + 1, value));  // node 1 of cell 2: vertex 3, the last column
    EXPECT_EQ(value[0], 3.0f * static_cast<float>(1.0 / 3));
}

TEST(terrain_build, pivot_lies_on_the_bounding_box_centre) {
    BuiltTerrain t(nonSquare(), 0.5f, true);
    ASSERT_TRUE(t.built);
    float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (uint32_t r = 0; r < 3; ++r)
        for (uint32_t c = 0; c < 5; ++c) {
            const auto p = t.expectedPosition(r, c);
            for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], p[a]), hi[a] = std::max(hi[a], p[a]);
        }
    const auto info = XSI::HostControl::FindObject("ground");
    ASSERT_TRUE(info);
    EXPECT_DOUBLE_EQ(info->pivot[0], 20.0);   // (0 + 40) / 2
    EXPECT_DOUBLE_EQ(info->pivot[2], -5.0);   // (0 - 10) / 2
    EXPECT_DOUBLE_EQ(info->pivot[1], (double{lo[1]} + hi[1]) / 2);
    EXPECT_EQ(info->position[0], 0.0);  // the object itself stays at the origin
}

TEST(terrain_build, object_name_is_made_host_safe) {
    XSI::HostControl::ResetHost();
    TempFolder folder;
    ImportSession session;
    ASSERT_TRUE(session.terrain.open(writeTerrain(folder, "t.ter", TerrainParams{}).c_str()));
    ASSERT_TRUE(session.terrain.readElevations(nullptr, nullptr));
    fixedtext::copy(session.objectName, "3d land");
    ASSERT_TRUE(BuildTerrain(session, nullptr));
    EXPECT_TRUE(XSI::HostControl::FindObject("_3d_land").has_value());
}

TEST(terrain_build, single_row_grid_builds_an_empty_mesh) {
    TerrainParams p;
    p.xPoints = 6;
    p.yPoints = 1;
    BuiltTerrain t(p, 0.1f, true);
    EXPECT_TRUE(t.built);
    const auto info = XSI::HostControl::FindObject("ground");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->vertexCount, 6u);
    EXPECT_EQ(info->polygonCount, 0u);
}

TEST(terrain_build, triangle_list_vertex_matches_the_readers_list) {
    for (uint16_t x : {2, 3, 7}) {
        TempFolder folder;
        TerrainParams p;
        p.xPoints = x;
        p.yPoints = 4;
        TerrainFile terrain;
        ASSERT_TRUE(terrain.open(writeTerrain(folder, "t.ter", p).c_str()));
        std::vector<uint32_t> list(6u * (x - 1) * 3);
        ASSERT_TRUE(terrain.getTriangleIndices(list.data()));
        for (size_t m = 0; m < list.size(); ++m) EXPECT_EQ(TriangleListVertex(m, x), list[m]) << x << " " << m;
    }
}
