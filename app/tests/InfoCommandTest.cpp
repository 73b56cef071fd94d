#include "app/vqvireru/InfoCommand.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "formats/tests/TempFiles.h"

using namespace tergen;
using namespace testbytes;

namespace {

using Printer = int (*)(const std::string&, std::FILE*, std::FILE*);

struct Captured {
    int status;
    std::string out, err;
};

Captured capture(Printer print, const std::string& path) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Captured c{print(path, out, err), "", ""};
    for (auto [f, text] : {std::pair{out, &c.out}, {err, &c.err}}) {
        std::rewind(f);
        for (int ch; (ch = std::fgetc(f)) != EOF;) *text += static_cast<char>(ch);
        std::fclose(f);
    }
    return c;
}

}  // namespace

TEST(info_terrain, seven_lines_as_the_options_dialog_shows_them) {
    TempFolder folder;
    TerrainParams flat;  // scales, radius and curve mode left to the reader's defaults
    flat.size = 512;
    flat.xPoints = flat.yPoints = 513;
    TerrainParams draped = flat;
    draped.scale = std::array<float, 3>{2.5f, 1, 1};  // the first scale is shown
    draped.planetRadius = 0.000125f;
    draped.curveMode = 2;  // every mode but 0 drapes
    draped.baseHeight = -12;
    draped.heightScale = -3;
    for (auto [params, expected] :
         {std::pair{flat, "Size: 512\nX/Y-Points: 513x513\nMetres/tg-Unit: 30 m\nPlanet Radius: 6370 km\n"
                          "Curve Mode: flat\nBase Height: 0\nHeight Scale: 80\n"},
          {draped, "Size: 512\nX/Y-Points: 513x513\nMetres/tg-Unit: 2.5 m\nPlanet Radius: 0.000125 km\n"
                   "Curve Mode: draped\nBase Height: -12\nHeight Scale: -3\n"}}) {
        const Captured c = capture(printTerrainInfo, folder.write("a.ter", terrainBytes(params)));
        EXPECT_EQ(c.status, 0);
        EXPECT_EQ(c.out, expected);
    }
}

TEST(info_world, tree_in_file_order_then_surface_map_then_atmosphere) {
    TempFolder folder;
    const std::string p = folder.write(
        "w.tgw", worldBytes({group("ATLI", {group("SUN ", {valueFloat("ALT ", 30)})}),
                             group("WATR", {valueFloat("LEVL", 2.5f), valueFloats("DIFC", {0.5f, 1, 0.25f})}),
                             group("SRFL", {valueText("NAME", "rock\x7f\xe9\""),
                                            group("TERM", {group("DENS", {valueBytes("ALTE", {1, 0xAB})})})}),
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
              "  \"NAME\" = rock\\x7F\\xE9\\x22\n"  // bytes 127 and up, and quotes, escaped
              "  \"TERM\" [type 6]\n"
              "    \"DENS\" [type 9]\n"
              "      \"ALTE\" = 01 AB 00 00\n"  // type 2: hex bytes, padding included
              "\"ATLI\" [type 13]\n"
              "  \"SUN \" [type 15]\n"
              "    \"ALT \" = 30\n");
}

TEST(info_command, bad_files_fail_with_the_readers_message) {
    TempFolder folder;
    const std::string terrain = folder.write("bad.ter", text("no"));
    const Captured t = capture(printTerrainInfo, terrain);
    EXPECT_EQ(t.status, 1);
    EXPECT_EQ(t.out, "");
    EXPECT_EQ(t.err, terrain + "\nis not a terrain-file\n");

    const Captured w = capture(printWorldInfo, folder.write("w.tgw", worldBytes({group("ANIM", {})}) + text("JUNK")));
    EXPECT_EQ(w.status, 1);
    EXPECT_EQ(w.out, "loaded: no (unknown world tag JUNK)\n\"ANIM\" [type 1]\n");  // the groups read before it stay
    EXPECT_EQ(w.err, "unknown world tag JUNK\n");
}
