// Camera, sun, water plane and render settings from the world file, with
// expected values worked out by hand from the world values.
#include <gtest/gtest.h>

#include <cmath>

#include "host/HostControl.h"
#include "host/SceneExport.h"
#include "import/WorldObjects.h"
#include "import/tests/ImportTestSupport.h"

using namespace importtest;
using tergen::Chunk;
using tergen::group;
using tergen::valueFloat;
using tergen::valueInt;

namespace {

constexpr char kRender[] = "Passes.Default_Pass.RenderOptions.";

// A 257 x 257 terrain with 30 m per unit at scale 0.1 (u = 3), and a world.
struct WorldScene {
    TempFolder folder;
    ImportSession session;

    explicit WorldScene(const std::vector<Chunk>& world, uint16_t xPoints = 257, uint16_t yPoints = 257) {
        XSI::HostControl::ResetHost();
        TerrainParams p;
        p.xPoints = xPoints;
        p.yPoints = yPoints;
        p.samples.assign(size_t{xPoints} * yPoints, 0);
        EXPECT_TRUE(session.terrain.open(writeTerrain(folder, "t.ter", p).c_str()));
        EXPECT_TRUE(session.world.read(writeWorld(folder, "t.tgw", world).c_str())) << session.world.errorText;
        session.scale = 0.1f;
    }
};

Chunk wldg(std::vector<Chunk> values) { return group("WLDG", std::move(values)); }

Chunk camera(float zoom, float banking) {
    return wldg({valueFloat("CAMX", 100), valueFloat("CAMY", 200), valueFloat("CAMZ", 50), valueFloat("TARX", 10),
                 valueFloat("TARY", 20), valueFloat("TARZ", 5), valueFloat("CAMB", banking), valueFloat("ZOOM", zoom)});
}

Chunk sunGroup(float heading, float altitude) {
    return group("ATLI", {group("SUN ", {valueFloat("HEAD", heading), valueFloat("ALT ", altitude)})});
}

void expectAt(const char* name, double x, double y, double z, double tolerance = 0.0) {
    const auto o = XSI::HostControl::FindObject(name);
    ASSERT_TRUE(o) << name;
    EXPECT_NEAR(o->position[0], x, tolerance) << name;
    EXPECT_NEAR(o->position[1], y, tolerance) << name;
    EXPECT_NEAR(o->position[2], z, tolerance) << name;
}

}  // namespace

TEST(camera, position_target_roll_and_field_of_view) {
    WorldScene w({camera(1, 15)});
    CreateCamera(w.session);
    EXPECT_TRUE(w.session.cameraCreated);
    EXPECT_EQ(w.session.cameraName.str(), "TG_Cam");
    expectAt("TG_Cam", 300, 150, -600);  // (100, 50, -200) x 3
    expectAt("TG_Cam_Interest", 30, 15, -60);
    const auto cam = XSI::HostControl::FindObject("TG_Cam");
    EXPECT_DOUBLE_EQ(cam->roll, -15.0);
    EXPECT_DOUBLE_EQ(cam->fov, 90.0);
}

TEST(camera, field_of_view_from_zoom) {
    EXPECT_DOUBLE_EQ(FieldOfViewFromZoom(1), 90.0);
    EXPECT_NEAR(FieldOfViewFromZoom(2), 53.13010235415598, 1e-12);  // 2 atan(1/2)
    EXPECT_DOUBLE_EQ(FieldOfViewFromZoom(0), 180.0);                 // 1/0 is infinite
    EXPECT_DOUBLE_EQ(FieldOfViewFromZoom(-1), -90.0);                // a missing ZOOM reads as -1
}

TEST(camera, missing_zoom_and_banking_read_as_minus_one) {
    WorldScene w({wldg({valueFloat("CAMX", 1)})});
    CreateCamera(w.session);
    const auto cam = XSI::HostControl::FindObject("TG_Cam");
    ASSERT_TRUE(cam);
    EXPECT_DOUBLE_EQ(cam->fov, -90.0);
    EXPECT_DOUBLE_EQ(cam->roll, 1.0);
    expectAt("TG_Cam", 3, -3, 3);  // CAMY and CAMZ -1
}

TEST(camera, without_wldg_the_rig_stays_where_the_host_put_it) {
    WorldScene w({group("WATR", {valueFloat("LEVL", 0)})});
    CreateCamera(w.session);
    EXPECT_FALSE(w.session.cameraCreated);
    expectAt("TG_Cam", 0, 10, 20);  // the host's default place
    // The render settings still run, with their defaults and the rig's camera.
    EXPECT_EQ(XSI::HostControl::GetParameter(std::string(kRender) + "PassCamera")->GetAsText().str(), "TG_Cam");
    EXPECT_EQ(XSI::HostControl::GetParameter(std::string(kRender) + "CameraXRes")->GetLong(), 640);
}

TEST(camera, switched_off_or_no_world_adds_nothing_and_leaves_render_settings) {
    {
        WorldScene w({camera(1, 0)});
        w.session.importCamera = false;
        CreateCamera(w.session);
        EXPECT_FALSE(XSI::HostControl::FindObject("TG_Cam").has_value());
        EXPECT_EQ(XSI::HostControl::GetParameter(std::string(kRender) + "EndFrame")->GetLong(), 100);
    }
    {
        WorldScene w({camera(1, 0)});
        w.session.world.loaded = false;
        CreateCamera(w.session);
        EXPECT_FALSE(XSI::HostControl::FindObject("TG_Cam").has_value());
    }
}

TEST(render_settings, from_wldg) {
    WorldScene w({wldg({valueInt("IMWI", 800), valueInt("IMHI", 600), valueFloat("PXAS", 1.5f)})});
    CreateCamera(w.session);
    auto param = [](const char* name) { return *XSI::HostControl::GetParameter(std::string(kRender) + name); };
    EXPECT_EQ(param("EndFrame").GetLong(), 1);
    EXPECT_EQ(param("PassCamera").GetAsText().str(), "TG_Cam");
    EXPECT_EQ(param("PictureStandard").GetLong(), 0);
    EXPECT_FALSE(param("InverseRatio").GetBool());
    EXPECT_EQ(param("CameraXRes").GetLong(), 800);
    EXPECT_EQ(param("CameraYRes").GetLong(), 600);
    EXPECT_EQ(param("PixelRatio").GetFloat(), 1.5f);
}

TEST(render_settings, defaults_without_wldg_and_nothing_when_switched_off) {
    WorldScene w({group("WATR", {})});
    w.session.cameraName = "cam";
    ImportRenderSettings(w.session);
    auto param = [](const char* name) { return *XSI::HostControl::GetParameter(std::string(kRender) + name); };
    EXPECT_EQ(param("CameraXRes").GetLong(), 640);
    EXPECT_EQ(param("CameraYRes").GetLong(), 480);
    EXPECT_EQ(param("PixelRatio").GetFloat(), 1.0f);
    EXPECT_EQ(param("EndFrame").GetLong(), 1);

    XSI::HostControl::ResetHost();
    w.session.importRender = false;
    ImportRenderSettings(w.session);
    EXPECT_EQ(param("EndFrame").GetLong(), 100);
}

TEST(sun, without_wldg_around_the_middle_of_the_terrain) {
    // halfX = halfY = 257 x 3 / 2 = 385.5; R = 3 halfX = 1156.5.
    WorldScene w({sunGroup(0, 0)});
    CreateSun(w.session);
    expectAt("TG_Sun", 385.5, 0, -1542);
    expectAt("TG_Sun_Interest", 385.5, 0, -385.5);

    WorldScene w90({sunGroup(90, 0)});
    CreateSun(w90.session);
    expectAt("TG_Sun", 1542, 0, -385.5, 1e-4);
}

TEST(sun, with_wldg_around_the_camera) {
    // Camera at (300, 150, -600); heading 0 puts the sun R behind along -Z,
    // altitude 30 raises it by R sin 30 = 578.25.
    WorldScene w({camera(1, 0), sunGroup(0, 30)});
    CreateSun(w.session);
    expectAt("TG_Sun", 300, 150 + 578.25, -600 - 1156.5, 1e-4);
    expectAt("TG_Sun_Interest", 300, 150, -600);
}

TEST(sun, without_sun_group_or_atmosphere_stays_at_the_hosts_place) {
    for (const auto& world : {std::vector<Chunk>{camera(1, 0)},
                              std::vector<Chunk>{group("ATLI", {group("LIGT", {valueFloat("LCST", 1)})})}}) {
        WorldScene w(world);
        CreateSun(w.session);
        expectAt("TG_Sun", 10, 20, 10);
    }
    WorldScene off({sunGroup(0, 0)});
    off.session.importSun = false;
    CreateSun(off.session);
    EXPECT_FALSE(XSI::HostControl::FindObject("TG_Sun").has_value());
}

TEST(water, plane_covers_the_grid_at_the_water_level) {
    WorldScene w({group("WATR", {valueFloat("LEVL", 2)})}, 513, 257);
    CreateWaterPlane(w.session);
    const std::string out = w.folder.path("scene.gltf");
    ASSERT_TRUE(XSI::SceneExport::WriteGltf(out, XSI::SceneExport::GltfLayout::Separate).ok);
    const GltfMesh mesh = readGltfMesh(out, "TG_Water");
    ASSERT_TRUE(mesh.found);
    // 512 x 3 by 256 x 3 scene units, at 2 x 3 = 6.
    const std::vector<float> corners = {0, 6, 0, 1536, 6, 0, 1536, 6, -768, 0, 6, -768};
    EXPECT_EQ(mesh.positions, corners);
    const auto info = XSI::HostControl::FindObject("TG_Water");
    EXPECT_DOUBLE_EQ(info->pivot[0], 768);
    EXPECT_DOUBLE_EQ(info->pivot[1], 6);
    EXPECT_DOUBLE_EQ(info->pivot[2], -384);
}

TEST(water, missing_level_reads_as_minus_one_and_no_watr_means_no_plane) {
    WorldScene w({group("WATR", {valueFloat("WLEN", 1)})});
    CreateWaterPlane(w.session);
    const auto info = XSI::HostControl::FindObject("TG_Water");
    ASSERT_TRUE(info);
    EXPECT_FLOAT_EQ(static_cast<float>(info->pivot[1]), -3.0f);  // -1 x 0.1 x 30
    EXPECT_DOUBLE_EQ(info->pivot[0], 384);                       // 768 / 2

    WorldScene none({camera(1, 0)});
    CreateWaterPlane(none.session);
    EXPECT_FALSE(XSI::HostControl::FindObject("TG_Water").has_value());
}
