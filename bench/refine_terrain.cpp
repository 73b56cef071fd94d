// refine_terrain FILE METRES [TRIANGLES]: the error-bounded mesh of a terrain
// file alone, without the scene around it: prints the points and triangles
// kept, the worst error in metres and the refinement's own time.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "formats/TerrainFile.h"
#include "mesh/Refinement.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: refine_terrain FILE METRES [TRIANGLES]\n");
        return 2;
    }
    TerrainFile terrain;
    if (!terrain.open(argv[1]) || !terrain.readElevations(nullptr, nullptr)) {
        std::fprintf(stderr, "refine_terrain: cannot read %s\n", argv[1]);
        return 1;
    }
    TerrainHeader h;
    terrain.getHeader(h);
    const double metresPerUnit = std::fabs(h.heightScale * double{h.scaleZ} / 65536.0);
    refinement::Limits limits;
    limits.maxError = std::atof(argv[2]) / metresPerUnit;
    if (argc > 3) limits.maxTriangles = std::strtoull(argv[3], nullptr, 10);
    refinement::Mesh mesh;
    const auto start = std::chrono::steady_clock::now();
    const auto outcome = refinement::Refine({h.elevations, h.xPoints, h.yPoints}, limits, mesh);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("outcome %d: %zu points, %zu triangles, worst error %.6f m, %.3f s\n", int(outcome),
                mesh.points.size(), mesh.triangles.size() / 3, mesh.worstError * metresPerUnit, seconds);
    return 0;
}
