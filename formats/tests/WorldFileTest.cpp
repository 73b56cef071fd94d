#include "formats/WorldFile.h"

#include <gtest/gtest.h>

#include "formats/tests/TempFiles.h"

using namespace testbytes;
using tergen::Chunk;
using tergen::group;
using tergen::valueFloat;
using tergen::valueInt;
using tergen::valueText;

namespace {

struct Read {
    TempFolder folder;
    WorldFile world;
    std::string path;
    bool ok;
    explicit Read(const Bytes& bytes, const std::string& name = "w.tgw")
        : path(folder.write(name, bytes)), ok(world.read(path.c_str())) {}
    explicit Read(const std::vector<Chunk>& top) : Read(tergen::worldBytes(top)) {}
};

Bytes header() { return tergen::worldBytes({}); }

}  // namespace

TEST(world_header, only_the_exact_header_opens_alone_it_is_a_world) {
    Read r(header());
    EXPECT_TRUE(r.ok && r.world.loaded);
    EXPECT_TRUE(r.world.groups.empty());
    EXPECT_EQ(r.world.surfaceMapGroup, nullptr);
    EXPECT_EQ(r.world.atmosphereGroup, nullptr);
    EXPECT_STREQ(r.world.errorText, "");
    for (const std::string h : {"terragenworld2  ", "TERRAGENWORLD2", "TERRAGENWORLD2 \n"}) {
        Read bad(text(h));
        EXPECT_FALSE(bad.ok || bad.world.loaded) << h;
        EXPECT_EQ(std::string(bad.world.errorText), bad.path + "\nis not a TG-world-file");
    }
    // A long path is shortened from the front: the message's own words survive.
    Read longPath(text("not a world at all"), std::string(150, 'w') + ".tgw");
    const std::string message = longPath.world.errorText;
    EXPECT_LE(message.size(), 127u);
    EXPECT_EQ(message.substr(0, 3), "...");
    EXPECT_EQ(message.substr(message.size() - 30), "www.tgw\nis not a TG-world-file");

    EXPECT_FALSE(r.world.read("/no/such/world.tgw"));
    EXPECT_STREQ(r.world.errorText, "cannot open file \"/no/such/world.tgw\"");
    EXPECT_FALSE(r.world.loaded);  // nothing of the previous read stays
    EXPECT_FALSE(r.world.read(""));
    EXPECT_STREQ(r.world.errorText, "cannot open file \"\"");
}

TEST(world_framing, odd_value_sizes_are_padded_and_counted_with_their_padding) {
    // CAMX holds 5 bytes: 8 data bytes are kept and the group counts 16.
    Read r({group("WLDG", {tergen::valueBytes("CAMX", {1, 2, 3, 4, 5}), valueFloat("CAMY", 2.5f)}),
            group("ANIM", {}), group("WATR", {valueFloat("LEVL", 3)})});
    ASSERT_TRUE(r.ok) << r.world.errorText;
    ASSERT_EQ(r.world.groups.size(), 3u);
    const WorldGroup& w = *r.world.groups[0];
    EXPECT_EQ(w.size, 16u + 12u);
    ASSERT_EQ(w.values.size(), 2u);
    EXPECT_EQ(w.values[0]->data, (std::vector<uint8_t>{1, 2, 3, 4, 5, 0, 0, 0}));
    EXPECT_EQ(w.values[0]->rowIndex, 22);
    EXPECT_EQ(w.values[0]->typeCode, 1);
    EXPECT_EQ(w.values[0]->groupType, WGT_WLDG);
    EXPECT_EQ(w.getFloat(findValueIndex(0, "CAMY")), 2.5f);
    EXPECT_TRUE(r.world.groups[1]->values.empty());  // the next chunk follows an empty group directly
    EXPECT_EQ(r.world.groups[2]->getFloat(0), 3.0f);
}

TEST(world_framing, a_skipped_child_of_odd_size_counts_its_padding_toward_the_group) {
    // WATR inside WLDG is kept unread: 5 bytes and 3 of padding. The group
    // ends after CAMX; the top-level WATR that follows is not read into it.
    Read r({group("WLDG", {tergen::valueBytes("WATR", {1, 2, 3, 4, 5}), valueFloat("CAMX", 2)}),
            group("WATR", {valueFloat("LEVL", 3)})});
    ASSERT_TRUE(r.ok) << r.world.errorText;
    ASSERT_EQ(r.world.groups.size(), 2u);
    const WorldGroup& w = *r.world.groups[0];
    ASSERT_EQ(w.children.size(), 1u);
    EXPECT_EQ(w.getFloat(22), 2.0f);
    EXPECT_EQ(r.world.groups[1]->getFloat(0), 3.0f);
}

TEST(world_framing, a_line_feed_ends_a_tag_and_the_next_bytes_are_the_size) {
    // Inside WATR: "LE\n" is not a value tag, so it opens a group whose size
    // starts right after the line feed; that group is skipped.
    const Bytes payload = text("LE\n") + u32(4) + text("xxxx") + text("LEVL") + u32(4) + f32(3);
    Read r(header() + text("WATR") + u32(static_cast<uint32_t>(payload.size())) + payload);
    ASSERT_TRUE(r.ok) << r.world.errorText;
    const WorldGroup* w = r.world.findGroup("WATR");
    ASSERT_EQ(w->children.size(), 1u);
    EXPECT_STREQ(w->children[0]->name, "LE\n");
    EXPECT_EQ(w->getFloat(0), 3.0f);
}

TEST(world_tags, special_groups_are_held_apart_and_replaced_only_by_a_later_chunk) {
    Read r({group("SRFL", {valueText("NAME", "first")}), group("ATLI", {group("LIGT", {})}), group("WLDG", {}),
            group("SRFL", {valueText("NAME", "second")}), group("ATLI", {group("GHAZ", {})})});
    ASSERT_TRUE(r.ok) << r.world.errorText;
    EXPECT_EQ(r.world.groups.size(), 1u);
    ASSERT_NE(r.world.surfaceMapGroup, nullptr);
    EXPECT_EQ(r.world.surfaceMapGroup->type, WGT_SRFL);
    EXPECT_STREQ(reinterpret_cast<const char*>(r.world.surfaceMapGroup->values[0]->data.data()), "second");
    EXPECT_EQ(r.world.atmosphereGroup->type, WGT_ATLI);
    ASSERT_EQ(r.world.atmosphereGroup->children.size(), 1u);
    EXPECT_STREQ(r.world.atmosphereGroup->children[0]->name, "GHAZ");

    // A second read releases the list but keeps the special groups it does not replace.
    ASSERT_TRUE(r.world.read(r.folder.write("b.tgw", tergen::worldBytes({group("ANIM", {})})).c_str()));
    ASSERT_EQ(r.world.groups.size(), 1u);
    EXPECT_STREQ(r.world.groups[0]->name, "ANIM");
    EXPECT_NE(r.world.atmosphereGroup, nullptr);

    // A file that cannot be opened leaves nothing of the one read before.
    ASSERT_TRUE(r.world.loaded);
    EXPECT_FALSE(r.world.read(r.folder.path("missing.tgw").c_str()));
    EXPECT_FALSE(r.world.loaded);
    EXPECT_TRUE(r.world.groups.empty());
    EXPECT_EQ(r.world.surfaceMapGroup, nullptr);
    EXPECT_EQ(r.world.atmosphereGroup, nullptr);
    EXPECT_EQ(r.world.findGroup("ANIM"), nullptr);
}

TEST(world_groups, nested_groups_are_read_only_under_the_reading_kinds_tags_in_any_letter_case) {
    Read r({
        group("wldg", {group("WATR", {valueFloat("LEVL", 1)}), valueFloat("camx", 2), valueFloat("zoom", 3)}),
        group("atli", {group("sun ", {group("WATR", {valueFloat("LEVL", 9)}), valueFloat("head", 10)})}),
        group("srfl", {group("TERM", {group("BMTX", {valueText("NAME", "bump")}),
                                      group("DENS", {valueFloat("COVR", 0.5f)})})}),
    });
    ASSERT_TRUE(r.ok) << r.world.errorText;
    const WorldGroup* w = r.world.findGroup("WLDG");
    ASSERT_EQ(w->children.size(), 1u);
    EXPECT_TRUE(w->children[0]->values.empty());  // skipped, but kept in the tree
    EXPECT_EQ(w->getFloat(22), 2.0f);
    EXPECT_EQ(w->getFloat(18), 3.0f);  // ZOOM: every letter folds, Z too

    ASSERT_NE(r.world.atmosphereGroup, nullptr);
    const WorldGroup* sun = r.world.atmosphereGroup->findGroup("SUN ");
    ASSERT_NE(sun, nullptr);
    EXPECT_EQ(sun->type, WGT_SUN);
    ASSERT_EQ(sun->children.size(), 1u);
    EXPECT_TRUE(sun->children[0]->values.empty());  // SUN is not a reading kind
    EXPECT_EQ(sun->getFloat(0), 10.0f);
    EXPECT_EQ(sun->parent, r.world.atmosphereGroup.get());

    ASSERT_NE(r.world.surfaceMapGroup, nullptr);
    const WorldGroup* term = r.world.surfaceMapGroup->findGroup("TERM");
    ASSERT_TRUE(term && term->findGroup("BMTX") && term->findGroup("DENS"));
    EXPECT_EQ(term->findGroup("BMTX")->values.size(), 1u);
    EXPECT_EQ(term->findGroup("DENS")->getFloat(1), 0.5f);
}

TEST(world_groups, plugin_effects_hold_efid_entries_with_values_and_skipped_settings) {
    // The first MPFX's PHOT declares 8 bytes but its EFID holds 12: the loop
    // stops once the count passes the size, so the chunks after it read normally.
    Chunk overshooting = group("PHOT", {group("EFID", {valueFloat("FILE", 1)})});
    overshooting.size = 8;
    Chunk firstMpfx = group("MPFX", {overshooting});
    firstMpfx.size = 8 + 8;
    Read r({firstMpfx,
            group("MPFX", {group("PHOT", {group("EFID", {valueText("NAME", "glow"), valueFloat("FILE", 1),
                                                         group("SETT", {valueInt("ORIG", 7)}), valueFloat("ZZZZ", 4)}),
                                          group("efid", {group("sett", {valueInt("ORIG", 7)})})})}),
            group("WATR", {group("PEFL", {group("EFID", {valueText("NAME", "foam")})})})});
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
    ASSERT_EQ(phot->children[1]->children.size(), 1u);  // "sett" is a settings group too
    EXPECT_TRUE(phot->children[1]->values.empty());
    EXPECT_EQ(r.world.findGroup("WATR\\PEFL")->type, 3);
}

TEST(world_groups, odd_sizes_inside_effects_and_nested_groups_keep_the_next_chunk_in_step) {
    // Values and skipped settings whose sizes are not multiples of 4, each
    // followed by more chunks: a padding missed or counted twice would make
    // the next tag start in the wrong place (a wrong value, a failed read).
    Read r({group("MPFX", {group("PHOT", {group("EFID", {tergen::valueBytes("ZZZZ", {1, 2, 3}), valueText("NAME", "glow"),
                                                          tergen::valueBytes("SETT", {1, 2, 3, 4, 5}),
                                                          valueFloat("FILE", 2)}),
                                          group("EFID", {tergen::valueBytes("SETT", {1, 2, 3, 4, 5, 6, 7}),
                                                         valueText("NAME", "a")})})}),
            group("WATR", {group("PEFL", {group("EFID", {valueText("NAME", "ab")})}), valueFloat("LEVL", 3)}),
            group("SRFL", {group("TERM", {group("BMTX", {valueText("NAME", "bump")}),
                                          group("DENS", {tergen::valueBytes("VARI", {9}), valueFloat("COVR", 0.5f)})})})});
    ASSERT_TRUE(r.ok) << r.world.errorText;
    const WorldGroup* phot = r.world.findGroup("MPFX\\PHOT");
    ASSERT_TRUE(phot && phot->children.size() == 2u);
    const WorldGroup& first = *phot->children[0];
    ASSERT_EQ(first.values.size(), 3u);
    EXPECT_EQ(first.values[0]->data, (std::vector<uint8_t>{1, 2, 3, 0}));
    EXPECT_STREQ(reinterpret_cast<const char*>(first.values[1]->data.data()), "glow");
    ASSERT_EQ(first.children.size(), 1u);
    EXPECT_EQ(first.children[0]->size, 5u);
    EXPECT_EQ(first.getFloat(1), 2.0f);  // FILE, after the settings' 3 bytes of padding
    const WorldGroup& second = *phot->children[1];
    ASSERT_EQ(second.children.size(), 1u);
    EXPECT_EQ(second.children[0]->size, 7u);
    ASSERT_EQ(second.values.size(), 1u);
    EXPECT_EQ(second.values[0]->data, (std::vector<uint8_t>{'a', 0, 0, 0}));

    const WorldGroup* watr = r.world.findGroup("WATR");
    ASSERT_EQ(watr->findGroup("PEFL")->children.size(), 1u);
    EXPECT_EQ(watr->getFloat(0), 3.0f);  // LEVL, after the effects group
    const WorldGroup* dens = r.world.surfaceMapGroup->findGroup("TERM\\DENS");
    ASSERT_NE(dens, nullptr);
    EXPECT_EQ(dens->getInt(0), 9u);
    EXPECT_EQ(dens->getFloat(1), 0.5f);
}

TEST(world_find, paths_take_the_last_match_and_need_exact_components) {
    Read r({group("WLDG", {valueFloat("ZOOM", 1)}), group("MPFX", {group("TERR", {})}),
            group("WLDG", {valueFloat("ZOOM", 2)}), group("ATLI", {group("SUN ", {})})});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.world.findGroup("wldg")->getFloat(18), 2.0f);
    EXPECT_NE(r.world.findGroup("MPFX\\TERR"), nullptr);
    for (const char* miss : {"WLDG\\", "WLD", "", "MPFX\\TERR\\", "ATLI"})  // special groups are not in the list
        EXPECT_EQ(r.world.findGroup(miss), nullptr) << miss;
    EXPECT_NE(r.world.atmosphereGroup->findGroup("SUN "), nullptr);
    EXPECT_EQ(r.world.atmosphereGroup->findGroup("SUN"), nullptr);
}

TEST(world_values, missing_empty_or_cut_values) {
    // WATR's LEVL is the last value of the last group: the file stops two bytes
    // into its data, which still reads, with 0xFF for the missing bytes.
    Bytes file = tergen::worldBytes({group("WLDG", {tergen::valueBytes("IMWI", {}), valueInt("IMHI", 0xFFFFFFFFu)}),
                                     group("WATR", {valueFloat("LEVL", 0)})});
    file.resize(file.size() - 2);
    Read r(file);
    ASSERT_TRUE(r.ok) << r.world.errorText;
    const WorldGroup* w = r.world.findGroup("WLDG");
    EXPECT_EQ(w->getFloat(18), -1.0f);  // ZOOM absent
    EXPECT_EQ(w->getInt(14), 1u);       // PXAS absent
    EXPECT_EQ(w->getInt(12), 1u);       // IMWI stored with no bytes
    EXPECT_EQ(w->getFloat(12), -1.0f);
    EXPECT_EQ(w->getInt(13), 0xFFFFFFFFu);
    EXPECT_EQ(r.world.findGroup("WATR")->values[0]->data, (std::vector<uint8_t>{0x00, 0x00, 0xFF, 0xFF}));
}

// Each failure names what was wrong, composed where it happened and carried
// outward unchanged.
TEST(world_failures, every_message_text) {
    Chunk deep = group("TERM", {});
    for (int i = 0; i < 2000; ++i) deep = group("TERM", {deep});
    Chunk bigValue = valueFloat("LEVL", 1);
    bigValue.size = 0xFFFFFFF0u;

    const std::pair<Bytes, std::string> cases[] = {
        {header() + text("ABCD") + u32(0), "unknown world tag ABCD"},
        {header() + text("SRFL") + text("\x01\x02"), "error reading size of \"SRFL\""},
        {header() + text("atli"), "error reading groupsize of \"ATLI\""},
        {header() + text("ANIM") + text("\x01"), "error reading groupsize of \"ANIM\""},
        {header() + text("WLDG") + u32(12) + text("XTRA") + text("\x01"), "error reading groupsize of \"XTRA\""},
        {header() + text("MPFX") + u32(12) + text("SCRP") + u32(8) + text("EFID"),
         "error reading groupsize of \"EFID\""},
        {header() + text("MPFX") + u32(16) + text("SCRP") + u32(8) + text("NAME") + u32(0), "EFID not found"},
        {header() + text("MPFX") + u32(20) + text("TERR") + u32(12) + text("EFID") + u32(4) + text("SETT"),
         "error reading value-size of \"SETT\""},
        {header() + text("WATR") + u32(8) + text("LEVL") + text("\x01\x02"), "error reading datasize of \"LEVL\""},
        {header() + text("MPFX") + u32(24) + text("TERR") + u32(16) + text("EFID") + u32(8) + text("XXXX"),
         "error reading datasize of \"value-name not found\""},
        {tergen::worldBytes({group("WATR", {bigValue})}), "error allocating memory for \"LEVL\""},
        {tergen::worldBytes({group("SRFL", {deep})}), "groups nested too deeply at \"TERM\""},
    };
    for (const auto& [file, message] : cases) {
        Read r(file);
        EXPECT_FALSE(r.ok) << message;
        EXPECT_FALSE(r.world.loaded) << message;
        EXPECT_EQ(std::string(r.world.errorText), message);
        EXPECT_EQ(r.world.stream, nullptr) << message;
    }
}
