#pragma once
// The terrain mesh: one vertex per grid point, two triangles per grid cell,
// texture coordinates spread over the whole grid, optionally the pivot in the
// centre of the bounding box; then the camera, sun and water steps.
#include <cstdint>

struct ImportSession;
class ProgressTarget;

// Builds the terrain of session (its elevations already read) in the host's
// active scene, reporting to progressWindow. True when the mesh was built,
// whatever the world steps did afterwards.
bool BuildTerrain(ImportSession& session, ProgressTarget* progressWindow);

// Vertex number at entry `entry` of the grid's triangle index list (the list
// TerrainFile::getTriangleIndices writes): cell entry / 6, corner entry % 6 of
// v, v + 1, v + x, v + 1, v + 1 + x, v + x.
uint32_t TriangleListVertex(uint64_t entry, uint32_t xPoints);
