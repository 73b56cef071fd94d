#include "formats/WorldFile.h"

#include <gtest/gtest.h>

#include <cmath>

#include "formats/tests/TempFiles.h"

using tergen::Bytes;
using tergen::Chunk;
using tergen::group;
using tergen::valueFloat;
using tergen::valueInt;

namespace {

struct Read {
    TempFolder folder;
    WorldFile world;
    std::string path;
    bool ok;
    explicit Read(const Bytes& bytes) {
        path = folder.write("w.tgw", bytes);
        ok = world.read(path.c_str());
    }
    explicit Read(const std::vector<Chunk>& top) : Read(tergen::worldBytes(top)) {}
};

Bytes header() { return tergen::worldBytes({}); }

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes u32(uint32_t v) {
    Bytes b;
    tergen::putU32(b, v);
    return b;
}

}  // namespace

TEST(world_header, header_alone_is_a_complete_world) {
    Read r(header());
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.world.loaded);
    EXPECT_TRUE(r.world.groups.empty());
    EXPECT_EQ(r.world.surfaceMapGroup, nullptr);
    EXPECT_EQ(r.world.atmosphereGroup, nullptr);
    EXPECT_STREQ(r.world.errorText, "");
}

TEST(world_header, header_is_case_and_blank_sensitive) {
    for (const std::string h : {"terragenworld2  ", "TERRAGENWORLD2", "TERRAGENWORLD2 \n"}) {
        Read r(text(h));
        EXPECT_FALSE(r.ok) << h;
        EXPECT_FALSE(r.world.loaded);
        EXPECT_EQ(std::string(r.world.errorText), r.path + "\nis not a TG-world-file");
    }
}

TEST(world_header, an_unopenable_file_leaves_loaded_as_it_was) {
    Read r(header());
    ASSERT_TRUE(r.world.loaded);
    EXPECT_FALSE(r.world.read("/no/such/world.tgw"));
    EXPECT_STREQ(r.world.errorText, "cannot open file \"/no/such/world.tgw\"");
    EXPECT_TRUE(r.world.loaded);
    EXPECT_FALSE(r.world.read(""));
    EXPECT_STREQ(r.world.errorText, "cannot open file \"\"");
}

TEST(world_framing, odd_value_sizes_are_padded_and_counted_with_their_padding) {
    // CAMX holds 5 bytes: 8 data bytes are kept and the group counts 16.
    Read r({group("WLDG", {tergen::valueBytes("CAMX", {1, 2, 3, 4, 5}), valueFloat("CAMY", 2.5f)}),
            group("WATR", {valueFloat("LEVL", 3)})});
    ASSERT_TRUE(r.ok) << r.world.errorText;
    const WorldGroup* w = r.world.findGroup("WLDG");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->size, 16u + 12u);
    ASSERT_EQ(w->values.size(), 2u);
    EXPECT_EQ(w->values[0]->data, (std::vector<uint8_t>{1, 2, 3, 4, 5, 0, 0, 0}));
    EXPECT_EQ(w->values[0]->rowIndex, 22);
    EXPECT_EQ(w->values[0]->typeCode, 1);
    EXPECT_EQ(w->values[0]->groupType, WGT_WLDG);
    EXPECT_EQ(w->getFloat(findValueIndex(0, "CAMY")), 2.5f);
    EXPECT_EQ(r.world.findGroup("WATR")->getFloat(0), 3.0f);
}

TEST(world_framing, an_empty_group_is_followed_directly_by_the_next_chunk) {
    Read r({group("ANIM", {}), group("WATR", {valueFloat("LEVL", 7)})});
    ASSERT_TRUE(r.ok) << r.world.errorText;
    ASSERT_EQ(r.world.groups.size(), 2u);
    EXPECT_TRUE(r.world.groups[0]->values.empty());
    EXPECT_EQ(r.world.groups[1]->getFloat(0), 7.0f);
}

TEST(world_framing, a_line_feed_ends_a_tag_and_the_next_bytes_are_the_size) {
    // Inside WATR: "LE\n" is not a value tag, so it opens a group whose size
    // starts right after the line feed; that group is skipped.
    const Bytes payload = text("LE\n") + u32(4) + text("xxxx") + text("LEVL") + u32(4) + u32(0x40400000);
    const Bytes file = header() + text("WATR") + u32(static_cast<uint32_t>(payload.size())) + payload;
    Read r(file);
    ASSERT_TRUE(r.ok) << r.world.errorText;
    const WorldGroup* w = r.world.findGroup("WATR");
    ASSERT_EQ(w->children.size(), 1u);
    EXPECT_STREQ(w->children[0]->name, "LE\n");
    EXPECT_EQ(w->getFloat(0), 3.0f);
}

TEST(world_tags, tags_match_in_any_letter_case) {
    Read r({group("atli", {group("sun ", {valueFloat("head", 45)})}), group("wldg", {valueFloat("camx", 1)})});
    ASSERT_TRUE(r.ok) << r.world.errorText;
    ASSERT_NE(r.world.atmosphereGroup, nullptr);
    const WorldGroup* sun = r.world.atmosphereGroup->findGroup("SUN ");
    ASSERT_NE(sun, nullptr);
    EXPECT_EQ(sun->type, WGT_SUN);
    EXPECT_EQ(sun->getFloat(findValueIndex(15, "HEAD")), 45.0f);
    EXPECT_EQ(r.world.findGroup("WLDG")->getFloat(22), 1.0f);
}

TEST(world_tags, special_groups_are_held_apart_and_replaced_by_a_second_chunk) {
    Read r({group("SRFL", {tergen::valueText("NAME", "first")}), group("ATLI", {group("LIGT", {})}),
            group("WLDG", {}), group("SRFL", {tergen::valueText("NAME", "second")}),
            group("ATLI", {group("GHAZ", {})})});
    ASSERT_TRUE(r.ok) << r.world.errorText;
    EXPECT_EQ(r.world.groups.size(), 1u);
    ASSERT_NE(r.world.surfaceMapGroup, nullptr);
    EXPECT_EQ(r.world.surfaceMapGroup->type, WGT_SRFL);
    EXPECT_STREQ(reinterpret_cast<const char*>(r.world.surfaceMapGroup->values[0]->data.data()), "second");
    ASSERT_EQ(r.world.atmosphereGroup->children.size(), 1u);
    EXPECT_STREQ(r.world.atmosphereGroup->children[0]->name, "GHAZ");
    EXPECT_EQ(r.world.atmosphereGroup->type, WGT_ATLI);
}

TEST(world_tags, a_second_read_releases_the_list_but_keeps_special_groups) {
    Read r({group("WLDG", {}), group("ATLI", {})});
    ASSERT_TRUE(r.ok);
    const std::string second = r.folder.write("b.tgw", tergen::worldBytes({group("ANIM", {})}));
    ASSERT_TRUE(r.world.read(second.c_str()));
    ASSERT_EQ(r.world.groups.size(), 1u);
    EXPECT_STREQ(r.world.groups[0]->name, "ANIM");
    EXPECT_NE(r.world.atmosphereGroup, nullptr);
}

TEST(world_groups, nested_groups_are_read_only_under_the_reading_kinds) {
    Read r({
        group("WLDG", {group("XTRA", {valueFloat("CAMX", 1)}), valueFloat("CAMX", 2)}),
        group("ATLI", {group("SUN ", {group("INNR", {valueFloat("HEAD", 9)}), valueFloat("HEAD", 10)})}),
        group("SRFL", {group("TERM", {group("BMTX", {tergen::valueText("NAME", "bump")}),
                                      group("DENS", {valueFloat("COVR", 0.5f)})})}),
    });
    ASSERT_TRUE(r.ok) << r.world.errorText;
    const WorldGroup* w = r.world.findGroup("WLDG");
    ASSERT_EQ(w->children.size(), 1u);
    EXPECT_TRUE(w->children[0]->values.empty());  // skipped, but kept in the tree
    EXPECT_EQ(w->getFloat(22), 2.0f);

    const WorldGroup* sun = r.world.atmosphereGroup->findGroup("SUN ");
    ASSERT_NE(sun, nullptr);
    ASSERT_EQ(sun->children.size(), 1u);
    EXPECT_TRUE(sun->children[0]->values.empty());  // SUN is not a reading kind
    EXPECT_EQ(sun->getFloat(0), 10.0f);
    EXPECT_EQ(sun->parent, r.world.atmosphereGroup.get());

    const WorldGroup* term = r.world.surfaceMapGroup->findGroup("TERM");
    ASSERT_NE(term, nullptr);
    EXPECT_EQ(term->type, WGT_TERM);
    const WorldGroup* bmtx = term->findGroup("BMTX");
    ASSERT_NE(bmtx, nullptr);
    ASSERT_EQ(bmtx->values.size(), 1u);
    EXPECT_EQ(bmtx->values[0]->typeCode, 4);
    EXPECT_EQ(term->findGroup("DENS")->getFloat(1), 0.5f);
}

TEST(world_groups, plugin_effects_hold_efid_entries_with_values_and_skipped_settings) {
    Chunk sett = group("SETT", {valueInt("ORIG", 7)});
    Read r({group("MPFX", {group("PHOT", {group("EFID", {tergen::valueText("NAME", "glow"), valueFloat("FILE", 1),
                                                          sett, valueFloat("ZZZZ", 4)}),
                                          group("efid", {})})}),
            group("WATR", {group("PEFL", {group("EFID", {tergen::valueText("NAME", "foam")})})})});
    ASSERT_TRUE(r.ok) << r.world.errorText;
    const WorldGroup* phot = r.world.findGroup("MPFX\\PHOT");
    ASSERT_NE(phot, nullptr);
    EXPECT_EQ(phot->type, 1);  // plug-in effects row of PHOT
    ASSERT_EQ(phot->children.size(), 2u);
    const WorldGroup& efid = *phot->children[0];
    EXPECT_EQ(efid.type, WGT_EFID);
    ASSERT_EQ(efid.values.size(), 3u);
    EXPECT_EQ(efid.values[0]->rowIndex, 0);
    EXPECT_EQ(efid.values[1]->rowIndex, 1);
    EXPECT_EQ(efid.values[2]->rowIndex, -1);  // unknown tags are read all the same
    EXPECT_STREQ(valueName(*efid.values[2]), "value-name not found");
    EXPECT_EQ(efid.values[2]->typeCode, 0);
    ASSERT_EQ(efid.children.size(), 1u);
    EXPECT_STREQ(efid.children[0]->name, "SETT");
    EXPECT_TRUE(efid.children[0]->values.empty());
    EXPECT_EQ(r.world.findGroup("WATR\\PEFL")->type, 3);
}

TEST(world_groups, an_overshooting_effect_ends_the_effects_loop) {
    // PHOT declares 8 bytes, but its EFID holds 12: the loop stops when the
    // count passes the size, and the next chunk is read as the next WATR value.
    Chunk efid = group("EFID", {valueFloat("FILE", 1)});
    Chunk phot = group("PHOT", {efid});
    phot.size = 8;
    Chunk mpfx = group("MPFX", {phot});
    mpfx.size = 8 + 8;
    Read r({mpfx, group("WATR", {valueFloat("LEVL", 5)})});
    ASSERT_TRUE(r.ok) << r.world.errorText;
    EXPECT_EQ(r.world.findGroup("WATR")->getFloat(0), 5.0f);
}

TEST(world_find, paths_take_the_last_match_and_need_exact_components) {
    Read r({group("WLDG", {valueFloat("ZOOM", 1)}), group("MPFX", {group("TERR", {})}),
            group("WLDG", {valueFloat("ZOOM", 2)})});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.world.findGroup("wldg")->getFloat(18), 2.0f);
    EXPECT_EQ(r.world.findGroup("WLDG\\"), nullptr);
    EXPECT_EQ(r.world.findGroup("WLD"), nullptr);
    EXPECT_EQ(r.world.findGroup(""), nullptr);
    EXPECT_NE(r.world.findGroup("MPFX\\TERR"), nullptr);
    EXPECT_EQ(r.world.findGroup("MPFX\\TERR\\"), nullptr);
    EXPECT_EQ(r.world.findGroup("ATLI"), nullptr);  // special groups are not in the list
}

TEST(world_find, sun_needs_its_trailing_blank) {
    Read r({group("ATLI", {group("SUN ", {})})});
    EXPECT_NE(r.world.atmosphereGroup->findGroup("SUN "), nullptr);
    EXPECT_EQ(r.world.atmosphereGroup->findGroup("SUN"), nullptr);
}

TEST(world_values, missing_or_empty_values_read_as_the_defaults) {
    Read r({group("WLDG", {tergen::valueBytes("IMWI", {}), valueInt("IMHI", 0xFFFFFFFFu)})});
    ASSERT_TRUE(r.ok);
    const WorldGroup* w = r.world.findGroup("WLDG");
    EXPECT_EQ(w->getFloat(18), -1.0f);  // ZOOM absent
    EXPECT_EQ(w->getInt(14), 1u);       // PXAS absent
    EXPECT_EQ(w->getInt(12), 1u);       // IMWI stored with no bytes
    EXPECT_EQ(w->getFloat(12), -1.0f);
    EXPECT_EQ(w->getInt(13), 0xFFFFFFFFu);
}

TEST(world_values, a_value_cut_by_the_end_of_the_file_reads_as_0xFF) {
    // The last value of the last group: its group declares all of it, the file
    // stops two bytes into the data.
    Bytes file = tergen::worldBytes({group("WATR", {valueFloat("LEVL", 1)})});
    file.resize(file.size() - 2);
    Read r(file);
    ASSERT_TRUE(r.ok) << r.world.errorText;
    const auto& data = r.world.findGroup("WATR")->values[0]->data;
    EXPECT_EQ(data, (std::vector<uint8_t>{0x00, 0x00, 0xFF, 0xFF}));
}

// Each failure names what was wrong, composed where it happened and carried
// outward unchanged.
struct FailureCase {
    const char* what;
    Bytes file;
    std::string message;
};

TEST(world_failures, every_message_text) {
    Chunk deep = group("TERM", {});
    for (int i = 0; i < 2000; ++i) deep = group("TERM", {deep});
    Chunk bigValue = valueFloat("LEVL", 1);
    bigValue.size = 0xFFFFFFF0u;

    const std::vector<FailureCase> cases = {
        {"unknown top tag", header() + text("ABCD") + u32(0), "unknown world tag ABCD"},
        {"srfl size", header() + text("SRFL") + text("\x01\x02"), "error reading size of \"SRFL\""},
        {"atli size", header() + text("atli"), "error reading groupsize of \"ATLI\""},
        {"list size", header() + text("ANIM") + text("\x01"), "error reading groupsize of \"ANIM\""},
        {"nested size", header() + text("WLDG") + u32(12) + text("XTRA") + text("\x01"),
         "error reading groupsize of \"XTRA\""},
        {"efid size", header() + text("MPFX") + u32(12) + text("SCRP") + u32(8) + text("EFID"),
         "error reading groupsize of \"EFID\""},
        {"efid missing", header() + text("MPFX") + u32(16) + text("SCRP") + u32(8) + text("NAME") + u32(0),
         "EFID not found"},
        {"sett size", header() + text("MPFX") + u32(20) + text("TERR") + u32(12) + text("EFID") + u32(4) + text("SETT"),
         "error reading value-size of \"SETT\""},
        {"value size", header() + text("WATR") + u32(8) + text("LEVL") + text("\x01\x02"),
         "error reading datasize of \"LEVL\""},
        {"efid value size",
         header() + text("MPFX") + u32(24) + text("TERR") + u32(16) + text("EFID") + u32(8) + text("XXXX"),
         "error reading datasize of \"value-name not found\""},
        {"huge value", tergen::worldBytes({group("WATR", {bigValue})}), "error allocating memory for \"LEVL\""},
        {"deep nesting", tergen::worldBytes({group("SRFL", {deep})}), "groups nested too deeply at \"TERM\""},
    };
    for (const FailureCase& c : cases) {
        Read r(c.file);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_FALSE(r.world.loaded) << c.what;
        EXPECT_EQ(std::string(r.world.errorText), c.message) << c.what;
        EXPECT_EQ(r.world.stream, nullptr) << c.what;
    }
}

TEST(world_failures, groups_read_before_a_failure_stay_but_loaded_is_false) {
    Read r(tergen::worldBytes({group("WLDG", {valueFloat("ZOOM", 3)})}) + text("NOPE"));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.world.loaded);
    ASSERT_NE(r.world.findGroup("WLDG"), nullptr);
    EXPECT_EQ(r.world.findGroup("WLDG")->getFloat(18), 3.0f);
}

TEST(world_failures, a_long_path_is_shortened_in_the_message) {
    TempFolder folder;
    const std::string p = folder.write(std::string(150, 'w') + ".tgw", text("not a world at all"));
    WorldFile w;
    EXPECT_FALSE(w.read(p.c_str()));
    const std::string message = w.errorText;
    EXPECT_LE(message.size(), 127u);
    EXPECT_EQ(message.substr(0, 3), "...");
    const std::string tail = "www.tgw\nis not a TG-world-file";
    ASSERT_GE(message.size(), tail.size());
    EXPECT_EQ(message.substr(message.size() - tail.size()), tail);
}
