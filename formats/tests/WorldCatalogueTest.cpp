#include "formats/WorldCatalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

TEST(catalogue_lookup, value_rows_belong_to_one_group_kind_and_ignore_letter_case) {
    using Row = std::tuple<int32_t, const char*, int32_t>;  // group kind, tag, row
    for (auto [kind, tag, row] : {Row{0, "ZOOM", 18}, {0, "CAMX", 22}, {0, "CAMB", 30}, {0, "PXAS", 14},
                                  {0, "IMWI", 12}, {0, "IMHI", 13}, {15, "HEAD", 0}, {15, "ALT ", 1}, {19, "ALT ", 1},
                                  {4, "LEVL", 0}, {50, "FILE", 1}, {0, "camx", 22}, {0, "HEAD", -1}, {0, nullptr, -1},
                                  {15, "ALT", -1}})  // the blank is part of the tag
        EXPECT_EQ(findValueIndex(kind, tag), row) << kind << " " << (tag ? tag : "");
    for (int32_t kind : {-1, 3, 11, 12, 13, 20, 21, 22, 49, 51})  // kinds without a value table
        for (const char* tag : {"LEVL", "NAME", "CAMX", "HEAD", "EFID", "VARI"})
            EXPECT_EQ(findValueIndex(kind, tag), -1) << kind << " " << tag;
}

TEST(catalogue_lookup, group_types_depend_on_the_parent) {
    using Type = std::tuple<int32_t, const char*, int32_t>;  // parent kind, tag, group type
    for (auto [parent, tag, type] : {Type{-1, "TERR", 2}, {3, "TERR", 0}, {4, "PEFL", 3}, {13, "SUN ", 15},
                                     {5, "TERM", 6}, {0, "EFID", 50}, {3, "EFID", 50}, {0, "efid", 50}, {0, "QQQQ", -1},
                                     {-1, "atef", 21}, {3, "WLDG", -1}})  // group-table tags are unknown under MPFX
        EXPECT_EQ(findGroupType(parent, tag), type) << parent << " " << tag;
    for (const char* t : {"WLDG", "ANIM", "TERR", "MPFX", "WATR", "wldg"}) EXPECT_TRUE(isTopLevelGroup(t)) << t;
    for (const char* t : {"SRFL", "ATLI", "SUN ", "EFID"}) EXPECT_FALSE(isTopLevelGroup(t)) << t;
    for (const char* t : {"TERR", "PHOT", "SCRP", "PEFL", "LTEF", "ATEF", "DIFP", "dnsp"})
        EXPECT_TRUE(isPluginEffectsGroup(t)) << t;
    for (const char* t : {"WLDG", "EFID", "SETT"}) EXPECT_FALSE(isPluginEffectsGroup(t)) << t;
}

TEST(catalogue_lookup, value_names_and_type_codes) {
    EXPECT_STREQ(valueName(15, 1), "ALT ");
    EXPECT_STREQ(valueName(50, 0), "NAME");
    for (auto [kind, row] : {std::pair{50, -1}, {3, 0}, {0, 31}}) {
        EXPECT_STREQ(valueName(kind, row), "value-name not found");
        EXPECT_EQ(valueTypeCode(kind, row), 0);
    }
    EXPECT_EQ(valueTypeCode(0, 12), 6);
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
            ASSERT_TRUE(r.typeCode >= 1 && r.typeCode <= 7) << tag;
            ++counts[r.typeCode];
            const bool colour = desc.find("Color") != std::string::npos || tag == "BCOL" || tag == "RCOL" ||
                                tag == "UPSC" || tag == "SDSC";
            EXPECT_EQ(r.typeCode == 7, colour) << tag;
            if (tag == "NAME" || tag == "ORIG") {
                EXPECT_EQ(r.typeCode, tag == "NAME" ? 4 : 3) << tag;
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
    int32_t n = 0, m = 0;
    const WorldGroupRow* g = worldcatalogue::groupTable(&n);
    const WorldGroupRow* p = worldcatalogue::pluginEffectsTable(&m);
    ASSERT_EQ(n, 22);
    ASSERT_EQ(m, 8);
    EXPECT_STREQ(g[WGT_SUN].tag, "SUN ");
    EXPECT_STREQ(g[WGT_ATLI].description, "Atmosphere/Light");
    EXPECT_STREQ(g[WGT_DIFP].description, "PluginFx for Diffuse color");
    EXPECT_STREQ(p[3].tag, "PEFL");
    EXPECT_STREQ(p[3].description, "Water Plugin Effects");
}
