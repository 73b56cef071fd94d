#include "formats/WorldCatalogue.h"

#include "formats/WorldFile.h"

namespace {

// Row order is significant: a row's index is the code (group table) or the
// rowIndex by which a value is found (value tables).

const WorldGroupRow kGroups[] = {
    {"WLDG", "Render Control"},
    {"ANIM", "Animation"},
    {"TERR", "Terrains"},
    {"MPFX", "Misc Effects"},
    {"WATR", "Water"},
    {"SRFL", "Surface Map"},
    {"TERM", "Properties"},
    {"BMTX", "Bump Map Texture"},
    {"SETT", "Settings"},
    {"DENS", "Distribution"},
    {"VART", "Variation Texture"},
    {"DIFP", "PluginFx for Diffuse color"},
    {"DNSP", "Distribution Plugins"},
    {"ATLI", "Atmosphere/Light"},
    {"LIGT", "Light"},
    {"SUN ", "Sun"},
    {"BGLI", "Background Light"},
    {"LITA", "Lighting of Atmosphere"},
    {"GHAZ", "Global Haze"},
    {"CLDL", "Cloud Layer"},
    {"LTEF", "Lighting Plugin Effects"},
    {"ATEF", "Atmosphere Plugin Effects"},
};

const WorldGroupRow kPluginEffects[] = {
    {"TERR", "Terrain Plugin FX"},
    {"PHOT", "Photo Plugin FX"},
    {"SCRP", "Script Plugin FX"},
    {"PEFL", "Water Plugin Effects"},
    {"LTEF", "Lighting Plugin Effects"},
    {"ATEF", "Atmosphere Plugin Effects"},
    {"DIFP", "PluginFx for Diffuse color"},
    {"DNSP", "Distribution Plugins"},
};

const WorldValueRow kWldgValues[] = {
    {"LDET", "Level of Detail", 1},
    {"RLAN", "Render Land", 1},
    {"RSKY", "Render Sky", 1},
    {"BFCL", "Back Face Culling", 1},
    {"FAA ", "Fast Sub-Pixel Smoothing", 1},
    {"FAAU", "Fast Anti-aliasing Ultra", 1},
    {"BLDT", "Blend Terrain", 1},
    {"ASEP", "Atmosphere Separate (unused)", 1},
    {"BUFS", "Render Buffer Size", 6},
    {"ATAC", "Atmosphere Render Accuracy", 1},
    {"CLAC", "Cloud Render Accuracy", 1},
    {"WAQU", "*** <unknown>", 1},
    {"IMWI", "Image Witdh", 6},
    {"IMHI", "Image Height", 6},
    {"PXAS", "Pixel Ascpect Ratio", 1},
    {"EXPO", "Exposure", 1},
    {"GAMA", "Gamma Correction", 1},
    {"EXME", "Photographic Medium", 6},
    {"ZOOM", "Zoom", 1},
    {"ORTS", "Orthographic Size", 1},
    {"ORTF", "Orthographic Render", 1},
    {"MBLL", "*** <unknown>", 1},
    {"CAMX", "Camera X", 1},
    {"CAMY", "Camera Y", 1},
    {"CAMZ", "Camera Z", 1},
    {"CAZZ", "Camera Fixed Height", 1},
    {"TARX", "Target X", 1},
    {"TARY", "Target Y", 1},
    {"TARZ", "Target Z", 1},
    {"TAZZ", "Target Fixed Height", 1},
    {"CAMB", "Camera Banking", 1},
};

const WorldValueRow kAnimValues[] = {
    {"SNRM", "*** <unknown>", 1},
    {"SUNH", "*** <unknown>", 1},
    {"SHZA", "*** <unknown>", 1},
    {"SHZC", "*** <unknown>", 1},
    {"SNRH", "*** <unknown>", 1},
    {"SUHH", "*** <unknown>", 1},
    {"SHAH", "*** <unknown>", 1},
    {"SHCH", "*** <unknown>", 1},
    {"SUNL", "*** <unknown>", 1},
    {"SULH", "*** <unknown>", 1},
    {"SSFN", "*** <unknown>", 1},
    {"SSFT", "*** <unknown>", 1},
    {"NRMS", "*** <unknown>", 1},
    {"UNHS", "*** <unknown>", 4},
    {"HZAS", "*** <unknown>", 4},
    {"HZCS", "*** <unknown>", 4},
    {"NRHS", "*** <unknown>", 4},
    {"UHHS", "*** <unknown>", 4},
    {"HAHS", "*** <unknown>", 4},
    {"HCHS", "*** <unknown>", 4},
    {"UNLS", "*** <unknown>", 4},
    {"ULHS", "*** <unknown>", 4},
    {"SFNS", "*** <unknown>", 4},
    {"SFTS", "*** <unknown>", 4},
    {"AMET", "Interpret positions as Metres", 1},
    {"XCAM", "Animate Camera", 1},
    {"XSUN", "Animate Sun", 1},
    {"XEXP", "Animate Exposure", 1},
    {"XWTR", "Animate Water Level", 1},
};

const WorldValueRow kTerrValues[] = {
    {"IMHO", "Import/Export Height Offset", 1},
    {"IMHS", "Import/Export Height Scale", 1},
};

const WorldValueRow kWatrValues[] = {
    {"LEVL", "Water Level", 1},
    {"WLEN", "Wave Size", 1},
    {"WAMP", "Roughness", 1},
    {"VISC", "Visibility Effect", 1},
    {"WVAR", "Wave Variation", 1},
    {"WPSZ", "Patch Size", 1},
    {"WPRL", "Distort by Terrain", 1},
    {"WPSH", "Patch sharpnes", 1},
    {"MAXR", "max. Reflectivity", 1},
    {"MINR", "min. Reflectivity", 1},
    {"RCRV", "Reflectivity Curve", 1},
    {"RSLB", "Reflection of Sun", 1},
    {"ROLB", "Reflection of BG Light", 1},
    {"RSLS", "Reflection spread (sun)", 1},
    {"ROLS", "Reflection spread (BG light)", 1},
    {"DIFC", "Diffuse Color", 7},
    {"TRNC", "Transparency Color", 7},
    {"TRNS", "Transparency Distance", 1},
    {"SRFC", "Foam Color", 7},
    {"SFDN", "Foam Density", 1},
    {"SFSC", "Foam Scale", 1},
    {"SFSP", "Peak Spacing", 1},
    {"SFNP", "Number of Peaks", 1},
    {"SFDS", "Warp Scale", 1},
    {"SFWP", "Warp Spacing", 1},
    {"SFBR", "Breakup", 1},
};

const WorldValueRow kSrflValues[] = {
    {"NAME", "Name", 4},
};

const WorldValueRow kTermValues[] = {
    {"DIFC", "Diffuse Color", 7},
    {"BMAM", "Bump Ammount", 1},
    {"MTER", "Mimic Terrain", 1},
};

const WorldValueRow kBmtxValues[] = {
    {"NAME", "Name", 4},
};

const WorldValueRow kSettValues[] = {
    {"ORIG", "Random Seed", 3},
    {"NEGA", "Negative Bump Map", 6},
    {"ISOL", "Isolated Bump Map", 1},
    {"VARI", "Additional Variation", 1},
};

const WorldValueRow kDensValues[] = {
    {"VARI", "Variation (fractal noise)", 1},
    {"COVR", "Coverage", 1},
    {"ALTE", "Altitude Constraints enabled", 2},
    {"ALTL", "Altitude Limits", 2},
    {"ALTF", "Altitude Fuzziness", 2},
    {"SLPE", "Slope Constraints enabled", 2},
    {"SLPL", "Slope Limits", 2},
    {"SLPF", "Slope Fuzziness", 2},
    {"SMSZ", "Scale & Depth", 1},
};

const WorldValueRow kVartValues[] = {
    {"NAME", "Name", 4},
};

const WorldValueRow kLigtValues[] = {
    {"LCST", "Terrain casts Shadows", 1},
    {"WTSH", "Shadows on Water", 1},
};

const WorldValueRow kSunValues[] = {
    {"HEAD", "Heading", 1},
    {"ALT ", "Altitude", 1},
    {"DIAM", "Diameter", 1},
    {"CORS", "Size of Corona", 1},
    {"STRE", "Sunlight Strength", 1},
    {"DISC", "Base Sun Color", 7},
    {"LIGC", "Color of Sunlight", 7},
    {"DIFC", "Diffuse Sunlight Color", 7},
};

const WorldValueRow kBgliValues[] = {
    {"METH", "Lighting Method", 6},
    {"DIMS", "*** <unknown>", 1},
    {"DCMP", "*** <unknown>", 1},
    {"BRSC", "Shadow Lightness", 1},
    {"UPSC", "Light from Above", 7},
    {"SDSC", "Reverse Light", 7},
    {"AMBC", "Shadow Color", 7},
};

const WorldValueRow kLitaValues[] = {
    {"CCST", "Clouds cast Shadows", 1},
    {"ATSH", "Shadows in Atmosphere", 1},
    {"ACST", "Realistic Lighting", 6},
    {"ACSE", "Effect of Atmosphere", 1},
    {"CLDS", "Cloudcover", 1},
    {"GLOA", "Glow Ammount", 1},
    {"GLOP", "Glow Power", 1},
};

const WorldValueRow kGhazValues[] = {
    {"HCOL", "Cloud & Haze Color", 7},
    {"BCOL", "Atm. Blue", 7},
    {"RCOL", "Atm. Red", 7},
    {"HVAL", "Haze Ammount", 1},
    {"BVAL", "Atm. Blue Ammount", 1},
    {"RVAL", "Atm. Red Ammount", 1},
    {"HHH ", "Haze Half-Height", 1},
    {"BHH ", "Atm. Blue Half-Height", 1},
    {"RHH ", "Atm. Red Half-Height", 1},
    {"CDRK", "Cloud Darkening", 1},
};

const WorldValueRow kCldlValues[] = {
    {"CSIZ", "Sky Size", 1},
    {"ALT ", "Altitude", 1},
    {"DEPT", "Depth/Thickness", 1},
    {"CONT", "Desity Contrast", 1},
    {"BIAS", "Desity Shift", 1},
    {"REME", "Render Mode (3D)", 6},
    {"PATN", "*** Pattern Number (unused)", 1},
    {"RAPF", "Randomize each Frame", 1},
    {"GPRS", "Persistence", 1},
    {"GRCR", "Recurrence", 1},
    {"GFSZ", "max Cloud Size", 6},
    {"GSED", "*** Generator Seed", 6},
};

const WorldValueRow kEfidValues[] = {
    {"NAME", "Plugin Name", 4},
    {"FILE", "File", 1},
};

template <class T, int32_t N>
constexpr WorldValueTable table(const T (&rows)[N]) { return {rows, N}; }

}  // namespace

namespace worldcatalogue {

WorldValueTable valueTable(int32_t groupType) {
    switch (groupType) {
    case 0: return table(kWldgValues);
    case 1: return table(kAnimValues);
    case 2: return table(kTerrValues);
    case 4: return table(kWatrValues);
    case 5: return table(kSrflValues);
    case 6: return table(kTermValues);
    case 7: return table(kBmtxValues);
    case 8: return table(kSettValues);
    case 9: return table(kDensValues);
    case 10: return table(kVartValues);
    case 14: return table(kLigtValues);
    case 15: return table(kSunValues);
    case 16: return table(kBgliValues);
    case 17: return table(kLitaValues);
    case 18: return table(kGhazValues);
    case 19: return table(kCldlValues);
    case 50: return table(kEfidValues);
    default: return {nullptr, 0};
    }
}
const WorldGroupRow* groupTable(int32_t* count) {
    if (count) *count = static_cast<int32_t>(sizeof kGroups / sizeof kGroups[0]);
    return kGroups;
}

const WorldGroupRow* pluginEffectsTable(int32_t* count) {
    if (count) *count = static_cast<int32_t>(sizeof kPluginEffects / sizeof kPluginEffects[0]);
    return kPluginEffects;
}

bool tagEquals(const char* a, const char* b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    for (;; ++a, ++b) {
        if (lower(*a) != lower(*b)) return false;
        if (*a == '\0') return true;
    }
}

}  // namespace worldcatalogue

using worldcatalogue::tagEquals;

namespace {

int32_t findRow(const WorldGroupRow* rows, int32_t count, const char* tag) {
    for (int32_t i = 0; i < count; ++i)
        if (tagEquals(rows[i].tag, tag)) return i;
    return -1;
}

}  // namespace

int32_t findValueIndex(int32_t groupType, const char* tag) {
    if (!tag) return -1;
    const WorldValueTable t = worldcatalogue::valueTable(groupType);
    for (int32_t i = 0; i < t.count; ++i)
        if (tagEquals(t.rows[i].tag, tag)) return i;
    return -1;
}

int32_t findGroupType(int32_t parentType, const char* tag) {
    if (!tag) return WGT_NONE;
    int32_t row;
    if (parentType == WGT_MPFX || parentType == WGT_WATR) {
        int32_t n;
        const WorldGroupRow* rows = worldcatalogue::pluginEffectsTable(&n);
        row = findRow(rows, n, tag);
    } else {
        int32_t n;
        const WorldGroupRow* rows = worldcatalogue::groupTable(&n);
        row = findRow(rows, n, tag);
    }
    if (row >= 0) return row;
    return tagEquals(tag, "EFID") ? WGT_EFID : WGT_NONE;
}

bool isTopLevelGroup(const char* tag) {
    if (!tag) return false;
    const int32_t row = findRow(kGroups, 5, tag);
    return row >= 0;
}

bool isPluginEffectsGroup(const char* tag) {
    if (!tag) return false;
    int32_t n;
    const WorldGroupRow* rows = worldcatalogue::pluginEffectsTable(&n);
    return findRow(rows, n, tag) >= 0;
}

const char* valueName(int32_t groupType, int32_t rowIndex) {
    const WorldValueTable t = worldcatalogue::valueTable(groupType);
    if (rowIndex < 0 || rowIndex >= t.count) return "value-name not found";
    return t.rows[rowIndex].tag;
}

const char* valueName(const WorldValue& value) {
    return valueName(value.groupType, value.rowIndex);
}

int32_t valueTypeCode(int32_t groupType, int32_t rowIndex) {
    const WorldValueTable t = worldcatalogue::valueTable(groupType);
    if (rowIndex < 0 || rowIndex >= t.count) return 0;
    return t.rows[rowIndex].typeCode;
}
