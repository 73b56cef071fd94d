// The worker's scene steps: the terrain mesh against the formulas, and the
// camera, sun, water plane and render settings from the world file, with
// expected values worked out by hand.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "host/HostControl.h"
#include "host/SceneExport.h"
#include "host/XsiScene.h"
#include "import/TerrainBuild.h"
#include "import/WorldObjects.h"
#include "import/tests/ImportTestSupport.h"
#include "mesh/tests/MeshCheck.h"

using namespace importtest;
using tergen::Chunk;
using tergen::group;
using tergen::valueFloat;
using XSI::HostControl::FindObject;

namespace {

// The vertex positions (x y z each) of the mesh of node nodeName, read back
// from the host's .gltf + .bin export into folder.
std::vector<float> exportedPositions(const TempFolder& folder, const std::string& nodeName) {
    std::vector<float> out;
    const std::string path = folder.path("scene.gltf");
    EXPECT_TRUE(XSI::SceneExport::WriteGltf(path, XSI::SceneExport::GltfLayout::Separate).ok);
    const nlohmann::json doc = nlohmann::json::parse(readWholeFile(path), nullptr, false);
    if (doc.is_discarded()) return out;
    const std::string bin = readWholeFile(folder.path(doc["buffers"][0]["uri"].get<std::string>()));
    for (const auto& node : doc["nodes"]) {
        if (node.value("name", "") != nodeName || !node.contains("mesh")) continue;
        const int accessor = doc["meshes"][node["mesh"].get<int>()]["primitives"][0]["attributes"]["POSITION"];
        const auto& a = doc["accessors"][accessor];
        const size_t offset = doc["bufferViews"][a["bufferView"].get<int>()].value("byteOffset", size_t{0}) +
                              a.value("byteOffset", size_t{0});
        out.resize(a["count"].get<size_t>() * 3);
        if (offset + out.size() * 4 <= bin.size()) std::memcpy(out.data(), bin.data() + offset, out.size() * 4);
    }
    return out;
}

// Builds the terrain as the worker does once the elevations are read, at
// scale 0.5 (unless said) with the pivot centred, on a host that answers nodeIndices (or
// 0..n-1) for the mesh's nodes. "3d land" goes through the name rule.
bool build(const TempFolder& folder, ImportSession& session, const tergen::TerrainParams& params,
           std::vector<int32_t> nodeIndices = {}, float scale = 0.5f) {
    XSI::HostControl::ResetHost();
    XSI::HostControl::SetNodeIndexAnswer(std::move(nodeIndices));
    EXPECT_TRUE(session.terrain.open(folder.write("t.ter", tergen::terrainBytes(params)).c_str()));
    EXPECT_TRUE(session.terrain.readElevations(nullptr, nullptr));
    fixedtext::copy(session.objectName, "3d land");
    session.scale = scale;
    return BuildTerrain(session, nullptr);
}

// A terrain (257 x 257 unless said) with 30 m per unit at scale 0.1,
// so one terrain unit is u = 3 scene units, and a world. Only the first SCAL
// value places world objects: the other two (20 across, 50 up) and the base
// height differ so that a formula using them shows.
struct WorldScene {
    TempFolder folder;
    ImportSession session;

    explicit WorldScene(const std::vector<Chunk>& world, uint16_t xPoints = 257, uint16_t yPoints = 257) {
        XSI::HostControl::ResetHost();
        tergen::TerrainParams p = grid(xPoints, yPoints);
        p.scale = std::array<float, 3>{30, 20, 50};
        p.baseHeight = 7;
        EXPECT_TRUE(session.terrain.open(folder.write("t.ter", tergen::terrainBytes(p)).c_str()));
        EXPECT_TRUE(session.world.read(folder.write("t.tgw", tergen::worldBytes(world)).c_str()));
        session.scale = 0.1f;
    }
    void createAll() {
        CreateCamera(session);
        CreateSun(session);
        CreateWaterPlane(session);
    }
};

// Camera at (100, 200, 50), target (10, 20, 5), an 800 x 600 image with pixel aspect 1.5.
Chunk camera(float zoom, float banking = 0) {
    return group("WLDG", {valueFloat("CAMX", 100), valueFloat("CAMY", 200), valueFloat("CAMZ", 50),
                          valueFloat("TARX", 10), valueFloat("TARY", 20), valueFloat("TARZ", 5),
                          valueFloat("CAMB", banking), valueFloat("ZOOM", zoom), tergen::valueInt("IMWI", 800),
                          tergen::valueInt("IMHI", 600), valueFloat("PXAS", 1.5f)});
}

Chunk sun(float heading, float altitude) {
    return group("ATLI", {group("SUN ", {valueFloat("HEAD", heading), valueFloat("ALT ", altitude)})});
}

Chunk water(float level) { return group("WATR", {valueFloat("LEVL", level)}); }

void expectAt(const char* name, std::array<double, 3> at, double tolerance = 0) {
    const auto o = FindObject(name);
    ASSERT_TRUE(o) << name;
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(o->position[a], at[a], tolerance) << name << " axis " << a;
}

std::string render(const char* name) {
    return XSI::HostControl::GetParameter(std::string("Passes.Default_Pass.RenderOptions.") + name)->GetAsText().str();
}

// EndFrame, PassCamera, PictureStandard, InverseRatio, the image size and its pixel ratio.
std::string renderSettings() {
    std::string all;
    for (const char* name : {"EndFrame", "PassCamera", "PictureStandard", "InverseRatio", "CameraXRes", "CameraYRes", "PixelRatio"})
        all += render(name) + " ";
    return all;
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
    const std::vector<float> positions = exportedPositions(folder, "_3d_land");
    const auto info = FindObject("_3d_land");
    ASSERT_TRUE(info);

    // Vertex (r, c) at (c x 20, (e x 80 / 65536 + 3) x 40, -r x 10) x 0.5.
    ASSERT_EQ(positions.size(), 3u * 12);
    float lo = FLT_MAX, hi = -FLT_MAX;  // of the heights
    for (uint32_t v = 0; v < 12; ++v) {
        const double r = v / 4, c = v % 4, height = (p.samples[v] * 80 / 65536.0 + 3) * 40;
        const float want[3] = {static_cast<float>(c * 20 * 0.5), static_cast<float>(height * 0.5),
                               static_cast<float>(-r * 10 * 0.5)};
        const float* got = &positions[3 * v];
        EXPECT_TRUE(got[0] == want[0] && got[1] == want[1] && got[2] == want[2])
            << v << ": " << got[0] << " " << got[1] << " " << got[2];
        lo = std::min(lo, want[1]);
        hi = std::max(hi, want[1]);
    }
    EXPECT_DOUBLE_EQ(info->pivot[0], 15.0);  // (0 + 3 x 20 x 0.5) / 2
    EXPECT_DOUBLE_EQ(info->pivot[1], (double{lo} + hi) / 2);
    EXPECT_DOUBLE_EQ(info->pivot[2], -5.0);  // (0 - 2 x 10 x 0.5) / 2
    EXPECT_EQ(info->position[0], 0.0);       // the object itself stays at the origin

    // Two triangles per cell, (v, v+1, v+4) and (v+1, v+5, v+4); each node
    // has its vertex's (c du, r dv, 0), each step rounded to a float.
    EXPECT_EQ(info->polygonCount, 12u);
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
    // A host that numbers the nodes in its own order (here the list backwards)
    // answers for node n its entry of the triangle list: node n gets the
    // coordinates of that entry's vertex.
    std::vector<int32_t> backwards(36);
    for (int32_t e = 0; e < 36; ++e) backwards[e] = 35 - e;
    ImportSession permuted;
    ASSERT_TRUE(build(folder, permuted, p, backwards));
    XSI::ClusterProperty reordered(FindObject("_3d_land")->id);
    for (uint32_t node = 0; node < 36; ++node) {
        const uint32_t vertex = corners[35 - node];
        float value[3];
        ASSERT_TRUE(reordered.GetValue(node, value));
        EXPECT_TRUE(value[0] == static_cast<float>(vertex % 4) * du && value[1] == static_cast<float>(vertex / 4) * dv)
            << node << ": " << value[0] << " " << value[1];
    }

    // A single row has its vertices and no cells.
    ImportSession row;
    EXPECT_TRUE(build(folder, row, grid(6, 1)));
    EXPECT_EQ(FindObject("_3d_land")->vertexCount, 6u);
    EXPECT_EQ(FindObject("_3d_land")->polygonCount, 0u);
}

// The error-bounded mesh through the host, on a grid with its own SCAL value
// on each axis: every vertex is a grid point at the full grid's position,
// every node has the full grid's texture coordinates for its point, every
// sample lies within the error of the mesh (checked in metres from the
// positions the host holds), and the pivot is the full grid's even where the
// highest sample is left out.
// Checked on grids of every kind: heights up and down (a negative height
// scale), wholly below zero, two points wide, and large enough for the node
// values to go to the host in several pieces.
void expectRefinedMeshKeepsTheGrid(const tergen::TerrainParams& p, double maxError, float scale = 0.5f);

TEST(terrain_build, refined_mesh_keeps_grid_points_with_their_positions_and_texture_coordinates) {
    tergen::TerrainParams p = grid(37, 23);
    p.samples = tergen::makeRelief(37, 23, 4);
    p.samples[5 * 37 + 20] = 32000;  // a lone peak that a coarse mesh leaves out
    p.scale = std::array<float, 3>{10, 20, 40};
    p.baseHeight = 3;
    p.heightScale = 200;
    for (const double maxError : {0.5, 20.0, 1e6}) expectRefinedMeshKeepsTheGrid(p, maxError);
    expectRefinedMeshKeepsTheGrid(p, 0.5, 0.3f);  // a scale that rounds
    p.heightScale = -200;
    for (const double maxError : {0.5, 20.0}) expectRefinedMeshKeepsTheGrid(p, maxError);
    p.heightScale = 200;
    p.baseHeight = -3000;  // every height below zero
    expectRefinedMeshKeepsTheGrid(p, 20.0);

    tergen::TerrainParams thin = grid(2, 40);
    thin.samples = tergen::makeRelief(2, 40, 5);
    thin.scale = p.scale;
    expectRefinedMeshKeepsTheGrid(thin, 1.0);

    tergen::TerrainParams many = grid(160, 150);  // more than 16384 nodes kept
    many.samples = tergen::makeRelief(160, 150, 6);
    many.scale = p.scale;
    many.heightScale = 2000;
    expectRefinedMeshKeepsTheGrid(many, 0.05);
    many.baseHeight = 77;
    expectRefinedMeshKeepsTheGrid(many, 0.5, 0.3f);
}

// A plane stays two triangles, also where the height scale makes every
// sample the same height; a 2 x N plane is four points.
TEST(terrain_build, refined_planes_are_two_triangles) {
    tergen::TerrainParams p = grid(40, 30);
    for (size_t i = 0; i < p.samples.size(); ++i) p.samples[i] = int16_t(5 * (i % 40) - 9 * (i / 40));
    tergen::TerrainParams level = grid(40, 30);
    level.heightScale = 0;
    tergen::TerrainParams thin = grid(2, 50);
    for (size_t i = 0; i < thin.samples.size(); ++i) thin.samples[i] = int16_t(100 + 7 * (i / 2));
    for (const auto* terrain : {&p, &level, &thin}) {
        TempFolder folder;
        ImportSession session;
        session.maxError = 0.01;
        ASSERT_TRUE(build(folder, session, *terrain));
        EXPECT_EQ(FindObject("_3d_land")->vertexCount, 4u) << *terrain->xPoints;
        EXPECT_EQ(FindObject("_3d_land")->polygonCount, 2u) << *terrain->xPoints;
    }
}

// The error asked is never passed, not even by the rounding of its
// conversion to sample units: a lone peak 36.62109375 m above a plane
// (1000 units of 0.03662109375 m) is kept for an error a hair below that,
// and left out for one a hair above.
TEST(terrain_build, refined_error_is_never_passed_by_a_rounding) {
    tergen::TerrainParams p = grid(3, 3);
    std::fill(p.samples.begin(), p.samples.end(), int16_t{0});
    p.samples[4] = 1000;
    const double peak = 1000 * 80 * 30 / 65536.0;
    for (const double margin : {-5e-13, -1e-15, 1e-9}) {
        SCOPED_TRACE(margin);
        TempFolder folder;
        ImportSession session;
        session.maxError = peak * (1 + margin);
        ASSERT_TRUE(build(folder, session, p));
        const bool kept = margin < 0;
        EXPECT_EQ(FindObject("_3d_land")->vertexCount, kept ? 5u : 4u);
        EXPECT_EQ(session.worstError, kept ? 0.0 : peak);
        EXPECT_LE(session.worstError, session.maxError);
    }
}

void expectRefinedMeshKeepsTheGrid(const tergen::TerrainParams& p, double maxError, float scale) {
    const uint32_t w = *p.xPoints, h = *p.yPoints;
    const double scaleX = (*p.scale)[0], scaleY = (*p.scale)[1];
    const float scaleZ = (*p.scale)[2];
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h) + ", height scale " + std::to_string(p.heightScale) +
                 ", base " + std::to_string(p.baseHeight) + ", error " + std::to_string(maxError) + ", scale " +
                 std::to_string(scale));
    TempFolder folder;
    {
        ImportSession full;
        ASSERT_TRUE(build(folder, full, p, {}, scale));
        const auto fullInfo = FindObject("_3d_land");
        ImportSession session;
        session.maxError = maxError;
        ASSERT_TRUE(build(folder, session, p, {}, scale));
        const std::vector<float> positions = exportedPositions(folder, "_3d_land");
        const auto info = FindObject("_3d_land");
        ASSERT_TRUE(info && fullInfo);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(info->pivot[k], fullInfo->pivot[k]) << k;

        const uint32_t vertices = info->vertexCount;
        ASSERT_EQ(positions.size(), 3u * vertices);
        EXPECT_EQ(session.keptPoints, vertices);
        EXPECT_EQ(session.keptTriangles, info->polygonCount);
        EXPECT_LT(vertices, w * h);
        std::vector<uint32_t> points(vertices);
        // In the reader's order of operations, so that the floats agree.
        auto height = [&](size_t i) {
            return double(p.samples[i]) * p.heightScale * double{scaleZ} / 65536.0 + p.baseHeight * double{scaleZ};
        };
        for (uint32_t v = 0; v < vertices; ++v) {
            const float* at = &positions[3 * v];
            const double s = scale;
            const uint32_t c = static_cast<uint32_t>(std::lround(at[0] / (scaleY * s)));
            const uint32_t r = static_cast<uint32_t>(std::lround(-at[2] / (scaleX * s)));
            ASSERT_TRUE(c < w && r < h && at[0] == static_cast<float>(c * scaleY * s) &&
                        at[2] == static_cast<float>(-(r * scaleX) * s))
                << v;
            points[v] = r * w + c;
            EXPECT_EQ(at[1], static_cast<float>(height(points[v]) * s)) << v;
        }
        std::vector<uint32_t> corners;
        ASSERT_EQ(XSI::CGeometryAccessor(info->id).GetVertexIndices(corners), XSI::CStatus::OK);
        if (w * h > 20000) {
            EXPECT_GT(corners.size(), 16384u);  // the node values go in several pieces
        }
        XSI::ClusterProperty uv(info->id);
        const float du = static_cast<float>(1.0 / (w - 1)), dv = static_cast<float>(1.0 / (h - 1));
        for (size_t n = 0; n < corners.size(); ++n) {
            float value[3];
            ASSERT_TRUE(uv.GetValue(static_cast<uint32_t>(n), value));
            const uint32_t point = points[corners[n]];
            ASSERT_TRUE(value[0] == static_cast<float>(point % w) * du && value[1] == static_cast<float>(point / w) * dv &&
                        value[2] == 0.0f)
                << n;
        }
        std::vector<double> heights(size_t{w} * h);
        for (size_t i = 0; i < heights.size(); ++i) heights[i] = height(i);
        const meshcheck::Result check = meshcheck::check(heights, w, h, points, corners);
        EXPECT_EQ(check.problem, "");
        EXPECT_LE(check.worstError, maxError);
        EXPECT_NEAR(session.worstError, check.worstError, 1e-9 * (1 + check.worstError));
    }
}

// Camera position (CAMX, CAMZ, -CAMY) u, target likewise, roll -CAMB, field
// of view 2 atan(1 / ZOOM). The sun stands R = 3 halfX from the camera,
// R sin h along +X and R cos h along -Z for heading h, altitude a raises it
// by R sin a: on 513 x 257 points halfX = 513 x 3 / 2 = 769.5, R = 2308.5,
// R sin 30 = 1154.25. The water plane spans the grid, 512 x 3 by 256 x 3,
// at LEVL u.
TEST(world_objects, placed_from_a_complete_world) {
    WorldScene w({camera(1, 15), sun(40, 30), water(2)}, 513, 257);
    w.createAll();
    expectAt("TG_Cam", {300, 150, -600});
    expectAt("TG_Cam_Interest", {30, 15, -60});
    EXPECT_DOUBLE_EQ(FindObject("TG_Cam")->fov, 90.0);
    EXPECT_DOUBLE_EQ(FindObject("TG_Cam")->roll, -15.0);
    EXPECT_EQ(renderSettings(), "1 TG_Cam 0 false 800 600 1.5 ");
    const double heading = 40 * 0.017453292519943295;
    expectAt("TG_Sun", {300 + 2308.5 * std::sin(heading), 150 + 1154.25, -600 - 2308.5 * std::cos(heading)}, 1e-3);
    expectAt("TG_Sun_Interest", {300, 150, -600});
    EXPECT_EQ(exportedPositions(w.folder, "TG_Water"), (std::vector<float>{0, 6, 0, 1536, 6, 0, 1536, 6, -768, 0, 6, -768}));
    const auto plane = FindObject("TG_Water");
    EXPECT_TRUE(plane->pivot[0] == 768 && plane->pivot[1] == 6 && plane->pivot[2] == -384);
    EXPECT_EQ(plane->uvCount, 0u);  // the plane has no texture coordinates
}

// A name the scene already holds is changed by the host ("hill1", "TG_Cam1",
// "TG_Sun1", "TG_Water1"): each step goes on under the name it was given, so
// a second import kept in the scene, at twice the scale, places its own
// objects at twice the distance and leaves the first import's where they were.
TEST(world_objects, objects_renamed_by_the_host_are_placed_under_their_new_names) {
    WorldScene w({camera(1), sun(40, 30), water(2)}, 5, 3);
    ASSERT_TRUE(w.session.terrain.readElevations(nullptr, nullptr));
    fixedtext::copy(w.session.objectName, "hill");
    ASSERT_TRUE(BuildTerrain(w.session, nullptr));
    const auto first = XSI::HostControl::GetObjects();
    w.session.scale = 0.2f;
    ASSERT_TRUE(BuildTerrain(w.session, nullptr));
    for (const auto& [name, renamed] : {std::pair<std::string, std::string>{"hill", "hill1"}, {"TG_Cam", "TG_Cam1"},
                                        {"TG_Cam_Interest", "TG_Cam1_Interest"}, {"TG_Sun", "TG_Sun1"},
                                        {"TG_Sun_Interest", "TG_Sun1_Interest"}, {"TG_Water", "TG_Water1"}}) {
        const auto was = std::find_if(first.begin(), first.end(), [&](const auto& o) { return o.name == name; });
        const auto now = FindObject(name), second = FindObject(renamed);
        ASSERT_TRUE(was != first.end() && now && second) << renamed;
        for (int a = 0; a < 3; ++a) {
            EXPECT_TRUE(now->position[a] == was->position[a] && now->pivot[a] == was->pivot[a]) << name << " " << a;
            EXPECT_DOUBLE_EQ(second->position[a], 2 * was->position[a]) << renamed << " " << a;
            EXPECT_DOUBLE_EQ(second->pivot[a], 2 * was->pivot[a]) << renamed << " " << a;
        }
    }
    EXPECT_EQ(w.session.cameraName.str(), "TG_Cam1");
    EXPECT_EQ(render("PassCamera"), "TG_Cam1");
}

// ZOOM 2 and 0 (1/0 is infinite); without the other values each reads as -1.
TEST(camera, field_of_view_from_zoom_and_missing_values_read_as_minus_one) {
    for (const auto& [zoom, fov] : {std::pair<float, double>{2, 53.13010235415598}, {0, 180}}) {
        WorldScene w({camera(zoom)});
        CreateCamera(w.session);
        EXPECT_NEAR(FindObject("TG_Cam")->fov, fov, 1e-12) << zoom;
    }
    WorldScene w({group("WLDG", {valueFloat("CAMX", 1)})});
    CreateCamera(w.session);
    expectAt("TG_Cam", {3, -3, 3});
    expectAt("TG_Cam_Interest", {-3, -3, 3});
    EXPECT_DOUBLE_EQ(FindObject("TG_Cam")->fov, -90.0);
    EXPECT_DOUBLE_EQ(FindObject("TG_Cam")->roll, 1.0);
}

// A world without "WLDG", a "SUN " group or "LEVL": the camera rig and the
// sun stay where the host put them, the render settings take their
// defaults, and the water level reads as -1.
TEST(world_objects, missing_groups_and_values) {
    WorldScene w({group("ATLI", {group("LIGT", {valueFloat("LCST", 1)})}), group("WATR", {valueFloat("WLEN", 1)})});
    w.createAll();
    EXPECT_FALSE(w.session.cameraCreated);
    expectAt("TG_Cam", {0, 10, 20});
    EXPECT_EQ(renderSettings(), "1 TG_Cam 0 false 640 480 1 ");
    expectAt("TG_Sun", {10, 20, 10});
    const auto plane = FindObject("TG_Water");
    ASSERT_TRUE(plane);
    EXPECT_FLOAT_EQ(static_cast<float>(plane->pivot[1]), -3.0f);  // -1 x 0.1 x 30
    EXPECT_DOUBLE_EQ(plane->pivot[0], 384);                       // 256 x 3 / 2

    WorldScene bare({camera(1)});  // no atmosphere, no water
    bare.createAll();
    expectAt("TG_Sun", {10, 20, 10});
    EXPECT_FALSE(FindObject("TG_Water").has_value());
}

// Without "WLDG" the sun circles the middle of the terrain: on 257 x 257
// points halfX = halfY = 257 x 3 / 2 = 385.5, R = 3 halfX = 1156.5; heading
// 0 puts it along -Z, 90 along +X.
TEST(sun, without_wldg_around_the_middle_of_the_terrain) {
    for (const auto& [heading, at] : {std::pair<float, std::array<double, 3>>{0, {385.5, 0, -1542}},
                                      std::pair<float, std::array<double, 3>>{90, {1542, 0, -385.5}}}) {
        WorldScene w({sun(heading, 0)});
        CreateSun(w.session);
        expectAt("TG_Sun", at, 1e-4);
        expectAt("TG_Sun_Interest", {385.5, 0, -385.5});
    }
    // 513 x 257 points: the middle is at halfX = 769.5 across, halfY = 385.5 deep.
    WorldScene wide({sun(0, 0)}, 513, 257);
    CreateSun(wide.session);
    expectAt("TG_Sun", {769.5, 0, -(385.5 + 3 * 769.5)}, 1e-4);
    expectAt("TG_Sun_Interest", {769.5, 0, -385.5});
}

// Every entry of the triangle list names the vertex the terrain reader put
// there, on grids wider than deep and deeper than wide.
TEST(terrain_build, triangle_list_vertex_agrees_with_the_reader) {
    for (const auto& [x, y] : {std::pair<uint16_t, uint16_t>{4, 3}, {2, 5}, {7, 2}}) {
        TempFolder folder;
        TerrainFile terrain;
        ASSERT_TRUE(terrain.open(folder.write("g.ter", tergen::terrainBytes(grid(x, y))).c_str()));
        std::vector<uint32_t> list(size_t{6} * (x - 1) * (y - 1));
        ASSERT_TRUE(terrain.getTriangleIndices(list.data()));
        for (size_t e = 0; e < list.size(); ++e) EXPECT_EQ(TriangleListVertex(e, x), list[e]) << x << "x" << y << " entry " << e;
    }
}

// Each step returns before it creates anything; the render settings belong
// to the camera step (EndFrame stays at the host's 100 without them).
TEST(world_objects, switched_off_or_without_world_nothing_is_made) {
    const std::string made[] = {"TG_Sun TG_Water ", "TG_Cam TG_Water ", "TG_Cam TG_Sun ", "TG_Cam TG_Sun TG_Water ", ""};
    for (int off = 0; off < 5; ++off) {
        WorldScene w({camera(1), sun(0, 30), water(2)});
        bool* option[] = {&w.session.importCamera, &w.session.importSun, &w.session.createWater,
                          &w.session.importRender, &w.session.world.loaded};
        *option[off] = false;
        w.createAll();
        std::string found;
        for (const char* name : {"TG_Cam", "TG_Sun", "TG_Water"}) found += FindObject(name) ? name + std::string(" ") : "";
        EXPECT_EQ(found, made[off]) << off;
        EXPECT_EQ(render("EndFrame"), off == 1 || off == 2 ? "1" : "100") << off;
    }
}

// A world value that is not a finite number, or one that passes the largest
// float in scene units (3e38 x 0.1 x 30 = 9e38), leaves its object where
// the host put it (the camera, the sun) or unmade (the water), with a
// warning in the log; the other objects are placed as usual.
TEST(world_objects, values_that_are_not_finite_positions_are_not_placed) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    auto cameraWith = [](const char* tag, float v) {
        Chunk c = camera(1);
        for (auto& value : c.children)
            if (value.tag == tag) value = valueFloat(tag, v);
        return c;
    };
    struct Case {
        const char* name;
        std::vector<Chunk> world;
        const char* unplaced;  // TG_Cam, TG_Sun or TG_Water
    };
    const Case cases[] = {
        {"CAMX nan", {cameraWith("CAMX", nan), sun(0, 30), water(2)}, "TG_Cam TG_Sun "},
        {"TARY inf", {cameraWith("TARY", inf), sun(0, 30), water(2)}, "TG_Cam "},
        {"CAMZ 3e38", {cameraWith("CAMZ", 3e38f), sun(0, 30), water(2)}, "TG_Cam TG_Sun "},
        {"CAMB nan", {cameraWith("CAMB", nan), sun(0, 30), water(2)}, "TG_Cam "},
        {"ZOOM nan", {cameraWith("ZOOM", nan), sun(0, 30), water(2)}, "TG_Cam "},
        {"HEAD inf", {camera(1), sun(inf, 30), water(2)}, "TG_Sun "},
        {"ALT  nan", {camera(1), sun(0, nan), water(2)}, "TG_Sun "},
        {"LEVL nan", {camera(1), sun(0, 30), water(nan)}, "TG_Water "},
        {"LEVL -3e38", {camera(1), sun(0, 30), water(-3e38f)}, "TG_Water "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WorldScene w(c.world);
        w.createAll();
        std::string unplaced, warned;
        if (!w.session.cameraCreated) unplaced += "TG_Cam ";
        const auto sunAt = FindObject("TG_Sun");
        if (sunAt && sunAt->position[0] == 10 && sunAt->position[1] == 20 && sunAt->position[2] == 10)
            unplaced += "TG_Sun ";
        if (!FindObject("TG_Water")) unplaced += "TG_Water ";
        EXPECT_EQ(unplaced, c.unplaced);
        for (const auto& line : XSI::HostControl::GetLog())
            if (line.severity == XSI::siWarningMsg) warned += line.text.str().substr(0, line.text.str().find(' ')) + " ";
        EXPECT_EQ(warned, c.unplaced);
        if (!w.session.cameraCreated) expectAt("TG_Cam", {0, 10, 20});
        for (const char* name : {"TG_Cam", "TG_Cam_Interest", "TG_Sun", "TG_Sun_Interest"})
            if (const auto o = FindObject(name)) {
                for (double a : o->position) EXPECT_TRUE(std::isfinite(a)) << name;
            }
    }
}
