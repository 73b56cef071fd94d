// The host's .glb export of a terrain-sized mesh against the plain cost of
// writing the same number of bytes, and the process's peak memory against
// the bytes of the arrays the host holds for the mesh.
//
// The mesh is built the way the import builds it: a 4097 x 4097 grid (16.8
// million vertices, 33.5 million triangles, 100.7 million UV nodes), vertices
// added without positions and positioned one per call, the triangle list
// handed over whole, UVs set per node in pieces.
//
// host_export_bench [--grid=N] [benchmark flags]; OUT_DIR (default /tmp) holds the files.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/HostControl.h"
#include "host/SceneExport.h"
#include "host/XsiApplication.h"

using namespace XSI;

namespace {

uint32_t gGrid = 4097;
std::string gOutDir = "/tmp";
uint64_t gHostArrayBytes = 0;
uint64_t gExportBytes = 0;
double gBestExportSeconds = 0, gBestWriteSeconds = 0;
long gPeakAfterExportKb = 0;

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;  // kilobytes on Linux
}

void buildTerrain() {
    const uint32_t n = gGrid;
    const uint64_t vertices = uint64_t(n) * n, triangles = uint64_t(2) * (n - 1) * (n - 1);
    HostControl::ResetHost();
    X3DObject object;
    CMeshBuilder builder;
    Application().GetActiveSceneRoot().AddPolygonMesh("terrain", object, builder);
    builder.AddVertices(int32_t(vertices));
    {
        BulkList<uint32_t> corners(triangles * 3);
        size_t i = 0;
        for (uint32_t r = 0; r + 1 < n; ++r)
            for (uint32_t c = 0; c + 1 < n; ++c) {
                const uint32_t a = r * n + c, b = a + 1, d = a + n, e = d + 1;
                for (uint32_t v : {a, d, b, b, d, e}) corners[i++] = v;
            }
        builder.AddTriangles(std::move(corners));
    }
    for (uint32_t r = 0; r < n; ++r)
        for (uint32_t c = 0; c < n; ++c) {
            const double p[3] = {c * 3.0, 100.0 * std::sin(r * 0.01) * std::cos(c * 0.013), -(r * 3.0)};
            builder.SetVertexPositions(1, p, int32_t(r * n + c));
        }
    if (builder.Build(false) != CStatus::OK) {
        std::fprintf(stderr, "host_export_bench: Build failed\n");
        std::exit(1);
    }

    PolygonMesh mesh(object.GetActivePrimitive().GetGeometry());
    CGeometryAccessor accessor = mesh.GetGeometryAccessor();
    ClusterProperty uv = mesh.GetClusterPropertyBuilder().AddUV();
    const float du = 1.0f / float(n - 1), dv = du;
    const uint32_t nodes = accessor.GetNodeCount();
    constexpr uint32_t kPiece = 1u << 20;
    std::vector<uint32_t> vertexOf(kPiece);
    std::vector<float> values(size_t{3} * kPiece);
    for (uint32_t first = 0; first < nodes; first += kPiece) {
        const uint32_t count = std::min(kPiece, nodes - first);
        accessor.GetVertexIndices(first, count, vertexOf.data());
        for (uint32_t k = 0; k < count; ++k) {
            const uint32_t v = vertexOf[k];
            values[3 * k] = float(v % n) * du;
            values[3 * k + 1] = float(v / n) * dv;
            values[3 * k + 2] = 0.0f;
        }
        uv.SetValues(values.data(), int32_t(count), int32_t(first));
    }
    // What the host must keep for this mesh: positions (3 floats per vertex),
    // the corner list (one index per node) and the UVs, which agree per vertex
    // here (3 floats per vertex).
    gHostArrayBytes = vertices * 12 + triangles * 3 * 4 + vertices * 12;
}

void BM_ExportGlb(benchmark::State& state) {
    const std::string path = gOutDir + "/host_export_bench.glb";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const auto result = SceneExport::WriteGltf(path, SceneExport::GltfLayout::Binary);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!result.ok) {
            state.SkipWithError(result.errorText.c_str());
            return;
        }
        gExportBytes = result.bytesWritten;
        if (gBestExportSeconds == 0 || seconds < gBestExportSeconds) gBestExportSeconds = seconds;
        state.SetIterationTime(seconds);
    }
    gPeakAfterExportKb = peakRssKb();
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(gExportBytes));
    std::remove(path.c_str());
}

void BM_FwriteSameBytes(benchmark::State& state) {
    // Allocated after the export's peak was read, so it does not count there.
    std::vector<char> bytes(gExportBytes, 'x');
    const std::string path = gOutDir + "/host_export_bench.raw";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
            state.SkipWithError("fwrite failed");
            if (f) std::fclose(f);
            return;
        }
        std::fclose(f);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (gBestWriteSeconds == 0 || seconds < gBestWriteSeconds) gBestWriteSeconds = seconds;
        state.SetIterationTime(seconds);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
    std::remove(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--grid=", 7) == 0) gGrid = uint32_t(std::atoi(argv[i] + 7));
    if (const char* dir = std::getenv("OUT_DIR")) gOutDir = dir;
    if (gGrid < 2 || gGrid > 8193) {
        std::fprintf(stderr, "host_export_bench: --grid must be 2 .. 8193\n");
        return 2;
    }
    benchmark::Initialize(&argc, argv);

    const auto start = std::chrono::steady_clock::now();
    buildTerrain();
    const double buildSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("grid %u x %u: built in %.2f s, host arrays %.1f MB\n", gGrid, gGrid, buildSeconds,
                gHostArrayBytes / 1e6);

    benchmark::RegisterBenchmark("BM_ExportGlb", BM_ExportGlb)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_FwriteSameBytes", BM_FwriteSameBytes)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (gBestWriteSeconds > 0 && gHostArrayBytes > 0) {
        std::printf("export %.1f MB: best %.3f s; one fwrite of the same bytes: best %.3f s; ratio %.2f (goal <= 2)\n",
                    gExportBytes / 1e6, gBestExportSeconds, gBestWriteSeconds, gBestExportSeconds / gBestWriteSeconds);
        std::printf("peak memory %.1f MB against host arrays %.1f MB: ratio %.2f (goal <= 1.5)\n",
                    gPeakAfterExportKb * 1024.0 / 1e6, gHostArrayBytes / 1e6,
                    gPeakAfterExportKb * 1024.0 / double(gHostArrayBytes));
    }
    return 0;
}
