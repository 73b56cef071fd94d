// terrain_read FILE: opens a terrain file and reads its elevation grid (the
// elevation dump included), as the import's worker does, then exits.
// Exit status 0 when both succeeded, 1 when either failed, 2 on a usage error.
#include <cstdio>

#include "formats/TerrainFile.h"

namespace {
// Stands in for the worker's progress report: cheap, but really called.
void countReport(void* context, int32_t) { ++*static_cast<long*>(context); }
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: terrain_read FILE\n");
        return 2;
    }
    TerrainFile terrain;
    if (!terrain.open(argv[1])) {
        std::fprintf(stderr, "terrain_read: %s\n", terrain.errorText);
        return 1;
    }
    long reports = 0;
    if (!terrain.readElevations(&reports, countReport)) {
        std::fprintf(stderr, "terrain_read: error while reading elevation-data\n");
        return 1;
    }
    return 0;
}
