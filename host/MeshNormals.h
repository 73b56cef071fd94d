#pragma once
// Smooth per-vertex normals: the sum over the triangles around a vertex of
// each triangle's cross product (its length is twice the triangle's area, so
// larger faces weigh more), made unit length; (0, 1, 0) where the sum is zero
// or not finite (every face around the vertex degenerate, or none at all).
//
// The arithmetic is fixed so that any program that sums the same triangles
// in the same order gets the same bits: edges are float differences, their
// products are exact in double (so a fused multiply-add cannot change the
// result), each triangle's cross product is rounded to float once, sums are
// float additions starting from 0 in triangle list order.
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace meshnormals {

// The cross product (b - a) x (c - a) of the triangle a, b, c.
inline void faceNormal(const float* a, const float* b, const float* c, float out[3]) {
    const double e1[3] = {double(b[0] - a[0]), double(b[1] - a[1]), double(b[2] - a[2])};
    const double e2[3] = {double(c[0] - a[0]), double(c[1] - a[1]), double(c[2] - a[2])};
    out[0] = static_cast<float>(e1[1] * e2[2] - e1[2] * e2[1]);
    out[1] = static_cast<float>(e1[2] * e2[0] - e1[0] * e2[2]);
    out[2] = static_cast<float>(e1[0] * e2[1] - e1[1] * e2[0]);
}

inline void add(float* sum, const float n[3]) {
    sum[0] += n[0];
    sum[1] += n[1];
    sum[2] += n[2];
}

// The summed normal made unit length in place, or (0, 1, 0).
inline void makeUnit(float* n) {
    const double x = n[0], y = n[1], z = n[2];
    const double length = std::sqrt(x * x + y * y + z * z);
    if (length > 0 && std::isfinite(length)) {
        n[0] = static_cast<float>(x / length);
        n[1] = static_cast<float>(y / length);
        n[2] = static_cast<float>(z / length);
    } else {
        n[0] = 0.0f, n[1] = 1.0f, n[2] = 0.0f;
    }
}

// Normals of a triangle list: normals (3 per vertex) must hold zeros.
inline void triangleListNormals(const float* positions, const uint32_t* corners, size_t triangles, float* normals,
                                size_t vertices) {
    float n[3];
    for (size_t t = 0; t < triangles; ++t, corners += 3) {
        const uint32_t a = corners[0], b = corners[1], c = corners[2];
        faceNormal(positions + size_t{3} * a, positions + size_t{3} * b, positions + size_t{3} * c, n);
        add(normals + size_t{3} * a, n);
        add(normals + size_t{3} * b, n);
        add(normals + size_t{3} * c, n);
    }
    for (size_t v = 0; v < vertices; ++v) makeUnit(normals + size_t{3} * v);
}

}  // namespace meshnormals
