// The scene behaviour the import relies on: names, node order, bounding
// boxes, failed builds, UV values, rigs, and building from another thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cstdint>
#include <thread>
#include <vector>

#include "host/HostControl.h"
#include "host/XsiApplication.h"

using namespace XSI;

namespace {

class HostScene : public ::testing::Test {
protected:
    void SetUp() override { HostControl::ResetHost(); }
    Model root() { return Application().GetActiveSceneRoot(); }

    // A mesh object with the given vertices and triangles, built.
    CStatus buildMesh(const char* name, std::vector<double> positions, std::vector<uint32_t> triangles,
                      X3DObject& object) {
        CMeshBuilder builder;
        EXPECT_EQ(root().AddPolygonMesh(name, object, builder), CStatus::OK);
        EXPECT_EQ(builder.AddVertices(int32_t(positions.size() / 3), positions.data()), CStatus::OK);
        EXPECT_EQ(builder.AddTriangles(int32_t(triangles.size() / 3), triangles.data()), CStatus::OK);
        return builder.Build(false);
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
    CMeshBuilder builder;
    ASSERT_EQ(root().AddPolygonMesh("TG_Cam2", mesh, builder), CStatus::OK);
    ASSERT_EQ(root().AddCameraRig("Camera", "TG_Cam", third), CStatus::OK);
    EXPECT_EQ(third.GetCamera().GetName(), CString("TG_Cam3"));

    std::vector<std::string> names;
    for (const auto& o : HostControl::GetObjects()) names.push_back(o.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end()) << "names are unique";
}

TEST_F(HostScene, rigs_make_root_camera_interest_and_light_interest) {
    CameraRig cameraRig;
    LightRig lightRig;
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

    LightRig refused;
    EXPECT_EQ(root().AddLightRig("Spot", "x", refused), CStatus::InvalidArgument);
    EXPECT_FALSE(refused.GetLight().IsValid());
}

TEST_F(HostScene, node_order_follows_the_triangle_list) {
    // Two triangles whose corners are given in a scrambled vertex order.
    X3DObject object;
    ASSERT_EQ(buildMesh("m", std::vector<double>(12, 0.0), {3, 1, 0, 2, 3, 0}, object), CStatus::OK);
    PolygonMesh mesh(object.GetActivePrimitive().GetGeometry(DBL_MAX));
    CGeometryAccessor accessor = mesh.GetGeometryAccessor(0, 0, 0, false, true, 60.0);
    CLongArray nodes;
    ASSERT_EQ(accessor.GetNodeIndices(nodes), CStatus::OK);
    ASSERT_EQ(nodes.GetCount(), 6u);
    for (uint32_t n = 0; n < 6; ++n) EXPECT_EQ(nodes[n], int32_t(n));
    std::vector<uint32_t> vertices;
    ASSERT_EQ(accessor.GetVertexIndices(vertices), CStatus::OK);
    EXPECT_EQ(vertices, (std::vector<uint32_t>{3, 1, 0, 2, 3, 0}));
    uint32_t piece[2];
    ASSERT_EQ(accessor.GetVertexIndices(3, 2, piece), CStatus::OK);
    EXPECT_EQ(piece[0], 2u);
    EXPECT_EQ(piece[1], 3u);
    EXPECT_EQ(accessor.GetVertexIndices(5, 2, piece), CStatus::InvalidArgument);
    EXPECT_EQ(accessor.GetPolygonCount(), 2u);
}

TEST_F(HostScene, a_spent_builder_does_not_empty_the_mesh) {
    X3DObject object;
    CMeshBuilder builder;
    ASSERT_EQ(root().AddPolygonMesh("once", object, builder), CStatus::OK);
    ASSERT_EQ(builder.AddVertices(3), CStatus::OK);
    const uint32_t tri[3] = {0, 1, 2};
    ASSERT_EQ(builder.AddTriangles(1, tri), CStatus::OK);
    ASSERT_EQ(builder.Build(), CStatus::OK);
    EXPECT_EQ(builder.Build(), CStatus::Fail);
    EXPECT_EQ(HostControl::FindObject("once")->vertexCount, 3u);
}

TEST_F(HostScene, polygons_after_triangles_keep_node_order) {
    X3DObject object;
    CMeshBuilder builder;
    ASSERT_EQ(root().AddPolygonMesh("mixed", object, builder), CStatus::OK);
    ASSERT_EQ(builder.AddVertices(5), CStatus::OK);
    const uint32_t tri[3] = {4, 0, 1};
    const int32_t sizes[1] = {4};
    const int32_t quad[4] = {0, 1, 2, 3};
    ASSERT_EQ(builder.AddTriangles(1, tri), CStatus::OK);
    ASSERT_EQ(builder.AddPolygons(1, sizes, quad), CStatus::OK);
    ASSERT_EQ(builder.Build(), CStatus::OK);
    auto info = HostControl::FindObject("mixed");
    EXPECT_EQ(info->polygonCount, 2u);
    EXPECT_EQ(info->nodeCount, 7u);
    std::vector<uint32_t> vertices;
    ASSERT_EQ(PolygonMesh(object.GetActivePrimitive().GetGeometry()).GetGeometryAccessor().GetVertexIndices(vertices),
              CStatus::OK);
    EXPECT_EQ(vertices, (std::vector<uint32_t>{4, 0, 1, 0, 1, 2, 3}));
}

TEST_F(HostScene, vertices_added_without_positions_stay_at_the_origin_until_placed) {
    // Two vertices without positions, one with; then the first is placed.
    X3DObject object;
    CMeshBuilder builder;
    ASSERT_EQ(root().AddPolygonMesh("lazy", object, builder), CStatus::OK);
    ASSERT_EQ(builder.AddVertices(2), CStatus::OK);
    const double third[3] = {5, 6, 7};
    ASSERT_EQ(builder.AddVertices(1, third), CStatus::OK);
    const double first[3] = {-1, -2, -3};
    ASSERT_EQ(builder.SetVertexPositions(1, first, 0), CStatus::OK);
    const uint32_t tri[3] = {0, 1, 2};
    ASSERT_EQ(builder.AddTriangles(1, tri), CStatus::OK);
    ASSERT_EQ(builder.Build(), CStatus::OK);
    double c[3], e[3];
    MATH::CTransformation t;
    t.SetIdentity();
    ASSERT_EQ(object.GetActivePrimitive().GetGeometry().GetBoundingBox(c[0], c[1], c[2], e[0], e[1], e[2], t),
              CStatus::OK);
    EXPECT_DOUBLE_EQ(c[0], 2);  // x from -1 to 5, vertex 1 at 0 inside
    EXPECT_DOUBLE_EQ(e[1], 8);  // y from -2 to 6
    EXPECT_DOUBLE_EQ(e[2], 10); // z from -3 to 7
}

TEST_F(HostScene, bounding_box_gives_centre_and_full_size) {
    // Corners (1, -2, 3) and (5, 4, -1): centre (3, 1, 1), size (4, 6, 4).
    X3DObject object;
    ASSERT_EQ(buildMesh("box", {1, -2, 3, 5, 4, -1, 2, 0, 0}, {0, 1, 2}, object), CStatus::OK);
    double c[3], e[3];
    MATH::CTransformation t;
    t.SetIdentity();
    Geometry g = object.GetActivePrimitive().GetGeometry();
    ASSERT_EQ(g.GetBoundingBox(c[0], c[1], c[2], e[0], e[1], e[2], t), CStatus::OK);
    EXPECT_DOUBLE_EQ(c[0], 3);
    EXPECT_DOUBLE_EQ(c[1], 1);
    EXPECT_DOUBLE_EQ(c[2], 1);
    EXPECT_DOUBLE_EQ(e[0], 4);
    EXPECT_DOUBLE_EQ(e[1], 6);
    EXPECT_DOUBLE_EQ(e[2], 4);
    t.SetTranslationFromValues(10, 0, 0);
    ASSERT_EQ(g.GetBoundingBox(c[0], c[1], c[2], e[0], e[1], e[2], t), CStatus::OK);
    EXPECT_DOUBLE_EQ(c[0], 13);
    EXPECT_DOUBLE_EQ(e[0], 4);
}

TEST_F(HostScene, invalid_topology_fails_with_a_description_and_leaves_an_empty_object) {
    X3DObject object;
    const CStatus outOfRange = buildMesh("bad", std::vector<double>(9, 0.0), {0, 1, 3}, object);
    EXPECT_EQ(outOfRange, CStatus::Fail);
    EXPECT_NE(std::string(outOfRange.GetDescription().GetAsciiString()).find("vertex 3"), std::string::npos)
        << outOfRange.GetDescription().GetAsciiString();
    auto info = HostControl::FindObject("bad");
    ASSERT_TRUE(info) << "the failed object stays in the scene";
    EXPECT_EQ(info->vertexCount, 0u);
    EXPECT_EQ(info->polygonCount, 0u);

    X3DObject two;
    CMeshBuilder builder;
    ASSERT_EQ(root().AddPolygonMesh("two", two, builder), CStatus::OK);
    ASSERT_EQ(builder.AddVertices(3), CStatus::OK);
    const int32_t sizes[1] = {2};
    const uint32_t corners[2] = {0, 1};
    ASSERT_EQ(builder.AddPolygons(1, sizes, corners), CStatus::OK);
    const CStatus tooFew = builder.Build();
    EXPECT_EQ(tooFew, CStatus::Fail);
    EXPECT_NE(std::string(tooFew.GetDescription().GetAsciiString()).find("fewer than 3"), std::string::npos);

    // A refused call is remembered: Build fails rather than making half a mesh.
    X3DObject negative;
    CMeshBuilder b2;
    ASSERT_EQ(root().AddPolygonMesh("negative", negative, b2), CStatus::OK);
    EXPECT_EQ(b2.AddVertices(-5), CStatus::InvalidArgument);
    EXPECT_EQ(b2.Build(), CStatus::Fail);
    // A count no machine could hold is refused, not attempted.
    EXPECT_EQ(b2.AddVertices(INT32_MAX), CStatus::InvalidArgument);
}

TEST_F(HostScene, vertex_positions_outside_the_mesh_are_refused) {
    X3DObject object;
    CMeshBuilder builder;
    ASSERT_EQ(root().AddPolygonMesh("m", object, builder), CStatus::OK);
    ASSERT_EQ(builder.AddVertices(2), CStatus::OK);
    const double p[3] = {1, 2, 3};
    EXPECT_EQ(builder.SetVertexPositions(1, p, 1), CStatus::OK);
    EXPECT_EQ(builder.SetVertexPositions(1, p, 2), CStatus::InvalidArgument);
    EXPECT_EQ(builder.SetVertexPositions(1, p, -1), CStatus::InvalidArgument);
    EXPECT_EQ(builder.SetVertexPositions(std::vector<float>(5)), CStatus::InvalidArgument);
}

TEST_F(HostScene, uv_values_are_per_node_and_range_checked) {
    X3DObject object;
    ASSERT_EQ(buildMesh("m", std::vector<double>(9, 0.0), {0, 1, 2}, object), CStatus::OK);
    PolygonMesh mesh(object.GetActivePrimitive().GetGeometry());
    ClusterProperty uv = mesh.GetClusterPropertyBuilder().AddUV();
    ASSERT_TRUE(uv.IsValid());
    const float second[6] = {0.25f, 0.5f, 0, 0.75f, 1, 0};
    EXPECT_EQ(uv.SetValues(second, 2, 1), CStatus::OK);
    EXPECT_EQ(uv.SetValues(second, 2, 2), CStatus::InvalidArgument) << "nodes 2 and 3 of 3";
    float v[3];
    ASSERT_TRUE(uv.GetValue(2, v));
    EXPECT_EQ(v[0], 0.75f);
    ASSERT_TRUE(uv.GetValue(0, v));
    EXPECT_EQ(v[0], 0.0f);
    EXPECT_FALSE(uv.GetValue(3, v));
    EXPECT_EQ(uv.SetValues(std::vector<float>(8)), CStatus::InvalidArgument);
    EXPECT_EQ(uv.SetValues(std::vector<float>(9, 0.5f)), CStatus::OK);
    EXPECT_EQ(HostControl::FindObject("m")->uvCount, 3u);
}

TEST_F(HostScene, a_new_scene_invalidates_old_handles) {
    CameraRig rig;
    ASSERT_EQ(root().AddCameraRig("Camera", "TG_Cam", rig), CStatus::OK);
    Camera camera = rig.GetCamera();
    ASSERT_TRUE(camera.IsValid());
    CValue ignored;
    ASSERT_EQ(Application().ExecuteCommand("NewScene", CValueArray(), ignored), CStatus::OK);
    EXPECT_FALSE(camera.IsValid());
    EXPECT_EQ(camera.GetName(), CString(""));
    EXPECT_FALSE(camera.GetInterest().IsValid());
    EXPECT_TRUE(HostControl::GetObjects().empty());
    // The same name is free again.
    CameraRig again;
    ASSERT_EQ(root().AddCameraRig("Camera", "TG_Cam", again), CStatus::OK);
    EXPECT_EQ(again.GetCamera().GetName(), CString("TG_Cam"));
}

TEST_F(HostScene, a_mesh_built_on_a_worker_thread_is_seen_by_the_caller) {
    // The import builds the scene on its worker while the UI thread waits.
    CStatus built = CStatus::Fail;
    std::thread worker([&] {
        X3DObject object;
        CMeshBuilder builder;
        Application().GetActiveSceneRoot().AddPolygonMesh("fromWorker", object, builder);
        builder.AddVertices(3);
        std::vector<uint32_t> tri = {0, 1, 2};
        builder.AddTriangles(std::move(tri));
        built = builder.Build();
    });
    worker.join();
    EXPECT_EQ(built, CStatus::OK);
    auto info = HostControl::FindObject("fromWorker");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->polygonCount, 1u);
}

}  // namespace
