#include "host/XsiScene.h"

#include <algorithm>
#include <new>
#include <string>
#include <exception>

#include "host/HostState.h"

namespace XSI {

using detail::hostState;
using detail::HostLock;
using detail::ObjectKind;
using detail::SceneObject;
using detail::failed;
using detail::invalid;
using detail::meshObject;

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
    out = hostState().nodeIndexAnswer.empty() ? CLongArray::Identity(o->mesh.nodeCount())
                                               : CLongArray(hostState().nodeIndexAnswer);
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

}  // namespace XSI
