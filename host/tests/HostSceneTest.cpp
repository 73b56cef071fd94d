// The scene behaviour the import relies on: names, node order, bounding
// boxes, failed builds, UV values, rigs, and building from another thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "host/HostControl.h"
#include "host/XsiApplication.h"

using namespace XSI;
using UV = std::vector<float>;

namespace {

Model root() { return Application().GetActiveSceneRoot(); }
std::string text(const CStatus& s) { return s.GetDescription().GetAsciiString(); }

class HostScene : public ::testing::Test {
protected:
    void SetUp() override { HostControl::ResetHost(); }

    // A mesh object with `vertices` vertices at the origin, and its builder.
    static CMeshBuilder addMesh(const char* name, int32_t vertices, X3DObject& object) {
        CMeshBuilder builder;
        EXPECT_EQ(root().AddPolygonMesh(name, object, builder), CStatus::OK);
        EXPECT_EQ(builder.AddVertices(vertices), CStatus::OK);
        return builder;
    }
    static CStatus buildMesh(const char* name, int32_t vertices, std::vector<uint32_t> triangles, X3DObject& object) {
        CMeshBuilder builder = addMesh(name, vertices, object);
        EXPECT_EQ(builder.AddTriangles(BulkList<uint32_t>(triangles.begin(), triangles.end())), CStatus::OK);
        return builder.Build();
    }
};

TEST_F(HostScene, taken_names_get_the_smallest_free_number) {
    CameraRig first, second, third;
    ASSERT_EQ(root().AddCameraRig("Camera", "TG_Cam", first), CStatus::OK);
    ASSERT_EQ(root().AddCameraRig("Camera", "TG_Cam", second), CStatus::OK);
    EXPECT_EQ(first.GetCamera().GetName(), CString("TG_Cam"));
    EXPECT_EQ(second.GetCamera().GetName(), CString("TG_Cam1"));
    EXPECT_EQ(second.GetCamera().GetInterest().GetName(), CString("TG_Cam1_Interest"));

    // A gap left by a mesh named "TG_Cam2" is skipped; the next free number is 3.
    X3DObject mesh;
    addMesh("TG_Cam2", 0, mesh);
    ASSERT_EQ(root().AddCameraRig("Camera", "TG_Cam", third), CStatus::OK);
    EXPECT_EQ(third.GetCamera().GetName(), CString("TG_Cam3"));

    std::vector<std::string> names;
    for (const auto& o : HostControl::GetObjects()) names.push_back(o.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end()) << "names are unique";
}

TEST_F(HostScene, rigs_make_root_camera_interest_and_light_interest) {
    CameraRig cameraRig;
    LightRig lightRig, refused;
    ASSERT_EQ(root().AddCameraRig("Camera", "TG_Cam", cameraRig), CStatus::OK);
    ASSERT_EQ(root().AddLightRig("LightSun", "TG_Sun", lightRig), CStatus::OK);
    auto camera = HostControl::FindObject("TG_Cam");
    ASSERT_TRUE(camera);
    EXPECT_EQ(camera->type, "camera");
    EXPECT_EQ(camera->parent, "TG_Cam_Root");
    EXPECT_EQ(camera->interest, "TG_Cam_Interest");
    EXPECT_EQ(HostControl::FindObject("TG_Cam_Interest")->type, "interest");
    EXPECT_EQ(HostControl::FindObject("TG_Cam_Root")->type, "null");

    Light light = lightRig.GetLight();
    EXPECT_EQ(light.GetName(), CString("TG_Sun"));
    EXPECT_EQ(light.GetType(), CString("light"));
    EXPECT_EQ(light.GetInterest().GetName(), CString("TG_Sun_Interest"));
    EXPECT_EQ(root().AddLightRig("Spot", "x", refused), CStatus::InvalidArgument);
    EXPECT_FALSE(refused.GetLight().IsValid());
}

TEST_F(HostScene, node_order_follows_the_corner_lists_and_a_spent_builder_keeps_the_mesh) {
    // Triangles with corners in a scrambled vertex order, then a quad.
    X3DObject object;
    CMeshBuilder builder = addMesh("m", 5, object);
    const uint32_t triangles[6] = {3, 1, 0, 2, 3, 0};
    const int32_t sizes[1] = {4}, quad[4] = {4, 0, 1, 2};
    ASSERT_EQ(builder.AddTriangles(2, triangles), CStatus::OK);
    ASSERT_EQ(builder.AddPolygons(1, sizes, quad), CStatus::OK);
    ASSERT_EQ(builder.Build(), CStatus::OK);
    EXPECT_EQ(builder.Build(), CStatus::Fail) << "a spent builder does not empty the mesh";

    CGeometryAccessor accessor =
        PolygonMesh(object.GetActivePrimitive().GetGeometry(DBL_MAX)).GetGeometryAccessor(0, 0, 0, false, true, 60.0);
    CLongArray nodes;
    ASSERT_EQ(accessor.GetNodeIndices(nodes), CStatus::OK);
    ASSERT_EQ(nodes.GetCount(), 10u);
    for (uint32_t n = 0; n < 10; ++n) EXPECT_EQ(nodes[n], int32_t(n));
    std::vector<uint32_t> vertices;
    ASSERT_EQ(accessor.GetVertexIndices(vertices), CStatus::OK);
    EXPECT_EQ(vertices, (std::vector<uint32_t>{3, 1, 0, 2, 3, 0, 4, 0, 1, 2}));
    uint32_t piece[2];
    ASSERT_EQ(accessor.GetVertexIndices(5, 2, piece), CStatus::OK);
    EXPECT_EQ(std::vector<uint32_t>(piece, piece + 2), (std::vector<uint32_t>{0, 4}));
    EXPECT_EQ(accessor.GetVertexIndices(9, 2, piece), CStatus::InvalidArgument);
    EXPECT_EQ(accessor.GetPolygonCount(), 3u);
    const auto info = HostControl::FindObject("m");
    EXPECT_EQ(info->vertexCount, 5u);
    EXPECT_EQ(info->nodeCount, 10u);
}

TEST_F(HostScene, bounding_box_gives_centre_and_full_size_of_placed_and_unplaced_vertices) {
    // Vertex 0 placed after being added, vertex 1 never placed (the origin), vertex 2 given.
    // x from -1 to 5, y from 0 to 6, z from 0 to 7: centre (2, 3, 3.5), size (6, 6, 7).
    X3DObject object;
    CMeshBuilder builder = addMesh("box", 2, object);
    const double given[3] = {5, 6, 7}, placed[3] = {-1, 2, 3};
    const uint32_t triangle[3] = {0, 1, 2};
    ASSERT_EQ(builder.AddVertices(1, given), CStatus::OK);
    ASSERT_EQ(builder.SetVertexPositions(1, placed, 0), CStatus::OK);
    ASSERT_EQ(builder.AddTriangles(1, triangle), CStatus::OK);
    ASSERT_EQ(builder.Build(), CStatus::OK);
    double c[3], e[3];
    MATH::CTransformation t;
    t.SetIdentity();
    Geometry g = object.GetActivePrimitive().GetGeometry();
    ASSERT_EQ(g.GetBoundingBox(c[0], c[1], c[2], e[0], e[1], e[2], t), CStatus::OK);
    EXPECT_EQ(std::vector<double>(c, c + 3), (std::vector<double>{2, 3, 3.5}));
    EXPECT_EQ(std::vector<double>(e, e + 3), (std::vector<double>{6, 6, 7}));
    t.SetTranslationFromValues(10, 0, 0);
    ASSERT_EQ(g.GetBoundingBox(c[0], c[1], c[2], e[0], e[1], e[2], t), CStatus::OK);
    EXPECT_DOUBLE_EQ(c[0], 12);
    EXPECT_DOUBLE_EQ(e[0], 6);
}

TEST_F(HostScene, large_corner_lists_are_checked_in_full_on_either_side_of_the_split) {
    // Large lists are checked in two halves on two threads: a bad node near
    // either end must still be found and named, and a good list still built.
    const size_t corners = size_t{3} << 21;  // past the size that brings in the helper thread
    for (const size_t badNode : {size_t{7}, corners - 1, corners}) {
        std::vector<uint32_t> triangles(corners);
        for (size_t n = 0; n < corners; ++n) triangles[n] = uint32_t(n % 3);
        if (badNode < corners) triangles[badNode] = 3;
        X3DObject object;
        const CStatus s = buildMesh(("big" + std::to_string(badNode)).c_str(), 3, std::move(triangles), object);
        if (badNode == corners) {
            EXPECT_EQ(s, CStatus::OK) << text(s);
            continue;
        }
        EXPECT_EQ(s, CStatus::Fail);
        EXPECT_NE(text(s).find("polygon node " + std::to_string(badNode) + " uses vertex 3"), std::string::npos)
            << text(s);
    }
}

TEST_F(HostScene, invalid_topology_and_refused_calls_fail_the_build_with_a_description) {
    X3DObject bad, two, refusing, negative;
    const CStatus s = buildMesh("bad", 3, {0, 1, 3}, bad);
    EXPECT_EQ(s, CStatus::Fail);
    EXPECT_NE(text(s).find("vertex 3"), std::string::npos) << text(s);
    const auto info = HostControl::FindObject("bad");
    ASSERT_TRUE(info) << "the failed object stays in the scene";
    EXPECT_EQ(info->vertexCount, 0u);
    EXPECT_EQ(info->polygonCount, 0u);

    CMeshBuilder tooFew = addMesh("two", 3, two);
    const int32_t sizes[1] = {2};
    const uint32_t corners[2] = {0, 1};
    ASSERT_EQ(tooFew.AddPolygons(1, sizes, corners), CStatus::OK);
    const CStatus t = tooFew.Build();
    EXPECT_EQ(t, CStatus::Fail);
    EXPECT_NE(text(t).find("fewer than 3"), std::string::npos) << text(t);

    // Positions outside the mesh and counts no machine could hold are refused, not attempted.
    CMeshBuilder builder = addMesh("m", 2, refusing);
    const double p[3] = {1, 2, 3};
    EXPECT_EQ(builder.SetVertexPositions(1, p, 1), CStatus::OK);
    EXPECT_EQ(builder.SetVertexPositions(1, p, 2), CStatus::InvalidArgument);
    EXPECT_EQ(builder.SetVertexPositions(1, p, -1), CStatus::InvalidArgument);
    EXPECT_EQ(builder.SetVertexPositions(BulkList<float>(5)), CStatus::InvalidArgument);
    EXPECT_EQ(builder.AddVertices(INT32_MAX), CStatus::InvalidArgument);

    // A refused call is remembered: Build fails rather than making half a mesh.
    CMeshBuilder remembers = addMesh("negative", 0, negative);
    EXPECT_EQ(remembers.AddVertices(-5), CStatus::InvalidArgument);
    EXPECT_EQ(remembers.Build(), CStatus::Fail);
}

TEST_F(HostScene, uv_values_read_back_per_node_as_the_nodes_of_a_vertex_agree_differ_and_agree_again) {
    // Triangles (0 1 2) and (2 1 3): vertices 1 and 2 have two nodes each.
    X3DObject object;
    ASSERT_EQ(buildMesh("m", 4, {0, 1, 2, 2, 1, 3}, object), CStatus::OK);
    ClusterProperty uv = PolygonMesh(object.GetActivePrimitive().GetGeometry()).GetClusterPropertyBuilder().AddUV();
    ASSERT_TRUE(uv.IsValid());
    const auto at = [&](uint32_t node) {
        UV v(3);
        EXPECT_TRUE(uv.GetValue(node, v.data())) << node;
        return v;
    };
    EXPECT_EQ(at(0), UV(3, 0.0f)) << "a node never set reads 0";

    // One range: nodes 0..2 agree with their vertices, node 3 gives vertex 2 another value.
    const UV values = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0.5f, 0.5f, 0, 1, 0, 0, 1, 1, 0};
    ASSERT_EQ(uv.SetValues(values.data(), 6, 0), CStatus::OK);
    for (uint32_t n = 0; n < 6; ++n) EXPECT_EQ(at(n), UV(values.begin() + 3 * n, values.begin() + 3 * n + 3)) << n;
    // The node that gave vertex 2 its value changes, then both nodes agree again.
    EXPECT_EQ(uv.SetValues(values.data() + 9, 1, 2), CStatus::OK);
    EXPECT_EQ(at(2), (UV{0.5f, 0.5f, 0}));
    EXPECT_EQ(uv.SetValues(values.data() + 6, 1, 2), CStatus::OK);
    EXPECT_EQ(uv.SetValues(values.data() + 6, 1, 3), CStatus::OK);
    EXPECT_EQ(at(2), (UV{0, 1, 0}));
    EXPECT_EQ(at(3), (UV{0, 1, 0}));
    EXPECT_EQ(HostControl::FindObject("m")->uvCount, 6u);

    float v[3];
    EXPECT_FALSE(uv.GetValue(6, v));
    EXPECT_EQ(uv.SetValues(values.data(), 2, 5), CStatus::InvalidArgument) << "nodes 5 and 6 of 6";
    EXPECT_EQ(uv.SetValues(std::vector<float>(17)), CStatus::InvalidArgument);
    EXPECT_EQ(at(5), (UV{1, 1, 0})) << "a refused call writes nothing";
}

TEST_F(HostScene, uv_values_survive_a_mesh_where_most_nodes_differ) {
    // Every triangle has its own UVs: 3000 triangles over 4 shared vertices, set node by node.
    std::vector<uint32_t> corners;
    for (uint32_t t = 0; t < 3000; ++t) corners.insert(corners.end(), {0, 1, 2 + t % 2});
    X3DObject object;
    ASSERT_EQ(buildMesh("m", 4, std::move(corners), object), CStatus::OK);
    ClusterProperty uv = PolygonMesh(object.GetActivePrimitive().GetGeometry()).GetClusterPropertyBuilder().AddUV();
    for (uint32_t n = 0; n < 9000; ++n) {
        const float value[3] = {float(n), float(n) / 2, 0};
        ASSERT_EQ(uv.SetValues(value, 1, int32_t(n)), CStatus::OK);
    }
    float v[3];
    for (uint32_t n : {0u, 1u, 1500u, 8999u}) {
        ASSERT_TRUE(uv.GetValue(n, v));
        EXPECT_EQ(UV(v, v + 3), (UV{float(n), float(n) / 2, 0})) << n;
    }
}

TEST_F(HostScene, a_mesh_built_on_a_worker_thread_is_seen_by_the_caller) {
    // The import builds the scene on its worker while the UI thread waits.
    CStatus built = CStatus::Fail;
    std::thread worker([&] {
        X3DObject object;
        built = buildMesh("fromWorker", 3, {0, 1, 2}, object);
    });
    worker.join();
    EXPECT_EQ(built, CStatus::OK);
    const auto info = HostControl::FindObject("fromWorker");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->polygonCount, 1u);
}

}  // namespace
