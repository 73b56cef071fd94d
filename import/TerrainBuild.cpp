#include "import/TerrainBuild.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <exception>
#include <thread>
#include <vector>

#include "formats/FixedText.h"
#include "host/MemoryHints.h"
#include "host/XsiApplication.h"
#include "host/XsiMath.h"
#include "host/XsiScene.h"
#include "import/ImportPaths.h"
#include "import/ImportSession.h"
#include "import/ImportWorker.h"
#include "import/WorldObjects.h"
#include "mesh/Refinement.h"
#include "plugin/HostOps.h"

namespace {

// The host keeps node counts in signed 32 bits.
constexpr uint64_t kMaxMeshNodes = 0x7FFFFFFF;

// Corner offsets (column, row) of the six entries of one grid cell in the
// triangle index list.
constexpr uint32_t kCornerColumn[6] = {0, 1, 0, 1, 1, 0};
constexpr uint32_t kCornerRow[6] = {0, 0, 1, 0, 1, 1};

// Per-node texture values: the node's vertex (entry m of the triangle index
// list, m from the host's node index list) gets u = column x du, v = row x dv.
// They go to the host in pieces of one grid row of cells (6 x (xPoints - 1)
// nodes): a list of every node's value would be the largest list of the
// import (12 bytes per node, six nodes per grid point), held only to be copied.
enum class UVResult { Done, NoMemory, HostFailed };

// The u of each column and the v of each row, and room for a piece of
// node values; false when there is no room.
bool gridTexture(uint32_t xPoints, uint32_t yPoints, size_t piece, std::vector<float>& columnU,
                 std::vector<float>& rowV, std::vector<float>& values) {
    const float du = static_cast<float>(1.0 / (xPoints - 1));
    const float dv = static_cast<float>(1.0 / (yPoints - 1));
    try {
        columnU.resize(xPoints);
        rowV.resize(yPoints);
        values.resize(3 * piece);
    } catch (const std::exception&) {
        return false;
    }
    for (uint32_t c = 0; c < xPoints; ++c) columnU[c] = static_cast<float>(c) * du;
    for (uint32_t r = 0; r < yPoints; ++r) rowV[r] = static_cast<float>(r) * dv;
    return true;
}

// Node values in pieces (values holds one): node i gets the u, v of the
// grid point pointOf gives for its entry of the triangle list, or 0, 0 when
// the host names an entry past the list's entries.
template <typename PointOf>
UVResult setUVsByEntry(XSI::ClusterProperty& property, const XSI::CLongArray& nodeIndices,
                       const std::vector<float>& columnU, const std::vector<float>& rowV, uint64_t entries,
                       std::vector<float>& values, PointOf pointOf, XSI::CStatus& hostStatus) {
    const uint32_t xPoints = static_cast<uint32_t>(columnU.size());
    const uint32_t nodes = nodeIndices.GetCount();
    const uint32_t piece = static_cast<uint32_t>(values.size() / 3);
    for (uint32_t first = 0; first < nodes; first += piece) {
        const uint32_t count = std::min(piece, nodes - first);
        for (uint32_t i = 0; i < count; ++i) {
            const int32_t m = nodeIndices[first + i];
            float u = 0.0f, v = 0.0f;
            if (m >= 0 && uint64_t(m) < entries) {
                const uint32_t point = pointOf(uint64_t(m));
                u = columnU[point % xPoints];
                v = rowV[point / xPoints];
            }
            values[3 * i] = u;
            values[3 * i + 1] = v;
            values[3 * i + 2] = 0.0f;
        }
        hostStatus = property.SetValues(values.data(), static_cast<int32_t>(count), static_cast<int32_t>(first));
        if (hostStatus != XSI::CStatus::OK) return UVResult::HostFailed;
    }
    return UVResult::Done;
}

UVResult setNodeUVs(XSI::ClusterProperty& property, const XSI::CLongArray& nodeIndices, uint32_t xPoints,
                    uint32_t yPoints, XSI::CStatus& hostStatus) {
    const uint64_t entries = uint64_t{6} * (xPoints - 1) * (yPoints - 1);
    const uint32_t nodes = nodeIndices.GetCount();
    const uint32_t piece = 6 * (xPoints - 1);
    std::vector<float> columnU, rowV, values;
    if (!gridTexture(xPoints, yPoints, piece, columnU, rowV, values)) return UVResult::NoMemory;

    if (nodeIndices.IsIdentity() && nodes == entries) {
        // Node n is entry n: each row of cells is one piece, in list order.
        // Rows differ only in v, so u and w are written once.
        float* out = values.data();
        for (uint32_t c = 0; c + 1 < xPoints; ++c)
            for (int k = 0; k < 6; ++k, out += 3) out[0] = columnU[c + kCornerColumn[k]], out[2] = 0.0f;
        for (uint32_t r = 0; r + 1 < yPoints; ++r) {
            const float v[2] = {rowV[r], rowV[r + 1]};
            out = values.data();
            for (uint32_t c = 0; c + 1 < xPoints; ++c)
                for (int k = 0; k < 6; ++k, out += 3) out[1] = v[kCornerRow[k]];
            hostStatus = property.SetValues(values.data(), static_cast<int32_t>(piece), static_cast<int32_t>(r * piece));
            if (hostStatus != XSI::CStatus::OK) return UVResult::HostFailed;
        }
        return UVResult::Done;
    }
    return setUVsByEntry(property, nodeIndices, columnU, rowV, entries, values,
                         [xPoints](uint64_t entry) { return TriangleListVertex(entry, xPoints); }, hostStatus);
}

enum class PositionsResult { Done, NoMemory, ReadFailed };

// The vertex positions, (x, y, z) per grid point in row order, as the host
// stores them: floats rounded once from the scaled doubles.
PositionsResult computePositions(TerrainFile& terrain, uint32_t xPoints, uint32_t yPoints, double scale,
                                 XSI::BulkList<float>& positions) {
    const size_t floats = size_t{3} * xPoints * yPoints;
    try {
        memoryhints::reserveMapped(positions, floats);
        positions.resize(floats);  // not zero-filled: every entry is written below
    } catch (const std::exception&) {  // bad_alloc, or a length no vector can take
        return PositionsResult::NoMemory;
    }
    double point[3];
    float* out = positions.data();
    for (uint32_t r = 0; r < yPoints; ++r)
        for (uint32_t c = 0; c < xPoints; ++c, out += 3) {
            if (!terrain.getPoint(static_cast<int32_t>(r), static_cast<int32_t>(c), point))
                return PositionsResult::ReadFailed;
            out[0] = static_cast<float>(point[0] * scale);
            out[1] = static_cast<float>(point[1] * scale);
            out[2] = static_cast<float>(point[2] * scale);
        }
    return PositionsResult::Done;
}

// Computes the positions on a helper thread while the caller builds the
// triangle list: both lists are large and fresh, and on two cores their page
// faults and writes overlap. Runs inline when no thread can be started. Safe
// because getPoint and getTriangleIndices only read the terrain while they
// succeed, and the triangle list is never asked for with a null array.
class PositionsJob {
public:
    PositionsJob(TerrainFile& terrain, uint32_t xPoints, uint32_t yPoints, double scale)
        : terrain_(terrain), xPoints_(xPoints), yPoints_(yPoints), scale_(scale) {
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::exception&) {  // no thread: the work runs here
        }
    }
    ~PositionsJob() {
        if (thread_.joinable()) thread_.join();
    }
    PositionsJob(const PositionsJob&) = delete;
    PositionsJob& operator=(const PositionsJob&) = delete;

    PositionsResult finish() {
        if (thread_.joinable())
            thread_.join();
        else if (!ran_)
            run();
        return result_;
    }
    XSI::BulkList<float> positions;

private:
    void run() {
        result_ = computePositions(terrain_, xPoints_, yPoints_, scale_, positions);
        ran_ = true;
    }
    TerrainFile& terrain_;
    const uint32_t xPoints_, yPoints_;
    const double scale_;
    PositionsResult result_ = PositionsResult::ReadFailed;
    bool ran_ = false;
    std::thread thread_;
};

// Texture values of a refined mesh: node m's vertex is corner m of the
// triangle list, a kept grid point that gets the u, v the full grid gives it
// (computed the same way, so a texture lies exactly where it lies there).
UVResult setRefinedNodeUVs(XSI::ClusterProperty& property, const XSI::CLongArray& nodeIndices,
                           const refinement::Mesh& mesh, uint32_t xPoints, uint32_t yPoints,
                           XSI::CStatus& hostStatus) {
    std::vector<float> columnU, rowV, values;
    const size_t piece = std::min<size_t>(size_t{1} << 14, std::max<size_t>(nodeIndices.GetCount(), 1));
    if (!gridTexture(xPoints, yPoints, piece, columnU, rowV, values)) return UVResult::NoMemory;
    return setUVsByEntry(property, nodeIndices, columnU, rowV, mesh.triangles.size(), values,
                         [&mesh](uint64_t entry) { return mesh.points[mesh.triangles[size_t(entry)]]; }, hostStatus);
}

// Vertical metres per unit of a raw sample: a sample's height is
// e x heightScale x SCAL z / 65536 plus a constant.
double metresPerSampleUnit(const TerrainHeader& header) {
    return std::fabs(header.heightScale * double{header.scaleZ} / 65536.0);
}

// The error-bounded mesh of the session's grid, its progress a stage of its
// own; a cancel ("Cancel Import", Ctrl+C) ends it at the next report.
refinement::Outcome refineTerrain(ImportSession& session, const TerrainHeader& header,
                                  ProgressTarget* progressWindow, refinement::Mesh& mesh) {
    constexpr uint32_t kSteps = 1000;
    session.progressTotal = kSteps;
    SendStatus(progressWindow, "refining mesh...");
    SendProgress(progressWindow, 0);
    const double metresPerUnit = metresPerSampleUnit(header);
    refinement::Limits limits;
    // The bound in sample units, a hair under the asked one: the refinement
    // compares each distance after one rounding.
    if (session.maxError > 0)
        limits.maxError = metresPerUnit > 0 ? session.maxError / metresPerUnit * (1 - 1e-12) : HUGE_VAL;
    limits.maxTriangles = session.maxTriangles;
    const refinement::Outcome outcome = refinement::Refine(
        {header.elevations, header.xPoints, header.yPoints}, limits, mesh, [&](double fraction) {
            SendProgress(progressWindow, static_cast<uint32_t>(fraction * kSteps));
            return !session.cancelled;
        });
    if (outcome == refinement::Outcome::Done) {
        SendProgress(progressWindow, kSteps);
        session.keptPoints = mesh.points.size();
        session.keptTriangles = mesh.triangles.size() / 3;
        session.worstError = mesh.worstError * metresPerUnit;
    }
    return outcome;
}

// The bounding box of the full grid's positions, as the host finds it for a
// mesh of every point: the refined mesh may leave out the highest or lowest
// sample, and its pivot must be the full grid's all the same. Each position
// is monotonic in its sample, column and row, so the extremes come from the
// extreme samples and the grid's corners, rounded to floats the same way.
void fullGridBounds(TerrainFile& terrain, double scale, double lo[3], double hi[3]) {
    TerrainHeader header;
    terrain.getHeader(header);
    const uint64_t count = uint64_t{header.xPoints} * header.yPoints;
    const auto extremes = std::minmax_element(header.elevations, header.elevations + count);
    const uint32_t lowest = static_cast<uint32_t>(extremes.first - header.elevations);
    const uint32_t highest = static_cast<uint32_t>(extremes.second - header.elevations);
    const uint32_t last = static_cast<uint32_t>(count - 1);
    for (int k = 0; k < 3; ++k) lo[k] = FLT_MAX, hi[k] = -FLT_MAX;
    for (const uint32_t index : {0u, last, lowest, highest}) {
        double point[3];
        if (!terrain.getPoint(static_cast<int32_t>(index / header.xPoints),
                              static_cast<int32_t>(index % header.xPoints), point))
            continue;
        for (int k = 0; k < 3; ++k) {
            const double value = static_cast<float>(point[k] * scale);
            lo[k] = std::min(lo[k], value);
            hi[k] = std::max(hi[k], value);
        }
    }
}

// The refined mesh's lists as the host takes them: the corners, and the
// positions of the kept points (floats rounded once from the scaled doubles,
// as for the full grid).
bool refinedLists(TerrainFile& terrain, const refinement::Mesh& mesh, double scale,
                  XSI::BulkList<uint32_t>& corners, XSI::BulkList<float>& positions) {
    try {
        corners.assign(mesh.triangles.begin(), mesh.triangles.end());
        positions.resize(size_t{3} * mesh.points.size());
    } catch (const std::exception&) {
        return false;
    }
    TerrainHeader header;
    terrain.getHeader(header);
    double point[3];
    float* out = positions.data();
    for (const uint32_t index : mesh.points) {
        if (!terrain.getPoint(static_cast<int32_t>(index / header.xPoints), static_cast<int32_t>(index % header.xPoints),
                              point))
            return false;
        for (int k = 0; k < 3; ++k) *out++ = static_cast<float>(point[k] * scale);
    }
    return true;
}

// The full grid's lists: the triangle corners, built here while a helper
// thread computes the positions. False (errorText set) when either fails.
bool addGridLists(ImportSession& session, XSI::CMeshBuilder& builder, ProgressTarget* progressWindow,
                  uint64_t triangles) {
    TerrainHeader header;
    session.terrain.getHeader(header);
    const uint32_t xPoints = header.xPoints, yPoints = header.yPoints;
    PositionsJob positionsJob(session.terrain, xPoints, yPoints, session.scale);

    SendProgress(progressWindow, 2);
    SendStatus(progressWindow, "adding polygons...");
    {
        // Sized without a zero-filling pass: the reader writes every entry.
        XSI::BulkList<uint32_t> indices;
        try {
            memoryhints::reserveMapped(indices, size_t{3} * triangles);
            indices.resize(size_t{3} * triangles);
        } catch (const std::exception&) {
            TerrainTooLargeText(xPoints, yPoints, session.errorText, sizeof session.errorText);
            return false;
        }
        // An empty list still needs somewhere to point: the reader takes a
        // null array for a caller's mistake.
        uint32_t none = 0;
        if (!session.terrain.getTriangleIndices(indices.empty() ? &none : indices.data())) return false;
        builder.AddTriangles(std::move(indices));  // handed over, not copied
    }

    SendProgress(progressWindow, 3);
    SendStatus(progressWindow, "setting vertices...");
    switch (positionsJob.finish()) {
    case PositionsResult::NoMemory:
        TerrainTooLargeText(xPoints, yPoints, session.errorText, sizeof session.errorText);
        return false;
    case PositionsResult::ReadFailed: return false;
    case PositionsResult::Done: builder.SetVertexPositions(std::move(positionsJob.positions)); break;
    }
    return true;
}

// The host could not make the mesh: "Error generating mesh: <the host's
// description>", shown and logged.
bool meshFailed(ImportSession& session, const XSI::CString& description) {
    fixedtext::formatWithArg(session.errorText, "Error generating mesh: %s", description.GetAsciiString());
    XSI::Application().LogMessage(XSI::CString("Error generating mesh: ") + description, XSI::siInfoMsg);
    return false;
}

}  // namespace

bool CheckTerrainScale(const TerrainHeader& header, const char* path, char* errorText, size_t size) {
    const float scal[3] = {header.scaleX, header.scaleY, header.scaleZ};
    const bool usable = std::isfinite(scal[0]) && std::isfinite(scal[1]) && std::isfinite(scal[2]) &&
                        scal[0] != 0.0f && scal[1] != 0.0f;
    if (usable) return true;
    // The values go into the format itself: %g never writes a '%'.
    char format[96];
    std::snprintf(format, sizeof format, "%%s\nhas an unusable scale: SCAL %g %g %g", double{scal[0]},
                  double{scal[1]}, double{scal[2]});
    fixedtext::formatWithArg(errorText, size, format, path);
    return false;
}

uint64_t TerrainListBytes(uint32_t xPoints, uint32_t yPoints, bool refined) {
    const uint64_t points = uint64_t{xPoints} * yPoints;
    if (refined) return points * 2;
    const uint64_t triangles = xPoints >= 2 && yPoints >= 2 ? uint64_t{2} * (xPoints - 1) * (yPoints - 1) : 0;
    return points * (2 + 12 + 12 + 8) + triangles * 12;
}

void TerrainTooLargeText(uint32_t xPoints, uint32_t yPoints, char* errorText, size_t size) {
    std::snprintf(errorText, size, "terrain too large for the memory available: %u x %u points", unsigned{xPoints},
                  unsigned{yPoints});
}

bool CheckTerrainFits(const TerrainHeader& header, char* errorText, size_t size, bool refined) {
    if (TerrainListBytes(header.xPoints, header.yPoints, refined) <= kAddressSpaceBytes) return true;
    TerrainTooLargeText(header.xPoints, header.yPoints, errorText, size);
    return false;
}

uint32_t TriangleListVertex(uint64_t entry, uint32_t xPoints) {
    const uint64_t cell = entry / 6;
    const int k = static_cast<int>(entry % 6);
    const uint64_t row = cell / (xPoints - 1);
    const uint64_t column = cell % (xPoints - 1);
    return static_cast<uint32_t>((row + kCornerRow[k]) * xPoints + column + kCornerColumn[k]);
}

bool BuildTerrain(ImportSession& session, ProgressTarget* progressWindow) {
    XSI::Application app;
    TerrainHeader header;
    session.terrain.getHeader(header);
    const uint32_t xPoints = header.xPoints;
    const uint32_t yPoints = header.yPoints;

    // The error-bounded mesh comes first: until it is done the scene is
    // untouched, so a cancel leaves nothing behind.
    const bool refined = session.Refines() && xPoints >= 2 && yPoints >= 2;
    refinement::Mesh mesh;
    if (refined) switch (refineTerrain(session, header, progressWindow, mesh)) {
        case refinement::Outcome::Cancelled: return false;
        case refinement::Outcome::NoMemory:
            TerrainTooLargeText(xPoints, yPoints, session.errorText, sizeof session.errorText);
            return false;
        case refinement::Outcome::Done: break;
        }

    session.progressTotal = 5;
    SendStatus(progressWindow, "building scene...");
    SendProgress(progressWindow, 0);
    SendProgress(progressWindow, 1);

    // The counts in 64 bits: the session's 32-bit triangle count wraps for
    // grids beyond the host's node limit, which would under-allocate the list.
    const uint64_t vertices = refined ? mesh.points.size() : uint64_t{xPoints} * yPoints;
    const uint64_t triangles = refined                         ? mesh.triangles.size() / 3
                               : xPoints >= 2 && yPoints >= 2 ? uint64_t{2} * (xPoints - 1) * (yPoints - 1)
                                                              : 0;
    if (vertices > kMaxMeshNodes || 3 * triangles > kMaxMeshNodes) {
        fixedtext::copy(session.errorText, "terrain too large for one mesh");
        return false;
    }

    // The farthest point from the origin on each axis, in scene units: a
    // finite scale can still carry a position past the largest float.
    const double scale = session.scale;
    const double reach[3] = {
        (xPoints - 1.0) * std::fabs(double{header.scaleY}) * scale,
        (std::fabs(header.heightScale * 32768.0 / 65536.0) + std::fabs(static_cast<double>(header.baseHeight))) *
            std::fabs(double{header.scaleZ}) * scale,
        (yPoints - 1.0) * std::fabs(double{header.scaleX}) * scale};
    for (const double r : reach)
        if (!(r <= FLT_MAX)) {
            fixedtext::copy(session.errorText, "terrain too large for scene positions at this scale");
            return false;
        }

    char name[sizeof session.objectName + 1];
    MakeHostSafeName(session.objectName, name, sizeof name);

    XSI::Model root = app.GetActiveSceneRoot();
    XSI::X3DObject object;
    XSI::CMeshBuilder builder;
    root.AddPolygonMesh(name, object, builder);
    builder.AddVertices(static_cast<int32_t>(vertices));
    // The counts are known: the host lays its lists out (in the scene file,
    // when it knows it) and refuses now a scene it could not write.
    const XSI::CStatus reserved = builder.ReserveMesh(triangles, true);
    if (reserved != XSI::CStatus::OK) {
        fixedtext::copy(session.errorText, reserved.GetDescription().GetAsciiString());
        return false;
    }
    // The host may have had to rename the object: address it by its real name.
    const XSI::CString objectName = object.GetName();

    if (refined) {
        SendProgress(progressWindow, 2);
        SendStatus(progressWindow, "adding polygons...");
        XSI::BulkList<uint32_t> corners;
        XSI::BulkList<float> positions;
        if (!refinedLists(session.terrain, mesh, session.scale, corners, positions)) {
            TerrainTooLargeText(xPoints, yPoints, session.errorText, sizeof session.errorText);
            return false;
        }
        builder.AddTriangles(std::move(corners));
        SendProgress(progressWindow, 3);
        SendStatus(progressWindow, "setting vertices...");
        builder.SetVertexPositions(std::move(positions));
    } else if (!addGridLists(session, builder, progressWindow, triangles)) {
        return false;
    }

    const XSI::CStatus built = builder.Build(false);
    if (built == XSI::CStatus::Fail) return meshFailed(session, built.GetDescription());

    XSI::PolygonMesh polygonMesh(object.GetActivePrimitive().GetGeometry(DBL_MAX));
    XSI::CGeometryAccessor accessor = polygonMesh.GetGeometryAccessor(0, 0, 0, false, true, 60.0);

    SendProgress(progressWindow, 4);
    SendStatus(progressWindow, "generating texture coordinates...");
    {
        XSI::ClusterProperty uv = polygonMesh.GetClusterPropertyBuilder().AddUV();
        XSI::CLongArray nodeIndices;
        accessor.GetNodeIndices(nodeIndices);
        // A mesh without its texture coordinates is not the terrain asked for:
        // the host's failure fails the import as the mesh's own would.
        if (!uv.IsValid()) return meshFailed(session, "cannot add the texture coordinates");
        XSI::CStatus hostStatus;
        const UVResult uvResult = triangles == 0 ? UVResult::Done
                                  : refined      ? setRefinedNodeUVs(uv, nodeIndices, mesh, xPoints, yPoints, hostStatus)
                                                 : setNodeUVs(uv, nodeIndices, xPoints, yPoints, hostStatus);
        switch (uvResult) {
        case UVResult::NoMemory:
            TerrainTooLargeText(xPoints, yPoints, session.errorText, sizeof session.errorText);
            return false;
        case UVResult::HostFailed: return meshFailed(session, hostStatus.GetDescription());
        case UVResult::Done: break;
        }
    }
    SendProgress(progressWindow, 5);

    if (session.centerPivot) {
        SendStatus(progressWindow, "centering pivot...");
        double center[3], extent[3];
        if (refined) {
            double lo[3], hi[3];
            fullGridBounds(session.terrain, session.scale, lo, hi);
            for (int k = 0; k < 3; ++k) center[k] = (lo[k] + hi[k]) / 2;
        } else {
            XSI::MATH::CTransformation identity;
            identity.SetIdentity();
            polygonMesh.GetBoundingBox(center[0], center[1], center[2], extent[0], extent[1], extent[2], identity);
        }
        TranslatePivot(objectName, center[0], center[1], center[2]);
    }

    CreateCamera(session);
    CreateSun(session);
    CreateWaterPlane(session);

    SendStatus(progressWindow, "");
    SendProgress(progressWindow, session.progressTotal);
    return true;
}
