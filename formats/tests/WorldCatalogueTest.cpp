#include "formats/WorldCatalogue.h"

#include <gtest/gtest.h>

#include <string>

TEST(catalogue_lookup, rows_used_by_the_import) {
    EXPECT_EQ(findValueIndex(0, "ZOOM"), 18);
    EXPECT_EQ(findValueIndex(0, "CAMX"), 22);
    EXPECT_EQ(findValueIndex(0, "CAMB"), 30);
    EXPECT_EQ(findValueIndex(0, "PXAS"), 14);
    EXPECT_EQ(findValueIndex(0, "IMWI"), 12);
    EXPECT_EQ(findValueIndex(0, "IMHI"), 13);
    EXPECT_EQ(findValueIndex(15, "HEAD"), 0);
    EXPECT_EQ(findValueIndex(15, "ALT "), 1);
    EXPECT_EQ(findValueIndex(4, "LEVL"), 0);
    EXPECT_EQ(findValueIndex(0, "camx"), 22);
    EXPECT_EQ(findValueIndex(15, "ALT"), -1);   // the blank is part of the tag
    EXPECT_EQ(findValueIndex(0, "HEAD"), -1);   // rows belong to one group kind
    EXPECT_EQ(findValueIndex(19, "ALT "), 1);
    EXPECT_EQ(findValueIndex(50, "FILE"), 1);
    EXPECT_EQ(findValueIndex(0, nullptr), -1);
}

TEST(catalogue_lookup, kinds_without_a_value_table_find_nothing) {
    for (int32_t kind : {-1, 3, 11, 12, 13, 20, 21, 22, 49, 51})
        for (const char* tag : {"LEVL", "NAME", "CAMX", "HEAD", "EFID", "VARI"})
            EXPECT_EQ(findValueIndex(kind, tag), -1) << kind << " " << tag;
}

TEST(catalogue_lookup, group_types_depend_on_the_parent) {
    EXPECT_EQ(findGroupType(-1, "TERR"), 2);
    EXPECT_EQ(findGroupType(3, "TERR"), 0);
    EXPECT_EQ(findGroupType(4, "PEFL"), 3);
    EXPECT_EQ(findGroupType(13, "SUN "), 15);
    EXPECT_EQ(findGroupType(5, "TERM"), 6);
    EXPECT_EQ(findGroupType(0, "EFID"), 50);
    EXPECT_EQ(findGroupType(3, "EFID"), 50);
    EXPECT_EQ(findGroupType(0, "efid"), 50);
    EXPECT_EQ(findGroupType(0, "QQQQ"), -1);
    EXPECT_EQ(findGroupType(3, "WLDG"), -1);  // group-table tags are unknown under MPFX
    EXPECT_EQ(findGroupType(-1, "atef"), 21);
}

TEST(catalogue_lookup, top_level_and_plugin_effects_sets) {
    for (const char* t : {"WLDG", "ANIM", "TERR", "MPFX", "WATR", "wldg"}) EXPECT_TRUE(isTopLevelGroup(t)) << t;
    for (const char* t : {"SRFL", "ATLI", "SUN ", "EFID"}) EXPECT_FALSE(isTopLevelGroup(t)) << t;
    for (const char* t : {"TERR", "PHOT", "SCRP", "PEFL", "LTEF", "ATEF", "DIFP", "dnsp"})
        EXPECT_TRUE(isPluginEffectsGroup(t)) << t;
    for (const char* t : {"WLDG", "EFID", "SETT"}) EXPECT_FALSE(isPluginEffectsGroup(t)) << t;
}

TEST(catalogue_lookup, value_names_and_type_codes) {
    EXPECT_STREQ(valueName(15, 1), "ALT ");
    EXPECT_STREQ(valueName(50, 0), "NAME");
    EXPECT_STREQ(valueName(50, -1), "value-name not found");
    EXPECT_STREQ(valueName(3, 0), "value-name not found");
    EXPECT_STREQ(valueName(0, 31), "value-name not found");
    EXPECT_EQ(valueTypeCode(0, 12), 6);
    EXPECT_EQ(valueTypeCode(0, 31), 0);
    EXPECT_EQ(valueTypeCode(-1, 0), 0);
}

// The type codes follow rules that can be checked row by row: 7 for colours
// and the four colour-like rows, 4 for names and eleven ANIM texts, 2 for the
// six DENS constraints, 3 for the random seed.
TEST(catalogue_tables, type_codes_follow_the_column_rules) {
    int counts[8] = {};
    int rows = 0;
    for (int32_t kind = -1; kind <= 60; ++kind) {
        const WorldValueTable t = worldcatalogue::valueTable(kind);
        for (int32_t i = 0; i < t.count; ++i, ++rows) {
            const WorldValueRow& r = t.rows[i];
            const std::string tag = r.tag, desc = r.description;
            ASSERT_EQ(tag.size(), 4u);
            ASSERT_LE(desc.size(), 32u);
            ASSERT_GE(r.typeCode, 1);
            ASSERT_LE(r.typeCode, 7);
            ++counts[r.typeCode];
            const bool colour = desc.find("Color") != std::string::npos || tag == "BCOL" || tag == "RCOL" ||
                                tag == "UPSC" || tag == "SDSC";
            EXPECT_EQ(r.typeCode == 7, colour) << tag;
            if (tag == "NAME") {
                EXPECT_EQ(r.typeCode, 4);
            }
            if (tag == "ORIG") {
                EXPECT_EQ(r.typeCode, 3);
            }
            EXPECT_EQ(findValueIndex(kind, r.tag), i) << "tag twice in one table: " << tag;
        }
    }
    EXPECT_EQ(rows, 31 + 29 + 2 + 26 + 1 + 3 + 1 + 4 + 9 + 1 + 2 + 8 + 7 + 7 + 10 + 12 + 2);
    EXPECT_EQ(counts[4], 4 + 11);
    EXPECT_EQ(counts[2], 6);
    EXPECT_EQ(counts[3], 1);
}

TEST(catalogue_tables, group_codes_are_row_positions) {
    int32_t n = 0;
    const WorldGroupRow* g = worldcatalogue::groupTable(&n);
    ASSERT_EQ(n, 22);
    EXPECT_STREQ(g[WGT_SUN].tag, "SUN ");
    EXPECT_STREQ(g[WGT_ATLI].description, "Atmosphere/Light");
    EXPECT_STREQ(g[WGT_DIFP].description, "PluginFx for Diffuse color");
    int32_t m = 0;
    const WorldGroupRow* p = worldcatalogue::pluginEffectsTable(&m);
    ASSERT_EQ(m, 8);
    EXPECT_STREQ(p[3].tag, "PEFL");
    EXPECT_STREQ(p[3].description, "Water Plugin Effects");
}
