#pragma once
// The terrain mesh: one vertex per grid point, two triangles per grid cell,
// texture coordinates spread over the whole grid, optionally the pivot in the
// centre of the bounding box; then the camera, sun and water steps. When the
// session asks for an error-bounded mesh, only the grid points it keeps.
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

// The bytes the import's large lists take at the same time for a grid of
// these counts: the elevations (2 per point), the positions (12 per point),
// the triangle corners (12 per triangle), and the host's normals (12 per
// point) and texture coordinates (8 per point). A refined mesh needs only the
// elevations for certain: its other lists grow with the points it keeps and
// are checked as they grow.
uint64_t TerrainListBytes(uint32_t xPoints, uint32_t yPoints, bool refined = false);

// Room for those lists that this build's address space could ever give: a
// 32-bit process has 2 GiB, the host's own use included; a 64-bit one is
// limited by the memory the machine has, which only the allocations tell.
constexpr uint64_t kAddressSpaceBytes = sizeof(void*) == 4 ? uint64_t{1} << 31 : ~uint64_t{0};

// False, with errorText[size] set to TerrainTooLargeText, when the lists of
// header's grid cannot fit in kAddressSpaceBytes: known from the header,
// before any sample is read.
bool CheckTerrainFits(const TerrainHeader& header, char* errorText, size_t size, bool refined = false);

// "terrain too large for the memory available: X x Y points": the failure
// when the import's own lists cannot be had.
void TerrainTooLargeText(uint32_t xPoints, uint32_t yPoints, char* errorText, size_t size);

// Vertex number at entry `entry` of the grid's triangle index list (the list
// TerrainFile::getTriangleIndices writes): cell entry / 6, corner entry % 6 of
// v, v + 1, v + x, v + 1, v + 1 + x, v + x.
uint32_t TriangleListVertex(uint64_t entry, uint32_t xPoints);
