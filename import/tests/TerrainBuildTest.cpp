// The terrain mesh against the formulas: positions, texture coordinates,
// the index list, per-node texture values and the pivot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>

#include "host/HostControl.h"
#include "host/XsiScene.h"
#include "import/TerrainBuild.h"
#include "import/tests/ImportTestSupport.h"

using namespace importtest;

namespace {

// The object name "3d land" goes through the name rule on every build.
constexpr char kMesh[] = "_3d_land";

// A 4 x 3 grid with its own SCAL value on each axis (rows 10, columns 20,
// heights 40), base height 3, at scale 0.5: du = 1/3 is not exact in binary.
tergen::TerrainParams nonSquare() {
    tergen::TerrainParams p = grid(4, 3);
    p.scale = std::array<float, 3>{10, 20, 40};
    p.baseHeight = 3;
    return p;
}

// A session with the terrain's elevations read, as the worker has it when
// the mesh build starts, and the build run.
struct BuiltTerrain {
    TempFolder folder;
    ImportSession session;
    tergen::TerrainParams params;
    bool built = false;

    explicit BuiltTerrain(tergen::TerrainParams p, bool centerPivot) : params(std::move(p)) {
        XSI::HostControl::ResetHost();
        EXPECT_TRUE(session.terrain.open(folder.write("t.ter", tergen::terrainBytes(params)).c_str()));
        EXPECT_TRUE(session.terrain.readElevations(nullptr, nullptr));
        fixedtext::copy(session.objectName, "3d land");
        session.scale = 0.5f;
        session.centerPivot = centerPivot;
        built = BuildTerrain(session, nullptr);
    }
    // Grid point (r, c) by the formula, in scene units.
    std::array<float, 3> expectedPosition(uint32_t r, uint32_t c) const {
        const double s = session.scale, e = params.samples[size_t{r} * *params.xPoints + c];
        const auto& scal = *params.scale;
        const double height = (e * params.heightScale / 65536.0 + params.baseHeight) * scal[2];
        return {static_cast<float>(c * double{scal[1]} * s), static_cast<float>(height * s),
                static_cast<float>(-(r * double{scal[0]}) * s)};
    }
};

}  // namespace

TEST(terrain_build, positions_and_pivot_follow_the_formulas_with_three_scal_values) {
    BuiltTerrain t(nonSquare(), true);
    ASSERT_TRUE(t.built);
    const GltfMesh mesh = exportedMesh(t.folder, kMesh);
    ASSERT_EQ(mesh.positions.size(), 3u * 12);
    float lo = FLT_MAX, hi = -FLT_MAX;  // of the heights
    for (uint32_t r = 0; r < 3; ++r)
        for (uint32_t c = 0; c < 4; ++c) {
            const auto want = t.expectedPosition(r, c);
            const float* got = &mesh.positions[3 * (r * 4 + c)];
            EXPECT_TRUE(got[0] == want[0] && got[1] == want[1] && got[2] == want[2])
                << r << "," << c << ": " << got[0] << " " << got[1] << " " << got[2];
            lo = std::min(lo, want[1]);
            hi = std::max(hi, want[1]);
        }
    // By hand: column 3 at 3 x 20 x 0.5, row 2 at -2 x 10 x 0.5, sample 0
    // (-1000) at (-1000 x 80 / 65536 + 3) x 40 x 0.5.
    EXPECT_EQ(mesh.positions[3 * 3 + 0], 30.0f);
    EXPECT_EQ(mesh.positions[3 * 11 + 2], -10.0f);
    EXPECT_FLOAT_EQ(mesh.positions[1], static_cast<float>((-1000 * 80 / 65536.0 + 3) * 20));

    const auto info = XSI::HostControl::FindObject(kMesh);
    ASSERT_TRUE(info);
    EXPECT_DOUBLE_EQ(info->pivot[0], 15.0);  // (0 + 30) / 2
    EXPECT_DOUBLE_EQ(info->pivot[1], (double{lo} + hi) / 2);
    EXPECT_DOUBLE_EQ(info->pivot[2], -5.0);  // (0 - 10) / 2
    EXPECT_EQ(info->position[0], 0.0);       // the object itself stays at the origin
}

TEST(terrain_build, index_list_and_node_texture_values) {
    BuiltTerrain t(nonSquare(), false);
    ASSERT_TRUE(t.built);
    const auto info = XSI::HostControl::FindObject(kMesh);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->vertexCount, 12u);
    EXPECT_EQ(info->polygonCount, 12u);  // 2 x 3 cells x 2
    EXPECT_EQ(info->nodeCount, 36u);
    EXPECT_EQ(info->uvCount, 36u);

    std::vector<uint32_t> corners;
    ASSERT_EQ(XSI::CGeometryAccessor(info->id).GetVertexIndices(corners), XSI::CStatus::OK);
    ASSERT_EQ(corners.size(), 36u);
    XSI::ClusterProperty uv(info->id);
    const float du = static_cast<float>(1.0 / 3), dv = 0.5f;  // each step rounded to a float
    size_t n = 0;
    for (uint32_t r = 0; r < 2; ++r)
        for (uint32_t c = 0; c < 3; ++c) {
            const uint32_t v = r * 4 + c;
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
    const GltfMesh mesh = exportedMesh(t.folder, kMesh);
    ASSERT_EQ(mesh.texcoords.size(), 2u * 12);
    EXPECT_EQ(mesh.texcoords[2 * 11], 3 * du);
    EXPECT_EQ(mesh.indices, corners);
}

TEST(terrain_build, single_row_grid_builds_an_empty_mesh) {
    BuiltTerrain t(grid(6, 1), true);
    EXPECT_TRUE(t.built);
    const auto info = XSI::HostControl::FindObject(kMesh);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->vertexCount, 6u);
    EXPECT_EQ(info->polygonCount, 0u);
}

TEST(terrain_build, triangle_list_vertex_matches_the_readers_list) {
    TempFolder folder;
    for (uint16_t x : {2, 3, 7}) {
        TerrainFile terrain;
        ASSERT_TRUE(terrain.open(folder.write("t.ter", tergen::terrainBytes(grid(x, 4))).c_str()));
        std::vector<uint32_t> list(6u * (x - 1) * 3);
        ASSERT_TRUE(terrain.getTriangleIndices(list.data()));
        for (size_t m = 0; m < list.size(); ++m) EXPECT_EQ(TriangleListVertex(m, x), list[m]) << x << " " << m;
    }
}
