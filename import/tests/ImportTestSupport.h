#pragma once
// The terrain grid the import tests build their files from.
#include <cstdint>

#include "formats/FixedText.h"
#include "formats/tests/TempFiles.h"
#include "import/ImportSession.h"
#include "tools/tergen/TerGen.h"

namespace importtest {

// An x by y grid, 30 m per unit on every axis, height scale 80, base 0,
// sample i = (i * 37) % 2000 - 1000.
inline tergen::TerrainParams grid(uint16_t xPoints, uint16_t yPoints) {
    tergen::TerrainParams p;
    p.xPoints = xPoints;
    p.yPoints = yPoints;
    p.scale = std::array<float, 3>{30, 30, 30};
    p.samples.resize(size_t{xPoints} * yPoints);
    for (size_t i = 0; i < p.samples.size(); ++i) p.samples[i] = static_cast<int16_t>(int(i * 37 % 2000) - 1000);
    return p;
}

}  // namespace importtest
