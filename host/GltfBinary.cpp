#include "host/GltfBinary.h"

#include <algorithm>
#include <cfloat>
#include <cstring>
#include <memory>
#include <unordered_map>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace XSI {
namespace detail {
namespace gltf {

// The binary buffer is little-endian; so are both machines this builds for.
static_assert(sizeof(float) == 4, "32-bit floats");

// Written with selects only, so that loops over whole lists of it vectorise.
float finiteFloat(float v) {
    const float clamped = v > FLT_MAX ? FLT_MAX : (v < -FLT_MAX ? -FLT_MAX : v);
    return v == v ? clamped : 0.0f;
}

void convertUVPairs(const float* in, size_t count, float* out) {
    size_t i = 0;
#ifdef __SSE2__
    // Two pairs per step: x * (1, -1) + (0, 1) per pair, which is u + 0 and
    // 1 - v exactly, after NaN -> 0 and the clamp to finite values.
    const __m128 lowest = _mm_set1_ps(-FLT_MAX), highest = _mm_set1_ps(FLT_MAX);
    const __m128 scale = _mm_setr_ps(1, -1, 1, -1), offset = _mm_setr_ps(0, 1, 0, 1);
    for (; i + 2 <= count; i += 2, in += 4, out += 4) {
        const __m128 x = _mm_loadu_ps(in);
        const __m128 clamped = _mm_min_ps(_mm_max_ps(x, lowest), highest);
        const __m128 finite = _mm_and_ps(_mm_cmpord_ps(x, x), clamped);
        _mm_storeu_ps(out, _mm_add_ps(_mm_mul_ps(finite, scale), offset));
    }
#endif
    for (; i < count; ++i, in += 2, out += 2) {
        const float u = in[0], v = in[1];
        out[0] = finiteFloat(u) + 0.0f;
        out[1] = 1.0f - finiteFloat(v);
    }
}

namespace {

// One UV per polygon node, but glTF has one per vertex: a vertex keeps the UV
// of its first node, and nodes that disagree get a copy of the vertex.
void planUVs(MeshPlan& plan) {
    const MeshData& m = *plan.mesh;
    plan.vertexUV.assign(size_t{2} * m.vertexCount, 0.0f);
    std::vector<bool> assigned(m.vertexCount, false);
    struct Key {
        uint32_t vertex;
        float u, v;
        bool operator==(const Key& o) const { return vertex == o.vertex && u == o.u && v == o.v; }
    };
    struct KeyHash {
        size_t operator()(const Key& k) const {
            uint32_t ub, vb;
            std::memcpy(&ub, &k.u, 4);
            std::memcpy(&vb, &k.v, 4);
            return std::hash<uint64_t>()((uint64_t(k.vertex) << 32) ^ (uint64_t(ub) * 0x9E3779B1u) ^ vb);
        }
    };
    std::unordered_map<Key, uint32_t, KeyHash> copies;
    const uint32_t nodes = m.nodeCount();
    float uv[3];
    for (uint32_t n = 0; n < nodes; ++n) {
        const uint32_t vertex = m.corners[n];
        m.uv.get(n, m.corners, uv);
        // Values are compared after the same clean-up they are written with,
        // so +0 and -0 (and two NaNs) are one value.
        const float u = finiteFloat(uv[0]) + 0.0f;
        const float v = 1.0f - finiteFloat(uv[1]);
        float* slot = &plan.vertexUV[size_t{2} * vertex];
        if (!assigned[vertex]) {
            assigned[vertex] = true;
            slot[0] = u;
            slot[1] = v;
            continue;
        }
        if (slot[0] == u && slot[1] == v) continue;
        const Key key{vertex, u, v};
        auto found = copies.find(key);
        uint32_t written;
        if (found != copies.end()) {
            written = found->second;
        } else {
            written = static_cast<uint32_t>(m.vertexCount + plan.splitSource.size());
            copies.emplace(key, written);
            plan.splitSource.push_back(vertex);
            plan.vertexUV.push_back(u);
            plan.vertexUV.push_back(v);
        }
        plan.splitNodes.emplace_back(n, written);
    }
}

}  // namespace

void planMesh(MeshPlan& plan) {
    const MeshData& m = *plan.mesh;
    if (m.polygonSizes.empty()) {
        plan.triangleCount = m.polygonCount;
    } else {
        for (uint32_t size : m.polygonSizes) plan.triangleCount += size - 2;  // Build saw size >= 3
    }
    // Bounds and finiteness were found when the mesh was built.
    std::copy_n(m.lo, 3, plan.lo);
    std::copy_n(m.hi, 3, plan.hi);
    plan.positionsFinite = m.positionsFinite;
    // The common case needs no pass over the nodes: the UVs already are per vertex.
    if (m.hasUV && !m.uv.perVertex()) planUVs(plan);
    plan.vertexCount = uint64_t(m.vertexCount) + plan.splitSource.size();
}

uint64_t layOut(std::vector<MeshPlan>& plans, std::vector<MeshPlan*>& bufferOrder) {
    bufferOrder.clear();
    for (MeshPlan& plan : plans) bufferOrder.push_back(&plan);
    std::stable_sort(bufferOrder.begin(), bufferOrder.end(), [](const MeshPlan* a, const MeshPlan* b) {
        const uint64_t ra = a->mesh->reservation ? a->mesh->reservation : UINT64_MAX;
        const uint64_t rb = b->mesh->reservation ? b->mesh->reservation : UINT64_MAX;
        return ra < rb;
    });
    uint64_t end = 0;
    for (MeshPlan* plan : bufferOrder) {
        plan->positionOffset = end;
        plan->normalOffset = plan->positionOffset + plan->positionBytes();
        plan->uvOffset = plan->normalOffset + plan->normalBytes();
        plan->indexOffset = plan->uvOffset + plan->uvBytes();
        end = plan->indexOffset + plan->indexBytes();
    }
    return end;
}

namespace {

// Converts in blocks so that no copy of a whole array is ever made.
class BlockWriter {
public:
    explicit BlockWriter(BinarySink& out) : out_(out), block_(new char[kBlock]) {}
    ~BlockWriter() { flush(); }
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;
    void putU32(uint32_t v) { put4(&v); }
    void putF32(float v) { put4(&v); }
    void flush() {
        if (used_) out_.write(block_.get(), used_);
        used_ = 0;
    }

private:
    void put4(const void* v) {
        if (used_ + 4 > kBlock) flush();
        std::memcpy(block_.get() + used_, v, 4);
        used_ += 4;
    }
    static constexpr size_t kBlock = size_t{1} << 16;
    BinarySink& out_;
    std::unique_ptr<char[]> block_;
    size_t used_ = 0;
};

void writePositions(BinarySink& out, MeshPlan& plan) {
    MeshData& m = *plan.mesh;
    const size_t bytes = m.positions.size() * sizeof(float);
    if (!plan.positionsFinite && out.at(bytes) == reinterpret_cast<char*>(m.positions.data())) {
        // In the file already: made finite there (the bounds already count them so).
        for (float& c : m.positions) c = finiteFloat(c);
    } else if (!plan.positionsFinite) {
        BlockWriter w(out);
        for (float c : m.positions) w.putF32(finiteFloat(c));
        return;
    }
    out.write(m.positions.data(), bytes);
}

void writeUVs(BinarySink& out, MeshPlan& plan) {
    MeshData& m = *plan.mesh;
    if (!m.uv.perVertex()) {
        out.write(plan.vertexUV.data(), plan.vertexUV.size() * sizeof(float));
        return;
    }
    BulkList<float>& pairs = m.uv.vertexPairs();
    const size_t bytes = pairs.size() * sizeof(float);
    if (!m.uv.fileForm() && out.at(bytes) == reinterpret_cast<char*>(pairs.data())) {
        convertUVPairs(pairs.data(), pairs.size() / 2, pairs.data());
        m.uv.markFileForm();
    }
    if (m.uv.fileForm()) {
        out.write(pairs.data(), bytes);
        return;
    }
    constexpr size_t kPairsPerBlock = size_t{1} << 14;
    std::vector<float> block(2 * std::min(kPairsPerBlock, pairs.size() / 2));
    for (size_t first = 0; first < pairs.size() / 2; first += kPairsPerBlock) {
        const size_t count = std::min(kPairsPerBlock, pairs.size() / 2 - first);
        convertUVPairs(pairs.data() + 2 * first, count, block.data());
        out.write(block.data(), 2 * count * sizeof(float));
    }
}

void writeIndices(BinarySink& out, const MeshPlan& plan) {
    const MeshData& m = *plan.mesh;
    // The corner list as it is when every polygon is a triangle and no
    // vertex was split; otherwise fans with split vertices substituted.
    if (m.polygonSizes.empty() && plan.splitNodes.empty()) {
        out.write(m.corners.data(), m.corners.size() * sizeof(uint32_t));
        return;
    }
    auto vertexOf = [&](uint32_t node) {
        if (!plan.splitNodes.empty()) {
            auto it = std::lower_bound(plan.splitNodes.begin(), plan.splitNodes.end(),
                                       std::make_pair(node, uint32_t{0}));
            if (it != plan.splitNodes.end() && it->first == node) return it->second;
        }
        return m.corners[node];
    };
    BlockWriter w(out);
    if (m.polygonSizes.empty()) {
        for (uint32_t n = 0; n < m.nodeCount(); ++n) w.putU32(vertexOf(n));
        return;
    }
    uint32_t start = 0;
    for (uint32_t size : m.polygonSizes) {
        for (uint32_t i = 1; i + 1 < size; ++i) {
            w.putU32(vertexOf(start));
            w.putU32(vertexOf(start + i));
            w.putU32(vertexOf(start + i + 1));
        }
        start += size;
    }
}

}  // namespace

void writeMeshData(BinarySink& out, MeshPlan& plan) {
    const MeshData& m = *plan.mesh;
    writePositions(out, plan);
    {
        BlockWriter w(out);
        for (uint32_t source : plan.splitSource)
            for (int a = 0; a < 3; ++a) w.putF32(finiteFloat(m.positions[size_t{3} * source + a]));
    }
    if (m.normals.size() == size_t{3} * m.vertexCount) {
        out.write(m.normals.data(), m.normals.size() * sizeof(float));
        BlockWriter w(out);
        for (uint32_t source : plan.splitSource)
            for (int a = 0; a < 3; ++a) w.putF32(m.normals[size_t{3} * source + a]);
    } else {  // a mesh built without normals points up
        BlockWriter w(out);
        for (uint64_t v = 0; v < plan.vertexCount; ++v) w.putF32(0.0f), w.putF32(1.0f), w.putF32(0.0f);
    }
    if (m.hasUV) writeUVs(out, plan);
    writeIndices(out, plan);
}

}  // namespace gltf
}  // namespace detail
}  // namespace XSI
