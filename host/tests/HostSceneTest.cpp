// The scene behaviour the import relies on: names, node order, bounding
// boxes, failed builds, UV values and rigs.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <set>
#include <string>
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
    static CStatus buildMesh(const char* name, int32_t vertices, BulkList<uint32_t> triangles, X3DObject& object) {
        CMeshBuilder builder = addMesh(name, vertices, object);
        EXPECT_EQ(builder.AddTriangles(std::move(triangles)), CStatus::OK);
        return builder.Build();
    }
    static ClusterProperty addUV(X3DObject& object) {
        return PolygonMesh(object.GetActivePrimitive().GetGeometry()).GetClusterPropertyBuilder().AddUV();
    }
    // Centre and size of the object's bounding box, moved by dx along X.
    static std::vector<double> box(X3DObject& object, double dx = 0) {
        MATH::CTransformation t;
        t.SetTranslationFromValues(dx, 0, 0);
        double b[6];
        EXPECT_EQ(object.GetActivePrimitive().GetGeometry().GetBoundingBox(b[0], b[1], b[2], b[3], b[4], b[5], t),
                  CStatus::OK);
        return {b, b + 6};
    }
};

TEST_F(HostScene, rigs_make_camera_interest_and_light_and_taken_names_get_the_smallest_free_number) {
    CameraRig first, second, third;
    LightRig sun, spot;
    ASSERT_EQ(root().AddCameraRig("Camera", "TG_Cam", first), CStatus::OK);
    ASSERT_EQ(root().AddCameraRig("Camera", "TG_Cam", second), CStatus::OK);
    ASSERT_EQ(root().AddLightRig("LightSun", "TG_Sun", sun), CStatus::OK);
    EXPECT_EQ(second.GetCamera().GetName(), CString("TG_Cam1"));
    EXPECT_EQ(second.GetCamera().GetInterest().GetName(), CString("TG_Cam1_Interest"));
    EXPECT_EQ(sun.GetLight().GetInterest().GetName(), CString("TG_Sun_Interest"));
    // A gap left by a mesh named "TG_Cam2" is skipped; the next free number is 3.
    X3DObject mesh;
    addMesh("TG_Cam2", 0, mesh);
    ASSERT_EQ(root().AddCameraRig("Camera", "TG_Cam", third), CStatus::OK);
    EXPECT_EQ(third.GetCamera().GetName(), CString("TG_Cam3"));
    EXPECT_EQ(root().AddLightRig("Spot", "x", spot), CStatus::InvalidArgument);
    EXPECT_FALSE(spot.GetLight().IsValid());

    std::set<std::string> names;
    for (const auto& o : HostControl::GetObjects()) EXPECT_TRUE(names.insert(o.name).second) << o.name << " twice";
    EXPECT_EQ(HostControl::FindObject("TG_Cam1_Interest")->type, "interest");
    EXPECT_EQ(HostControl::FindObject("TG_Cam_Root")->type, "null");
}

TEST_F(HostScene, node_order_follows_the_corner_lists_and_the_box_holds_placed_and_unplaced_vertices) {
    // Triangles with corners in a scrambled vertex order, then a quad. Vertex 0 is placed after being
    // added, 1 to 3 never (the origin), 4 given: x from -1 to 5, y 0 to 6, z 0 to 7.
    X3DObject object;
    CMeshBuilder builder = addMesh("m", 4, object);
    const double given[3] = {5, 6, 7}, placed[3] = {-1, 2, 3};
    const uint32_t triangles[6] = {3, 1, 0, 2, 3, 0};
    const int32_t sizes[1] = {4}, quad[4] = {4, 0, 1, 2};
    ASSERT_EQ(builder.AddVertices(1, given), CStatus::OK);
    ASSERT_EQ(builder.SetVertexPositions(1, placed, 0), CStatus::OK);
    ASSERT_EQ(builder.AddTriangles(2, triangles), CStatus::OK);
    ASSERT_EQ(builder.AddPolygons(1, sizes, quad), CStatus::OK);
    ASSERT_EQ(builder.Build(), CStatus::OK);
    EXPECT_EQ(builder.Build(), CStatus::Fail) << "a spent builder does not empty the mesh";
    EXPECT_EQ(box(object), (std::vector<double>{2, 3, 3.5, 6, 6, 7}));
    EXPECT_EQ(box(object, 10), (std::vector<double>{12, 3, 3.5, 6, 6, 7}));

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
}

TEST_F(HostScene, large_corner_lists_are_checked_in_full_on_either_side_of_the_split) {
    // Large lists are checked in two halves on two threads, the second also finding the
    // bounds: a bad node at either end of either half must be named, a good list built.
    const size_t corners = size_t{3} << 21;  // past the size that brings in the helper thread
    for (const size_t badNode : {size_t{0}, corners / 2 - 1, corners / 2, corners - 1, corners}) {
        BulkList<uint32_t> triangles(corners);
        for (size_t n = 0; n < corners; ++n) triangles[n] = uint32_t(n % 3);
        if (badNode < corners) triangles[badNode] = 3;
        X3DObject object;
        CMeshBuilder builder = addMesh("big", 3, object);
        const double p[9] = {-1, 0, 0, 3, 2, 0, 0, 0, 5};
        ASSERT_EQ(builder.SetVertexPositions(3, p), CStatus::OK);
        ASSERT_EQ(builder.AddTriangles(std::move(triangles)), CStatus::OK);
        const CStatus s = builder.Build();
        if (badNode == corners) {
            ASSERT_EQ(s, CStatus::OK) << text(s);
            EXPECT_EQ(box(object), (std::vector<double>{1, 1, 2.5, 4, 2, 5}));
            continue;
        }
        EXPECT_EQ(s, CStatus::Fail);
        EXPECT_NE(text(s).find("polygon node " + std::to_string(badNode) + " uses vertex 3"), std::string::npos)
            << text(s);
    }
}

TEST_F(HostScene, invalid_topology_and_refused_calls_fail_the_build_with_a_description) {
    X3DObject bad, two, refusing;
    const CStatus s = buildMesh("bad", 3, {0, 1, 3}, bad);
    EXPECT_EQ(s, CStatus::Fail);
    EXPECT_NE(text(s).find("vertex 3"), std::string::npos) << text(s);
    const auto info = HostControl::FindObject("bad");
    ASSERT_TRUE(info) << "the failed object stays in the scene";
    EXPECT_EQ(info->vertexCount + info->polygonCount, 0u);

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
    EXPECT_EQ(builder.AddVertices(-5), CStatus::InvalidArgument);
    // A refused call is remembered: Build fails rather than making half a mesh.
    EXPECT_EQ(builder.Build(), CStatus::Fail);
}

TEST_F(HostScene, uv_values_read_back_per_node_as_the_nodes_of_a_vertex_agree_differ_and_agree_again) {
    // Triangles (0 1 2) and (2 1 3): vertices 1 and 2 have two nodes each.
    X3DObject object;
    ASSERT_EQ(buildMesh("m", 4, {0, 1, 2, 2, 1, 3}, object), CStatus::OK);
    ClusterProperty uv = addUV(object);
    const auto at = [&](uint32_t node) { UV v(3); EXPECT_TRUE(uv.GetValue(node, v.data())) << node; return v; };
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
    BulkList<uint32_t> corners;
    for (uint32_t t = 0; t < 3000; ++t) corners.insert(corners.end(), {0, 1, 2 + t % 2});
    X3DObject object;
    ASSERT_EQ(buildMesh("m", 4, std::move(corners), object), CStatus::OK);
    ClusterProperty uv = addUV(object);
    for (uint32_t n = 0; n < 9000; ++n) {
        const float value[3] = {float(n), float(n) / 2, 1};
        ASSERT_EQ(uv.SetValues(value, 1, int32_t(n)), CStatus::OK);
    }
    float v[3];
    for (uint32_t n : {0u, 1u, 1500u, 8999u}) {
        ASSERT_TRUE(uv.GetValue(n, v));
        EXPECT_EQ(UV(v, v + 3), (UV{float(n), float(n) / 2, 1})) << n;
    }
}

}  // namespace
