// The settings file's bytes and its failure cases; the path texts of the
// driver (object name, sibling world file, settings path, host-safe name).
#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "import/ImportPaths.h"
#include "import/tests/ImportTestSupport.h"

namespace {

// The six options as '0'/'1' in file order: replaceScene, centerPivot,
// importCamera, importSun, createWater, importRender.
std::string flags(const ImportSession& s) {
    std::string f;
    for (bool b : {s.replaceScene, s.centerPivot, s.importCamera, s.importSun, s.createWater, s.importRender})
        f += b ? '1' : '0';
    return f;
}

tergen::Bytes settingsFile(int32_t version, uint8_t flag, float scale) {
    tergen::Bytes b;
    tergen::putU32(b, static_cast<uint32_t>(version));
    b.insert(b.end(), {flag, flag});
    tergen::putF32(b, scale);
    b.insert(b.end(), 4, flag);
    return b;
}

}  // namespace

TEST(settings_file, written_as_fourteen_little_endian_bytes_and_loaded) {
    TempFolder folder;
    auto expectLoad = [&](const std::optional<tergen::Bytes>& file, bool loaded, const char* flagsWanted, float scale) {
        ImportSession s;
        fixedtext::copy(s.settingsPath, (file ? folder.write("c.cfg", *file) : folder.path("none.cfg")).c_str());
        const std::string what = file ? std::to_string(file->size()) + " bytes" : "no file";
        EXPECT_EQ(s.LoadSettings(), loaded) << what;
        EXPECT_EQ(flags(s), flagsWanted) << what;
        EXPECT_EQ(s.scale, scale) << what;
    };
    ImportSession s;
    fixedtext::copy(s.settingsPath, folder.path("vq_vireru.cfg").c_str());
    s.SaveSettings();  // the defaults; 0.1f is 0x3DCCCCCD
    EXPECT_EQ(readWholeFile(s.settingsPath), std::string("\x03\x00\x00\x00\x01\x01\xCD\xCC\xCC\x3D\x01\x01\x01\x01", 14));
    s.replaceScene = s.importSun = s.importRender = false;
    s.scale = 2.5f;  // 0x40200000
    s.SaveSettings();
    const std::string saved = readWholeFile(s.settingsPath);
    EXPECT_EQ(saved, std::string("\x03\x00\x00\x00\x00\x01\x00\x00\x20\x40\x01\x00\x01\x00", 14));
    expectLoad(tergen::Bytes(saved.begin(), saved.end()), true, "011010", 2.5f);

    expectLoad(settingsFile(3, 0x80, 4.0f), true, "111111", 4.0f);  // any non-zero flag byte is true
    // A scale that is not finite and positive keeps the one in force; the flags still apply.
    constexpr float inf = std::numeric_limits<float>::infinity();
    for (float scale : {std::numeric_limits<float>::quiet_NaN(), inf, -inf, 0.0f, -2.0f})
        expectLoad(settingsFile(3, 0, scale), true, "000000", 0.1f);
    // Another version (2, 3 stored big-endian, or 0x103, whose first byte alone
    // reads 3), a file cut short or none: all six on, scale 0.1.
    for (const tergen::Bytes& file : {settingsFile(2, 0, 7.0f), settingsFile(0x03000000, 0, 7.0f),
                                      settingsFile(0x103, 0, 7.0f),
                                      tergen::Bytes{3, 0, 0, 0, 0, 0}, tergen::Bytes{3}, tergen::Bytes{}})
        expectLoad(file, false, "111111", 0.1f);
    expectLoad(std::nullopt, false, "111111", 0.1f);
}

TEST(paths, object_name_sibling_world_file_and_settings_beside_the_module) {
    using Pair = std::pair<std::string, std::string>;
    // Forward slashes too: no folder name leaks into the object name.
    for (const auto& [path, name] : {Pair{"D:\\maps\\alps.old.ter", "alps"}, {"D:alps.ter", "alps"}, {"alps.ter", "alps"},
                                     {"/home/user/maps.v2/alps.ter", "alps"}, {"D:\\maps/sub\\alps.ter", "alps"},
                                     {"C:/maps/", ""}, {std::string(100, 'n'), std::string(63, 'n')}}) {
        char out[64];
        ObjectNameFromPath(path.c_str(), out, sizeof out);
        EXPECT_EQ(out, name) << path;
    }
    EXPECT_EQ(SiblingWorldPath("D:\\maps\\alps.old.ter"), "D:\\maps\\alps.old.tgw");
    EXPECT_EQ(SiblingWorldPath("/data/alps.ter"), "/data/alps.tgw");
    EXPECT_EQ(SiblingWorldPath("alps"), "");

    // Beside the module, after the last separator of either kind; a path that
    // would not fit gives no settings file rather than a wrong one.
    for (const auto& [module, settings] : {Pair{"C:\\Apps\\vqVirEru.dll", "C:\\Apps\\vq_vireru.cfg"},
                                           {"/opt/vq/lib.so", "/opt/vq/vq_vireru.cfg"},
                                           {"C:\\Apps/Plugins/vq.dll", "C:\\Apps/Plugins/vq_vireru.cfg"},
                                           {"module.dll", "vq_vireru.cfg"},
                                           {"C:\\" + std::string(250, 'd') + "\\vqVirEru.dll", ""}}) {
        char out[260];
        SettingsPathBesideModule(module.c_str(), out, sizeof out);
        EXPECT_EQ(out, settings) << module;
    }
}

TEST(paths, host_safe_object_names) {
    using Pair = std::pair<std::string, std::string>;
    for (const auto& [name, safe] : {Pair{"'my terrain'", "my_terrain"}, {"\"quoted\"", "quoted"}, {"'half", "_half"},
                                     {"'", ""}, {"", ""}, {"3dland", "_3dland"}, {"a-b.c", "a_b_c"}, {"caf\xE9", "caf_"},
                                     {"tab\there", "tab_here"}, {std::string(63, '9'), "_" + std::string(63, '9')}}) {
        char out[66];  // 64 characters fit
        MakeHostSafeName(name.c_str(), out, sizeof out);
        EXPECT_EQ(out, safe) << name;
    }
}
