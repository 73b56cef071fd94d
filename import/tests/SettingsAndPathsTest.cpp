// The settings file's bytes and its failure cases; the path texts of the
// driver (object name, sibling world file, settings path, host-safe name).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "import/ImportPaths.h"
#include "import/tests/ImportTestSupport.h"

using namespace importtest;

namespace {

std::string settingsBytes(const ImportSession& s) {
    s.SaveSettings();
    return readWholeFile(s.settingsPath);
}

tergen::Bytes settingsFile(int32_t version, uint8_t flag, float scale) {
    tergen::Bytes b;
    tergen::putU32(b, static_cast<uint32_t>(version));
    b.push_back(flag);
    b.push_back(flag);
    tergen::putF32(b, scale);
    for (int i = 0; i < 4; ++i) b.push_back(flag);
    return b;
}

void expectDefaults(const ImportSession& s) {
    EXPECT_TRUE(s.replaceScene && s.centerPivot && s.importCamera && s.importSun && s.createWater && s.importRender);
    EXPECT_EQ(s.scale, 0.1f);
}

}  // namespace

TEST(settings_file, written_as_fourteen_little_endian_bytes) {
    TempFolder folder;
    ImportSession s;
    fixedtext::copy(s.settingsPath, folder.path("vq_vireru.cfg").c_str());
    const std::string defaults = settingsBytes(s);
    // 0.1f is 0x3DCCCCCD.
    EXPECT_EQ(defaults, std::string("\x03\x00\x00\x00\x01\x01\xCD\xCC\xCC\x3D\x01\x01\x01\x01", 14));

    s.replaceScene = false;
    s.importSun = false;
    s.importRender = false;
    s.scale = 2.5f;  // 0x40200000
    EXPECT_EQ(settingsBytes(s), std::string("\x03\x00\x00\x00\x00\x01\x00\x00\x20\x40\x01\x00\x01\x00", 14));

    ImportSession back;
    fixedtext::copy(back.settingsPath, s.settingsPath);
    ASSERT_TRUE(back.LoadSettings());
    EXPECT_FALSE(back.replaceScene);
    EXPECT_TRUE(back.centerPivot);
    EXPECT_EQ(back.scale, 2.5f);
    EXPECT_TRUE(back.importCamera);
    EXPECT_FALSE(back.importSun);
    EXPECT_TRUE(back.createWater);
    EXPECT_FALSE(back.importRender);
}

TEST(settings_file, any_nonzero_flag_byte_is_true) {
    TempFolder folder;
    ImportSession s;
    fixedtext::copy(s.settingsPath, folder.write("c.cfg", settingsFile(3, 0x80, 4.0f)).c_str());
    s.replaceScene = s.importSun = false;
    ASSERT_TRUE(s.LoadSettings());
    EXPECT_TRUE(s.replaceScene && s.importSun);
    EXPECT_EQ(s.scale, 4.0f);
}

TEST(settings_file, wrong_version_short_or_missing_file_keeps_the_defaults) {
    TempFolder folder;
    for (const tergen::Bytes& bytes : {settingsFile(2, 0, 7.0f), settingsFile(0x03000000, 0, 7.0f),
                                      tergen::Bytes{3, 0, 0, 0, 0, 0}, tergen::Bytes{3}}) {
        ImportSession s;
        fixedtext::copy(s.settingsPath, folder.write("c.cfg", bytes).c_str());
        EXPECT_FALSE(s.LoadSettings()) << bytes.size();
        expectDefaults(s);
    }
    ImportSession empty;
    fixedtext::copy(empty.settingsPath, folder.path("empty.cfg").c_str());
    std::fclose(std::fopen(empty.settingsPath, "wb"));
    EXPECT_FALSE(empty.LoadSettings());
    expectDefaults(empty);
    ImportSession missing;
    fixedtext::copy(missing.settingsPath, folder.path("none.cfg").c_str());
    EXPECT_FALSE(missing.LoadSettings());
    expectDefaults(missing);
}

TEST(settings_file, scale_that_is_not_finite_and_positive_keeps_the_scale_in_force) {
    TempFolder folder;
    const float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(), 0.0f, -2.0f};
    for (float scale : bad) {
        ImportSession s;
        fixedtext::copy(s.settingsPath, folder.write("c.cfg", settingsFile(3, 0, scale)).c_str());
        EXPECT_TRUE(s.LoadSettings());
        EXPECT_EQ(s.scale, 0.1f) << scale;
        EXPECT_FALSE(s.replaceScene);  // the flags still apply
    }
}

TEST(settings_file, empty_settings_path_reads_and_writes_nothing) {
    ImportSession s;
    EXPECT_FALSE(s.LoadSettings());
    s.SaveSettings();  // no file named "" is attempted; nothing to observe but no crash
    expectDefaults(s);
}

namespace {

std::string objectName(const char* path) {
    char out[64];
    ObjectNameFromPath(path, out, sizeof out);
    return out;
}

std::string hostSafe(const char* name) {
    char out[66];
    MakeHostSafeName(name, out, sizeof out);
    return out;
}

}  // namespace

TEST(paths, object_name_from_the_terrain_path) {
    EXPECT_EQ(objectName("D:\\maps\\alps.old.ter"), "alps");
    EXPECT_EQ(objectName("D:alps.ter"), "alps");
    EXPECT_EQ(objectName("alps.ter"), "alps");
    // Forward slashes too: no folder name leaks into the object name.
    EXPECT_EQ(objectName("/home/user/maps.v2/alps.ter"), "alps");
    EXPECT_EQ(objectName("D:\\maps/sub\\alps.ter"), "alps");
    EXPECT_EQ(objectName("C:/maps/"), "");
    EXPECT_EQ(objectName(std::string(100, 'n').c_str()), std::string(63, 'n'));  // cut to the field
}

TEST(paths, sibling_world_file) {
    EXPECT_EQ(SiblingWorldPath("D:\\maps\\alps.old.ter"), "D:\\maps\\alps.old.tgw");
    EXPECT_EQ(SiblingWorldPath("/data/alps.ter"), "/data/alps.tgw");
    EXPECT_EQ(SiblingWorldPath("alps"), "");
}

TEST(paths, strip_file_name_and_settings_beside_the_module) {
    char a[] = "C:\\Apps\\Plugins\\vqVirEru.dll";
    StripFileName(a);
    EXPECT_STREQ(a, "C:\\Apps\\Plugins\\");
    char b[] = "/opt/vq/lib.so";
    StripFileName(b);
    EXPECT_STREQ(b, "/opt/vq/");
    char mixed[] = "C:\\Apps/Plugins/vqVirEru.dll";  // the last separator, whichever kind
    StripFileName(mixed);
    EXPECT_STREQ(mixed, "C:\\Apps/Plugins/");
    char c[] = "module.dll";
    StripFileName(c);
    EXPECT_STREQ(c, "");

    char out[260];
    SettingsPathBesideModule("C:\\Apps\\vqVirEru.dll", out, sizeof out);
    EXPECT_STREQ(out, "C:\\Apps\\vq_vireru.cfg");
    const std::string longModule = "C:\\" + std::string(250, 'd') + "\\vqVirEru.dll";
    SettingsPathBesideModule(longModule.c_str(), out, sizeof out);
    EXPECT_STREQ(out, "");  // would not fit: no settings file rather than a wrong one
}

TEST(paths, host_safe_object_names) {
    EXPECT_EQ(hostSafe("'my terrain'"), "my_terrain");
    EXPECT_EQ(hostSafe("\"quoted\""), "quoted");
    EXPECT_EQ(hostSafe("'half"), "_half");
    EXPECT_EQ(hostSafe("'"), "");
    EXPECT_EQ(hostSafe(""), "");
    EXPECT_EQ(hostSafe("3dland"), "_3dland");
    EXPECT_EQ(hostSafe("a-b.c"), "a_b_c");
    EXPECT_EQ(hostSafe("caf\xE9"), "caf_");  // an accented letter
    EXPECT_EQ(hostSafe("tab\there"), "tab_here");
    EXPECT_EQ(hostSafe(std::string(63, '9').c_str()), "_" + std::string(63, '9'));  // 64 characters fit
}
