#include "host/XsiScene.h"

#include <algorithm>
#include <limits>
#include <new>
#include <string>
#include <exception>
#include <thread>

#include "host/HostState.h"

namespace XSI {

using detail::hostState;
using detail::HostLock;
using detail::ObjectKind;
using detail::SceneObject;

namespace {

// Limits that keep every list addressable with 32-bit indices and a hostile
// count from asking for unbounded memory.
constexpr uint64_t kMaxVertices = uint64_t{1} << 28;
constexpr uint64_t kMaxNodes = uint64_t{1} << 30;

CStatus failed(const std::string& text) { return CStatus(CStatus::Fail, CString(text)); }
CStatus invalid(const std::string& text) { return CStatus(CStatus::InvalidArgument, CString(text)); }

SceneObject* meshObject(ObjectId id) {
    SceneObject* o = hostState().find(id);
    return o && o->kind == ObjectKind::Mesh ? o : nullptr;
}

}  // namespace

// ---- objects

bool SIObject::IsValid() const {
    HostLock lock(hostState().mutex);
    return hostState().find(id_) != nullptr;
}

CString SIObject::GetName() const {
    HostLock lock(hostState().mutex);
    const SceneObject* o = hostState().find(id_);
    return o ? CString(o->name) : CString();
}

CString SIObject::GetType() const {
    HostLock lock(hostState().mutex);
    const SceneObject* o = hostState().find(id_);
    return o ? CString(detail::kindName(o->kind)) : CString();
}

CStatus X3DObject::AddPolygonMesh(const CString& name, X3DObject& newObject, CMeshBuilder& builder) {
    HostLock lock(hostState().mutex);
    if (!hostState().find(id_)) return failed("the parent object no longer exists");
    try {
        SceneObject& o = hostState().addObject(ObjectKind::Mesh, name.str(), id_);
        newObject = X3DObject(o.id);
        builder = CMeshBuilder(o.id);
    } catch (const std::exception&) {
        return failed("out of memory");
    }
    return CStatus::OK;
}

CStatus X3DObject::AddCameraRig(const CString& preset, const CString& name, CameraRig& rig) {
    HostLock lock(hostState().mutex);
    auto& host = hostState();
    if (!host.find(id_)) return failed("the parent object no longer exists");
    if (preset != CString("Camera")) return invalid("unknown camera preset \"" + preset.str() + "\"");
    try {
        const std::string base = name.IsEmpty() ? std::string("Camera") : name.str();
        SceneObject& root = host.addObject(ObjectKind::Null, base + "_Root", id_);
        SceneObject& camera = host.addObject(ObjectKind::Camera, base, root.id);
        SceneObject& interest = host.addObject(ObjectKind::Interest, camera.name + "_Interest", root.id);
        camera.position[1] = 10.0;
        camera.position[2] = 20.0;
        camera.interest = interest.id;
        root.rigMember = camera.id;
        rig = CameraRig(root.id);
    } catch (const std::exception&) {
        return failed("out of memory");
    }
    return CStatus::OK;
}

CStatus X3DObject::AddLightRig(const CString& preset, const CString& name, LightRig& rig) {
    HostLock lock(hostState().mutex);
    auto& host = hostState();
    if (!host.find(id_)) return failed("the parent object no longer exists");
    if (preset != CString("LightSun")) return invalid("unknown light preset \"" + preset.str() + "\"");
    try {
        SceneObject& light = host.addObject(ObjectKind::Light, name.IsEmpty() ? "Light" : name.str(), id_);
        SceneObject& interest = host.addObject(ObjectKind::Interest, light.name + "_Interest", id_);
        light.position[0] = 10.0;
        light.position[1] = 20.0;
        light.position[2] = 10.0;
        light.interest = interest.id;
        light.rigMember = light.id;
        rig = LightRig(light.id);
    } catch (const std::exception&) {
        return failed("out of memory");
    }
    return CStatus::OK;
}

Primitive X3DObject::GetActivePrimitive() const { return Primitive(id_); }

X3DObject X3DObject::GetParent3DObject() const {
    HostLock lock(hostState().mutex);
    const SceneObject* o = hostState().find(id_);
    return X3DObject(o ? o->parent : 0);
}

X3DObject Directed::GetInterest() const {
    HostLock lock(hostState().mutex);
    const SceneObject* o = hostState().find(id_);
    return X3DObject(o ? o->interest : 0);
}

Camera CameraRig::GetCamera() const {
    HostLock lock(hostState().mutex);
    const SceneObject* o = hostState().find(id_);
    return Camera(o && o->kind == ObjectKind::Null ? o->rigMember : 0);
}

Light LightRig::GetLight() const {
    HostLock lock(hostState().mutex);
    const SceneObject* o = hostState().find(id_);
    return Light(o && o->kind == ObjectKind::Light ? o->rigMember : 0);
}

Geometry Primitive::GetGeometry(double) const {
    HostLock lock(hostState().mutex);
    return Geometry(meshObject(id_) ? id_ : 0);
}

CStatus Geometry::GetBoundingBox(double& centerX, double& centerY, double& centerZ,
                                 double& extentX, double& extentY, double& extentZ,
                                 const MATH::CTransformation& transformation) const {
    HostLock lock(hostState().mutex);
    centerX = centerY = centerZ = extentX = extentY = extentZ = 0.0;
    const SceneObject* o = meshObject(id_);
    if (!o) return failed("not a polygon mesh");
    const detail::MeshData& m = o->mesh;
    if (m.vertexCount == 0) return CStatus::OK;
    const double lo[3] = {m.lo[0], m.lo[1], m.lo[2]}, hi[3] = {m.hi[0], m.hi[1], m.hi[2]};
    // The transformation scales and translates, so it maps the box's corners.
    const MATH::CVector3 a = transformation.MapPoint({lo[0], lo[1], lo[2]});
    const MATH::CVector3 b = transformation.MapPoint({hi[0], hi[1], hi[2]});
    centerX = (a.GetX() + b.GetX()) / 2;
    centerY = (a.GetY() + b.GetY()) / 2;
    centerZ = (a.GetZ() + b.GetZ()) / 2;
    extentX = std::abs(b.GetX() - a.GetX());
    extentY = std::abs(b.GetY() - a.GetY());
    extentZ = std::abs(b.GetZ() - a.GetZ());
    return CStatus::OK;
}

CGeometryAccessor PolygonMesh::GetGeometryAccessor(int32_t, int32_t, int32_t, bool, bool, double) const {
    return CGeometryAccessor(id_);
}

CClusterPropertyBuilder PolygonMesh::GetClusterPropertyBuilder() const {
    return CClusterPropertyBuilder(id_);
}

CStatus CGeometryAccessor::GetNodeIndices(CLongArray& out) const {
    HostLock lock(hostState().mutex);
    const SceneObject* o = meshObject(id_);
    if (!o) {
        out = CLongArray();
        return failed("not a polygon mesh");
    }
    out = CLongArray::Identity(o->mesh.nodeCount());
    return CStatus::OK;
}

CStatus CGeometryAccessor::GetVertexIndices(std::vector<uint32_t>& out) const {
    HostLock lock(hostState().mutex);
    const SceneObject* o = meshObject(id_);
    if (!o) return failed("not a polygon mesh");
    try {
        out.assign(o->mesh.corners.begin(), o->mesh.corners.end());
    } catch (const std::exception&) {
        return failed("out of memory");
    }
    return CStatus::OK;
}

CStatus CGeometryAccessor::GetVertexIndices(uint32_t first, uint32_t count, uint32_t* out) const {
    HostLock lock(hostState().mutex);
    const SceneObject* o = meshObject(id_);
    if (!o) return failed("not a polygon mesh");
    if (uint64_t(first) + count > o->mesh.nodeCount() || (count > 0 && !out))
        return invalid("node range outside the mesh");
    std::copy_n(o->mesh.corners.begin() + first, count, out);
    return CStatus::OK;
}

uint32_t CGeometryAccessor::GetVertexCount() const {
    HostLock lock(hostState().mutex);
    const SceneObject* o = meshObject(id_);
    return o ? o->mesh.vertexCount : 0;
}

uint32_t CGeometryAccessor::GetPolygonCount() const {
    HostLock lock(hostState().mutex);
    const SceneObject* o = meshObject(id_);
    return o ? o->mesh.polygonCount : 0;
}

uint32_t CGeometryAccessor::GetNodeCount() const {
    HostLock lock(hostState().mutex);
    const SceneObject* o = meshObject(id_);
    return o ? o->mesh.nodeCount() : 0;
}

ClusterProperty CClusterPropertyBuilder::AddUV(const CString&, bool) {
    HostLock lock(hostState().mutex);
    SceneObject* o = meshObject(id_);
    if (!o) return ClusterProperty();
    detail::MeshData& m = o->mesh;
    try {
        m.uv.reset(m.vertexCount, m.nodeCount());
    } catch (const std::exception&) {
        m.uv.clear();
        m.hasUV = false;
        return ClusterProperty();
    }
    m.hasUV = true;
    return ClusterProperty(id_);
}

namespace {

// Sets count values from node offset on; the caller has checked the range.
CStatus storeUVs(detail::MeshData& m, const float* values, uint32_t count, uint32_t offset) {
    try {
        m.uv.setRange(offset, count, m.corners, values);
    } catch (const std::exception&) {
        return failed("out of memory");
    }
    return CStatus::OK;
}

}  // namespace

CStatus ClusterProperty::SetValues(const float* values, int32_t count, int32_t offset) {
    HostLock lock(hostState().mutex);
    SceneObject* o = meshObject(id_);
    if (!o || !o->mesh.hasUV) return failed("no UV property");
    if (count < 0 || offset < 0 || (count > 0 && !values)) return invalid("bad value range");
    if (uint64_t(offset) + uint64_t(count) > o->mesh.nodeCount()) return invalid("more values than nodes");
    return storeUVs(o->mesh, values, uint32_t(count), uint32_t(offset));
}

CStatus ClusterProperty::SetValues(std::vector<float>&& values) {
    std::vector<float> taken = std::move(values);  // released when this call returns
    HostLock lock(hostState().mutex);
    SceneObject* o = meshObject(id_);
    if (!o || !o->mesh.hasUV) return failed("no UV property");
    if (taken.size() != size_t{3} * o->mesh.nodeCount()) return invalid("the value count is not the node count");
    return storeUVs(o->mesh, taken.data(), o->mesh.nodeCount(), 0);
}

uint32_t ClusterProperty::GetValueCount() const {
    HostLock lock(hostState().mutex);
    const SceneObject* o = meshObject(id_);
    return o && o->mesh.hasUV ? o->mesh.nodeCount() : 0;
}

bool ClusterProperty::GetValue(uint32_t node, float out[3]) const {
    HostLock lock(hostState().mutex);
    const SceneObject* o = meshObject(id_);
    if (!o || !o->mesh.hasUV || node >= o->mesh.nodeCount()) return false;
    o->mesh.uv.get(node, o->mesh.corners, out);
    return true;
}

// ---- mesh builder

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
        refuse("out of memory");
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
            p.refuse("out of memory");
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
        p.refuse("out of memory");
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
        p.refuse("out of memory");
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

CStatus CMeshBuilder::Build(bool) {
    Pending& p = *pending_;
    if (p.built) return failed("the mesh was already built from this builder");
    // The checks run outside the host lock: the data is still the builder's own.
    if (p.problem.empty()) p.materializePositions();
    std::string problem = p.problem;
    if (problem.empty()) problem = topologyProblem(p.mesh, checkCornersAndFindBounds(p.mesh));
    HostLock lock(hostState().mutex);
    SceneObject* o = meshObject(p.object);
    if (!o) return failed("the mesh object no longer exists");
    if (!problem.empty()) {
        o->mesh = detail::MeshData();
        return failed("invalid topology: " + problem);
    }
    o->mesh = std::move(p.mesh);
    o->mesh.hasUV = false;
    o->mesh.uv.clear();
    p.mesh = detail::MeshData();
    p.built = true;
    return CStatus::OK;
}

}  // namespace XSI
