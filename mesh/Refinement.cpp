#include "mesh/Refinement.h"
#include "mesh/ExactPredicates.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <exception>
#include <new>
#include <stdexcept>
#include <thread>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace refinement {
namespace {

using exact::inCircle;
using exact::orient;

// floor(a / b) for b > 0, |a| and b below 2^52: the quotient of the doubles,
// moved by the exact remainder where its rounding crossed an integer (an
// integer division is many times slower, and this runs three times a row).
int64_t floorDiv(int64_t a, int64_t b) {
    const double quotient = double(a) / double(b);
    int64_t q = int64_t(quotient);  // toward zero
    if (q * b > a) --q;
    else if ((q + 1) * b <= a) ++q;
    return q;
}

// The largest |area2 * row[i] - (plane + nx * i)| for i in [0, count): the
// scan's inner loop. Every value is an integer below 2^52, exact in a double,
// so the vector and scalar paths give the same answer.
double rowLargest(const int16_t* row, int64_t count, double area2, double plane, double nx) {
    double largest = 0;
    int64_t i = 0;
#if defined(__SSE2__)
    if (count >= 8) {
        const __m128d scale = _mm_set1_pd(area2), step = _mm_set1_pd(4 * nx);
        const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
        __m128d planeLow = _mm_set_pd(plane + nx, plane), planeHigh = _mm_set_pd(plane + 3 * nx, plane + 2 * nx);
        __m128d most0 = _mm_setzero_pd(), most1 = _mm_setzero_pd();
        for (; i + 4 <= count; i += 4) {
            const __m128i four = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + i));
            const __m128i wide = _mm_srai_epi32(_mm_unpacklo_epi16(four, four), 16);
            const __m128d low = _mm_cvtepi32_pd(wide), high = _mm_cvtepi32_pd(_mm_shuffle_epi32(wide, 0xEE));
            most0 = _mm_max_pd(most0, _mm_and_pd(_mm_sub_pd(_mm_mul_pd(low, scale), planeLow), magnitude));
            most1 = _mm_max_pd(most1, _mm_and_pd(_mm_sub_pd(_mm_mul_pd(high, scale), planeHigh), magnitude));
            planeLow = _mm_add_pd(planeLow, step);
            planeHigh = _mm_add_pd(planeHigh, step);
        }
        const __m128d most = _mm_max_pd(most0, most1);
        largest = std::max(_mm_cvtsd_f64(most), _mm_cvtsd_f64(_mm_unpackhi_pd(most, most)));
        plane += nx * double(i);
    }
#endif
    for (; i < count; ++i, plane += nx) largest = std::max(largest, std::fabs(area2 * row[i] - plane));
    return largest;
}

constexpr int32_t kNone = -1;

inline uint32_t nextEdge(uint32_t e) { return e % 3 == 2 ? e - 2 : e + 1; }
inline uint32_t prevEdge(uint32_t e) { return e % 3 == 0 ? e + 2 : e - 1; }

// The part of the grid one refinement covers: a rectangle of it, and the
// grid's points it holds fixed (a column or a row shared with the other
// part, whose points are chosen before either part is refined).
struct Area {
    const int16_t* samples = nullptr;  // the area's first sample
    uint32_t columns = 0, rows = 0;
    uint32_t stride = 0;               // samples from one row to the next
    uint32_t left = 0, top = 0;        // where it lies in the grid
    uint32_t gridColumns = 0;
    int64_t fixedColumn = -1, fixedRow = -1;  // in the area; -1: none
};

class Refiner {
public:
    Refiner(const Area& area, const Limits& limits) : area_(area), limits_(limits) {}

    // Refines the area from its corners and the fixed points given (in the
    // area's own columns and rows, on its border). out.points are grid indices.
    Outcome run(Mesh& out, const Progress& progress, const std::vector<std::pair<uint32_t, uint32_t>>& fixed = {}) {
        start(fixed);
        return finish(out, progress);
    }
    // The two steps of run: the first triangles, scanned; then the insertions.
    void start(const std::vector<std::pair<uint32_t, uint32_t>>& fixed);
    Outcome finish(Mesh& out, const Progress& progress);
    // Whether the first triangles leave a sample too far from the mesh.
    bool needsPoints() const { return !heap_.empty(); }

private:
    // ---- the triangulation: half-edge e of triangle e / 3 starts at
    // vertex start_[e]; twin_[e] is the same edge in the neighbour, or kNone
    // on the grid's border.
    uint32_t addPoint(uint32_t x, uint32_t y);
    uint32_t addTriangle();
    void setTriangle(uint32_t t, uint32_t a, uint32_t b, uint32_t c, int32_t ab, int32_t bc, int32_t ca);
    void link(uint32_t e, int32_t twin) {
        twin_[e] = twin;
        if (twin != kNone) twin_[uint32_t(twin)] = int32_t(e);
    }
    void insert(uint32_t t);
    void insertAt(uint32_t t, uint32_t x, uint32_t y);
    void insertOnBorder(uint32_t x, uint32_t y);
    void legalize(uint32_t edge);
    void touch(uint32_t t);
    bool onEdge(uint32_t e, uint32_t p) const;

    // ---- the search for the farthest sample
    void scan(uint32_t t);

    // ---- the queue of triangles whose farthest sample is too far
    struct Entry;
    static bool before(const Entry& a, const Entry& b);
    void queueUpdate(uint32_t t, bool tooFar);
    void heapSwap(size_t i, size_t j);
    void siftUp(size_t i);
    void siftDown(size_t i);
    void heapRemove(uint32_t t);

    const Area area_;
    const Limits limits_;

    std::vector<int32_t> x_, y_;          // per point: column, row
    std::vector<uint32_t> start_;         // per half-edge
    std::vector<int32_t> twin_;           // per half-edge
    std::vector<double> error_;           // per triangle: its farthest sample's error
    std::vector<uint32_t> candidate_;     // per triangle: grid index of its farthest sample
    std::vector<int32_t> heapPlace_;      // per triangle: place in heap_, or kNone
    std::vector<uint32_t> touchedAt_;     // per triangle: the insertion that last changed it
    // A queued triangle with the keys it is ordered by, kept in the heap
    // itself so that sifting reads nothing else.
    struct Entry {
        double error;
        uint32_t candidate;
        uint32_t triangle;
    };
    std::vector<Entry> heap_;             // the triangle to refine first on top
    std::vector<uint32_t> touched_;       // triangles changed by the current insertion
    std::vector<uint32_t> edgeStack_;     // edges waiting for the Delaunay check
    uint32_t insertion_ = 0;
};

uint32_t Refiner::addPoint(uint32_t x, uint32_t y) {
    x_.push_back(int32_t(x));
    y_.push_back(int32_t(y));
    return uint32_t(x_.size() - 1);
}

uint32_t Refiner::addTriangle() {
    const uint32_t t = uint32_t(error_.size());
    start_.resize(start_.size() + 3);
    twin_.resize(twin_.size() + 3, kNone);
    error_.push_back(0);
    candidate_.push_back(0);
    heapPlace_.push_back(kNone);
    touchedAt_.push_back(0);
    return t;
}

void Refiner::setTriangle(uint32_t t, uint32_t a, uint32_t b, uint32_t c, int32_t ab, int32_t bc, int32_t ca) {
    const uint32_t e = 3 * t;
    start_[e] = a;
    start_[e + 1] = b;
    start_[e + 2] = c;
    link(e, ab);
    link(e + 1, bc);
    link(e + 2, ca);
    touch(t);
}

void Refiner::touch(uint32_t t) {
    if (touchedAt_[t] == insertion_) return;
    touchedAt_[t] = insertion_;
    touched_.push_back(t);
}

// Whether point p lies on half-edge e's line (then between its ends: p is
// inside or on the triangle of e).
bool Refiner::onEdge(uint32_t e, uint32_t p) const {
    const uint32_t a = start_[e], b = start_[nextEdge(e)];
    return orient(x_[a], y_[a], x_[b], y_[b], x_[p], y_[p]) == 0;
}

// Inserts triangle t's farthest sample: three triangles in place of t when it
// lies inside; when it lies on an edge, two in place of each triangle beside
// that edge. Then restores the Delaunay property by flipping edges.
void Refiner::insert(uint32_t t) {
    const uint32_t c = candidate_[t];
    insertAt(t, c % area_.columns, c / area_.columns);
    // The changed triangles' first samples, asked for before any is scanned.
    for (const uint32_t changed : touched_)
        for (int k = 0; k < 3; ++k) {
            const uint32_t v = start_[3 * changed + k];
            __builtin_prefetch(area_.samples + uint64_t(y_[v]) * area_.stride + uint32_t(x_[v]));
        }
    for (const uint32_t changed : touched_) scan(changed);
}

// A fixed point, on the area's border: into the triangle whose border edge
// holds it. The triangles are scanned once all fixed points are in.
void Refiner::insertOnBorder(uint32_t x, uint32_t y) {
    for (uint32_t e = 0; e < start_.size(); ++e) {
        if (twin_[e] != kNone) continue;
        const uint32_t a = start_[e], b = start_[nextEdge(e)];
        if (orient(x_[a], y_[a], x_[b], y_[b], x, y) != 0) continue;
        const int64_t along = (int64_t(x) - x_[a]) * (x_[b] - x_[a]) + (int64_t(y) - y_[a]) * (y_[b] - y_[a]);
        const int64_t length = (x_[b] - x_[a]) * int64_t(x_[b] - x_[a]) + (y_[b] - y_[a]) * int64_t(y_[b] - y_[a]);
        if (along > 0 && along < length) return insertAt(e / 3, x, y);
    }
}

void Refiner::insertAt(uint32_t t, uint32_t x, uint32_t y) {
    ++insertion_;
    touched_.clear();
    const uint32_t p = addPoint(x, y);
    const uint32_t e0 = 3 * t;

    uint32_t e = e0;
    bool split = false;
    for (uint32_t k = 0; k < 3; ++k)
        if (onEdge(e0 + k, p)) e = e0 + k, split = true;

    if (!split) {
        const uint32_t a = start_[e0], b = start_[e0 + 1], cc = start_[e0 + 2];
        const int32_t ab = twin_[e0], bc = twin_[e0 + 1], ca = twin_[e0 + 2];
        const uint32_t t1 = addTriangle(), t2 = addTriangle();
        setTriangle(t, a, b, p, ab, kNone, kNone);
        setTriangle(t1, b, cc, p, bc, kNone, int32_t(3 * t + 1));
        setTriangle(t2, cc, a, p, ca, int32_t(3 * t + 2), int32_t(3 * t1 + 1));
        edgeStack_.assign({3 * t, 3 * t1, 3 * t2});
    } else {
        // e runs a -> b in t = (a, b, cc); its twin f, b -> a, in u = (b, a, d).
        // Everything is read before the first triangle is rewritten.
        const uint32_t a = start_[e], b = start_[nextEdge(e)], cc = start_[prevEdge(e)];
        const int32_t bc = twin_[nextEdge(e)], ca = twin_[prevEdge(e)];
        const int32_t f = twin_[e];
        const uint32_t u = f == kNone ? 0 : uint32_t(f) / 3;
        const uint32_t d = f == kNone ? 0 : start_[prevEdge(uint32_t(f))];
        const int32_t ad = f == kNone ? kNone : twin_[nextEdge(uint32_t(f))];
        const int32_t db = f == kNone ? kNone : twin_[prevEdge(uint32_t(f))];
        const uint32_t t1 = addTriangle();
        setTriangle(t, cc, a, p, ca, kNone, kNone);
        setTriangle(t1, b, cc, p, bc, int32_t(3 * t + 2), kNone);
        edgeStack_.assign({3 * t, 3 * t1});
        if (f != kNone) {  // on the border the split ends here
            const uint32_t u1 = addTriangle();
            setTriangle(u, a, d, p, ad, kNone, int32_t(3 * t + 1));
            setTriangle(u1, d, b, p, db, int32_t(3 * t1 + 2), int32_t(3 * u + 1));
            edgeStack_.push_back(3 * u);
            edgeStack_.push_back(3 * u1);
        }
    }
    while (!edgeStack_.empty()) {
        const uint32_t edge = edgeStack_.back();
        edgeStack_.pop_back();
        legalize(edge);
    }
}

// Edge a lies opposite the new point r in triangle (p, q, r); its twin in
// (q, p, s). When s is inside the circle through p, q, r the edge becomes
// r - s, and the two edges of the new triangles opposite r are checked next.
void Refiner::legalize(uint32_t a) {
    const int32_t twin = twin_[a];
    if (twin == kNone) return;
    const uint32_t b = uint32_t(twin);
    const uint32_t p = start_[a], q = start_[nextEdge(a)], r = start_[prevEdge(a)], s = start_[prevEdge(b)];
    if (inCircle(x_[p], y_[p], x_[q], y_[q], x_[r], y_[r], x_[s], y_[s]) <= 0) return;
    const uint32_t ta = a / 3, tb = b / 3;
    const int32_t rp = twin_[prevEdge(a)], qr = twin_[nextEdge(a)];
    const int32_t ps = twin_[nextEdge(b)], sq = twin_[prevEdge(b)];
    setTriangle(ta, r, p, s, rp, ps, kNone);
    setTriangle(tb, s, q, r, sq, qr, int32_t(3 * ta + 2));
    edgeStack_.push_back(3 * ta + 1);
    edgeStack_.push_back(3 * tb);
}

// Finds triangle t's sample farthest from the plane through its corners:
// every grid point inside it or on its edges, row by row.
//
// For a point (x, y), twice the area times the plane's height is
//   area2 * za + nx * (x - xa) + ny * (y - ya),
// and the error times area2 is area2 * h - that: integers below 2^52, so the
// doubles below hold them exactly and every build compares the same values.
void Refiner::scan(uint32_t t) {
    const uint32_t va = start_[3 * t], vb = start_[3 * t + 1], vc = start_[3 * t + 2];
    const int64_t xa = x_[va], ya = y_[va], xb = x_[vb], yb = y_[vb], xc = x_[vc], yc = y_[vc];
    const uint32_t columns = area_.columns, stride = area_.stride;
    const int16_t* samples = area_.samples;
    const int64_t za = samples[uint64_t(ya) * stride + uint64_t(xa)];
    const int64_t zb = samples[uint64_t(yb) * stride + uint64_t(xb)];
    const int64_t zc = samples[uint64_t(yc) * stride + uint64_t(xc)];
    const int64_t area2 = orient(xa, ya, xb, yb, xc, yc);
    const int64_t nx = (zb - za) * (yc - ya) - (zc - za) * (yb - ya);
    const int64_t ny = (xb - xa) * (zc - za) - (xc - xa) * (zb - za);

    // The three edges as (start, step) pairs for the row bounds.
    const int64_t ex[3] = {xa, xb, xc}, ey[3] = {ya, yb, yc};
    const int64_t yMin = std::min({ya, yb, yc}), yMax = std::max({ya, yb, yc});
    // The fixed points' samples are left out: they are within the error
    // already, and none of them may be inserted here.
    const int64_t xLow = std::max(std::min({xa, xb, xc}), area_.fixedColumn == 0 ? int64_t{1} : int64_t{0});
    const int64_t xHigh = std::min(std::max({xa, xb, xc}), area_.fixedColumn > 0 ? area_.fixedColumn - 1 : int64_t{columns});
    const double area2d = double(area2), nxd = double(nx);
    double best = 0;
    uint32_t bestIndex = uint32_t(ya) * columns + uint32_t(xa);
    for (int64_t y = yMin; y <= yMax; ++y) {
        int64_t lo = xLow, hi = xHigh;
        for (int k = 0; k < 3; ++k) {
            // Inside edge (px, py) -> (qx, qy): dy * (x - px) <= dx * (y - py).
            const int64_t px = ex[k], py = ey[k], dx = ex[(k + 1) % 3] - px, dy = ey[(k + 1) % 3] - py;
            const int64_t c = dx * (y - py);
            if (dy > 0)
                hi = std::min(hi, px + floorDiv(c, dy));
            else if (dy < 0)
                lo = std::max(lo, px - floorDiv(c, -dy));
            else if (c < 0)
                lo = hi + 1;
        }
        if (lo > hi || y == area_.fixedRow) continue;
        const int16_t* row = samples + uint64_t(y) * stride + lo;
        // The next rows lie one stride on, in other cache lines (and pages):
        // asked for now, they arrive while this row is scanned.
        if (y + 2 <= yMax) __builtin_prefetch(row + 2 * uint64_t(stride));
        const double plane = double(area2 * za + ny * (y - ya) + nx * (lo - xa));
        const double rowBest = rowLargest(row, hi - lo + 1, area2d, plane, nxd);
        if (rowBest <= best) continue;
        // The first sample of the row that reaches it.
        int64_t x = 0;
        for (double p = plane; std::fabs(area2d * row[x] - p) != rowBest; ++x, p += nxd) {
        }
        best = rowBest;
        bestIndex = uint32_t(y) * columns + uint32_t(lo + x);
    }
    error_[t] = best / area2d;
    candidate_[t] = bestIndex;
    // Queued while its farthest sample is beyond the allowed error (compared
    // as error x area2 > allowed x area2: exact but for one rounding).
    queueUpdate(t, best > limits_.maxError * area2d);
}

// The triangle with the larger error goes first; equal errors by the lower
// grid index of their samples, then by triangle: the order never depends on
// the heap's own arrangement.
bool Refiner::before(const Entry& a, const Entry& b) {
    if (a.error != b.error) return a.error > b.error;
    if (a.candidate != b.candidate) return a.candidate < b.candidate;
    return a.triangle < b.triangle;
}

void Refiner::queueUpdate(uint32_t t, bool tooFar) {
    if (!tooFar) return heapRemove(t);
    const Entry entry{error_[t], candidate_[t], t};
    if (heapPlace_[t] == kNone) {
        heapPlace_[t] = int32_t(heap_.size());
        heap_.push_back(entry);
        siftUp(heap_.size() - 1);
    } else {
        const size_t i = size_t(heapPlace_[t]);
        heap_[i] = entry;
        siftUp(i);
        siftDown(size_t(heapPlace_[t]));
    }
}

void Refiner::heapSwap(size_t i, size_t j) {
    std::swap(heap_[i], heap_[j]);
    heapPlace_[heap_[i].triangle] = int32_t(i);
    heapPlace_[heap_[j].triangle] = int32_t(j);
}

void Refiner::siftUp(size_t i) {
    while (i > 0) {
        const size_t parent = (i - 1) / 2;
        if (!before(heap_[i], heap_[parent])) break;
        heapSwap(i, parent);
        i = parent;
    }
}

void Refiner::siftDown(size_t i) {
    for (;;) {
        const size_t left = 2 * i + 1, right = left + 1;
        size_t first = i;
        if (left < heap_.size() && before(heap_[left], heap_[first])) first = left;
        if (right < heap_.size() && before(heap_[right], heap_[first])) first = right;
        if (first == i) return;
        heapSwap(i, first);
        i = first;
    }
}

void Refiner::heapRemove(uint32_t t) {
    if (heapPlace_[t] == kNone) return;
    const size_t i = size_t(heapPlace_[t]);
    heapSwap(i, heap_.size() - 1);
    heap_.pop_back();
    heapPlace_[t] = kNone;
    if (i < heap_.size()) {
        const uint32_t moved = heap_[i].triangle;
        siftUp(i);
        siftDown(size_t(heapPlace_[moved]));
    }
}

void Refiner::start(const std::vector<std::pair<uint32_t, uint32_t>>& fixed) {
    const uint32_t w = area_.columns, h = area_.rows;
    // The two triangles of a grid cell, over the whole area.
    const uint32_t tl = addPoint(0, 0), tr = addPoint(w - 1, 0), bl = addPoint(0, h - 1), br = addPoint(w - 1, h - 1);
    const uint32_t t0 = addTriangle(), t1 = addTriangle();
    ++insertion_;
    setTriangle(t0, tl, tr, bl, kNone, kNone, kNone);
    setTriangle(t1, tr, br, bl, kNone, kNone, int32_t(3 * t0 + 1));
    for (const auto& [x, y] : fixed) insertOnBorder(x, y);
    for (uint32_t t = 0; t < error_.size(); ++t) scan(t);
}

Outcome Refiner::finish(Mesh& out, const Progress& progress) {
    const uint32_t w = area_.columns, h = area_.rows;

    const uint64_t budget = limits_.maxTriangles == 0 ? 0 : std::max<uint64_t>(limits_.maxTriangles, 2);
    const double firstError = heap_.empty() ? 0 : heap_.front().error;
    constexpr uint32_t kProgressEvery = 4096;
    double reported = 0;
    // A cancel that came before the first insertion is seen at once.
    if (progress && !progress(0)) return Outcome::Cancelled;
    while (!heap_.empty()) {
        const uint32_t t = heap_.front().triangle;
        // An insertion on the border adds one triangle, any other two.
        const uint32_t c = candidate_[t], cx = c % w, cy = c / w;
        const bool border = cx == 0 || cy == 0 || cx == w - 1 || cy == h - 1;
        if (budget != 0 && error_.size() + (border ? 1 : 2) > budget) break;
        insert(t);
        if (insertion_ % kProgressEvery == 0 && progress) {
            // The share of the way, on a log scale, from the first error down
            // to the allowed one; or of the budget, whichever is further.
            double fraction = 0;
            if (!heap_.empty() && limits_.maxError > 0 && firstError > limits_.maxError)
                fraction = std::log(firstError / heap_.front().error) / std::log(firstError / limits_.maxError);
            if (budget != 0) fraction = std::max(fraction, double(error_.size()) / double(budget));
            // The largest error can rise for a while after an insertion: the
            // bar does not go back.
            reported = std::min(1.0, std::max(reported, fraction));
            if (!progress(reported)) return Outcome::Cancelled;
        }
    }

    // The kept points in grid order; the triangles renumbered to match.
    const size_t points = x_.size();
    std::vector<std::pair<uint32_t, uint32_t>> order(points);
    for (size_t i = 0; i < points; ++i)
        order[i] = {(uint32_t(y_[i]) + area_.top) * area_.gridColumns + uint32_t(x_[i]) + area_.left, uint32_t(i)};
    std::sort(order.begin(), order.end());
    std::vector<uint32_t> renumbered(points);
    out.points.resize(points);
    for (size_t i = 0; i < points; ++i) {
        out.points[i] = order[i].first;
        renumbered[order[i].second] = uint32_t(i);
    }
    out.triangles.resize(start_.size());
    for (size_t e = 0; e < start_.size(); ++e) out.triangles[e] = renumbered[start_[e]];
    out.worstError = 0;
    for (const double error : error_) out.worstError = std::max(out.worstError, error);
    return Outcome::Done;
}

// From this many points on the longer side a grid is refined as two halves
// at once, one per thread (the choice depends on the grid alone, so the
// mesh is the same on any machine).
constexpr uint32_t kSplitFrom = 257;

// The points of the line of samples line[0], line[step], ... line[(n - 1) x
// step] that keep the polyline through them within maxError of every sample
// (its two ends always): each stretch is split at its farthest sample until
// none is too far. Returns the kept positions in order and the worst error.
std::vector<uint32_t> simplifyLine(const int16_t* line, size_t step, uint32_t n, double maxError, double& worst) {
    std::vector<uint32_t> kept{0, n - 1};
    std::vector<std::pair<uint32_t, uint32_t>> stretches{{0, n - 1}};
    worst = 0;
    while (!stretches.empty()) {
        const auto [a, b] = stretches.back();
        stretches.pop_back();
        // error x length = |length x z(r) - (length x z(a) + (z(b) - z(a)) x (r - a))|, in integers.
        const int64_t length = b - a, za = line[a * step], zb = line[b * step];
        int64_t farthest = 0;
        uint32_t at = a;
        for (uint32_t r = a + 1; r < b; ++r) {
            const int64_t e = length * line[r * step] - (length * za + (zb - za) * int64_t(r - a));
            const int64_t magnitude = e < 0 ? -e : e;
            if (magnitude > farthest) farthest = magnitude, at = r;
        }
        if (double(farthest) > maxError * double(length)) {
            kept.push_back(at);
            stretches.push_back({a, at});
            stretches.push_back({at, b});
        } else {
            worst = std::max(worst, double(farthest) / double(length));
        }
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

// The two halves' meshes as one: the shared points once, in grid order.
void joinHalves(const Mesh& first, const Mesh& second, Mesh& out) {
    out.points.resize(first.points.size() + second.points.size());
    const auto end = std::set_union(first.points.begin(), first.points.end(), second.points.begin(),
                                    second.points.end(), out.points.begin());
    out.points.erase(end, out.points.end());
    out.triangles.reserve(first.triangles.size() + second.triangles.size());
    for (const Mesh* half : {&first, &second})
        for (const uint32_t v : half->triangles)
            out.triangles.push_back(uint32_t(
                std::lower_bound(out.points.begin(), out.points.end(), half->points[v]) - out.points.begin()));
}

Outcome refineInHalves(const Grid& grid, const Limits& limits, Mesh& out, const Progress& progress) {
    // The halves share the middle column (or row, when the grid is taller
    // than wide); its points are chosen first, as a line.
    const bool byColumn = grid.columns >= grid.rows;
    const uint32_t along = byColumn ? grid.columns : grid.rows, across = byColumn ? grid.rows : grid.columns;
    const uint32_t middle = (along - 1) / 2;
    double lineWorst = 0;
    const std::vector<uint32_t> line = simplifyLine(grid.samples + (byColumn ? middle : size_t{middle} * grid.columns),
                                                    byColumn ? grid.columns : 1, across, limits.maxError, lineWorst);

    Area halves[2];
    std::vector<std::pair<uint32_t, uint32_t>> fixed[2];
    for (int k = 0; k < 2; ++k) {
        Area& a = halves[k];
        a.stride = a.gridColumns = grid.columns;
        const uint32_t start = k == 0 ? 0 : middle, count = k == 0 ? middle + 1 : along - middle;
        const int64_t seam = k == 0 ? count - 1 : 0;
        (byColumn ? a.left : a.top) = start;
        (byColumn ? a.columns : a.rows) = count;
        (byColumn ? a.rows : a.columns) = across;
        (byColumn ? a.fixedColumn : a.fixedRow) = seam;
        a.samples = grid.samples + size_t{a.top} * grid.columns + a.left;
        for (size_t i = 1; i + 1 < line.size(); ++i)
            fixed[k].push_back(byColumn ? std::make_pair(uint32_t(seam), line[i]) : std::make_pair(line[i], uint32_t(seam)));
    }

    // The second half on a helper thread, which looks at the cancel flag
    // with each of its progress steps; the caller's thread runs the first
    // half, reports the two halves' mean progress and passes on a cancel.
    Mesh meshes[2];
    std::atomic<bool> cancel{false}, secondDone{false};
    std::atomic<uint32_t> secondProgress{0};  // thousandths
    Outcome secondOutcome = Outcome::Done;
    auto runSecond = [&] {
        try {
            Refiner refiner(halves[1], limits);
            secondOutcome = refiner.run(meshes[1],
                                        [&](double f) {
                                            secondProgress = uint32_t(f * 1000);
                                            return !cancel.load();
                                        },
                                        fixed[1]);
        } catch (const std::bad_alloc&) {
            secondOutcome = Outcome::NoMemory;
        } catch (const std::length_error&) {
            secondOutcome = Outcome::NoMemory;
        }
        secondDone = true;
    };
    std::thread helper;
    try {
        helper = std::thread(runSecond);
    } catch (const std::exception&) {  // no thread: the halves one after the other
    }
    auto report = [&](double firstFraction) {
        const bool goOn = !progress || progress((firstFraction + secondProgress.load() / 1000.0) / 2);
        if (!goOn) cancel = true;
        return goOn;
    };
    Outcome firstOutcome = Outcome::Done;
    try {
        Refiner refiner(halves[0], limits);
        firstOutcome = refiner.run(meshes[0], report, fixed[0]);
    } catch (const std::bad_alloc&) {
        firstOutcome = Outcome::NoMemory;
    } catch (const std::length_error&) {
        firstOutcome = Outcome::NoMemory;
    }
    if (firstOutcome != Outcome::Done) cancel = true;
    if (helper.joinable()) {
        while (!secondDone.load() && !cancel.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            (void)report(1.0);
        }
        helper.join();
    } else if (firstOutcome == Outcome::Done) {
        runSecond();
    }
    if (firstOutcome != Outcome::Done) return firstOutcome;
    if (secondOutcome != Outcome::Done) return secondOutcome == Outcome::NoMemory ? Outcome::NoMemory : Outcome::Cancelled;
    if (cancel.load()) return Outcome::Cancelled;
    joinHalves(meshes[0], meshes[1], out);
    out.worstError = std::max({meshes[0].worstError, meshes[1].worstError, lineWorst});
    return Outcome::Done;
}

}  // namespace

Outcome Refine(const Grid& grid, const Limits& limits, Mesh& out, const Progress& progress) {
    out = Mesh();
    if (!grid.samples || grid.columns < 2 || grid.rows < 2) return Outcome::Done;
    Outcome outcome = Outcome::NoMemory;
    try {
        // Halves only with an error bound and no budget: the budget is the
        // whole mesh's, and a half cannot know the other's share of it.
        // A grid its two first triangles already meet (a plane) stays two.
        Area whole;
        whole.samples = grid.samples;
        whole.columns = whole.stride = whole.gridColumns = grid.columns;
        whole.rows = grid.rows;
        Refiner refiner(whole, limits);
        refiner.start({});
        if (limits.maxTriangles == 0 && limits.maxError > 0 && std::max(grid.columns, grid.rows) >= kSplitFrom &&
            refiner.needsPoints())
            outcome = refineInHalves(grid, limits, out, progress);
        else
            outcome = refiner.finish(out, progress);
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    if (outcome != Outcome::Done) out = Mesh();
    return outcome;
}

}  // namespace refinement
