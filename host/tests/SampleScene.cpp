#include "host/tests/SampleScene.h"

#include <cmath>
#include <vector>

#include "host/HostControl.h"
#include "host/SceneExport.h"
#include "host/XsiApplication.h"
#include "plugin/HostOps.h"

using namespace XSI;

namespace sample {

namespace {

bool ok(const CStatus& s) { return s == CStatus::OK; }

// A mesh of the given vertices and triangles, or of one polygon of all the
// corners; reserved (ReserveMesh, with UVs) before its lists are made.
bool addMesh(Model& root, const char* name, const std::vector<double>& positions, const std::vector<uint32_t>& corners,
             X3DObject& object, bool onePolygon = false, bool reserved = false) {
    CMeshBuilder builder;
    const int32_t size[1] = {int32_t(corners.size())};
    const int32_t vertices = int32_t(positions.size() / 3);
    if (reserved)
        return ok(root.AddPolygonMesh(name, object, builder)) && ok(builder.AddVertices(vertices)) &&
               ok(builder.ReserveMesh(corners.size() / 3, true)) &&
               ok(builder.SetVertexPositions(vertices, positions.data())) &&
               ok(builder.AddTriangles(int32_t(corners.size() / 3), corners.data())) && ok(builder.Build());
    return ok(root.AddPolygonMesh(name, object, builder)) &&
           ok(builder.AddVertices(vertices, positions.data())) &&
           ok(onePolygon ? builder.AddPolygons(1, size, corners.data())
                         : builder.AddTriangles(int32_t(corners.size() / 3), corners.data())) &&
           ok(builder.Build());
}

bool addUVs(X3DObject& object, std::vector<float> perNode) {
    PolygonMesh mesh(object.GetActivePrimitive().GetGeometry());
    return ok(mesh.GetClusterPropertyBuilder().AddUV().SetValues(std::move(perNode)));
}

// The grid's UVs run from 0 to 1 across it; its pivot goes to the centre of its box.
bool buildGrid(Model& root, int32_t columns, int32_t rows) {
    std::vector<double> positions;
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < columns; ++c)
            positions.insert(positions.end(), {c * kCellSize, (r + c) * 0.25, -r * kCellSize});
    std::vector<uint32_t> corners;
    std::vector<float> uvs;
    for (int32_t r = 0; r + 1 < rows; ++r)
        for (int32_t c = 0; c + 1 < columns; ++c) {
            const uint32_t a = r * columns + c, b = a + 1, d = a + columns, e = d + 1;
            for (const uint32_t v : {a, d, b, b, d, e}) {  // counter-clockwise seen from +Y
                corners.push_back(v);
                uvs.insert(uvs.end(), {float(v % columns) / (columns - 1), float(v / columns) / (rows - 1), 0.0f});
            }
        }
    X3DObject grid;
    double cx, cy, cz, ex, ey, ez;
    if (!addMesh(root, "grid", positions, corners, grid, false, true) || !addUVs(grid, std::move(uvs)) ||
        !ok(grid.GetActivePrimitive().GetGeometry().GetBoundingBox(cx, cy, cz, ex, ey, ez, MATH::CTransformation())))
        return false;
    TranslatePivot(grid.GetName(), cx, cy, cz);
    return true;
}

bool buildCameraAndSun(Model& root) {
    CameraRig rig;
    LightRig sunRig;
    if (!ok(root.AddCameraRig("Camera", "TG_Cam", rig)) || !ok(root.AddLightRig("LightSun", "TG_Sun", sunRig)))
        return false;
    Camera camera = rig.GetCamera();
    Translate(camera.GetName(), 4.0, 6.0, 8.0);
    Translate(camera.GetInterest().GetName(), 4.0, 0.0, -3.0);
    SetCameraRoll(camera.GetName(), 15.0);
    SetCameraFov(camera.GetName(), 53.13010235415598);
    Light sun = sunRig.GetLight();
    Translate(sun.GetName(), 20.0, 30.0, -10.0);
    Translate(sun.GetInterest().GetName(), 4.0, 0.0, -3.0);

    const CString pass = "Passes.Default_Pass.RenderOptions.";
    SetValue(pass + "PassCamera", CValue(camera.GetName()));
    SetValue(pass + "CameraXRes", CValue(int32_t{800}));
    SetValue(pass + "CameraYRes", CValue(int32_t{600}));
    SetValue(pass + "PixelRatio", CValue(1.0f));
    return true;
}

bool buildAwkwardCases(Model& root) {
    // A two-triangle strip whose vertex 0 has another u in its second triangle.
    X3DObject seam, spike;
    if (!addMesh(root, "seam", {0, 0, 0, 1, 0, 0, 1, 0, -1, 0, 0, -1}, {0, 1, 2, 0, 2, 3}, seam) ||
        !addUVs(seam, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0.5f, 0, 0, 1, 1, 0, 0, 1, 0}))
        return false;
    // A vertex at infinity with a NaN coordinate.
    if (!addMesh(root, "spike", {0, 0, 0, 1, 0, 0, std::nan(""), HUGE_VAL, 0}, {0, 1, 2}, spike)) return false;
    // A camera with a field of view that a file cannot hold.
    CameraRig rig;
    if (!ok(root.AddCameraRig("Camera", "TG_Cam", rig))) return false;
    SetCameraFov(rig.GetCamera().GetName(), 0.0);
    return true;
}

}  // namespace

bool BuildSampleScene(bool withAwkwardCases, int32_t columns, int32_t rows, const std::string& output,
                      SceneExport::GltfLayout layout) {
    if (columns < 2 || rows < 2) return false;
    HostControl::ResetHost();
    if (!output.empty()) SceneExport::SetOutput(output, layout);
    NewScene();
    Model root = Application().GetActiveSceneRoot();
    X3DObject water;
    if (!buildGrid(root, columns, rows) || !buildCameraAndSun(root) ||
        !addMesh(root, "TG_Water", {0, -0.5, 0, 8, -0.5, 0, 8, -0.5, -6, 0, -0.5, -6}, {0, 1, 2, 3}, water, true))
        return false;
    if (withAwkwardCases && !buildAwkwardCases(root)) return false;
    FrameAll();
    SetViewCamera("TG_Cam");
    return true;
}

}  // namespace sample
