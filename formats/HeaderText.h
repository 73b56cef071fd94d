#pragma once
// The terrain header as the user sees it: the seven values of the options
// dialog's terrain panel, formatted the same way everywhere.
#include <string>

#include "formats/TerrainFile.h"

struct HeaderTexts {
    std::string size;          // "256"
    std::string points;        // "257x257"
    std::string metresPerUnit; // "30 m"
    std::string planetRadius;  // "6370 km"
    std::string curveMode;     // "flat" or "draped"
    std::string baseHeight;    // "0"
    std::string heightScale;   // "80"
};

HeaderTexts headerTexts(const TerrainHeader& h);
