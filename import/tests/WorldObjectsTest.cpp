// Camera, sun, water plane and render settings from the world file, with
// expected values worked out by hand from the world values.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>

#include "host/HostControl.h"
#include "import/WorldObjects.h"
#include "import/tests/ImportTestSupport.h"

using namespace importtest;
using tergen::Chunk;
using tergen::group;
using tergen::valueFloat;
using tergen::valueInt;
using World = std::vector<Chunk>;
using XSI::HostControl::FindObject;

namespace {

// A flat terrain (257 x 257 unless said) with 30 m per unit at scale 0.1,
// so one terrain unit is u = 3 scene units, and a world.
struct WorldScene {
    TempFolder folder;
    ImportSession session;

    explicit WorldScene(const World& world, uint16_t xPoints = 257, uint16_t yPoints = 257) {
        XSI::HostControl::ResetHost();
        tergen::TerrainParams p = grid(xPoints, yPoints);
        p.samples.assign(p.samples.size(), 0);
        EXPECT_TRUE(session.terrain.open(folder.write("t.ter", tergen::terrainBytes(p)).c_str()));
        EXPECT_TRUE(session.world.read(folder.write("t.tgw", tergen::worldBytes(world)).c_str()))
            << session.world.errorText;
        session.scale = 0.1f;
    }
};

Chunk wldg(std::vector<Chunk> values) { return group("WLDG", std::move(values)); }

// Camera at (100, 200, 50), target (10, 20, 5), an 800 x 600 image with pixel aspect 1.5.
Chunk camera(float zoom, float banking = 0) {
    return wldg({valueFloat("CAMX", 100), valueFloat("CAMY", 200), valueFloat("CAMZ", 50), valueFloat("TARX", 10),
                 valueFloat("TARY", 20), valueFloat("TARZ", 5), valueFloat("CAMB", banking), valueFloat("ZOOM", zoom),
                 valueInt("IMWI", 800), valueInt("IMHI", 600), valueFloat("PXAS", 1.5f)});
}

Chunk sun(float heading, float altitude) {
    return group("ATLI", {group("SUN ", {valueFloat("HEAD", heading), valueFloat("ALT ", altitude)})});
}

void expectAt(const char* name, std::array<double, 3> at, double tolerance = 0) {
    const auto o = FindObject(name);
    ASSERT_TRUE(o) << name;
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(o->position[a], at[a], tolerance) << name << " axis " << a;
}

XSI::CValue render(const char* name) {
    return *XSI::HostControl::GetParameter(std::string("Passes.Default_Pass.RenderOptions.") + name);
}

std::string renderSettings() {
    std::ostringstream text;
    text << "EndFrame " << render("EndFrame").GetLong() << ", PassCamera " << render("PassCamera").GetAsText().str()
         << ", PictureStandard " << render("PictureStandard").GetLong() << ", InverseRatio "
         << render("InverseRatio").GetBool() << ", " << render("CameraXRes").GetLong() << " x "
         << render("CameraYRes").GetLong() << ", PixelRatio " << render("PixelRatio").GetFloat();
    return text.str();
}

}  // namespace

// Camera position (CAMX, CAMZ, -CAMY) u, target likewise, roll -CAMB, field
// of view 2 atan(1 / ZOOM). Heading 0 puts the sun R = 3 halfX behind the
// camera along -Z, altitude a raises it by R sin a: on 513 x 257 points
// halfX = 513 x 3 / 2 = 769.5, R = 2308.5, R sin 30 = 1154.25. The water
// plane spans the grid, 512 x 3 by 256 x 3, at LEVL u.
TEST(world_objects, placed_from_a_complete_world) {
    WorldScene w({camera(1, 15), sun(0, 30), group("WATR", {valueFloat("LEVL", 2)})}, 513, 257);
    CreateCamera(w.session);
    CreateSun(w.session);
    CreateWaterPlane(w.session);

    EXPECT_TRUE(w.session.cameraCreated);
    EXPECT_EQ(w.session.cameraName.str(), "TG_Cam");
    expectAt("TG_Cam", {300, 150, -600});
    expectAt("TG_Cam_Interest", {30, 15, -60});
    const auto cam = FindObject("TG_Cam");
    ASSERT_TRUE(cam);
    EXPECT_DOUBLE_EQ(cam->fov, 90.0);
    EXPECT_DOUBLE_EQ(cam->roll, -15.0);

    EXPECT_EQ(renderSettings(), "EndFrame 1, PassCamera TG_Cam, PictureStandard 0, InverseRatio 0, 800 x 600, PixelRatio 1.5");

    expectAt("TG_Sun", {300, 150 + 1154.25, -600 - 2308.5}, 1e-4);
    expectAt("TG_Sun_Interest", {300, 150, -600});

    EXPECT_EQ(exportedMesh(w.folder, "TG_Water").positions,
              (std::vector<float>{0, 6, 0, 1536, 6, 0, 1536, 6, -768, 0, 6, -768}));
    const auto water = FindObject("TG_Water");
    ASSERT_TRUE(water);
    EXPECT_TRUE(water->pivot[0] == 768 && water->pivot[1] == 6 && water->pivot[2] == -384);
}

TEST(camera, field_of_view_from_zoom_and_missing_values_read_as_minus_one) {
    const std::pair<float, double> zooms[] = {{2, 53.13010235415598}, {0, 180}};  // 1/0 is infinite
    for (const auto& [zoom, fov] : zooms) {
        WorldScene w({camera(zoom)});
        CreateCamera(w.session);
        const auto cam = FindObject("TG_Cam");
        ASSERT_TRUE(cam);
        EXPECT_NEAR(cam->fov, fov, 1e-12) << zoom;
    }
    WorldScene w({wldg({valueFloat("CAMX", 1)})});
    CreateCamera(w.session);
    EXPECT_TRUE(w.session.cameraCreated);
    expectAt("TG_Cam", {3, -3, 3});
    expectAt("TG_Cam_Interest", {-3, -3, 3});
    const auto cam = FindObject("TG_Cam");
    ASSERT_TRUE(cam);
    EXPECT_DOUBLE_EQ(cam->fov, -90.0);
    EXPECT_DOUBLE_EQ(cam->roll, 1.0);
}

// A world without "WLDG", a "SUN " group or "LEVL": the camera rig and the
// sun stay where the host put them, the render settings take their
// defaults, and the water level reads as -1.
TEST(world_objects, missing_groups_and_values) {
    WorldScene w({group("ATLI", {group("LIGT", {valueFloat("LCST", 1)})}), group("WATR", {valueFloat("WLEN", 1)})});
    CreateCamera(w.session);
    CreateSun(w.session);
    CreateWaterPlane(w.session);
    EXPECT_FALSE(w.session.cameraCreated);
    expectAt("TG_Cam", {0, 10, 20});
    EXPECT_EQ(renderSettings(), "EndFrame 1, PassCamera TG_Cam, PictureStandard 0, InverseRatio 0, 640 x 480, PixelRatio 1");
    expectAt("TG_Sun", {10, 20, 10});
    const auto water = FindObject("TG_Water");
    ASSERT_TRUE(water);
    EXPECT_FLOAT_EQ(static_cast<float>(water->pivot[1]), -3.0f);  // -1 x 0.1 x 30
    EXPECT_DOUBLE_EQ(water->pivot[0], 384);                       // 256 x 3 / 2

    WorldScene bare({camera(1)});  // no atmosphere, no water
    CreateSun(bare.session);
    CreateWaterPlane(bare.session);
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
}

// Each step returns before it creates anything; the render settings belong
// to the camera step.
TEST(world_objects, switched_off_or_without_world_nothing_is_made) {
    const char* switches[] = {"importCamera", "importSun", "createWater", "importRender", "world.loaded"};
    const std::vector<std::string> made[] = {{"TG_Sun", "TG_Water"}, {"TG_Cam", "TG_Water"}, {"TG_Cam", "TG_Sun"},
                                             {"TG_Cam", "TG_Sun", "TG_Water"}, {}};
    for (int off = 0; off < 5; ++off) {
        SCOPED_TRACE(switches[off]);
        WorldScene w({camera(1), sun(0, 30), group("WATR", {valueFloat("LEVL", 2)})});
        bool* option[] = {&w.session.importCamera, &w.session.importSun, &w.session.createWater,
                          &w.session.importRender, &w.session.world.loaded};
        *option[off] = false;
        CreateCamera(w.session);
        CreateSun(w.session);
        CreateWaterPlane(w.session);
        for (const char* name : {"TG_Cam", "TG_Sun", "TG_Water"})
            EXPECT_EQ(FindObject(name).has_value(), std::count(made[off].begin(), made[off].end(), name) == 1) << name;
        EXPECT_EQ(render("EndFrame").GetLong(), off == 1 || off == 2 ? 1 : 100);  // 100: untouched
    }
}
