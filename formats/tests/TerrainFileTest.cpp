#include "formats/TerrainFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "formats/tests/TempFiles.h"

using namespace testbytes;
using tergen::TerrainParams;

#ifdef __SANITIZE_ADDRESS__
// The sanitizer build aborts on any allocation over 1 GiB, so a declared size
// trusted beyond what the file holds fails the test (world values included).
extern "C" const char* __asan_default_options() { return "max_allocation_size_mb=1024"; }
#endif

namespace {

TerrainParams gridParams(uint16_t x, uint16_t y) {
    TerrainParams s;
    s.xPoints = x;
    s.yPoints = y;
    s.samples.assign(size_t{x} * y, 0);
    return s;
}

struct Opened {
    TempFolder folder;
    TerrainFile file;
    std::string path;
    bool ok;
    explicit Opened(const Bytes& bytes, const std::string& name = "t.ter")
        : path(folder.write(name, bytes)), ok(file.open(path.c_str())) {}
    explicit Opened(const TerrainParams& params) : Opened(tergen::terrainBytes(params)) {}
    TerrainHeader header() const {
        TerrainHeader h;
        file.getHeader(h);
        return h;
    }
    // readElevations, collecting the sample indices the progress callback is given.
    bool read(std::vector<int32_t>* seen = nullptr) {
        return file.readElevations(seen, [](void* ctx, int32_t i) {
            if (ctx) static_cast<std::vector<int32_t>*>(ctx)->push_back(i);
        });
    }
};

}  // namespace

TEST(terrain_header, signature_only_file_keeps_every_default) {
    Opened t(text("TERRAGENTERRAIN "));
    ASSERT_TRUE(t.ok) << t.file.errorText;
    const TerrainHeader h = t.header();
    EXPECT_EQ(std::make_tuple(h.size, h.xPoints, h.yPoints, h.curveMode, h.heightScale, h.baseHeight),
              std::make_tuple(0, 0, 0, 0, 0, 0));
    EXPECT_EQ(std::make_tuple(h.scaleX, h.scaleY, h.scaleZ, h.planetRadius),
              std::make_tuple(30.0f, 30.0f, 30.0f, 6370.0f));
    EXPECT_EQ(h.elevations, nullptr);
    EXPECT_STREQ(t.file.errorText, "no error");
    EXPECT_FALSE(t.read());  // no grid declared
}

TEST(terrain_header, chunks_in_any_order_later_ones_win_unknown_tags_are_passed_over) {
    // "ABCD" and "XP\n" (a line feed ends a tag early) are unknown tags without data.
    Opened t(text("TERRAGENTERRAIN CRVM") + u32(0x00010001) + text("YPTS") + u32(3) + text("ABCD") + text("SCAL") +
             f32(10) + f32(20) + f32(5) + text("XPTS") + u32(9) + text("XP\nXPTS") + u32(0xABCD0004) + text("CRAD") +
             f32(1000.5f) + text("ALTW") + u16(static_cast<uint16_t>(-7)) + u16(12));
    ASSERT_TRUE(t.ok) << t.file.errorText;
    const TerrainHeader h = t.header();
    EXPECT_EQ(std::make_tuple(h.xPoints, h.yPoints, h.size, h.curveMode), std::make_tuple(4, 3, 0, 1));  // low 16 bits
    EXPECT_EQ(std::make_tuple(h.scaleX, h.scaleY, h.scaleZ, h.planetRadius),
              std::make_tuple(10.0f, 20.0f, 5.0f, 1000.5f));
    EXPECT_EQ(h.heightScale, -7);
    EXPECT_EQ(h.baseHeight, 12);
}

TEST(terrain_header, size_alone_gives_a_square_grid_and_one_missing_count_gives_none) {
    TerrainParams sizeOnly;
    sizeOnly.size = 256;
    TerrainParams xOnly = sizeOnly;
    xOnly.xPoints = 5;
    xOnly.samples.assign(5, 1);
    using Case = std::tuple<const char*, Bytes, int, int, const char*>;  // what, file, x and y points, message
    for (const auto& [what, file, x, y, message] :
         {Case{"SIZE only", tergen::terrainBytes(sizeOnly), 257, 257, "no error"},
          {"SIZE and XPTS", tergen::terrainBytes(xOnly), 5, 0, "no error"},
          {"EOF before YPTS", text("TERRAGENTERRAIN XPTS") + u32(2) + text("EOF YPTS") + u32(2), 2, 0, "no error"},
          {"no counts, no SIZE", text("TERRAGENTERRAIN ALTW") + u16(80) + u16(0), 0, 0, "file read-error :("}}) {
        Opened t(file);
        EXPECT_EQ(t.ok, std::string(message) == "no error") << what;
        EXPECT_STREQ(t.file.errorText, message) << what;
        EXPECT_EQ(t.header().xPoints, x) << what;
        EXPECT_EQ(t.header().yPoints, y) << what;
        if (y == 0) {
            EXPECT_FALSE(t.read()) << what;
        }
    }
}

TEST(terrain_header, end_of_file_inside_any_value_is_a_read_error) {
    TerrainParams s = gridParams(2, 2);
    s.size = 1;
    s.scale = std::array<float, 3>{1, 2, 3};
    s.planetRadius = 100;
    s.curveMode = 1;
    s.samples.clear();
    s.endMarker = false;
    const Bytes full = tergen::terrainBytes(s);
    // Value lengths after each tag: SIZE, XPTS, YPTS, SCAL, CRAD, CRVM, ALTW.
    size_t at = 16;
    for (size_t len : {4, 4, 4, 12, 4, 4, 4}) {
        at += 4;  // the tag
        for (size_t cut = at; cut < at + len; ++cut) {
            Opened t(Bytes(full.begin(), full.begin() + static_cast<long>(cut)));
            EXPECT_FALSE(t.ok) << "cut at " << cut;
            EXPECT_STREQ(t.file.errorText, "file read-error :(") << "cut at " << cut;
        }
        at += len;
    }
    ASSERT_EQ(at, full.size());
    EXPECT_TRUE(Opened(full).ok);
}

TEST(terrain_header, every_failure_to_open_names_the_file) {
    for (const std::string sig : {"TERRAGEN TERRAIN", "terragenterrain ", "TERRAGENTERRAIN", "TERRA\nENTERRAIN "}) {
        Opened t(text(sig));
        EXPECT_FALSE(t.ok) << sig;
        EXPECT_EQ(std::string(t.file.errorText), t.path + "\nis not a terrain-file");
    }
    // A long path is shortened from the front: the message's own words survive.
    Opened longPath(text("nope"), std::string(200, 'n') + ".ter");
    const std::string message = longPath.file.errorText;
    EXPECT_LE(message.size(), 131u);
    EXPECT_EQ(message.substr(0, 3), "...");
    EXPECT_EQ(message.substr(message.size() - 30), "nnnn.ter\nis not a terrain-file");

    TerrainFile f;
    EXPECT_FALSE(f.open("/no/such/dir/x.ter"));
    EXPECT_STREQ(f.errorText, "cannot open file \"/no/such/dir/x.ter\"");
    EXPECT_FALSE(f.open(""));
    EXPECT_STREQ(f.errorText, "no terrain file given");
}

TEST(terrain_grid, points_follow_the_scales_and_axes_inside_the_grid_only) {
    TerrainParams s = gridParams(3, 2);
    s.scale = std::array<float, 3>{2.0f, 3.0f, 30.0f};
    s.heightScale = 80;
    s.baseHeight = -5;
    s.samples = {-32768, 0, 32767, 100, 200, 300};
    Opened t(s);
    double p[3];
    EXPECT_FALSE(t.file.getPoint(0, 0, p));  // not read yet
    ASSERT_TRUE(t.read());
    ASSERT_TRUE(t.file.getPoint(0, 0, p));
    EXPECT_DOUBLE_EQ(p[1], -1200.0 - 150.0);  // -32768 * 80 * 30 / 65536 + base -5 * 30
    ASSERT_TRUE(t.file.getPoint(1, 2, p));
    EXPECT_DOUBLE_EQ(p[0], 2 * 3.0);  // column * second scale
    EXPECT_DOUBLE_EQ(p[1], 300.0 * 80 * 30 / 65536 - 150.0);
    EXPECT_DOUBLE_EQ(p[2], -1 * 2.0);  // -row * first scale
    for (auto rc : {std::pair{-1, 0}, {2, 0}, {0, -1}, {0, 3}}) {
        EXPECT_FALSE(t.file.getPoint(rc.first, rc.second, p));
        EXPECT_STREQ(t.file.errorText, "x/y coord out of range");
    }
}

TEST(terrain_grid, index_list_winds_counter_clockwise_seen_from_above) {
    Opened t(gridParams(3, 2));
    std::vector<uint32_t> idx(12, 99);
    ASSERT_TRUE(t.file.getTriangleIndices(idx.data()));
    // 0 -> 1 -> 3 runs east, then north (z = -row): counter-clockwise from above.
    EXPECT_EQ(idx, (std::vector<uint32_t>{0, 1, 3, 1, 4, 3, 1, 2, 4, 2, 5, 4}));
    EXPECT_FALSE(t.file.getTriangleIndices(nullptr));
    EXPECT_STREQ(t.file.errorText, "param error in \"getTriangleIndices\"");

    Opened line(gridParams(5, 1));
    uint32_t untouched = 7;
    EXPECT_TRUE(line.file.getTriangleIndices(&untouched));
    EXPECT_EQ(untouched, 7u);
}

TEST(terrain_progress, small_grids_report_every_sample_large_ones_every_331st) {
    std::vector<int32_t> seen, every(100);
    for (int i = 0; i < 100; ++i) every[i] = i;
    EXPECT_TRUE(Opened(gridParams(10, 10)).read(&seen));
    EXPECT_EQ(seen, every);

    seen.clear();
    TerrainParams large = gridParams(257, 257);  // more samples than one read takes
    for (size_t i = 0; i < large.samples.size(); ++i) large.samples[i] = static_cast<int16_t>(i * 7919);
    Opened t(large);
    EXPECT_TRUE(t.read(&seen));  // step 66049 / 200 = 330
    ASSERT_EQ(seen.size(), 199u);
    for (size_t k = 0; k < seen.size(); ++k) EXPECT_EQ(seen[k], static_cast<int32_t>(330 + 331 * k));
    EXPECT_TRUE(std::equal(large.samples.begin(), large.samples.end(), t.header().elevations));
}

TEST(terrain_progress, a_grid_the_file_cannot_fill_fails_after_reporting_what_was_read) {
    // 65535 x 65535 samples would need 8 GiB: passing shows none was attempted.
    // Reports are due after each sample for 10 x 10, every 21474181st for 65535 x 65535.
    for (auto [x, y, present, reported] : {std::tuple{10, 10, 55, 55u}, {65535, 65535, 8, 0u}}) {
        TerrainParams s;
        s.xPoints = static_cast<uint16_t>(x);
        s.yPoints = static_cast<uint16_t>(y);
        s.samples.assign(static_cast<size_t>(present), 1);
        s.endMarker = false;
        Opened t(s);
        std::vector<int32_t> seen;
        EXPECT_FALSE(t.read(&seen)) << x;
        EXPECT_EQ(seen.size(), reported) << x;
        EXPECT_STREQ(t.file.errorText, "no error");
        double p[3];
        EXPECT_FALSE(t.file.getPoint(0, 0, p));
    }
}

TEST(terrain_dump, every_sample_is_written_as_a_decimal_line) {
    TerrainParams s = gridParams(3, 2);
    s.samples = {-32768, -1, 0, 7, 32767, 120};
    ASSERT_TRUE(Opened(s).read());
    EXPECT_EQ(readWholeFile(elevationDumpPath()), "-32768\n-1\n0\n7\n32767\n120\n");
}
