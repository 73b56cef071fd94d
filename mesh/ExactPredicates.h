#pragma once
// Exact geometric predicates on grid positions (integers below 2^16 in
// magnitude): the orientation of three points and whether a fourth lies
// inside their circle. Exact, so that a triangulation of grid points, where
// four points on one circle are common, comes out the same on every build.
#include <cmath>
#include <cstdint>

namespace refinement {
namespace exact {

// Twice the signed area of a, b, c: positive when counter-clockwise. Each
// product is below 2^33, so int64 holds it exactly.
inline int64_t orient(int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t cx, int64_t cy) {
    return (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
}

// A signed 128-bit integer, enough for the in-circle determinant (terms up
// to 2^66). Written out rather than taken from the compiler, which offers
// one only on 64-bit targets: every build runs this same code.
struct Wide {
    uint64_t hi = 0, lo = 0;
};

inline Wide product(int64_t a, int64_t b) {
    const bool negative = (a < 0) != (b < 0);
    const uint64_t ua = a < 0 ? 0 - uint64_t(a) : uint64_t(a);
    const uint64_t ub = b < 0 ? 0 - uint64_t(b) : uint64_t(b);
    const uint64_t aLo = ua & 0xFFFFFFFFu, aHi = ua >> 32, bLo = ub & 0xFFFFFFFFu, bHi = ub >> 32;
    const uint64_t p0 = aLo * bLo, p1 = aLo * bHi, p2 = aHi * bLo, p3 = aHi * bHi;
    const uint64_t middle = (p0 >> 32) + (p1 & 0xFFFFFFFFu) + (p2 & 0xFFFFFFFFu);
    Wide w;
    w.lo = (middle << 32) | (p0 & 0xFFFFFFFFu);
    w.hi = p3 + (p1 >> 32) + (p2 >> 32) + (middle >> 32);
    if (negative) {
        w.lo = ~w.lo + 1;
        w.hi = ~w.hi + (w.lo == 0 ? 1 : 0);
    }
    return w;
}

inline Wide sum(Wide x, Wide y) {
    Wide w;
    w.lo = x.lo + y.lo;
    w.hi = x.hi + y.hi + (w.lo < x.lo ? 1 : 0);
    return w;
}

inline int sign(Wide w) {
    if (w.hi >> 63) return -1;
    return (w.hi | w.lo) != 0 ? 1 : 0;
}

// Positive when d lies strictly inside the circle through the
// counter-clockwise a, b, c; 0 on it. A double evaluation settles most cases;
// near zero (cocircular grid points are common) the exact one decides.
inline int inCircle(int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t cx, int64_t cy, int64_t dx, int64_t dy) {
    const int64_t adx = ax - dx, ady = ay - dy, bdx = bx - dx, bdy = by - dy, cdx = cx - dx, cdy = cy - dy;
    const int64_t aLift = adx * adx + ady * ady, bLift = bdx * bdx + bdy * bdy, cLift = cdx * cdx + cdy * cdy;
    const int64_t bc = bdx * cdy - cdx * bdy, ca = cdx * ady - adx * cdy, ab = adx * bdy - bdx * ady;
    const double t1 = double(aLift) * double(bc), t2 = double(bLift) * double(ca), t3 = double(cLift) * double(ab);
    const double approx = t1 + t2 + t3;
    const double bound = 1e-14 * (std::fabs(t1) + std::fabs(t2) + std::fabs(t3));
    if (approx > bound) return 1;
    if (approx < -bound) return -1;
    return sign(sum(sum(product(aLift, bc), product(bLift, ca)), product(cLift, ab)));
}

}  // namespace exact
}  // namespace refinement
