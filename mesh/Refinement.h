#pragma once
// An error-bounded mesh of a height grid: greedy insertion into a Delaunay
// triangulation. It starts from the grid's four corners and keeps inserting
// the sample farthest (vertically) from the current mesh until no sample is
// farther than the allowed error, or the triangle budget is reached.
//
// Every kept point is a grid sample at its own height, so the mesh's error
// at a sample is |sample - plane of the triangle under it|. The arithmetic is
// exact: positions are grid columns and rows, heights are the raw 16-bit
// samples, and every quantity the scan compares is an integer below 2^53 held
// in a double. The result is therefore the same bits on every build.
//
// A grid of 257 points or more on its longer side, refined to an error bound
// without a budget, is refined as two halves at once on two threads: the
// middle line's points are chosen first (as a polyline within the bound),
// then each half is refined with them fixed, so the halves meet exactly.
// A grid that two triangles already meet stays two triangles.
//
// Memory: nothing per grid point (the samples are only read); about 60 bytes
// per kept triangle while it runs, all of it in vectors whose growth failures
// are caught and reported as Outcome::NoMemory.
#include <cstdint>
#include <functional>
#include <vector>

namespace refinement {

struct Grid {
    const int16_t* samples = nullptr;  // row by row
    uint32_t columns = 0;              // at least 2
    uint32_t rows = 0;                 // at least 2
};

struct Limits {
    // The largest vertical distance allowed, in sample units; 0 allows none
    // (refines until the mesh meets every sample, or the budget ends it).
    double maxError = 0;
    // At most this many triangles; 0: no budget. Values below 2 act as 2.
    uint64_t maxTriangles = 0;
};

struct Mesh {
    // Grid index (row * columns + column) of each kept point, ascending.
    std::vector<uint32_t> points;
    // Three indices into points per triangle, counter-clockwise in
    // (column, row) coordinates, as the full grid's triangles are.
    std::vector<uint32_t> triangles;
    // The largest distance between a sample and the mesh, in sample units.
    double worstError = 0;
};

enum class Outcome { Done, Cancelled, NoMemory };

// Called now and then with the fraction done (0 .. 1, a guide for a progress
// bar); answering false cancels the refinement.
using Progress = std::function<bool(double fraction)>;

Outcome Refine(const Grid& grid, const Limits& limits, Mesh& out, const Progress& progress = {});

}  // namespace refinement
