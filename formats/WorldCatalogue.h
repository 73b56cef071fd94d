#pragma once
// The world file's vocabulary: the group kinds with their numeric codes, the
// value tags each kind holds (with a description and a type code), and the
// lookups the world reader and the scene builders use. The file itself does
// not say whether a chunk is a value or a group; these tables decide it.
//
// Tags are four characters; shorter names carry trailing blanks ("SUN ",
// "ALT ") that take part in every comparison. Comparisons ignore letter case.
#include <cstdint>

// Codes 0..21 are rows of the group table; 50 is the plug-in effect entry
// "EFID"; -1 means no type.
enum WorldGroupType : int32_t {
    WGT_NONE = -1,
    WGT_WLDG = 0, WGT_ANIM, WGT_TERR, WGT_MPFX, WGT_WATR, WGT_SRFL, WGT_TERM,
    WGT_BMTX, WGT_SETT, WGT_DENS, WGT_VART, WGT_DIFP, WGT_DNSP, WGT_ATLI,
    WGT_LIGT, WGT_SUN, WGT_BGLI, WGT_LITA, WGT_GHAZ, WGT_CLDL, WGT_LTEF,
    WGT_ATEF,
    WGT_EFID = 50,
};

struct WorldGroupRow {
    char tag[5];
    char description[32];
};

struct WorldValueRow {
    char tag[5];
    char description[33];
    int16_t typeCode;
};

struct WorldValueTable {
    const WorldValueRow* rows;
    int32_t count;
};

struct WorldValue;

namespace worldcatalogue {

// The group table (22 rows; a row's index is its WorldGroupType code) and the
// plug-in effects table (8 rows).
const WorldGroupRow* groupTable(int32_t* count);
const WorldGroupRow* pluginEffectsTable(int32_t* count);

// The value table of a group kind; {nullptr, 0} when the kind holds no values.
WorldValueTable valueTable(int32_t groupType);

// ASCII, locale-independent, case-insensitive whole-tag comparison.
bool tagEquals(const char* a, const char* b);

}  // namespace worldcatalogue

// Row of tag in the value table of groupType, or -1.
int32_t findValueIndex(int32_t groupType, const char* tag);

// Code of a group named tag inside a group of parentType (-1: top level).
// Under MPFX and WATR the plug-in effects table gives the code, elsewhere the
// group table; "EFID" is 50 when the searched table lacks it; otherwise -1.
int32_t findGroupType(int32_t parentType, const char* tag);

// "WLDG", "ANIM", "TERR", "MPFX", "WATR": the groups kept in the file's list.
bool isTopLevelGroup(const char* tag);

// Groups whose payload is a list of "EFID" chunks.
bool isPluginEffectsGroup(const char* tag);

// Tag of the value's catalogue row, or "value-name not found".
const char* valueName(const WorldValue& value);
const char* valueName(int32_t groupType, int32_t rowIndex);

// Type code of a catalogue row; 0 when there is no such row.
int32_t valueTypeCode(int32_t groupType, int32_t rowIndex);
