#pragma once
// The stand-in host's one state: the scene, the parameters and the records of
// what the plug-in did. Internal to host/; the public handles reach it through
// hostState() and hold its lock for the length of one call.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/BulkList.h"
#include "host/HostControl.h"
#include "host/UVStore.h"
#include "host/XsiCore.h"
#include "host/XsiScene.h"

namespace XSI {
namespace detail {

// Meshes hold what the exported file needs, compactly: float positions, one
// vertex index per polygon node, polygon sizes only when not all are triangles,
// UVs per vertex unless nodes of a vertex disagree.
struct MeshData {
    uint32_t vertexCount = 0;
    BulkList<float> positions;         // 3 per vertex
    BulkList<uint32_t> corners;        // vertex of each polygon node, in node order
    std::vector<uint32_t> polygonSizes;  // empty: every polygon is a triangle
    uint32_t polygonCount = 0;
    bool hasUV = false;
    UVStore uv;                        // (u, v, w) per node when hasUV
    // Bounds of the positions, found once by Build (positions cannot change
    // afterwards); infinities count as the largest finite values, NaN as 0.
    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    bool positionsFinite = true;
    BulkList<float> normals;           // 3 per vertex, unit length, found by Build
    uint64_t reservation = 0;          // order of CMeshBuilder::ReserveMesh; 0 when never reserved
    void findBounds();
    // Area-weighted normals of the polygons (fans for more than three corners).
    void findNormals();
    uint32_t nodeCount() const { return static_cast<uint32_t>(corners.size()); }
};

enum class ObjectKind { Model, Mesh, Camera, Light, Interest, Null };
const char* kindName(ObjectKind kind);

struct SceneObject {
    ObjectId id = 0;
    ObjectKind kind = ObjectKind::Null;
    std::string name;
    ObjectId parent = 0;
    double position[3] = {0, 0, 0};
    double pivot[3] = {0, 0, 0};
    MeshData mesh;             // Mesh only
    ObjectId interest = 0;     // Camera and Light
    ObjectId rigMember = 0;    // rig root: its camera; light rig handle: the light
    double fov = 60.0;         // Camera: horizontal degrees
    double roll = 0.0;         // Camera: degrees
};

constexpr ObjectId kSceneRootId = 1;

struct HostStateData {
    std::recursive_mutex mutex;

    std::vector<std::unique_ptr<SceneObject>> objects;  // creation order, root first
    std::unordered_map<ObjectId, SceneObject*> byId;
    std::unordered_map<std::string, ObjectId> byName;
    ObjectId nextId = kSceneRootId + 1;

    std::map<std::string, CValue> parameters;
    std::string viewCamera;
    bool framed = false;

    std::vector<HostControl::RecordedCommand> commands;
    std::vector<HostControl::LogEntry> logEntries;
    HostControl::HookCounts hooks;
    uint32_t redraws = 0;

    std::map<std::string, CValue> fileBrowserProperties;
    bool hasFileBrowserAnswer = false;
    CString fileBrowserAnswer;
    std::vector<std::string> fileBrowserPuts;  // property names, in the order they were put
    uint32_t fileBrowserShows = 0;
    void* applicationWindow = nullptr;
    std::vector<int32_t> nodeIndexAnswer;  // empty: the identity

    // Callers hold the lock for all of these.
    SceneObject* find(ObjectId id);
    SceneObject* findByName(const std::string& name);
    // A name not yet taken: the wish itself, or the wish with the smallest free number.
    std::string uniqueName(const std::string& wish) const;
    SceneObject& addObject(ObjectKind kind, const std::string& wish, ObjectId parent);
    void clearScene();                 // all but the root
    void resetScenePasses();           // render parameters, view camera, framing
    void resetPreferences();
    void addLog(siSeverityType severity, const std::string& text);
};

HostStateData& hostState();
using HostLock = std::lock_guard<std::recursive_mutex>;

// Statuses and the lookup the host's classes share.
inline CStatus failed(const std::string& text) { return CStatus(CStatus::Fail, CString(text)); }
inline CStatus invalid(const std::string& text) { return CStatus(CStatus::InvalidArgument, CString(text)); }
// The mesh object with this id; null for any other kind. The caller holds the lock.
inline SceneObject* meshObject(ObjectId id) {
    SceneObject* o = hostState().find(id);
    return o && o->kind == ObjectKind::Mesh ? o : nullptr;
}

}  // namespace detail
}  // namespace XSI
