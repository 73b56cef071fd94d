// glb_floor TERRAIN OUT.glb|OUT.gltf [SCALE]: the least work that turns a terrain file
// into the terrain part of the import's .glb: positions, normals, texture
// coordinates and the triangle index list, streamed straight from the file
// through one small buffer. The floor the import is measured against.
//
// Three passes over the samples: the first finds the height range (the
// POSITION accessor needs its min and max before the data), the second writes
// the positions row by row, the third the normals from a window of three rows
// (each vertex sums its six triangles in the triangle list's order, with the
// host's arithmetic, so the bytes are the host's). Texture coordinates and
// indices need no samples.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "formats/TerrainFile.h"
#include "host/MeshNormals.h"

namespace {

// 64 KB write calls: larger ones make Linux look for larger file-cache pages,
// which is slow on the machines we measure on (see host/SceneExport.cpp).
constexpr size_t kBufferBytes = 1 << 16;

class Output {
public:
    explicit Output(std::FILE* f) : f_(f), buffer_(kBufferBytes) {}
    void put(const void* data, size_t n) {
        if (used_ + n > buffer_.size()) flush();
        if (n > buffer_.size()) {  // a row of a wide terrain: written in pieces of the buffer's size
            const auto* p = static_cast<const uint8_t*>(data);
            for (size_t at = 0; at < n; at += buffer_.size()) {
                const size_t piece = std::min(buffer_.size(), n - at);
                ok_ = ok_ && std::fwrite(p + at, 1, piece, f_) == piece;
            }
            return;
        }
        std::memcpy(buffer_.data() + used_, data, n);
        used_ += n;
    }
    void putU32(uint32_t v) { put(&v, 4); }
    void putF32(float v) { put(&v, 4); }
    bool flush() {
        ok_ = ok_ && std::fwrite(buffer_.data(), 1, used_, f_) == used_;
        used_ = 0;
        return ok_;
    }

private:
    std::FILE* f_;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
    bool ok_ = true;
};

// Reads count samples into out (little-endian host assumed, as the reader does).
bool readSamples(std::FILE* f, int16_t* out, size_t count) { return std::fread(out, 2, count, f) == count; }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: glb_floor TERRAIN OUT.glb|OUT.gltf [SCALE]\n");
        return 2;
    }
    const double scale = argc > 3 ? std::atof(argv[3]) : double{0.1f};
    TerrainFile terrain;  // the header only: open stops at the first sample
    if (!terrain.open(argv[1])) {
        std::fprintf(stderr, "glb_floor: %s\n", terrain.errorText);
        return 1;
    }
    TerrainHeader h;
    terrain.getHeader(h);
    const uint32_t w = h.xPoints, rows = h.yPoints;
    if (w < 2 || rows < 2) return 1;

    // Where the samples start: the reader's stream position is not shared,
    // so find "ALTW" + 4 bytes in the file's first bytes.
    std::FILE* in = std::fopen(argv[1], "rb");
    if (!in) return 1;
    std::vector<char> head(4096);
    const size_t headBytes = std::fread(head.data(), 1, head.size(), in);
    long first = -1;
    for (size_t i = 16; i + 8 <= headBytes; i += 4)
        if (std::memcmp(&head[i], "ALTW", 4) == 0) {
            first = static_cast<long>(i + 8);
            break;
        }
    if (first < 0) return 1;

    std::vector<int16_t> row(w);
    int16_t lo = INT16_MAX, hi = INT16_MIN;
    std::fseek(in, first, SEEK_SET);
    for (uint32_t r = 0; r < rows; ++r) {
        if (!readSamples(in, row.data(), w)) return 1;
        const auto mm = std::minmax_element(row.begin(), row.end());
        lo = std::min(lo, *mm.first);
        hi = std::max(hi, *mm.second);
    }
    auto height = [&](int16_t e) {
        // The same arithmetic as TerrainFile::getPoint, then the scale.
        const double metres = static_cast<double>(e) * h.heightScale * double{h.scaleZ} / 65536.0 + h.baseHeight * double{h.scaleZ};
        return static_cast<float>(metres * scale);
    };
    const float yLo = std::min(height(lo), height(hi)), yHi = std::max(height(lo), height(hi));
    const float xHi = static_cast<float>((w - 1) * double{h.scaleY} * scale);
    const float zLo = static_cast<float>(-((rows - 1) * double{h.scaleX}) * scale);

    const uint64_t vertices = uint64_t{w} * rows;
    const uint64_t indexCount = uint64_t{6} * (w - 1) * (rows - 1);
    const uint64_t positionBytes = 12 * vertices, normalBytes = 12 * vertices, uvBytes = 8 * vertices;
    const uint64_t indexBytes = 4 * indexCount;
    const uint64_t binBytes = positionBytes + normalBytes + uvBytes + indexBytes;

    // OUT.gltf: the JSON there, the buffer in OUT's base name .bin beside it.
    const std::string outPath = argv[2];
    const bool separate = outPath.size() > 5 && outPath.compare(outPath.size() - 5, 5, ".gltf") == 0;
    const std::string binPath = separate ? outPath.substr(0, outPath.size() - 5) + ".bin" : outPath;
    const size_t slash = binPath.find_last_of('/');
    const std::string uri = separate ? "\"uri\":\"" + binPath.substr(slash == std::string::npos ? 0 : slash + 1) + "\"," : "";
    char json[2048];
    int n = std::snprintf(json, sizeof json,
        "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],"
        "\"nodes\":[{\"name\":\"terrain\",\"mesh\":0}],"
        "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0,\"NORMAL\":1,\"TEXCOORD_0\":2},\"indices\":3}]}],"
        "\"buffers\":[{%s\"byteLength\":%llu}],"
        "\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,\"byteLength\":%llu,\"target\":34962},"
        "{\"buffer\":0,\"byteOffset\":%llu,\"byteLength\":%llu,\"target\":34962},"
        "{\"buffer\":0,\"byteOffset\":%llu,\"byteLength\":%llu,\"target\":34962},"
        "{\"buffer\":0,\"byteOffset\":%llu,\"byteLength\":%llu,\"target\":34963}],"
        "\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":%llu,\"type\":\"VEC3\","
        "\"min\":[0,%.9g,%.9g],\"max\":[%.9g,%.9g,0]},"
        "{\"bufferView\":1,\"componentType\":5126,\"count\":%llu,\"type\":\"VEC3\"},"
        "{\"bufferView\":2,\"componentType\":5126,\"count\":%llu,\"type\":\"VEC2\"},"
        "{\"bufferView\":3,\"componentType\":5125,\"count\":%llu,\"type\":\"SCALAR\"}]}",
        uri.c_str(), (unsigned long long)binBytes, (unsigned long long)positionBytes,
        (unsigned long long)positionBytes, (unsigned long long)normalBytes, (unsigned long long)(positionBytes + normalBytes),
        (unsigned long long)uvBytes, (unsigned long long)(positionBytes + normalBytes + uvBytes),
        (unsigned long long)indexBytes, (unsigned long long)vertices, yLo, zLo, xHi, yHi,
        (unsigned long long)vertices, (unsigned long long)vertices, (unsigned long long)indexCount);
    while (n % 4) json[n++] = ' ';

    if (separate) {
        std::FILE* text = std::fopen(outPath.c_str(), "wb");
        if (!text || std::fwrite(json, 1, size_t(n), text) != size_t(n) || std::fclose(text) != 0) return 1;
    }
    std::FILE* outFile = std::fopen(binPath.c_str(), "wb");
    if (!outFile) return 1;
    Output out(outFile);
    if (!separate) {
        out.putU32(0x46546C67);  // "glTF"
        out.putU32(2);
        out.putU32(static_cast<uint32_t>(12 + 8 + n + 8 + binBytes));
        out.putU32(static_cast<uint32_t>(n));
        out.putU32(0x4E4F534A);  // "JSON"
        out.put(json, static_cast<size_t>(n));
        out.putU32(static_cast<uint32_t>(binBytes));
        out.putU32(0x004E4942);  // "BIN\0"
    }

    // One row of positions, as the host stores them.
    auto rowPositions = [&](uint32_t r, float* p) {
        if (!readSamples(in, row.data(), w)) return false;
        const float z = static_cast<float>(static_cast<double>(-int64_t{r}) * double{h.scaleX} * scale);  // as the reader: row 0 is +0
        for (uint32_t c = 0; c < w; ++c, p += 3) {
            p[0] = static_cast<float>(c * double{h.scaleY} * scale);
            p[1] = height(row[c]);
            p[2] = z;
        }
        return true;
    };
    std::vector<float> window(size_t{9} * w);  // rows r - 1, r, r + 1
    std::fseek(in, first, SEEK_SET);
    for (uint32_t r = 0; r < rows; ++r) {
        if (!rowPositions(r, window.data())) return 1;
        out.put(window.data(), size_t{12} * w);
    }
    // Normals: vertex (r, c) sums, in list order, the triangles it belongs to:
    // cell (r-1, c-1) second, cell (r-1, c) both, cell (r, c-1) both, cell (r, c) first.
    std::fseek(in, first, SEEK_SET);
    float* rowAt[3] = {window.data(), window.data() + size_t{3} * w, window.data() + size_t{6} * w};
    if (!rowPositions(0, rowAt[1])) return 1;
    for (uint32_t r = 0; r < rows; ++r) {
        if (r + 1 < rows && !rowPositions(r + 1, rowAt[2])) return 1;
        auto at = [&](int dr, uint32_t c) { return rowAt[1 + dr] + size_t{3} * c; };
        for (uint32_t c = 0; c < w; ++c) {
            float sum[3] = {0.0f, 0.0f, 0.0f}, n[3];
            const bool up = r > 0, down = r + 1 < rows, left = c > 0, right = c + 1 < w;
            auto face = [&](const float* a, const float* b, const float* cc) {
                meshnormals::faceNormal(a, b, cc, n);
                meshnormals::add(sum, n);
            };
            if (up && left) face(at(-1, c), at(0, c), at(0, c - 1));
            if (up && right) {
                face(at(-1, c), at(-1, c + 1), at(0, c));
                face(at(-1, c + 1), at(0, c + 1), at(0, c));
            }
            if (down && left) {
                face(at(0, c - 1), at(0, c), at(1, c - 1));
                face(at(0, c), at(1, c), at(1, c - 1));
            }
            if (down && right) face(at(0, c), at(0, c + 1), at(1, c));
            meshnormals::makeUnit(sum);
            out.put(sum, sizeof sum);
        }
        std::swap(rowAt[0], rowAt[1]);
        std::swap(rowAt[1], rowAt[2]);
    }
    std::fclose(in);
    const float du = static_cast<float>(1.0 / (w - 1)), dv = static_cast<float>(1.0 / (rows - 1));
    for (uint32_t r = 0; r < rows; ++r)
        for (uint32_t c = 0; c < w; ++c) {
            const float t[2] = {static_cast<float>(c) * du, 1.0f - static_cast<float>(r) * dv};
            out.put(t, sizeof t);
        }
    for (uint32_t r = 0; r + 1 < rows; ++r)
        for (uint32_t c = 0; c + 1 < w; ++c) {
            const uint32_t v = r * w + c;
            const uint32_t cell[6] = {v, v + 1, v + w, v + 1, v + 1 + w, v + w};
            out.put(cell, sizeof cell);
        }
    const bool ok = out.flush();
    return std::fclose(outFile) == 0 && ok ? 0 : 1;
}
