// libFuzzer target for the terrain reader: open, header, samples, then every
// grid query the mesh builder makes, including out-of-range points.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "formats/TerrainFile.h"
#include "fuzz/FuzzInputFile.h"

namespace {

// The target's own buffers stay small, whatever grid the header declares:
// a 65535 x 65535 header must exercise the reader, not exhaust the fuzzer.
constexpr uint64_t kMaxIndexEntries = uint64_t{1} << 22;  // 16 MiB of indices
constexpr uint64_t kMaxPointQueries = uint64_t{1} << 16;

int g_progressCalls = 0;
void countProgress(void*, int32_t) { ++g_progressCalls; }

void checkPoint(TerrainFile& terrain, int32_t row, int32_t column, bool inside) {
    double out[3] = {0, 0, 0};
    const bool ok = terrain.getPoint(row, column, out);
    if (ok != inside) std::abort();  // range check disagrees with the header
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzzinput::scratchPath(".ter");
    if (!fuzzinput::writeScratch(path, data, size)) return 0;

    TerrainFile terrain;
    if (!terrain.open(path.c_str())) return 0;
    TerrainHeader header;
    if (!terrain.getHeader(header)) std::abort();

    g_progressCalls = 0;
    if (!terrain.readElevations(nullptr, countProgress)) return 0;
    if (!terrain.getHeader(header) || !header.elevations) std::abort();

    const int32_t columns = header.xPoints;
    const int32_t rows = header.yPoints;
    const uint64_t count = uint64_t(columns) * uint64_t(rows);
    // About 200 reports per file; every sample below 200 samples.
    if (g_progressCalls > 201 || (count < 200 && uint64_t(g_progressCalls) != count)) std::abort();

    // Sweep the grid (every point of small grids, a stride over big ones) and
    // touch every sample so a short grid shows up under ASan.
    int64_t sum = 0;
    for (uint64_t i = 0; i < count; ++i) sum += header.elevations[i];
    (void)sum;
    const uint64_t stride = count > kMaxPointQueries ? count / kMaxPointQueries + 1 : 1;
    for (uint64_t i = 0; i < count; i += stride)
        checkPoint(terrain, int32_t(i / uint64_t(columns)), int32_t(i % uint64_t(columns)), true);
    checkPoint(terrain, rows - 1, columns - 1, true);
    checkPoint(terrain, -1, 0, false);
    checkPoint(terrain, 0, -1, false);
    checkPoint(terrain, rows, 0, false);
    checkPoint(terrain, 0, columns, false);
    checkPoint(terrain, INT32_MIN, INT32_MAX, false);
    checkPoint(terrain, INT32_MAX, INT32_MIN, false);

    if (terrain.getTriangleIndices(nullptr)) std::abort();  // must refuse a missing buffer
    if (columns < 2 || rows < 2) {
        uint32_t untouched = 0xDEADBEEF;
        if (!terrain.getTriangleIndices(&untouched) || untouched != 0xDEADBEEF) std::abort();
        return 0;
    }
    const uint64_t entries = 6 * uint64_t(columns - 1) * uint64_t(rows - 1);
    if (entries > kMaxIndexEntries) return 0;
    // One guard entry past the end catches a writer that runs over.
    std::unique_ptr<uint32_t[]> indices(new (std::nothrow) uint32_t[entries + 1]);
    if (!indices) return 0;
    indices[entries] = 0xDEADBEEF;
    if (!terrain.getTriangleIndices(indices.get())) std::abort();
    if (indices[entries] != 0xDEADBEEF) std::abort();
    for (uint64_t i = 0; i < entries; ++i)
        if (indices[i] >= count) std::abort();  // an index past the vertices
    return 0;
}
