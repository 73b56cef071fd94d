// cgal_greedy FILE METRES: the same greedy insertion as the import's
// error-bounded mesh, on the Delaunay triangulation of Debian's CGAL
// (libcgal-dev) instead of the project's own, to measure whether a library
// triangulation is fast enough. Prints the points and triangles kept and the
// time of the refinement alone. Built only where CGAL is installed; Debian
// has no CGAL (nor the Boost and GMP it needs) for the Windows builds.
#include <CGAL/Delaunay_triangulation_2.h>
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Triangulation_face_base_with_info_2.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <queue>
#include <vector>

#include "formats/TerrainFile.h"

namespace {

struct FaceInfo {
    uint64_t stamp = 0;  // which scan this face's entry in the queue belongs to
};
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
using Vb = CGAL::Triangulation_vertex_base_2<Kernel>;
using Fb = CGAL::Triangulation_face_base_with_info_2<FaceInfo, Kernel>;
using Tds = CGAL::Triangulation_data_structure_2<Vb, Fb>;
using Delaunay = CGAL::Delaunay_triangulation_2<Kernel, Tds>;
using Face = Delaunay::Face_handle;

struct Entry {
    double error;
    uint32_t candidate;
    Face face;
    uint64_t stamp;
    bool operator<(const Entry& o) const {
        return error != o.error ? error < o.error : candidate > o.candidate;
    }
};

struct Grid {
    const int16_t* samples;
    int64_t columns, rows;
};

// The farthest sample inside or on face f, scanned row by row as the
// import's refinement does (exact in doubles below 2^52).
Entry scan(const Grid& g, Face f, uint64_t stamp) {
    int64_t x[3], y[3], z[3];
    for (int k = 0; k < 3; ++k) {
        x[k] = std::llround(f->vertex(k)->point().x());
        y[k] = std::llround(f->vertex(k)->point().y());
        z[k] = g.samples[y[k] * g.columns + x[k]];
    }
    const int64_t area2 = (x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]);
    const int64_t nx = (z[1] - z[0]) * (y[2] - y[0]) - (z[2] - z[0]) * (y[1] - y[0]);
    const int64_t ny = (x[1] - x[0]) * (z[2] - z[0]) - (x[2] - x[0]) * (z[1] - z[0]);
    double best = 0;
    uint32_t at = uint32_t(y[0] * g.columns + x[0]);
    const int64_t y0 = std::min({y[0], y[1], y[2]}), y1 = std::max({y[0], y[1], y[2]});
    for (int64_t row = y0; row <= y1; ++row) {
        double lo = double(std::min({x[0], x[1], x[2]})), hi = double(std::max({x[0], x[1], x[2]}));
        for (int k = 0; k < 3; ++k) {
            const int64_t px = x[k], py = y[k], dx = x[(k + 1) % 3] - px, dy = y[(k + 1) % 3] - py;
            const double c = double(dx * (row - py));
            if (dy > 0) hi = std::min(hi, px + std::floor(c / double(dy)));
            else if (dy < 0) lo = std::max(lo, px - std::floor(c / double(-dy)));
        }
        for (int64_t col = int64_t(lo); col <= int64_t(hi); ++col) {
            const double e = std::fabs(double(area2) * g.samples[row * g.columns + col] -
                                       double(area2 * z[0] + nx * (col - x[0]) + ny * (row - y[0])));
            if (e > best) best = e, at = uint32_t(row * g.columns + col);
        }
    }
    return {best / double(area2), at, f, stamp};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: cgal_greedy FILE METRES\n");
        return 2;
    }
    TerrainFile terrain;
    if (!terrain.open(argv[1]) || !terrain.readElevations(nullptr, nullptr)) return 1;
    TerrainHeader h;
    terrain.getHeader(h);
    const Grid g{h.elevations, h.xPoints, h.yPoints};
    const double allowed = std::atof(argv[2]) / std::fabs(h.heightScale * double{h.scaleZ} / 65536.0);

    const auto start = std::chrono::steady_clock::now();
    Delaunay dt;
    for (const auto& [px, py] : {std::pair<int64_t, int64_t>{0, 0}, {g.columns - 1, 0}, {0, g.rows - 1},
                                 {g.columns - 1, g.rows - 1}})
        dt.insert(Delaunay::Point(double(px), double(py)));
    std::priority_queue<Entry> queue;
    uint64_t stamp = 0;
    auto push = [&](Face f) {
        f->info().stamp = ++stamp;
        const Entry e = scan(g, f, stamp);
        if (e.error > allowed) queue.push(e);
    };
    for (auto f = dt.finite_faces_begin(); f != dt.finite_faces_end(); ++f) push(f);
    while (!queue.empty()) {
        const Entry e = queue.top();
        queue.pop();
        if (e.face->info().stamp != e.stamp) continue;  // the face changed since
        const Delaunay::Point p(double(e.candidate % g.columns), double(e.candidate / g.columns));
        // The faces the insertion replaces: their queue entries go stale
        // (a destroyed face's memory may be read again, never trusted).
        std::vector<Face> conflicts;
        dt.get_conflicts(p, std::back_inserter(conflicts), e.face);
        for (Face c : conflicts) c->info().stamp = 0;
        const auto v = dt.insert(p, e.face);
        auto f = dt.incident_faces(v), done = f;
        do
            if (!dt.is_infinite(f)) push(f);
        while (++f != done);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("cgal: %zu points, %zu triangles, %.3f s\n", size_t(dt.number_of_vertices()),
                size_t(dt.number_of_faces()), seconds);
    return 0;
}
