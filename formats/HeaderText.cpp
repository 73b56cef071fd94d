#include "formats/HeaderText.h"

#include <cstdio>

namespace {

std::string format(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

}  // namespace

HeaderTexts headerTexts(const TerrainHeader& h) {
    HeaderTexts t;
    t.size = std::to_string(h.size);
    t.points = std::to_string(h.xPoints) + "x" + std::to_string(h.yPoints);
    t.metresPerUnit = format("%g m", h.scaleX);
    t.planetRadius = format("%g km", h.planetRadius);
    t.curveMode = h.curveMode == 0 ? "flat" : "draped";
    t.baseHeight = std::to_string(h.baseHeight);
    t.heightScale = std::to_string(h.heightScale);
    return t;
}
