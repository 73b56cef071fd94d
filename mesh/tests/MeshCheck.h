#pragma once
// An independent check of a mesh over a height grid, written from what the
// mesh must be rather than from how it is made:
// - its points are distinct grid points, the four corners among them;
// - it tiles the grid's rectangle: every triangle counter-clockwise in
//   (column, row), their areas sum to the rectangle's, every directed edge is
//   used once, and an edge used in one direction only lies on the border;
// - every sample lies under some triangle, and the worst vertical distance
//   between a sample and the plane of a triangle over it, in double, from
//   heights in metres.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace meshcheck {

struct Result {
    std::string problem;  // empty when the mesh tiles the grid
    double worstError = 0;
};

inline Result check(const std::vector<double>& heights, uint32_t columns, uint32_t rows,
                    const std::vector<uint32_t>& points, const std::vector<uint32_t>& triangles) {
    Result r;
    const uint64_t cells = uint64_t(columns) * rows;
    std::set<uint32_t> distinct(points.begin(), points.end());
    if (distinct.size() != points.size()) return r.problem = "a grid point is kept twice", r;
    for (const uint32_t p : points)
        if (p >= cells) return r.problem = "a point outside the grid", r;
    for (const uint32_t corner : {0u, columns - 1, (rows - 1) * columns, rows * columns - 1})
        if (!distinct.count(corner)) return r.problem = "corner " + std::to_string(corner) + " missing", r;
    if (triangles.size() % 3 != 0) return r.problem = "a partial triangle", r;

    auto column = [&](uint32_t v) { return int64_t(points[v] % columns); };
    auto row = [&](uint32_t v) { return int64_t(points[v] / columns); };
    auto orient = [&](uint32_t a, uint32_t b, int64_t x, int64_t y) {
        return (column(b) - column(a)) * (y - row(a)) - (row(b) - row(a)) * (x - column(a));
    };

    std::set<std::pair<uint32_t, uint32_t>> edges;
    int64_t area2 = 0;
    std::vector<bool> covered(cells, false);
    for (size_t t = 0; t < triangles.size(); t += 3) {
        const uint32_t v[3] = {triangles[t], triangles[t + 1], triangles[t + 2]};
        for (const uint32_t i : v)
            if (i >= points.size()) return r.problem = "a corner beyond the points", r;
        const int64_t a2 = orient(v[0], v[1], column(v[2]), row(v[2]));
        if (a2 <= 0) return r.problem = "triangle " + std::to_string(t / 3) + " is not counter-clockwise", r;
        area2 += a2;
        for (int k = 0; k < 3; ++k)
            if (!edges.insert({v[k], v[(k + 1) % 3]}).second) return r.problem = "a directed edge used twice", r;

        const int64_t x0 = std::min({column(v[0]), column(v[1]), column(v[2])});
        const int64_t x1 = std::max({column(v[0]), column(v[1]), column(v[2])});
        const int64_t y0 = std::min({row(v[0]), row(v[1]), row(v[2])});
        const int64_t y1 = std::max({row(v[0]), row(v[1]), row(v[2])});
        for (int64_t y = y0; y <= y1; ++y)
            for (int64_t x = x0; x <= x1; ++x) {
                const int64_t w0 = orient(v[1], v[2], x, y), w1 = orient(v[2], v[0], x, y), w2 = orient(v[0], v[1], x, y);
                if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                const uint64_t i = uint64_t(y) * columns + uint64_t(x);
                const double surface =
                    (double(w0) * heights[points[v[0]]] + double(w1) * heights[points[v[1]]] +
                     double(w2) * heights[points[v[2]]]) /
                    double(a2);
                r.worstError = std::max(r.worstError, std::fabs(heights[i] - surface));
                covered[i] = true;
            }
    }
    if (area2 != 2 * int64_t(columns - 1) * (rows - 1)) return r.problem = "the areas do not sum to the grid's", r;
    for (const auto& [a, b] : edges) {
        if (edges.count({b, a})) continue;
        const bool onBorder = (column(a) == 0 && column(b) == 0) ||
                              (column(a) == columns - 1 && column(b) == columns - 1) ||
                              (row(a) == 0 && row(b) == 0) || (row(a) == rows - 1 && row(b) == rows - 1);
        if (!onBorder) return r.problem = "an inner edge with one triangle", r;
    }
    for (uint64_t i = 0; i < cells; ++i)
        if (!covered[i]) return r.problem = "sample " + std::to_string(i) + " under no triangle", r;
    return r;
}

}  // namespace meshcheck
