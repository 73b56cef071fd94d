#pragma once
// Scene classes of the stand-in host: objects, polygon meshes with their mesh
// builder, geometry accessor and UV cluster property, camera and light rigs.
//
// Every class here is a small handle (an object id); copying it copies the
// handle. A handle whose object is gone (after a new scene) is invalid: its
// calls answer CStatus::Fail, empty names and zero counts.
//
// Choices where the plug-in leaves the host open:
// - Names: object names are unique in the scene. A name that is taken gets the
//   smallest free number appended ("TG_Cam" -> "TG_Cam1", then "TG_Cam2");
//   an empty name becomes the object type ("polymsh", "camera", ...). Every
//   call that creates an object reports the real name through GetName().
// - Mesh storage: positions are held as 32-bit floats (what the exported file
//   stores), rounded once from the doubles handed in; corner lists as unsigned
//   32-bit vertex indices; UV values as (u, v) float pairs, one per vertex
//   while all nodes of a vertex agree, with w apart (see host/UVStore.h);
//   smooth per-vertex normals found by Build (see host/MeshNormals.h). Overloads taking
//   BulkList&& (host/BulkList.h) hand a large list over without copying. For a huge mesh, set
//   the UVs in pieces (SetValues with an offset, GetVertexIndices with a range)
//   rather than building one list of every node's value.
// - Node order: the polygon nodes of a built mesh are numbered in the order in
//   which the corner lists gave them (triangles of AddTriangles first, in list
//   order, then polygons of later calls in call order). GetNodeIndices lists
//   for each node its own number, so it is the identity sequence 0..n-1.
// - Build: answers CStatus::Fail with a description when the topology is
//   invalid (a vertex index out of range, a polygon with fewer than 3 corners,
//   more than 2^31-1 nodes, a corner list whose length does not match). The
//   object then stays in the scene with an empty geometry. A successful Build
//   replaces the object's geometry and drops its UV property; the builder is
//   then spent, and a second Build answers CStatus::Fail.
// - GetBoundingBox: centre and full size (max - min) per axis of the vertex
//   positions mapped by the transformation; an empty geometry gives zeros.
// - Rigs: AddCameraRig(preset "Camera", name N) makes a null "N_Root" under the
//   parent, and under the root the camera "N" and its interest "N_Interest".
//   The camera starts at (0, 10, 20), the interest at (0, 0, 0), the root at
//   (0, 0, 0); field of view 60 degrees horizontal, roll 0.
//   AddLightRig(preset "LightSun", name N) makes the light "N" at (10, 20, 10)
//   and its interest "N_Interest" at (0, 0, 0), both under the parent.
//   Other presets are refused with CStatus::InvalidArgument.
// - Positions of objects are global translations; the pivot is an offset from
//   the object's origin in the object's own axes (starts at 0, 0, 0) and does
//   not move the geometry.
#include <cfloat>
#include <cstdint>
#include <memory>
#include <vector>

#include "host/BulkList.h"
#include "host/XsiCore.h"
#include "host/XsiMath.h"

namespace XSI {

using ObjectId = uint64_t;  // 0 never names an object

class SIObject {
public:
    SIObject() = default;
    explicit SIObject(ObjectId id) : id_(id) {}
    bool IsValid() const;
    CString GetName() const;
    CString GetType() const;  // "polymsh", "camera", "light", "interest", "null", "#model"
    ObjectId GetId() const { return id_; }

protected:
    ObjectId id_ = 0;
};

class Geometry;
class Primitive;
class CMeshBuilder;
class CameraRig;
class LightRig;

class X3DObject : public SIObject {
public:
    using SIObject::SIObject;

    // Adds an empty polygon mesh object under this one and a builder that fills it.
    CStatus AddPolygonMesh(const CString& name, X3DObject& newObject, CMeshBuilder& builder);
    CStatus AddCameraRig(const CString& preset, const CString& name, CameraRig& rig);
    CStatus AddLightRig(const CString& preset, const CString& name, LightRig& rig);

    Primitive GetActivePrimitive() const;
    X3DObject GetParent3DObject() const;
};

class Model : public X3DObject {
public:
    using X3DObject::X3DObject;
};

class Directed : public X3DObject {
public:
    using X3DObject::X3DObject;
    // The object this one aims at; invalid when it has none.
    X3DObject GetInterest() const;
};

class Camera : public Directed {
public:
    using Directed::Directed;
};

class Light : public Directed {
public:
    using Directed::Directed;
};

class CameraRig : public X3DObject {
public:
    using X3DObject::X3DObject;
    Camera GetCamera() const;
};

class LightRig : public X3DObject {
public:
    using X3DObject::X3DObject;
    Light GetLight() const;
};

class Primitive : public SIObject {
public:
    using SIObject::SIObject;
    // The time argument exists for the host's signature; the scene has one time.
    Geometry GetGeometry(double time = DBL_MAX) const;
};

class Geometry : public SIObject {
public:
    using SIObject::SIObject;
    CStatus GetBoundingBox(double& centerX, double& centerY, double& centerZ,
                           double& extentX, double& extentY, double& extentZ,
                           const MATH::CTransformation& transformation) const;
};

class CGeometryAccessor {
public:
    CGeometryAccessor() = default;
    explicit CGeometryAccessor(ObjectId id) : id_(id) {}
    // For each polygon node, in node order, the node's index.
    CStatus GetNodeIndices(CLongArray& out) const;
    // For each polygon node, in node order, the vertex it uses.
    CStatus GetVertexIndices(std::vector<uint32_t>& out) const;
    // The same for the nodes first .. first+count-1 only, into out[count]: a
    // huge mesh can be walked in pieces without a copy of the whole list.
    CStatus GetVertexIndices(uint32_t first, uint32_t count, uint32_t* out) const;
    uint32_t GetVertexCount() const;
    uint32_t GetPolygonCount() const;
    uint32_t GetNodeCount() const;

private:
    ObjectId id_ = 0;
};

class ClusterProperty : public SIObject {
public:
    using SIObject::SIObject;
    // count (u, v, w) triples for the nodes offset .. offset+count-1.
    CStatus SetValues(const float* values, int32_t count, int32_t offset = 0);
    // All nodes at once: 3 x node count floats, released as soon as they are stored.
    CStatus SetValues(std::vector<float>&& values);
    uint32_t GetValueCount() const;  // nodes that carry a value (the node count)
    // The (u, v, w) of one node; false when out of range or no values.
    bool GetValue(uint32_t node, float out[3]) const;
};

class CClusterPropertyBuilder {
public:
    CClusterPropertyBuilder() = default;
    explicit CClusterPropertyBuilder(ObjectId id) : id_(id) {}
    // Adds (or replaces) the UV property of the mesh, all values 0.
    ClusterProperty AddUV(const CString& name = CString(), bool newCluster = false);

private:
    ObjectId id_ = 0;
};

class PolygonMesh : public Geometry {
public:
    using Geometry::Geometry;
    explicit PolygonMesh(const Geometry& g) : Geometry(g) {}
    // The arguments (construction mode, subdivision rule and level, loose data,
    // sharp edges, crease angle) exist for the host's signature; the stand-in
    // always answers for the mesh as built.
    CGeometryAccessor GetGeometryAccessor(int32_t constructionMode = 0, int32_t subdivisionRule = 0,
                                          int32_t subdivisionLevel = 0, bool withLooseData = false,
                                          bool withHardEdges = true, double creaseAngle = 60.0) const;
    CClusterPropertyBuilder GetClusterPropertyBuilder() const;
};

// Collects a mesh's vertices and polygons; Build() puts them into the object.
// Until Build the data lives in the builder, so filling it takes no host lock
// and may happen on any thread.
class CMeshBuilder {
public:
    CMeshBuilder();
    explicit CMeshBuilder(ObjectId object);

    // count vertices, positioned from count (x, y, z) doubles, or at 0 when null.
    CStatus AddVertices(int32_t count, const double* positions = nullptr);
    CStatus SetVertexPositions(int32_t count, const double* positions, int32_t offset = 0);
    // Every vertex at once: 3 x vertex count floats, taken over without a copy.
    CStatus SetVertexPositions(BulkList<float>&& positions);
    // count triangles from 3 x count vertex indices.
    CStatus AddTriangles(int32_t count, const uint32_t* indices);
    CStatus AddTriangles(int32_t count, const int32_t* indices);
    // The whole corner list (3 per triangle) taken over without a copy.
    CStatus AddTriangles(BulkList<uint32_t>&& indices);
    // count polygons; sizes[i] corners each, their vertex indices one after another.
    CStatus AddPolygons(int32_t count, const int32_t* sizes, const uint32_t* indices);
    CStatus AddPolygons(int32_t count, const int32_t* sizes, const int32_t* indices);
    // Tells the host the mesh's size before its lists are made: triangleCount
    // triangles, the vertices added so far, with UV values or not. When the
    // host knows the file the scene will be written to, it lays the large
    // lists out where that file holds them (host/ListStorage.h), and answers
    // CStatus::Fail with the reason when the file cannot be written: a .glb
    // past 4 GiB, a disk without room. Without it the mesh is built the same.
    CStatus ReserveMesh(uint64_t triangleCount, bool withUVs);
    // Checks the topology, finds the normals and hands the data to the object
    // (see the header note).
    CStatus Build(bool mergeDuplicates = false);

    struct Pending;  // the data collected so far

private:
    std::shared_ptr<Pending> pending_;
};

}  // namespace XSI
