// glb_floor TERRAIN OUT.glb [SCALE]: the least work that turns a terrain file
// into the terrain part of the import's .glb: positions, texture coordinates
// and the triangle index list, streamed straight from the file through one
// small buffer. The floor the import is measured against.
//
// Two passes over the samples: the first finds the height range (the
// POSITION accessor needs its min and max before the data), the second writes
// the positions row by row. Texture coordinates and indices need no samples.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "formats/TerrainFile.h"

namespace {

// 64 KB write calls: larger ones make Linux look for larger file-cache pages,
// which is slow on the machines we measure on (see host/SceneExport.cpp).
constexpr size_t kBufferBytes = 1 << 16;

class Output {
public:
    explicit Output(std::FILE* f) : f_(f), buffer_(kBufferBytes) {}
    void put(const void* data, size_t n) {
        if (used_ + n > buffer_.size()) flush();
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
        std::fprintf(stderr, "usage: glb_floor TERRAIN OUT.glb [SCALE]\n");
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
    const uint64_t positionBytes = 12 * vertices, uvBytes = 8 * vertices, indexBytes = 4 * indexCount;
    const uint64_t binBytes = positionBytes + uvBytes + indexBytes;

    char json[2048];
    int n = std::snprintf(json, sizeof json,
        "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],"
        "\"nodes\":[{\"name\":\"terrain\",\"mesh\":0}],"
        "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0,\"TEXCOORD_0\":1},\"indices\":2}]}],"
        "\"buffers\":[{\"byteLength\":%llu}],"
        "\"bufferViews\":[{\"buffer\":0,\"byteOffset\":0,\"byteLength\":%llu,\"target\":34962},"
        "{\"buffer\":0,\"byteOffset\":%llu,\"byteLength\":%llu,\"target\":34962},"
        "{\"buffer\":0,\"byteOffset\":%llu,\"byteLength\":%llu,\"target\":34963}],"
        "\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":%llu,\"type\":\"VEC3\","
        "\"min\":[0,%.9g,%.9g],\"max\":[%.9g,%.9g,0]},"
        "{\"bufferView\":1,\"componentType\":5126,\"count\":%llu,\"type\":\"VEC2\"},"
        "{\"bufferView\":2,\"componentType\":5125,\"count\":%llu,\"type\":\"SCALAR\"}]}",
        (unsigned long long)binBytes, (unsigned long long)positionBytes, (unsigned long long)positionBytes,
        (unsigned long long)uvBytes, (unsigned long long)(positionBytes + uvBytes), (unsigned long long)indexBytes,
        (unsigned long long)vertices, yLo, zLo, xHi, yHi, (unsigned long long)vertices,
        (unsigned long long)indexCount);
    while (n % 4) json[n++] = ' ';

    std::FILE* outFile = std::fopen(argv[2], "wb");
    if (!outFile) return 1;
    Output out(outFile);
    out.putU32(0x46546C67);  // "glTF"
    out.putU32(2);
    out.putU32(static_cast<uint32_t>(12 + 8 + n + 8 + binBytes));
    out.putU32(static_cast<uint32_t>(n));
    out.putU32(0x4E4F534A);  // "JSON"
    out.put(json, static_cast<size_t>(n));
    out.putU32(static_cast<uint32_t>(binBytes));
    out.putU32(0x004E4942);  // "BIN\0"

    std::fseek(in, first, SEEK_SET);
    for (uint32_t r = 0; r < rows; ++r) {
        if (!readSamples(in, row.data(), w)) return 1;
        const float z = static_cast<float>(-(r * double{h.scaleX}) * scale);
        for (uint32_t c = 0; c < w; ++c) {
            const float p[3] = {static_cast<float>(c * double{h.scaleY} * scale), height(row[c]), z};
            out.put(p, sizeof p);
        }
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
