// The error-bounded mesh against an independent check of its guarantee and
// its tiling, on terrains chosen to be hard in different ways.
#include "mesh/Refinement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "mesh/ExactPredicates.h"
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

// The sample farthest from the mesh, the lowest grid index among equals,
// found exactly: a sample's distance times twice the area of the triangle
// over it is an integer, and the fractions are compared crosswise.
uint32_t farthestSample(const Terrain& t, const refinement::Mesh& m) {
    int64_t bestNumerator = 0, bestDenominator = 1;
    uint32_t best = 0;
    auto x = [&](uint32_t v) { return int64_t(m.points[v] % t.columns); };
    auto y = [&](uint32_t v) { return int64_t(m.points[v] / t.columns); };
    for (size_t k = 0; k < m.triangles.size(); k += 3) {
        const uint32_t a = m.triangles[k], b = m.triangles[k + 1], c = m.triangles[k + 2];
        const int64_t area2 = refinement::exact::orient(x(a), y(a), x(b), y(b), x(c), y(c));
        for (int64_t py = std::min({y(a), y(b), y(c)}); py <= std::max({y(a), y(b), y(c)}); ++py)
            for (int64_t px = std::min({x(a), x(b), x(c)}); px <= std::max({x(a), x(b), x(c)}); ++px) {
                const int64_t wa = refinement::exact::orient(x(b), y(b), x(c), y(c), px, py);
                const int64_t wb = refinement::exact::orient(x(c), y(c), x(a), y(a), px, py);
                const int64_t wc = refinement::exact::orient(x(a), y(a), x(b), y(b), px, py);
                if (wa < 0 || wb < 0 || wc < 0) continue;
                const uint32_t i = uint32_t(py * t.columns + px);
                int64_t numerator = area2 * t.samples[i] - (wa * t.samples[m.points[a]] + wb * t.samples[m.points[b]] +
                                                             wc * t.samples[m.points[c]]);
                numerator = numerator < 0 ? -numerator : numerator;
                const int64_t lhs = numerator * bestDenominator, rhs = bestNumerator * area2;
                if (lhs > rhs || (lhs == rhs && i < best)) bestNumerator = numerator, bestDenominator = area2, best = i;
            }
    }
    return best;
}

// Whether every inner edge is locally Delaunay: the far corner of the
// triangle beyond it is not strictly inside the circle through the three
// corners on this side (checked in 64 bits: test grids are small). Edges on
// the given column (or row) are skipped: halves meet there without flips.
bool isDelaunay(const Terrain& t, const refinement::Mesh& m, int64_t skipColumn = -1, int64_t skipRow = -1) {
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> farCorner;  // directed edge -> the corner opposite it
    for (size_t k = 0; k < m.triangles.size(); k += 3)
        for (int e = 0; e < 3; ++e)
            farCorner[{m.triangles[k + e], m.triangles[k + (e + 1) % 3]}] = m.triangles[k + (e + 2) % 3];
    auto x = [&](uint32_t v) { return int64_t(m.points[v] % t.columns); };
    auto y = [&](uint32_t v) { return int64_t(m.points[v] / t.columns); };
    for (const auto& [edge, c] : farCorner) {
        const auto other = farCorner.find({edge.second, edge.first});
        if (other == farCorner.end()) continue;
        const uint32_t a = edge.first, b = edge.second, d = other->second;
        if ((x(a) == skipColumn && x(b) == skipColumn) || (y(a) == skipRow && y(b) == skipRow)) continue;
        const int64_t adx = x(a) - x(d), ady = y(a) - y(d), bdx = x(b) - x(d), bdy = y(b) - y(d), cdx = x(c) - x(d),
                      cdy = y(c) - y(d);
        const int64_t det = (adx * adx + ady * ady) * (bdx * cdy - cdx * bdy) +
                            (bdx * bdx + bdy * bdy) * (cdx * ady - adx * cdy) +
                            (cdx * cdx + cdy * cdy) * (adx * bdy - bdx * ady);
        if (det > 0) return false;
    }
    return true;
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

    // Refined whole (a budget), where the largest error rises now and then.
    seen.clear();
    const Terrain rough = noise(260, 250, 6, 12000);
    refinement::Refine({rough.samples.data(), rough.columns, rough.rows}, {1, 0xFFFFFFFF}, mesh, [&](double f) {
        seen.push_back(f);
        return true;
    });
    ASSERT_GE(seen.size(), 10u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));

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

// The predicates at the largest grid positions, where the in-circle terms
// pass 64 bits: the corners of a rectangle lie on one circle, and a point
// moved one step in or out of it is inside or outside.
TEST(refinement, exact_predicates_at_the_largest_positions) {
    using refinement::exact::inCircle;
    using refinement::exact::orient;
    for (const int64_t w : {3, 4096, 65534}) {
        for (const int64_t h : {2, 777, 65534}) {
            SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
            EXPECT_GT(orient(0, 0, w, 0, 0, h), 0);
            EXPECT_LT(orient(0, 0, 0, h, w, 0), 0);
            EXPECT_EQ(orient(0, 0, w, h, 2 * w, 2 * h), 0);
            EXPECT_EQ(inCircle(0, 0, w, 0, 0, h, w, h), 0);      // on the circle
            EXPECT_EQ(inCircle(0, 0, w, 0, 0, h, w - 1, h), 1);  // one step in
            EXPECT_EQ(inCircle(0, 0, w, 0, 0, h, w, h + 1), -1); // one step out
            EXPECT_EQ(inCircle(w, 0, 0, h, 0, 0, w - 1, h - 1), 1);  // the same circle, the corners turned
            EXPECT_EQ(inCircle(-w, -h, 0, -h, -w, 0, 1, 1), -1);     // negative positions, far outside
            // Translated as a whole the answers stay: positions up to 2^16 on
            // both sides of zero.
            EXPECT_EQ(inCircle(-w, -h, 0, -h, -w, 0, 0, 0), 0);
            EXPECT_EQ(inCircle(-w, -h, 0, -h, -w, 0, -1, 0), 1);
        }
    }
}

// Nearly cocircular points spread across the largest grid, where the double
// terms (about 2^60) swamp a determinant of a few hundred: three neighbouring
// grid points on a circle about a grid point, and a fourth one unit of
// squared distance inside or outside it. The answer is read off the
// distances to the centre, which int64 holds exactly. Moved as a whole to
// put the centre at 0, the positions take both signs.
TEST(refinement, exact_predicates_where_the_double_cannot_decide) {
    using refinement::exact::inCircle;
    struct Point {
        int64_t x, y;
    };
    struct Case {
        int64_t radiusSquared;
        Point a, b, c;  // counter-clockwise on the circle
        std::vector<Point> fourth;
    };
    const std::vector<Case> cases = {
        {631959445, {7639, 32066}, {7646, 31849}, {7657, 31586}, {{51458, 49580}, {49580, 51458}, {49580, 14078}, {51458, 15956}}},
        {631959445, {7927, 28910}, {8010, 28409}, {8042, 28231}, {{51458, 49580}, {49580, 51458}}},
        {1215306625, {231, 20252}, {575, 19392}, {703, 19088}, {{59563, 55069}, {58333, 56469}, {55069, 59563}}},
        {1215306625, {703, 19088}, {748, 18983}, {848, 18753}, {{56469, 7203}, {7203, 56469}, {5973, 55069}}},
    };
    const Point centre = {32768, 32768};
    const auto distanceSquared = [&](Point p) {
        return (p.x - centre.x) * (p.x - centre.x) + (p.y - centre.y) * (p.y - centre.y);
    };
    int inside = 0, outside = 0;
    for (const Case& k : cases) {
        ASSERT_EQ(distanceSquared(k.a), k.radiusSquared);
        ASSERT_EQ(distanceSquared(k.b), k.radiusSquared);
        ASSERT_EQ(distanceSquared(k.c), k.radiusSquared);
        for (const Point d : k.fourth) {
            const int64_t power = k.radiusSquared - distanceSquared(d);
            ASSERT_EQ(std::abs(power), 1);
            const int expected = power > 0 ? 1 : -1;
            (expected > 0 ? inside : outside)++;
            SCOPED_TRACE(std::to_string(d.x) + ", " + std::to_string(d.y));
            EXPECT_EQ(inCircle(k.a.x, k.a.y, k.b.x, k.b.y, k.c.x, k.c.y, d.x, d.y), expected);
            EXPECT_EQ(inCircle(k.b.x, k.b.y, k.c.x, k.c.y, k.a.x, k.a.y, d.x, d.y), expected);
            const int64_t cx = centre.x, cy = centre.y;
            EXPECT_EQ(inCircle(k.a.x - cx, k.a.y - cy, k.b.x - cx, k.b.y - cy, k.c.x - cx, k.c.y - cy, d.x - cx,
                               d.y - cy),
                      expected);
        }
    }
    EXPECT_GT(inside, 0);
    EXPECT_GT(outside, 0);
}

// Each insertion is the sample farthest from the mesh so far (the lowest
// grid index among equals): the mesh with one more point than another has,
// as its new point, that mesh's farthest sample. Terraces give many equals.
// The meshes are also Delaunay triangulations of their points.
TEST(refinement, each_point_added_is_the_farthest_sample) {
    Terrain terraces{"terraces", 31, 27, std::vector<int16_t>(31 * 27)};
    for (uint32_t i = 0; i < terraces.samples.size(); ++i)
        terraces.samples[i] = int16_t(((i % 31) / 5 + (i / 31) / 4) % 3 * 700 - ((i % 7) == 3 ? 300 : 0));
    for (const Terrain& t : {noise(29, 23, 17, 5000), terraces, relief(40, 33, 12)}) {
        SCOPED_TRACE(t.name);
        refinement::Mesh before = refine(t, 0, 2).mesh;
        for (uint64_t budget = 3; budget < 160; ++budget) {
            const refinement::Mesh after = refine(t, 0, budget).mesh;
            // It stopped only because the next point would not fit: one
            // triangle more on the border, two inside.
            const uint32_t next = farthestSample(t, after), nx = next % t.columns, ny = next / t.columns;
            const bool border = nx == 0 || ny == 0 || nx == t.columns - 1 || ny == t.rows - 1;
            if (refine(t, 0, budget + 2).mesh.points.size() > after.points.size()) {
                ASSERT_GT(after.triangles.size() / 3 + (border ? 1 : 2), budget) << "budget " << budget;
            }
            if (after.points.size() == before.points.size() + 1) {
                std::vector<uint32_t> added;
                std::set_difference(after.points.begin(), after.points.end(), before.points.begin(),
                                    before.points.end(), std::back_inserter(added));
                ASSERT_EQ(added.size(), 1u);
                ASSERT_EQ(added[0], farthestSample(t, before)) << "budget " << budget;
            }
            ASSERT_TRUE(isDelaunay(t, after)) << "budget " << budget;
            before = after;
        }
    }
}

// Grids refined in halves: a budget still bounds the whole mesh (there, the
// grid is refined whole); the middle line's own error counts in the worst
// error reported; and away from the line the mesh is Delaunay.
TEST(refinement, halves_keep_the_budget_the_worst_error_and_the_delaunay_property) {
    const Terrain t = relief(300, 41, 6);
    for (const uint64_t budget : {2u, 50u, 1001u}) expectSound(t, 40, budget);

    // A tent of height 3 along the middle column (149) of a plain, with a
    // spike elsewhere that needs points: the line keeps its two ends, so the
    // worst error is the tent's 3, found on the line alone.
    Terrain tent{"tent", 300, 41, std::vector<int16_t>(300 * 41, 0)};
    for (uint32_t r = 0; r < 41; ++r) tent.samples[r * 300 + 149] = int16_t(3 - std::abs(int(r) - 20) * 3 / 20);
    tent.samples[20 * 300 + 50] = 5000;
    expectSound(tent, 4);
    EXPECT_EQ(refine(tent, 4).mesh.worstError, 3.0);

    for (const Terrain& split : {relief(300, 41, 6), relief(41, 300, 7)}) {
        const refinement::Mesh m = refine(split, 25).mesh;
        EXPECT_TRUE(isDelaunay(split, m, split.columns >= split.rows ? 149 : -1, split.columns >= split.rows ? -1 : 149))
            << split.name;
    }
}
