#include "host/tests/SampleScene.h"

#include <cmath>
#include <vector>

#include "host/HostControl.h"
#include "host/XsiApplication.h"
#include "plugin/HostOps.h"

using namespace XSI;

namespace sample {

namespace {

bool buildGrid(Model& root, int32_t columns, int32_t rows) {
    X3DObject grid;
    CMeshBuilder builder;
    if (root.AddPolygonMesh("grid", grid, builder) != CStatus::OK) return false;
    if (builder.AddVertices(columns * rows) != CStatus::OK) return false;
    BulkList<uint32_t> corners;
    for (int32_t r = 0; r + 1 < rows; ++r)
        for (int32_t c = 0; c + 1 < columns; ++c) {
            const uint32_t a = r * columns + c, b = a + 1, d = a + columns, e = d + 1;
            corners.insert(corners.end(), {a, d, b, b, d, e});  // counter-clockwise seen from +Y
        }
    const std::vector<uint32_t> cornerCopy(corners.begin(), corners.end());
    if (builder.AddTriangles(std::move(corners)) != CStatus::OK) return false;
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < columns; ++c) {
            const double p[3] = {c * kCellSize, (r + c) * 0.25, -r * kCellSize};
            if (builder.SetVertexPositions(1, p, r * columns + c) != CStatus::OK) return false;
        }
    if (builder.Build(false) != CStatus::OK) return false;

    PolygonMesh mesh(grid.GetActivePrimitive().GetGeometry());
    CGeometryAccessor accessor = mesh.GetGeometryAccessor(0, 0, 0, false, true, 60.0);
    CLongArray nodes;
    if (accessor.GetNodeIndices(nodes) != CStatus::OK) return false;
    std::vector<float> uvs;
    for (uint32_t n = 0; n < nodes.GetCount(); ++n) {
        const uint32_t vertex = cornerCopy[nodes[n]];
        uvs.insert(uvs.end(), {float(vertex % columns) / (columns - 1),
                               float(vertex / columns) / (rows - 1), 0.0f});
    }
    ClusterProperty uv = mesh.GetClusterPropertyBuilder().AddUV();
    if (uv.SetValues(uvs.data(), int32_t(nodes.GetCount()), 0) != CStatus::OK) return false;

    double cx, cy, cz, ex, ey, ez;
    MATH::CTransformation identity;
    identity.SetIdentity();
    if (mesh.GetBoundingBox(cx, cy, cz, ex, ey, ez, identity) != CStatus::OK) return false;
    TranslatePivot(grid.GetName(), cx, cy, cz);
    return true;
}

bool buildCameraAndSun(Model& root) {
    CameraRig rig;
    if (root.AddCameraRig("Camera", "TG_Cam", rig) != CStatus::OK) return false;
    Camera camera = rig.GetCamera();
    const CString cameraName = camera.GetName();
    Translate(cameraName, 4.0, 6.0, 8.0);
    Translate(camera.GetInterest().GetName(), 4.0, 0.0, -3.0);
    SetCameraRoll(cameraName, 15.0);
    SetCameraFov(cameraName, 53.13010235415598);

    LightRig sunRig;
    if (root.AddLightRig("LightSun", "TG_Sun", sunRig) != CStatus::OK) return false;
    Light sun = sunRig.GetLight();
    Translate(sun.GetName(), 20.0, 30.0, -10.0);
    Translate(sun.GetInterest().GetName(), 4.0, 0.0, -3.0);

    const CString pass = "Passes.Default_Pass.RenderOptions.";
    SetValue(pass + "PassCamera", CValue(cameraName));
    SetValue(pass + "CameraXRes", CValue(int32_t{800}));
    SetValue(pass + "CameraYRes", CValue(int32_t{600}));
    SetValue(pass + "PixelRatio", CValue(1.0f));
    return true;
}

bool buildWater(Model& root) {
    X3DObject water;
    CMeshBuilder builder;
    if (root.AddPolygonMesh("TG_Water", water, builder) != CStatus::OK) return false;
    const double corners[12] = {0, -0.5, 0, 8, -0.5, 0, 8, -0.5, -6, 0, -0.5, -6};
    const int32_t sizes[1] = {4};
    const uint32_t indices[4] = {0, 1, 2, 3};
    if (builder.AddVertices(4, corners) != CStatus::OK) return false;
    if (builder.AddPolygons(1, sizes, indices) != CStatus::OK) return false;
    return builder.Build(false) == CStatus::OK;
}

// A two-triangle strip whose shared vertices carry different UVs on each side,
// and a camera with a field of view that a file cannot hold.
bool buildAwkwardCases(Model& root) {
    X3DObject seam;
    CMeshBuilder builder;
    if (root.AddPolygonMesh("seam", seam, builder) != CStatus::OK) return false;
    const double p[12] = {0, 0, 0, 1, 0, 0, 1, 0, -1, 0, 0, -1};
    const uint32_t tris[6] = {0, 1, 2, 0, 2, 3};
    if (builder.AddVertices(4, p) != CStatus::OK || builder.AddTriangles(2, tris) != CStatus::OK ||
        builder.Build() != CStatus::OK)
        return false;
    PolygonMesh mesh(seam.GetActivePrimitive().GetGeometry());
    ClusterProperty uv = mesh.GetClusterPropertyBuilder().AddUV();
    std::vector<float> values = {0, 0, 0, 1, 0, 0, 1, 1, 0,     // first triangle
                                 0.5f, 0, 0, 1, 1, 0, 0, 1, 0};  // vertex 0 again, with another u
    if (uv.SetValues(std::move(values)) != CStatus::OK) return false;

    // A vertex at infinity with a NaN coordinate.
    X3DObject spike;
    CMeshBuilder spikeBuilder;
    if (root.AddPolygonMesh("spike", spike, spikeBuilder) != CStatus::OK) return false;
    const double sp[9] = {0, 0, 0, 1, 0, 0, std::nan(""), HUGE_VAL, 0};
    const uint32_t one[3] = {0, 1, 2};
    if (spikeBuilder.AddVertices(3, sp) != CStatus::OK || spikeBuilder.AddTriangles(1, one) != CStatus::OK ||
        spikeBuilder.Build() != CStatus::OK)
        return false;

    CameraRig rig;
    if (root.AddCameraRig("Camera", "TG_Cam", rig) != CStatus::OK) return false;
    SetCameraFov(rig.GetCamera().GetName(), 0.0);
    return true;
}

}  // namespace

bool BuildSampleScene(bool withAwkwardCases, int32_t columns, int32_t rows) {
    if (columns < 2 || rows < 2) return false;
    HostControl::ResetHost();
    NewScene();
    Model root = Application().GetActiveSceneRoot();
    if (!buildGrid(root, columns, rows) || !buildCameraAndSun(root) || !buildWater(root)) return false;
    if (withAwkwardCases && !buildAwkwardCases(root)) return false;
    FrameAll();
    SetViewCamera("TG_Cam");
    return true;
}

}  // namespace sample
