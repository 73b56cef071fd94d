#pragma once
// The binary buffer of an exported scene: what each mesh puts into it, where,
// and the bytes themselves.
//
// Layout: meshes that were reserved (CMeshBuilder::ReserveMesh) first, in
// the order of their reservations, then the others in scene order; per mesh
// POSITION (12 bytes a vertex), NORMAL (12), TEXCOORD_0 (8, when the mesh has
// UVs) and the triangle corners (12 a triangle), each a multiple of 4 bytes,
// without gaps. The host's list storage lays a reserved mesh's lists out the
// same way, so that they may already be where the file holds them.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "host/HostState.h"

namespace XSI {
namespace detail {
namespace gltf {

// NaN becomes 0, infinities the largest finite values.
float finiteFloat(float v);
// count (u, v) pairs to the file's (u, 1 - v), each value made finite first
// and u's -0 written as +0. in and out may be the same list.
void convertUVPairs(const float* in, size_t count, float* out);

struct MeshPlan {
    const SceneObject* object = nullptr;
    MeshData* mesh = nullptr;
    uint64_t vertexCount = 0;          // written vertices: the mesh's, then split copies
    uint64_t triangleCount = 0;
    bool positionsFinite = true;
    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    std::vector<float> vertexUV;       // (u, 1 - v) per written vertex, when nodes of a vertex disagree
    std::vector<uint32_t> splitSource; // the mesh vertex each split copy repeats
    std::vector<std::pair<uint32_t, uint32_t>> splitNodes;  // node -> written vertex, node order
    uint64_t positionOffset = 0, normalOffset = 0, uvOffset = 0, indexOffset = 0;

    uint64_t positionBytes() const { return vertexCount * 12; }
    uint64_t normalBytes() const { return vertexCount * 12; }
    uint64_t uvBytes() const { return mesh->hasUV ? vertexCount * 8 : 0; }
    uint64_t indexBytes() const { return triangleCount * 12; }
};

// Counts, bounds and split vertices of one mesh.
void planMesh(MeshPlan& plan);
// Gives every plan its offsets in the buffer; returns the buffer's length
// and, in order, the plans as the buffer holds them.
uint64_t layOut(std::vector<MeshPlan>& plans, std::vector<MeshPlan*>& bufferOrder);

// Where the buffer's bytes go, in order.
class BinarySink {
public:
    virtual ~BinarySink() = default;
    // The next count bytes; data that already is where they go is not copied.
    virtual void write(const void* data, size_t count) = 0;
    // Where the next count bytes live in memory, or null when they do not.
    virtual char* at(size_t count) = 0;
};

// One mesh's bytes. A list that lives where the sink puts it is left in place,
// brought to the file's form there when it needs it.
void writeMeshData(BinarySink& sink, MeshPlan& plan);

}  // namespace gltf
}  // namespace detail
}  // namespace XSI
