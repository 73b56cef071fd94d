#pragma once
// A small scene built through the host: a grid mesh with UVs and a centred
// pivot, a camera rig aimed and rolled, a sun light rig and a four-cornered
// plane; plus the awkward cases the export must still write validly (a vertex
// with two UVs, a vertex at infinity, a camera with a field of view of 0).
#include <cstdint>
#include <string>

#include "host/SceneExport.h"

namespace sample {

constexpr int32_t kGridColumns = 5;
constexpr int32_t kGridRows = 4;
constexpr double kCellSize = 2.0;

// Resets the host, then builds the scene. Returns false when a host call failed.
// The grid has columns x rows vertices (at least 2 x 2) and is reserved
// before its lists are made; with an output given the host knows where the
// scene will be written (SceneExport::SetOutput) and keeps the lists there.
bool BuildSampleScene(bool withAwkwardCases, int32_t columns = kGridColumns, int32_t rows = kGridRows,
                      const std::string& output = {},
                      XSI::SceneExport::GltfLayout layout = XSI::SceneExport::GltfLayout::Binary);

}  // namespace sample
