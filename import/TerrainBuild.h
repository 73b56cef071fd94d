#pragma once
// The terrain mesh: one vertex per grid point, two triangles per grid cell,
// texture coordinates spread over the whole grid, optionally the pivot in the
// centre of the bounding box; then the camera, sun and water steps.
#include <cstddef>
#include <cstdint>

struct ImportSession;
struct TerrainHeader;
class ProgressTarget;

// Builds the terrain of session (its elevations already read) in the host's
// active scene, reporting to progressWindow. True when the mesh was built,
// whatever the world steps did afterwards.
bool BuildTerrain(ImportSession& session, ProgressTarget* progressWindow);

// True when the header's SCAL values can place a mesh: each a finite number,
// the two horizontal ones (rows, columns) not 0, which would lay the grid on
// a line. A negative value mirrors the terrain and is allowed. Otherwise
// errorText[size] names the file at path and the scale.
bool CheckTerrainScale(const TerrainHeader& header, const char* path, char* errorText, size_t size);

// Vertex number at entry `entry` of the grid's triangle index list (the list
// TerrainFile::getTriangleIndices writes): cell entry / 6, corner entry % 6 of
// v, v + 1, v + x, v + 1, v + 1 + x, v + x.
uint32_t TriangleListVertex(uint64_t entry, uint32_t xPoints);
