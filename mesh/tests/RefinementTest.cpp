// The error-bounded mesh against an independent check of its guarantee and
// its tiling, on terrains chosen to be hard in different ways.
#include "mesh/Refinement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "mesh/tests/MeshCheck.h"
#include "tools/tergen/TerGen.h"

namespace {

struct Terrain {
    std::string name;
    uint32_t columns, rows;
    std::vector<int16_t> samples;
};

std::vector<double> heightsOf(const Terrain& t) { return {t.samples.begin(), t.samples.end()}; }

Terrain noise(uint32_t columns, uint32_t rows, uint32_t seed, int range) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(-range, range);
    Terrain t{"noise", columns, rows, std::vector<int16_t>(size_t{columns} * rows)};
    for (int16_t& s : t.samples) s = static_cast<int16_t>(value(random));
    return t;
}

// One sample raised high on a flat plain, away from every edge.
Terrain spike(uint32_t columns, uint32_t rows) {
    Terrain t{"spike", columns, rows, std::vector<int16_t>(size_t{columns} * rows, 100)};
    t.samples[size_t{rows / 3} * columns + columns / 3 + 1] = 30000;
    return t;
}

// A step of 6000 across a diagonal that no grid cell's own diagonal follows.
Terrain cliff(uint32_t columns, uint32_t rows) {
    Terrain t{"cliff", columns, rows, std::vector<int16_t>(size_t{columns} * rows)};
    for (uint32_t y = 0; y < rows; ++y)
        for (uint32_t x = 0; x < columns; ++x) t.samples[size_t{y} * columns + x] = 2 * x + y < columns ? -3000 : 3000;
    return t;
}

Terrain relief(uint16_t columns, uint16_t rows, uint32_t seed) {
    return {"relief", columns, rows, tergen::makeRelief(columns, rows, seed)};
}

struct Refined {
    refinement::Outcome outcome;
    refinement::Mesh mesh;
};

Refined refine(const Terrain& t, double maxError, uint64_t maxTriangles = 0) {
    Refined r;
    r.outcome = refinement::Refine({t.samples.data(), t.columns, t.rows}, {maxError, maxTriangles}, r.mesh);
    return r;
}

// Refines t and checks the mesh: a tiling of the grid, every sample within
// maxError (when no budget ends it early), the worst error reported as the
// check measures it.
void expectSound(const Terrain& t, double maxError, uint64_t maxTriangles = 0) {
    SCOPED_TRACE(t.name + " " + std::to_string(t.columns) + " x " + std::to_string(t.rows) + ", error " +
                 std::to_string(maxError) + ", budget " + std::to_string(maxTriangles));
    const Refined r = refine(t, maxError, maxTriangles);
    ASSERT_EQ(r.outcome, refinement::Outcome::Done);
    const meshcheck::Result c = meshcheck::check(heightsOf(t), t.columns, t.rows, r.mesh.points, r.mesh.triangles);
    ASSERT_EQ(c.problem, "");
    const size_t triangles = r.mesh.triangles.size() / 3;
    if (maxTriangles == 0 || triangles + 2 <= maxTriangles) {
        EXPECT_LE(c.worstError, maxError);
    }
    if (maxTriangles != 0) {
        EXPECT_LE(triangles, std::max<uint64_t>(maxTriangles, 2));
    }
    EXPECT_NEAR(r.mesh.worstError, c.worstError, 1e-9 * (1 + c.worstError));
    EXPECT_TRUE(std::is_sorted(r.mesh.points.begin(), r.mesh.points.end()));
}

}  // namespace

TEST(refinement, every_sample_within_the_error_on_varied_terrains) {
    const Terrain terrains[] = {relief(129, 129, 1), noise(41, 37, 3, 3000), spike(33, 33), cliff(40, 25),
                                relief(61, 17, 5), cliff(2, 30), relief(30, 2, 9), noise(2, 2, 4, 2000),
                                noise(3, 9, 8, 30000)};
    for (const Terrain& t : terrains)
        for (const double error : {0.0, 0.25, 1.0, 7.5, 100.0, 1000.0, 70000.0}) expectSound(t, error);
}

// Grids long enough to be refined as two halves at once, split across
// either side: the shared line's points are the same on both sides, so the
// halves meet without a crack, and the guarantee holds across the line.
TEST(refinement, grids_refined_in_two_halves_meet_without_a_crack) {
    const Terrain terrains[] = {relief(300, 41, 6), noise(37, 290, 7, 4000), cliff(257, 60), spike(258, 258),
                                relief(2, 400, 8), relief(400, 3, 9)};
    for (const Terrain& t : terrains)
        for (const double error : {0.5, 20.0, 900.0, 70000.0}) expectSound(t, error);
}

// Error 0 keeps refining until the mesh meets every sample: on noise, that
// is nearly every point; a bound beyond the relief leaves the two corners'
// triangles.
TEST(refinement, zero_error_meets_every_sample_and_a_huge_one_keeps_the_corners) {
    const Terrain t = noise(23, 19, 11, 1000);
    const Refined exact = refine(t, 0);
    EXPECT_EQ(meshcheck::check(heightsOf(t), t.columns, t.rows, exact.mesh.points, exact.mesh.triangles).worstError, 0);
    const Refined coarse = refine(t, 5000);
    EXPECT_EQ(coarse.mesh.points, (std::vector<uint32_t>{0, 22, 18 * 23, 19 * 23 - 1}));
    EXPECT_EQ(coarse.mesh.triangles.size(), 6u);
}

// A plain, tilted or level, is two triangles; a 2 x 2 grid keeps the full
// grid's own two, (0, 1, 2) and (1, 3, 2), at any error.
TEST(refinement, planes_and_the_smallest_grid_are_two_triangles) {
    Terrain tilted{"tilted", 50, 31, std::vector<int16_t>(50 * 31)};
    for (uint32_t i = 0; i < tilted.samples.size(); ++i) tilted.samples[i] = int16_t(3 * (i % 50) - 7 * (i / 50));
    for (const Terrain& t : {Terrain{"level", 64, 64, std::vector<int16_t>(64 * 64, -5)}, tilted,
                             Terrain{"wide level", 600, 300, std::vector<int16_t>(600 * 300, 12)}}) {
        const Refined r = refine(t, 0.5);
        EXPECT_EQ(r.mesh.triangles.size(), 6u) << t.name;
        EXPECT_EQ(r.mesh.points.size(), 4u) << t.name;
        EXPECT_EQ(r.mesh.worstError, 0) << t.name;
    }
    for (const double error : {0.0, 3.0}) {
        const Refined r = refine(noise(2, 2, 1, 9000), error);
        EXPECT_EQ(r.mesh.points, (std::vector<uint32_t>{0, 1, 2, 3}));
        EXPECT_EQ(r.mesh.triangles, (std::vector<uint32_t>{0, 1, 2, 1, 3, 2}));
    }
}

// The budget ends the refinement: never more triangles than it allows, the
// mesh still a tiling, and the error it stopped at reported truly.
TEST(refinement, a_triangle_budget_ends_the_refinement) {
    const Terrain t = relief(65, 49, 2);
    size_t previous = 0;
    for (const uint64_t budget : {1u, 2u, 3u, 4u, 9u, 100u, 1001u}) {
        expectSound(t, 0, budget);
        const Refined r = refine(t, 0, budget);
        const size_t triangles = r.mesh.triangles.size() / 3;
        EXPECT_GE(triangles, previous);
        EXPECT_GE(triangles + 2, std::max<uint64_t>(budget, 2)) << budget;  // stops only when one more would not fit
        previous = triangles;
    }
    // Both limits: whichever is reached first.
    const Refined byError = refine(t, 40);
    const size_t needed = byError.mesh.triangles.size() / 3;
    EXPECT_EQ(refine(t, 40, needed + 50).mesh.triangles, byError.mesh.triangles);
    EXPECT_LE(refine(t, 40, needed / 2).mesh.triangles.size() / 3, needed / 2);
}

// Random small grids of every shape, with random structure, errors and
// budgets (run under the sanitizers natively); each mesh is also made a
// second time and must come out the same.
TEST(refinement, random_small_grids) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 400; ++round) {
        const uint32_t columns = 2 + random() % 23, rows = 2 + random() % 23;
        Terrain t{"random " + std::to_string(round), columns, rows, std::vector<int16_t>(size_t{columns} * rows)};
        // Terraces of a few levels, so that ties and exact planes are common.
        const int levels = 1 + int(random() % 6), step = int(random() % 20000);
        for (int16_t& s : t.samples) s = int16_t((int(random() % levels) - levels / 2) * step / levels);
        const double error = random() % 3 == 0 ? 0.0 : double(random() % 4000) / 7.0;
        const uint64_t budget = random() % 4 == 0 ? 1 + random() % (4 * columns * rows) : 0;
        expectSound(t, error, budget);
        EXPECT_EQ(refine(t, error, budget).mesh.triangles, refine(t, error, budget).mesh.triangles);
        if (HasFatalFailure()) return;
    }
}

// The progress reports run from 0 to 1 and a false answer cancels: nothing
// is kept.
TEST(refinement, progress_rises_and_cancel_stops) {
    const Terrain t = noise(300, 300, 5, 8000);
    std::vector<double> seen;
    refinement::Mesh mesh;
    const auto all = refinement::Refine({t.samples.data(), t.columns, t.rows}, {50, 0}, mesh, [&](double f) {
        seen.push_back(f);
        return true;
    });
    EXPECT_EQ(all, refinement::Outcome::Done);
    ASSERT_GE(seen.size(), 3u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GE(seen.front(), 0.0);
    EXPECT_LE(seen.back(), 1.0);

    int calls = 0;
    const auto cancelled = refinement::Refine({t.samples.data(), t.columns, t.rows}, {50, 0}, mesh, [&](double) {
        return ++calls < 2;
    });
    EXPECT_EQ(cancelled, refinement::Outcome::Cancelled);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(mesh.points.empty() && mesh.triangles.empty());
}

// Grids with fewer than two points on a side have no triangles to refine.
TEST(refinement, a_grid_without_cells_gives_an_empty_mesh) {
    const std::vector<int16_t> row(7, 3);
    refinement::Mesh mesh;
    EXPECT_EQ(refinement::Refine({row.data(), 7, 1}, {1, 0}, mesh), refinement::Outcome::Done);
    EXPECT_TRUE(mesh.points.empty() && mesh.triangles.empty());
}
