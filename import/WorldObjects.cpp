#include "import/WorldObjects.h"

#include <cfloat>
#include <cmath>

#include "formats/WorldCatalogue.h"
#include "host/XsiApplication.h"
#include "host/XsiMath.h"
#include "host/XsiScene.h"
#include "import/ImportSession.h"
#include "plugin/HostOps.h"

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kRadiansPerDegree = 0.017453292519943295;

struct ScenePoint {
    float x, y, z;
};

TerrainHeader headerOf(ImportSession& session) {
    TerrainHeader header;
    session.terrain.getHeader(header);
    return header;
}

bool finite(const ScenePoint& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// A world value that is not a finite number (or one that grows past the
// largest float in scene units) leaves the object unplaced: it would be
// written as 0 or the largest float, a place nobody chose.
void logUnplaced(const char* text) {
    XSI::Application().LogMessage(XSI::CString(text), XSI::siWarningMsg);
}

float worldFloat(const WorldGroup& group, int32_t groupType, const char* tag) {
    return group.getFloat(findValueIndex(groupType, tag));
}

// The camera position of a "WLDG" group in scene units.
ScenePoint cameraPosition(const WorldGroup& wldg, float scale, float scaleX) {
    return {WorldToScene(worldFloat(wldg, WGT_WLDG, "CAMX"), scale, scaleX),
            WorldToScene(worldFloat(wldg, WGT_WLDG, "CAMZ"), scale, scaleX),
            -WorldToScene(worldFloat(wldg, WGT_WLDG, "CAMY"), scale, scaleX)};
}

}  // namespace

float WorldToScene(float value, float scale, float metresPerUnit) {
    return static_cast<float>(double{value} * scale * metresPerUnit);
}

double FieldOfViewFromZoom(float zoom) {
    // 1 / zoom first: a zoom of 0 gives infinity and so 180 degrees.
    const double inverse = 1.0 / double{zoom};
    return 2.0 * std::atan2(inverse, 1.0) * kDegreesPerRadian;
}

void CreateCamera(ImportSession& session) {
    if (!session.importCamera || !session.world.loaded) return;
    const TerrainHeader header = headerOf(session);

    XSI::Application app;
    XSI::CameraRig rig;
    app.GetActiveSceneRoot().AddCameraRig("Camera", "TG_Cam", rig);
    const XSI::Camera camera = rig.GetCamera();
    session.cameraName = camera.GetName();
    const XSI::CString interestName = camera.GetInterest().GetName();

    if (const WorldGroup* wldg = session.world.findGroup("WLDG")) {
        const ScenePoint eye = cameraPosition(*wldg, session.scale, header.scaleX);
        const ScenePoint target = {
            WorldToScene(worldFloat(*wldg, WGT_WLDG, "TARX"), session.scale, header.scaleX),
            WorldToScene(worldFloat(*wldg, WGT_WLDG, "TARZ"), session.scale, header.scaleX),
            -WorldToScene(worldFloat(*wldg, WGT_WLDG, "TARY"), session.scale, header.scaleX)};
        // The world's banking turns the other way round than the host's roll.
        const double roll = -double{worldFloat(*wldg, WGT_WLDG, "CAMB")};
        const double fov = FieldOfViewFromZoom(worldFloat(*wldg, WGT_WLDG, "ZOOM"));
        if (finite(eye) && finite(target) && std::isfinite(roll) && std::isfinite(fov)) {
            Translate(session.cameraName, eye.x, eye.y, eye.z);
            Translate(interestName, target.x, target.y, target.z);
            SetCameraRoll(session.cameraName, roll);
            SetCameraFov(session.cameraName, fov);
            session.cameraCreated = true;
        } else {
            logUnplaced("TG_Cam not placed: the world file's camera values are not finite numbers in scene units");
        }
    }
    ImportRenderSettings(session);
}

void CreateSun(ImportSession& session) {
    if (!session.importSun || !session.world.loaded) return;
    const TerrainHeader header = headerOf(session);

    XSI::Application app;
    XSI::LightRig rig;
    app.GetActiveSceneRoot().AddLightRig("LightSun", "TG_Sun", rig);
    const XSI::Light light = rig.GetLight();
    const XSI::CString lightName = light.GetName();
    const XSI::CString interestName = light.GetInterest().GetName();

    const WorldGroup* atmosphere = session.world.atmosphereGroup.get();
    const WorldGroup* sun = atmosphere ? atmosphere->findGroup("SUN ") : nullptr;
    if (!sun) return;  // the rig stays where the host put it
    const double altitude = worldFloat(*sun, WGT_SUN, "ALT ");
    const double heading = worldFloat(*sun, WGT_SUN, "HEAD");

    const double scale = session.scale, scaleX = header.scaleX;
    const float halfX = static_cast<float>(header.xPoints * scale * scaleX * 0.5);
    const float halfY = static_cast<float>(header.yPoints * scale * scaleX * 0.5);
    // The sun stands 3 halfX (one and a half terrain widths) from its reference
    // point; the altitude only raises it, it does not pull it closer.
    const float a = static_cast<float>(std::sin(heading * kRadiansPerDegree) * halfX * 3.0);
    const float b = static_cast<float>(std::cos(heading * kRadiansPerDegree) * halfX * 3.0);
    const float c = static_cast<float>(std::sin(altitude * kRadiansPerDegree) * halfX * 3.0);

    double lightAt[3], interestAt[3];
    if (const WorldGroup* wldg = session.world.findGroup("WLDG")) {
        const ScenePoint eye = cameraPosition(*wldg, session.scale, header.scaleX);
        const double sceneY = -double{eye.z};  // CAMY in scene units
        lightAt[0] = double{eye.x} + a;
        lightAt[1] = double{eye.y} + c;
        lightAt[2] = -(sceneY + b);
        interestAt[0] = eye.x;
        interestAt[1] = eye.y;
        interestAt[2] = eye.z;
    } else {
        lightAt[0] = double{halfX} + a;
        lightAt[1] = c;
        lightAt[2] = -(double{halfY} + b);
        interestAt[0] = halfX;
        interestAt[1] = 0.0;
        interestAt[2] = -double{halfY};
    }
    const ScenePoint lightPoint = {static_cast<float>(lightAt[0]), static_cast<float>(lightAt[1]),
                                   static_cast<float>(lightAt[2])};
    const ScenePoint interestPoint = {static_cast<float>(interestAt[0]), static_cast<float>(interestAt[1]),
                                      static_cast<float>(interestAt[2])};
    if (!finite(lightPoint) || !finite(interestPoint)) {
        logUnplaced("TG_Sun not placed: the world file's sun or camera values are not finite numbers in scene units");
        return;
    }
    Translate(lightName, lightAt[0], lightAt[1], lightAt[2]);
    Translate(interestName, interestAt[0], interestAt[1], interestAt[2]);
}

void CreateWaterPlane(ImportSession& session) {
    if (!session.createWater || !session.world.loaded) return;
    const WorldGroup* water = session.world.findGroup("WATR");
    if (!water) return;
    const TerrainHeader header = headerOf(session);

    const double scale = session.scale, scaleX = header.scaleX;
    const double level = worldFloat(*water, WGT_WATR, "LEVL");
    const float h = static_cast<float>(level * scale * scaleX);
    // Both sides use the first SCAL value, as the camera and sun do.
    const float sizeA = static_cast<float>((header.xPoints - 1.0) * scale * scaleX);
    const float sizeB = static_cast<float>((header.yPoints - 1.0) * scale * scaleX);
    if (!finite({h, sizeA, sizeB})) {
        logUnplaced("TG_Water not made: the world file's water level is not a finite number in scene units");
        return;
    }

    XSI::Application app;
    XSI::X3DObject object;
    XSI::CMeshBuilder builder;
    app.GetActiveSceneRoot().AddPolygonMesh("TG_Water", object, builder);
    const double corners[12] = {0, h, 0, sizeA, h, 0, sizeA, h, -double{sizeB}, 0, h, -double{sizeB}};
    builder.AddVertices(4, corners);
    const int32_t sizes[1] = {4};
    const uint32_t indices[4] = {0, 1, 2, 3};
    builder.AddPolygons(1, sizes, indices);
    const XSI::CStatus built = builder.Build(false);
    if (built == XSI::CStatus::Fail) {
        app.LogMessage(XSI::CString("Error generating mesh: ") + built.GetDescription(), XSI::siInfoMsg);
        return;
    }
    XSI::PolygonMesh mesh(object.GetActivePrimitive().GetGeometry(DBL_MAX));
    double center[3], extent[3];
    XSI::MATH::CTransformation identity;
    identity.SetIdentity();
    mesh.GetBoundingBox(center[0], center[1], center[2], extent[0], extent[1], extent[2], identity);
    // By its real name: a renamed plane ("TG_Water1") gets its own pivot moved.
    TranslatePivot(object.GetName(), center[0], center[1], center[2]);
}

void ImportRenderSettings(ImportSession& session) {
    if (!session.importRender) return;
    float ratio = 1.0f;
    int32_t width = 640, height = 480;
    if (const WorldGroup* wldg = session.world.findGroup("WLDG")) {
        ratio = worldFloat(*wldg, WGT_WLDG, "PXAS");
        width = static_cast<int32_t>(wldg->getInt(findValueIndex(WGT_WLDG, "IMWI")));
        height = static_cast<int32_t>(wldg->getInt(findValueIndex(WGT_WLDG, "IMHI")));
    }
    const char* pass = "Passes.Default_Pass.RenderOptions.";
    const XSI::CString prefix(pass);
    SetValue(prefix + "EndFrame", XSI::CValue(int16_t{1}));
    SetValue(prefix + "PassCamera", XSI::CValue(session.cameraName));
    SetValue(prefix + "PictureStandard", XSI::CValue(int16_t{0}));
    SetValue(prefix + "InverseRatio", XSI::CValue(false));
    SetValue(prefix + "CameraXRes", XSI::CValue(width));
    SetValue(prefix + "CameraYRes", XSI::CValue(height));
    SetValue(prefix + "PixelRatio", XSI::CValue(ratio));
}
