// mesh_error TERRAIN.ter MESH.glb [--scale S]
// mesh_error TERRAIN.ter MESH.stl --stl-z ZSCALE LOW_M HIGH_M
//
// Measures how far a mesh of a terrain strays from the terrain: for every
// sample of the grid, the vertical distance between the sample's height and
// the mesh surface at the sample's position, interpolated over the triangle
// under it, in double. Prints the triangles, the distinct points and the
// worst distance in metres; checks on the way that the triangles tile the
// grid's rectangle (every sample covered, total area that of the rectangle,
// all triangles wound the same way, none degenerate).
//
// The mesh is either
// - a .glb written by `vqvireru import`: the first triangle primitive with
//   texture coordinates (the terrain; the water plane has none), POSITION in
//   scene units: x = column * SCAL y * S, y = metres * S, z = -row * SCAL x * S,
//   S the import's --scale (default 0.1); or
// - a binary STL as the benchmark's anchor writes it from a 16-bit image of
//   the terrain: x = column, y = row (file order), z = ZSCALE * g where
//   g = 0 .. 1 maps the image's range LOW_M .. HIGH_M (metres) linearly, so
//   metres = LOW_M + z / ZSCALE * (HIGH_M - LOW_M).
//
// Exit status 0 when the mesh tiles the grid, 1 when it does not or a file
// cannot be read, 2 on a usage error.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "formats/TerrainFile.h"

namespace {

struct Vertex {
    int64_t column = 0;
    int64_t row = 0;
    double metres = 0;
};

int64_t floorDiv(int64_t a, int64_t b) {  // b > 0
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

int64_t ceilDiv(int64_t a, int64_t b) {  // b > 0
    return -floorDiv(-a, b);
}

// cross(q - p, s - p) in grid coordinates: positive when s lies to the left
// of p -> q (columns right, rows down), exact in 64-bit integers.
int64_t edge(const Vertex& p, const Vertex& q, int64_t column, int64_t row) {
    return (q.column - p.column) * (row - p.row) - (q.row - p.row) * (column - p.column);
}

class Checker {
public:
    explicit Checker(const TerrainHeader& h)
        : columns_(h.xPoints), rows_(h.yPoints), samples_(h.elevations),
          metresPerUnit_(h.heightScale * double{h.scaleZ} / 65536.0),
          base_(h.baseHeight * double{h.scaleZ}),
          covered_(uint64_t{h.xPoints} * h.yPoints), used_(covered_.size()) {}

    double height(int64_t column, int64_t row) const {
        return samples_[static_cast<uint64_t>(row) * columns_ + static_cast<uint64_t>(column)] * metresPerUnit_ + base_;
    }

    // Maps a horizontal position to a grid index along one axis; false when
    // it is not within a thousandth of a spacing of a grid line inside the grid.
    static bool snap(double position, double spacing, uint32_t count, int64_t& index) {
        const double at = position / spacing;
        index = std::llround(at);
        return std::fabs(at - static_cast<double>(index)) <= 1e-3 && index >= 0 && index < int64_t{count};
    }

    void vertex(const Vertex& v) {
        used_[static_cast<uint64_t>(v.row) * columns_ + static_cast<uint64_t>(v.column)] = 1;
        vertexOff_ = std::max(vertexOff_, std::fabs(v.metres - height(v.column, v.row)));
    }

    void triangle(Vertex a, Vertex b, Vertex c) {
        ++triangles_;
        vertex(a);
        vertex(b);
        vertex(c);
        int64_t twiceArea = edge(a, b, c.column, c.row);
        if (twiceArea == 0) {
            ++degenerate_;
            return;
        }
        if (twiceArea > 0) {
            ++positive_;
        } else {
            ++negative_;
            std::swap(b, c);
            twiceArea = -twiceArea;
        }
        area2_ += twiceArea;
        const Vertex* v[3] = {&a, &b, &c};
        const int64_t top = std::max<int64_t>(0, std::min({a.row, b.row, c.row}));
        const int64_t bottom = std::min<int64_t>(rows_ - 1, std::max({a.row, b.row, c.row}));
        const double d = static_cast<double>(twiceArea);
        for (int64_t r = top; r <= bottom; ++r) {
            // The columns of row r inside all three edges: each edge's
            // function is A * column + B >= 0 there, solved exactly.
            int64_t lo = std::max<int64_t>(0, std::min({a.column, b.column, c.column}));
            int64_t hi = std::min<int64_t>(columns_ - 1, std::max({a.column, b.column, c.column}));
            for (int e = 0; e < 3 && lo <= hi; ++e) {
                const Vertex& p = *v[e];
                const Vertex& q = *v[(e + 1) % 3];
                const int64_t A = -(q.row - p.row);
                const int64_t B = (q.column - p.column) * (r - p.row) + (q.row - p.row) * p.column;
                if (A > 0) lo = std::max(lo, ceilDiv(-B, A));
                else if (A < 0) hi = std::min(hi, floorDiv(B, -A));
                else if (B < 0) hi = lo - 1;
            }
            for (int64_t col = lo; col <= hi; ++col) {
                // Barycentric weights of b and c times d, exact integers.
                const double wb = static_cast<double>(edge(c, a, col, r));
                const double wc = static_cast<double>(edge(a, b, col, r));
                const double surface = a.metres + (wb * (b.metres - a.metres) + wc * (c.metres - a.metres)) / d;
                const double error = std::fabs(surface - height(col, r));
                if (error > worst_) {
                    worst_ = error;
                    worstColumn_ = col;
                    worstRow_ = r;
                }
                covered_[static_cast<uint64_t>(r) * columns_ + static_cast<uint64_t>(col)] = 1;
            }
        }
    }

    // Prints the result; true when the triangles tile the grid.
    bool report() const {
        const uint64_t points = static_cast<uint64_t>(std::count(used_.begin(), used_.end(), uint8_t{1}));
        const uint64_t covered = static_cast<uint64_t>(std::count(covered_.begin(), covered_.end(), uint8_t{1}));
        const int64_t gridArea2 = 2 * int64_t{columns_ - 1} * int64_t{rows_ - 1};
        std::printf("triangles %llu points %llu worst %.6f m at column %lld row %lld"
                    " (vertices off their samples by at most %.6f m)\n",
                    static_cast<unsigned long long>(triangles_), static_cast<unsigned long long>(points), worst_,
                    static_cast<long long>(worstColumn_), static_cast<long long>(worstRow_), vertexOff_);
        bool ok = true;
        if (covered != covered_.size()) {
            std::printf("NOT TILED: %llu of %llu samples under no triangle\n",
                        static_cast<unsigned long long>(covered_.size() - covered),
                        static_cast<unsigned long long>(covered_.size()));
            ok = false;
        }
        if (area2_ != gridArea2) {
            std::printf("NOT TILED: twice the triangles' area is %lld, the grid's %lld\n",
                        static_cast<long long>(area2_), static_cast<long long>(gridArea2));
            ok = false;
        }
        if (positive_ && negative_) {
            std::printf("NOT TILED: %llu triangles wound one way, %llu the other\n",
                        static_cast<unsigned long long>(positive_), static_cast<unsigned long long>(negative_));
            ok = false;
        }
        if (degenerate_) {
            std::printf("NOT TILED: %llu triangles without area\n", static_cast<unsigned long long>(degenerate_));
            ok = false;
        }
        return ok;
    }

    uint32_t columns() const { return columns_; }
    uint32_t rows() const { return rows_; }

private:
    uint32_t columns_, rows_;
    const int16_t* samples_;
    double metresPerUnit_, base_;
    std::vector<uint8_t> covered_, used_;
    uint64_t triangles_ = 0, positive_ = 0, negative_ = 0, degenerate_ = 0;
    int64_t area2_ = 0;
    double worst_ = 0, vertexOff_ = 0;
    int64_t worstColumn_ = 0, worstRow_ = 0;
};

bool readFile(const char* path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

uint32_t u32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

float f32(const uint8_t* p) {
    float v;
    std::memcpy(&v, p, 4);
    return v;
}

bool fail(const char* what) {
    std::fprintf(stderr, "mesh_error: %s\n", what);
    return false;
}

// Binary STL: an 80-byte header, a triangle count, then per triangle a
// normal, three vertices (float x, y, z) and a 2-byte attribute.
bool checkStl(const std::vector<uint8_t>& file, double zScale, double low, double high, Checker& checker) {
    if (file.size() < 84) return fail("STL shorter than its header");
    const uint64_t count = u32(file.data() + 80);
    if (file.size() != 84 + 50 * count) return fail("STL size does not match its triangle count");
    for (uint64_t t = 0; t < count; ++t) {
        const uint8_t* p = file.data() + 84 + 50 * t + 12;
        Vertex v[3];
        for (int k = 0; k < 3; ++k, p += 12) {
            if (!Checker::snap(f32(p), 1.0, checker.columns(), v[k].column) ||
                !Checker::snap(f32(p + 4), 1.0, checker.rows(), v[k].row))
                return fail("STL vertex off the grid");
            v[k].metres = low + double{f32(p + 8)} / zScale * (high - low);
        }
        checker.triangle(v[0], v[1], v[2]);
    }
    return true;
}

// Where an accessor's elements lie in the binary chunk: first byte, stride.
bool locate(const nlohmann::json& gltf, const nlohmann::json& accessor, size_t elementBytes, size_t binSize,
            size_t& offset, size_t& stride) {
    const auto& view = gltf.at("bufferViews").at(accessor.at("bufferView").get<size_t>());
    offset = view.value("byteOffset", size_t{0}) + accessor.value("byteOffset", size_t{0});
    stride = view.value("byteStride", elementBytes);
    const size_t count = accessor.at("count").get<size_t>();
    return count == 0 || offset + (count - 1) * stride + elementBytes <= binSize;
}

bool checkGlb(const std::vector<uint8_t>& file, const TerrainHeader& h, double scale, Checker& checker) {
    if (file.size() < 20 || std::memcmp(file.data(), "glTF", 4) != 0) return fail("not a .glb");
    const size_t jsonSize = u32(file.data() + 12);
    if (std::memcmp(file.data() + 16, "JSON", 4) != 0 || 20 + jsonSize + 8 > file.size())
        return fail(".glb without a JSON chunk and a binary chunk");
    const uint8_t* bin = file.data() + 20 + jsonSize + 8;
    const size_t binSize = u32(file.data() + 20 + jsonSize);
    if (20 + jsonSize + 8 + binSize > file.size()) return fail(".glb binary chunk cut short");
    const auto gltf = nlohmann::json::parse(file.begin() + 20, file.begin() + 20 + static_cast<ptrdiff_t>(jsonSize));

    const nlohmann::json* primitive = nullptr;
    for (const auto& mesh : gltf.at("meshes")) {
        for (const auto& p : mesh.at("primitives")) {
            if (p.value("mode", 4) == 4 && p.at("attributes").contains("TEXCOORD_0") && p.contains("indices")) {
                primitive = &p;
                break;
            }
        }
        if (primitive) break;
    }
    if (!primitive) return fail(".glb without an indexed triangle primitive with texture coordinates");

    const auto& positions = gltf.at("accessors").at(primitive->at("attributes").at("POSITION").get<size_t>());
    if (positions.at("componentType") != 5126 || positions.at("type") != "VEC3") return fail("POSITION not float VEC3");
    size_t offset = 0, stride = 0;
    if (!locate(gltf, positions, 12, binSize, offset, stride)) return fail("POSITION outside the binary chunk");
    const double dx = double{h.scaleY} * scale, dz = double{h.scaleX} * scale;
    std::vector<Vertex> vertices(positions.at("count").get<size_t>());
    for (size_t i = 0; i < vertices.size(); ++i) {
        const uint8_t* p = bin + offset + i * stride;
        if (!Checker::snap(f32(p), dx, checker.columns(), vertices[i].column) ||
            !Checker::snap(-double{f32(p + 8)}, dz, checker.rows(), vertices[i].row))
            return fail(".glb vertex off the grid (is --scale the import's?)");
        vertices[i].metres = double{f32(p + 4)} / scale;
    }

    const auto& indices = gltf.at("accessors").at(primitive->at("indices").get<size_t>());
    const int type = indices.at("componentType").get<int>();
    const size_t bytes = type == 5125 ? 4 : type == 5123 ? 2 : type == 5121 ? 1 : 0;
    if (!bytes) return fail("indices of an unknown component type");
    if (!locate(gltf, indices, bytes, binSize, offset, stride)) return fail("indices outside the binary chunk");
    const size_t count = indices.at("count").get<size_t>();
    if (count % 3) return fail("index count not a multiple of 3");
    uint32_t corner[3];
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = bin + offset + i * stride;
        uint32_t index = 0;
        std::memcpy(&index, p, bytes);  // little-endian, as glTF is
        if (index >= vertices.size()) return fail("index out of range");
        corner[i % 3] = index;
        if (i % 3 == 2) checker.triangle(vertices[corner[0]], vertices[corner[1]], vertices[corner[2]]);
    }
    return true;
}

int usage() {
    std::fprintf(stderr,
                 "usage: mesh_error TERRAIN.ter MESH.glb [--scale S]\n"
                 "       mesh_error TERRAIN.ter MESH.stl --stl-z ZSCALE LOW_M HIGH_M\n");
    return 2;
}

bool endsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return usage();
    const std::string meshPath = argv[2];
    double scale = 0.1, zScale = 0, low = 0, high = 0;
    bool stlZ = false;
    for (int i = 3; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--scale") && i + 1 < argc) {
            scale = std::atof(argv[++i]);
        } else if (!std::strcmp(argv[i], "--stl-z") && i + 3 < argc) {
            zScale = std::atof(argv[++i]);
            low = std::atof(argv[++i]);
            high = std::atof(argv[++i]);
            stlZ = true;
        } else {
            return usage();
        }
    }
    const bool stl = endsWith(meshPath, ".stl") || endsWith(meshPath, ".STL");
    if ((stl && (!stlZ || !(zScale > 0) || !(high > low))) || (!stl && !(scale > 0))) return usage();

    TerrainFile terrain;
    if (!terrain.open(argv[1]) || !terrain.readElevations(nullptr, nullptr)) {
        std::fprintf(stderr, "mesh_error: cannot read %s: %s\n", argv[1], terrain.errorText);
        return 1;
    }
    TerrainHeader h;
    terrain.getHeader(h);
    if (h.xPoints < 2 || h.yPoints < 2) {
        std::fprintf(stderr, "mesh_error: %s is thinner than 2 x 2\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> file;
    if (!readFile(meshPath.c_str(), file)) {
        std::fprintf(stderr, "mesh_error: cannot read %s\n", meshPath.c_str());
        return 1;
    }
    Checker checker(h);
    bool read = false;
    try {
        read = stl ? checkStl(file, zScale, low, high, checker) : checkGlb(file, h, scale, checker);
    } catch (const nlohmann::json::exception& e) {
        std::fprintf(stderr, "mesh_error: %s: %s\n", meshPath.c_str(), e.what());
    }
    if (!read) return 1;
    return checker.report() ? 0 : 1;
}
