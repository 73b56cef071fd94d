#include "host/XsiScene.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <new>
#include <string>
#include <thread>

#include "host/HostState.h"
#include "host/ListStorage.h"

// The mesh builder: collects a mesh's lists outside the host lock, checks
// them at Build, finds the bounds and the normals, and hands them to the object.

namespace XSI {

using detail::hostState;
using detail::HostLock;
using detail::ObjectKind;
using detail::SceneObject;
using detail::failed;
using detail::invalid;
using detail::meshObject;

namespace {

// Limits that keep every list addressable with 32-bit indices and a hostile
// count from asking for unbounded memory.
constexpr uint64_t kMaxVertices = uint64_t{1} << 28;
constexpr uint64_t kMaxNodes = uint64_t{1} << 30;

// A builder's problem that is the host's, not the topology's.
constexpr char kOutOfMemory[] = "out of memory";

}  // namespace

struct CMeshBuilder::Pending {
    ObjectId object = 0;
    detail::MeshData mesh;
    std::string problem;  // first refused call, reported by Build
    bool built = false;   // the data has gone to the object

    void refuse(const std::string& text) {
        if (problem.empty()) problem = text;
    }
    // Polygon sizes are kept only once a polygon that is not a triangle arrives.
    void spellOutTriangles() {
        if (mesh.polygonSizes.empty() && mesh.polygonCount > 0) mesh.polygonSizes.assign(mesh.polygonCount, 3);
    }
    bool materializePositions();
};

CMeshBuilder::CMeshBuilder() : pending_(std::make_shared<Pending>()) {}

CMeshBuilder::CMeshBuilder(ObjectId object) : pending_(std::make_shared<Pending>()) { pending_->object = object; }

// Vertices added without positions are only counted: their positions list
// is made when a position is first set or at Build (a terrain hands its whole
// list over, so zero-filling 12 bytes per vertex here would be wasted work).
bool CMeshBuilder::Pending::materializePositions() {
    try {
        mesh.positions.resize(size_t{3} * mesh.vertexCount, 0.0f);
    } catch (const std::exception&) {
        refuse(kOutOfMemory);
        return false;
    }
    return true;
}

CStatus CMeshBuilder::AddVertices(int32_t count, const double* positions) {
    Pending& p = *pending_;
    if (count < 0) return p.refuse("negative vertex count"), invalid("negative vertex count");
    const uint64_t total = uint64_t(p.mesh.vertexCount) + uint64_t(count);
    if (total > kMaxVertices) return p.refuse("too many vertices"), invalid("too many vertices");
    if (positions || !p.mesh.positions.empty()) {
        if (!p.materializePositions()) return failed("out of memory");
        const size_t first = p.mesh.positions.size();
        try {
            p.mesh.positions.resize(size_t{3} * total, 0.0f);
        } catch (const std::exception&) {
            p.refuse(kOutOfMemory);
            return failed("out of memory");
        }
        if (positions)
            for (size_t i = 0; i < size_t{3} * size_t(count); ++i)
                p.mesh.positions[first + i] = static_cast<float>(positions[i]);
    }
    p.mesh.vertexCount = static_cast<uint32_t>(total);
    return CStatus::OK;
}

CStatus CMeshBuilder::SetVertexPositions(int32_t count, const double* positions, int32_t offset) {
    Pending& p = *pending_;
    if (count < 0 || offset < 0 || (count > 0 && !positions) ||
        uint64_t(offset) + uint64_t(count) > p.mesh.vertexCount)
        return invalid("vertex range outside the mesh");
    if (!p.materializePositions()) return failed("out of memory");
    float* out = p.mesh.positions.data() + size_t{3} * size_t(offset);
    for (size_t i = 0; i < size_t{3} * size_t(count); ++i) out[i] = static_cast<float>(positions[i]);
    return CStatus::OK;
}

CStatus CMeshBuilder::SetVertexPositions(BulkList<float>&& positions) {
    Pending& p = *pending_;
    if (positions.size() != size_t{3} * p.mesh.vertexCount) return invalid("position count is not 3 x vertex count");
    p.mesh.positions = std::move(positions);
    return CStatus::OK;
}

namespace {

template <typename Index>
CStatus appendCorners(CMeshBuilder::Pending& p, uint64_t cornerCount, const Index* indices, uint64_t newPolygons);

}  // namespace

CStatus CMeshBuilder::AddTriangles(int32_t count, const uint32_t* indices) {
    if (count < 0 || (count > 0 && !indices)) return pending_->refuse("bad triangle list"), invalid("bad triangle list");
    return appendCorners(*pending_, uint64_t{3} * uint64_t(count), indices, uint64_t(count));
}

CStatus CMeshBuilder::AddTriangles(int32_t count, const int32_t* indices) {
    if (count < 0 || (count > 0 && !indices)) return pending_->refuse("bad triangle list"), invalid("bad triangle list");
    return appendCorners(*pending_, uint64_t{3} * uint64_t(count), indices, uint64_t(count));
}

CStatus CMeshBuilder::AddTriangles(BulkList<uint32_t>&& indices) {
    Pending& p = *pending_;
    if (indices.size() % 3 != 0) return p.refuse("triangle list length is not a multiple of 3"), invalid("bad triangle list");
    if (!p.mesh.corners.empty() || !p.mesh.polygonSizes.empty())
        return appendCorners(p, indices.size(), indices.data(), indices.size() / 3);
    if (indices.size() > kMaxNodes) return p.refuse("too many polygon nodes"), invalid("too many polygon nodes");
    p.mesh.polygonCount = static_cast<uint32_t>(indices.size() / 3);
    p.mesh.corners = std::move(indices);
    return CStatus::OK;
}

namespace {

template <typename Index>
CStatus appendCorners(CMeshBuilder::Pending& p, uint64_t cornerCount, const Index* indices, uint64_t newPolygons) {
    const uint64_t total = p.mesh.corners.size() + cornerCount;
    if (total > kMaxNodes || p.mesh.polygonCount + newPolygons > kMaxNodes)
        return p.refuse("too many polygon nodes"), invalid("too many polygon nodes");
    try {
        if (!p.mesh.polygonSizes.empty()) p.mesh.polygonSizes.insert(p.mesh.polygonSizes.end(), size_t(newPolygons), 3u);
        p.mesh.corners.reserve(size_t(total));
        // Negative indices become out-of-range values that Build refuses.
        for (uint64_t i = 0; i < cornerCount; ++i) p.mesh.corners.push_back(static_cast<uint32_t>(indices[i]));
    } catch (const std::exception&) {
        p.refuse(kOutOfMemory);
        return failed("out of memory");
    }
    p.mesh.polygonCount += static_cast<uint32_t>(newPolygons);
    return CStatus::OK;
}

template <typename Index>
CStatus appendPolygons(CMeshBuilder::Pending& p, int32_t count, const int32_t* sizes, const Index* indices) {
    if (count < 0 || (count > 0 && (!sizes || !indices))) return p.refuse("bad polygon list"), invalid("bad polygon list");
    uint64_t corners = 0;
    for (int32_t i = 0; i < count; ++i) corners += sizes[i] > 0 ? uint64_t(sizes[i]) : 0;
    if (p.mesh.corners.size() + corners > kMaxNodes || p.mesh.polygonCount + uint64_t(count) > kMaxNodes)
        return p.refuse("too many polygon nodes"), invalid("too many polygon nodes");
    try {
        p.spellOutTriangles();
        p.mesh.corners.reserve(p.mesh.corners.size() + size_t(corners));
        p.mesh.polygonSizes.reserve(p.mesh.polygonSizes.size() + size_t(count));
        const Index* next = indices;
        for (int32_t i = 0; i < count; ++i) {
            // A negative size is kept as 0 corners, which Build refuses.
            const uint32_t size = sizes[i] > 0 ? uint32_t(sizes[i]) : 0;
            p.mesh.polygonSizes.push_back(size);
            for (uint32_t c = 0; c < size; ++c) p.mesh.corners.push_back(static_cast<uint32_t>(*next++));
        }
    } catch (const std::exception&) {
        p.refuse(kOutOfMemory);
        return failed("out of memory");
    }
    p.mesh.polygonCount += uint32_t(count);
    return CStatus::OK;
}

// Whether any of count corners names a vertex at or past limit: one flag for
// the whole list, in a loop the compiler vectorises with the plainest
// instruction set (an unsigned maximum needs newer ones).
bool anyCornerOutside(const uint32_t* corners, size_t count, uint32_t limit) {
    uint32_t outside = 0;
    for (size_t i = 0; i < count; ++i) outside |= uint32_t(corners[i] >= limit);
    return outside != 0;
}

// Build's two passes over a mesh's large lists: the corner check (returned)
// and the bounds (stored in the mesh). From this many corners on, a helper
// thread takes the bounds and the second half of the corners, which on two
// cores nearly halves the time; below it, or when no thread starts, one does all.
constexpr size_t kCornersWorthAThread = size_t{1} << 22;

bool checkCornersAndFindBounds(detail::MeshData& m) {
    const uint32_t* corners = m.corners.data();
    const size_t count = m.corners.size(), half = count / 2;
    if (count >= kCornersWorthAThread && m.positions.size() == size_t{3} * m.vertexCount) {
        bool secondHalfOutside = false;
        std::thread helper;
        try {
            helper = std::thread([&] {
                m.findBounds();
                secondHalfOutside = anyCornerOutside(corners + half, count - half, m.vertexCount);
            });
        } catch (const std::exception&) {  // no thread: the work runs here
        }
        if (helper.joinable()) {
            const bool firstHalfOutside = anyCornerOutside(corners, half, m.vertexCount);
            helper.join();
            return firstHalfOutside || secondHalfOutside;
        }
    }
    const bool outside = anyCornerOutside(corners, count, m.vertexCount);
    if (m.positions.size() == size_t{3} * m.vertexCount) m.findBounds();
    return outside;
}

// Why the collected topology cannot be a mesh, or empty when it can;
// cornersOutside: what checkCornersAndFindBounds found.
std::string topologyProblem(const detail::MeshData& m, bool cornersOutside) {
    if (m.positions.size() != size_t{3} * m.vertexCount) return "vertex positions do not match the vertex count";
    for (size_t i = 0; i < m.polygonSizes.size(); ++i)
        if (m.polygonSizes[i] < 3)
            return "polygon " + std::to_string(i) + " has " + std::to_string(m.polygonSizes[i]) +
                   " corners, fewer than 3";
    // Only a bad list is searched for the node to name.
    if (cornersOutside)
        for (size_t n = 0; n < m.corners.size(); ++n)
            if (m.corners[n] >= m.vertexCount)
                return "polygon node " + std::to_string(n) + " uses vertex " + std::to_string(m.corners[n]) +
                       ", but the mesh has " + std::to_string(m.vertexCount) + " vertices";
    return {};
}

}  // namespace

CStatus CMeshBuilder::AddPolygons(int32_t count, const int32_t* sizes, const uint32_t* indices) {
    return appendPolygons(*pending_, count, sizes, indices);
}

CStatus CMeshBuilder::AddPolygons(int32_t count, const int32_t* sizes, const int32_t* indices) {
    return appendPolygons(*pending_, count, sizes, indices);
}

CStatus CMeshBuilder::ReserveMesh(uint64_t triangleCount, bool withUVs) {
    Pending& p = *pending_;
    if (p.built) return failed("the mesh was already built from this builder");
    if (triangleCount > kMaxNodes / 3) return p.refuse("too many polygon nodes"), invalid("too many polygon nodes");
    // The order of reservations is the order of the meshes in the file's buffer.
    static std::atomic<uint64_t> reservations{0};
    p.mesh.reservation = ++reservations;
    std::string problem;
    try {
        problem = detail::reserveMeshRoom(p.mesh.vertexCount, triangleCount, withUVs);
    } catch (const std::exception&) {
        problem = kOutOfMemory;
    }
    return problem.empty() ? CStatus(CStatus::OK) : failed(problem);
}

CStatus CMeshBuilder::Build(bool) {
    Pending& p = *pending_;
    if (p.built) return failed("the mesh was already built from this builder");
    // The checks run outside the host lock: the data is still the builder's own.
    if (p.problem.empty()) p.materializePositions();
    std::string problem = p.problem;
    if (problem.empty()) problem = topologyProblem(p.mesh, checkCornersAndFindBounds(p.mesh));
    if (problem.empty()) {
        try {
            p.mesh.findNormals();
        } catch (const std::exception&) {
            problem = kOutOfMemory;
        }
    }
    HostLock lock(hostState().mutex);
    SceneObject* o = meshObject(p.object);
    if (!o) return failed("the mesh object no longer exists");
    if (!problem.empty()) {
        o->mesh = detail::MeshData();
        return failed(problem == kOutOfMemory ? problem : "invalid topology: " + problem);
    }
    o->mesh = std::move(p.mesh);
    o->mesh.hasUV = false;
    o->mesh.uv.clear();
    p.mesh = detail::MeshData();
    p.built = true;
    return CStatus::OK;
}

}  // namespace XSI
