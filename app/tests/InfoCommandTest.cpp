#include "app/vqvireru/InfoCommand.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "formats/tests/TempFiles.h"

namespace {

struct Captured {
    int status;
    std::string out, err;
};

Captured capture(int (*print)(const std::string&, std::FILE*, std::FILE*), const std::string& path) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Captured c;
    c.status = print(path, out, err);
    auto slurp = [](std::FILE* f) {
        std::string s;
        std::rewind(f);
        for (int ch; (ch = std::fgetc(f)) != EOF;) s += static_cast<char>(ch);
        std::fclose(f);
        return s;
    };
    c.out = slurp(out);
    c.err = slurp(err);
    return c;
}

}  // namespace

TEST(info_terrain, seven_lines_as_the_options_dialog_shows_them) {
    TempFolder folder;
    tergen::TerrainParams s;
    s.size = 512;
    s.xPoints = 513;
    s.yPoints = 513;
    s.scale = std::array<float, 3>{30, 30, 30};
    s.planetRadius = 6370;
    s.curveMode = 0;
    s.heightScale = 80;
    const Captured c = capture(printTerrainInfo, folder.write("a.ter", tergen::terrainBytes(s)));
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.out,
              "Size: 512\nX/Y-Points: 513x513\nMetres/tg-Unit: 30 m\nPlanet Radius: 6370 km\n"
              "Curve Mode: flat\nBase Height: 0\nHeight Scale: 80\n");

    s.scale = std::array<float, 3>{2.5f, 1, 1};
    s.planetRadius = 0.000125f;
    s.curveMode = 1;
    s.baseHeight = -12;
    s.heightScale = -3;
    const Captured d = capture(printTerrainInfo, folder.write("b.ter", tergen::terrainBytes(s)));
    EXPECT_NE(d.out.find("Metres/tg-Unit: 2.5 m\nPlanet Radius: 0.000125 km\nCurve Mode: draped\n"
                         "Base Height: -12\nHeight Scale: -3\n"),
              std::string::npos)
        << d.out;
}

TEST(info_terrain, a_bad_file_fails_with_the_readers_message) {
    TempFolder folder;
    const std::string p = folder.write("bad.ter", tergen::Bytes{'n', 'o'});
    const Captured c = capture(printTerrainInfo, p);
    EXPECT_EQ(c.status, 1);
    EXPECT_EQ(c.out, "");
    EXPECT_EQ(c.err, p + "\nis not a terrain-file\n");
}

TEST(info_world, tree_in_file_order_then_surface_map_then_atmosphere) {
    using namespace tergen;
    TempFolder folder;
    const std::string p = folder.write(
        "w.tgw", worldBytes({group("ATLI", {group("SUN ", {valueFloat("ALT ", 30)})}),
                             group("WATR", {valueFloat("LEVL", 2.5f), valueFloats("DIFC", {0.5f, 1, 0.25f})}),
                             group("SRFL", {valueText("NAME", "rock")}),
                             group("WLDG", {valueInt("IMWI", 800), valueBytes("BUFS", {1, 2, 3, 4, 5}),
                                            group("XTRA", {})})}));
    const Captured c = capture(printWorldInfo, p);
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(c.out,
              "loaded: yes\n"
              "\"WATR\" [type 4]\n"
              "  \"LEVL\" = 2.5\n"
              "  \"DIFC\" = 0.5 1 0.25\n"
              "\"WLDG\" [type 0]\n"
              "  \"IMWI\" = 800\n"
              "  \"BUFS\" = 67305985\n"  // type 6: the first four bytes, 0x04030201
              "  \"XTRA\" [type -1]\n"
              "\"SRFL\" [type 5]\n"
              "  \"NAME\" = rock\n"
              "\"ATLI\" [type 13]\n"
              "  \"SUN \" [type 15]\n"
              "    \"ALT \" = 30\n");
}

TEST(info_world, a_failed_read_shows_what_was_read_and_the_message) {
    using namespace tergen;
    TempFolder folder;
    Bytes b = worldBytes({group("ANIM", {})});
    putText(b, "JUNK");
    const Captured c = capture(printWorldInfo, folder.write("w.tgw", b));
    EXPECT_EQ(c.status, 1);
    EXPECT_EQ(c.out, "loaded: no (unknown world tag JUNK)\n\"ANIM\" [type 1]\n");
    EXPECT_EQ(c.err, "unknown world tag JUNK\n");
}
