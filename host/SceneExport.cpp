#include "host/SceneExport.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "host/HostState.h"

namespace XSI {
namespace SceneExport {

using detail::hostState;
using detail::HostLock;
using detail::HostStateData;
using detail::MeshData;
using detail::ObjectKind;
using detail::SceneObject;
using json = nlohmann::ordered_json;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kComponentFloat = 5126;
constexpr uint32_t kComponentUInt = 5125;
constexpr uint32_t kTargetArrayBuffer = 34962;
constexpr uint32_t kTargetElementArrayBuffer = 34963;

Result failure(std::string text) {
    Result r;
    r.errorText = std::move(text);
    return r;
}

// ---- numbers a file can hold

// NaN becomes 0, infinities the largest finite values. Written with selects
// only, so that loops over whole lists of it vectorise.
inline float finiteFloat(float v) {
    const float clamped = v > FLT_MAX ? FLT_MAX : (v < -FLT_MAX ? -FLT_MAX : v);
    return v == v ? clamped : 0.0f;
}

// count (u, v, w) triples to the file's (u, 1 - v) pairs, each value made
// finite first and u's -0 written as +0.
void convertUVs(const float* in, size_t count, float* out) {
    size_t i = 0;
#ifdef __SSE2__
    // Four vertices per step: three loads of u0 v0 w0 u1 | v1 w1 u2 v2 | w2 u3 v3 w3
    // give u0 v0 u1 v1 | u2 v2 u3 v3; then x * (1, -1) + (0, 1) per pair,
    // which is u + 0 and 1 - v exactly.
    const __m128 lowest = _mm_set1_ps(-FLT_MAX), highest = _mm_set1_ps(FLT_MAX);
    const __m128 scale = _mm_setr_ps(1, -1, 1, -1), offset = _mm_setr_ps(0, 1, 0, 1);
    auto finish = [&](__m128 x) {
        const __m128 clamped = _mm_min_ps(_mm_max_ps(x, lowest), highest);
        const __m128 finite = _mm_and_ps(_mm_cmpord_ps(x, x), clamped);  // NaN -> 0
        return _mm_add_ps(_mm_mul_ps(finite, scale), offset);
    };
    for (; i + 4 <= count; i += 4, in += 12, out += 8) {
        const __m128 a = _mm_loadu_ps(in), b = _mm_loadu_ps(in + 4), c = _mm_loadu_ps(in + 8);
        const __m128 pair1 = _mm_shuffle_ps(a, b, _MM_SHUFFLE(0, 0, 3, 3));        // u1 u1 v1 v1
        const __m128 first = _mm_shuffle_ps(a, pair1, _MM_SHUFFLE(2, 0, 1, 0));    // u0 v0 u1 v1
        const __m128 second = _mm_shuffle_ps(b, c, _MM_SHUFFLE(2, 1, 3, 2));       // u2 v2 u3 v3
        _mm_storeu_ps(out, finish(first));
        _mm_storeu_ps(out + 4, finish(second));
    }
#endif
    for (; i < count; ++i, in += 3, out += 2) {
        out[0] = finiteFloat(in[0]) + 0.0f;
        out[1] = 1.0f - finiteFloat(in[1]);
    }
}

// A double the file can hold; a warning names what was replaced.
double finiteDouble(HostStateData& host, double v, const std::string& what) {
    if (std::isfinite(v)) return v;
    const double replacement = std::isnan(v) ? 0.0 : (v > 0 ? DBL_MAX : -DBL_MAX);
    host.addLog(siWarningMsg, "export: " + what + " is not a finite number; written as " +
                                  (std::isnan(v) ? std::string("0") : std::string(v > 0 ? "+max" : "-max")));
    return replacement;
}

// ---- orientation: -Z towards a target, +Y up, then a roll about the view axis

struct Quat {
    double x = 0, y = 0, z = 0, w = 1;
};

Quat fromMatrix(const double m[3][3]) {  // m[row][column], columns are the local axes
    Quat q;
    const double trace = m[0][0] + m[1][1] + m[2][2];
    if (trace > 0) {
        const double s = std::sqrt(trace + 1.0) * 2;
        q.w = 0.25 * s;
        q.x = (m[2][1] - m[1][2]) / s;
        q.y = (m[0][2] - m[2][0]) / s;
        q.z = (m[1][0] - m[0][1]) / s;
    } else if (m[0][0] > m[1][1] && m[0][0] > m[2][2]) {
        const double s = std::sqrt(1.0 + m[0][0] - m[1][1] - m[2][2]) * 2;
        q.w = (m[2][1] - m[1][2]) / s;
        q.x = 0.25 * s;
        q.y = (m[0][1] + m[1][0]) / s;
        q.z = (m[0][2] + m[2][0]) / s;
    } else if (m[1][1] > m[2][2]) {
        const double s = std::sqrt(1.0 + m[1][1] - m[0][0] - m[2][2]) * 2;
        q.w = (m[0][2] - m[2][0]) / s;
        q.x = (m[0][1] + m[1][0]) / s;
        q.y = 0.25 * s;
        q.z = (m[1][2] + m[2][1]) / s;
    } else {
        const double s = std::sqrt(1.0 + m[2][2] - m[0][0] - m[1][1]) * 2;
        q.w = (m[1][0] - m[0][1]) / s;
        q.x = (m[0][2] + m[2][0]) / s;
        q.y = (m[1][2] + m[2][1]) / s;
        q.z = 0.25 * s;
    }
    const double n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    q.x /= n;
    q.y /= n;
    q.z /= n;
    q.w /= n;
    return q;
}

void cross(const double a[3], const double b[3], double out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

bool normalize(double v[3]) {
    const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(n > 1e-12) || !std::isfinite(n)) return false;
    for (int i = 0; i < 3; ++i) v[i] /= n;
    return true;
}

}  // namespace

void lookRotation(const double eye[3], const double target[3], double rollDegrees, double outXyzw[4]) {
    double f[3] = {target[0] - eye[0], target[1] - eye[1], target[2] - eye[2]};
    double m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    if (normalize(f)) {
        double up[3] = {0, 1, 0};
        double r[3];
        cross(f, up, r);
        if (!normalize(r)) {  // looking straight up or down: screen-up is along -Z or +Z
            up[1] = 0;
            up[2] = f[1] < 0 ? -1 : 1;
            cross(f, up, r);
            normalize(r);
        }
        double u[3];
        cross(r, f, u);
        for (int i = 0; i < 3; ++i) {
            m[i][0] = r[i];
            m[i][1] = u[i];
            m[i][2] = -f[i];
        }
    }
    // Roll: turn the local X and Y axes about the local Z axis.
    const double a = std::isfinite(rollDegrees) ? rollDegrees * kPi / 180.0 : 0.0;
    const double c = std::cos(a), s = std::sin(a);
    double rolled[3][3];
    for (int i = 0; i < 3; ++i) {
        rolled[i][0] = m[i][0] * c + m[i][1] * s;
        rolled[i][1] = -m[i][0] * s + m[i][1] * c;
        rolled[i][2] = m[i][2];
    }
    const Quat q = fromMatrix(rolled);
    outXyzw[0] = q.x;
    outXyzw[1] = q.y;
    outXyzw[2] = q.z;
    outXyzw[3] = q.w;
}

namespace {

// ---- mesh preparation: what one mesh puts into the binary buffer

struct MeshPlan {
    const SceneObject* object = nullptr;
    const MeshData* mesh = nullptr;
    uint64_t vertexCount = 0;          // written vertices: the mesh's, then split copies
    uint64_t triangleCount = 0;
    bool positionsFinite = true;
    float lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    std::vector<float> vertexUV;       // (u, 1 - v) per written vertex, when nodes of a vertex disagree
    std::vector<uint32_t> splitSource; // the mesh vertex each split copy repeats
    std::vector<std::pair<uint32_t, uint32_t>> splitNodes;  // node -> written vertex, node order
    uint64_t positionOffset = 0, uvOffset = 0, indexOffset = 0;
    int positionView = -1, uvView = -1, indexView = -1;

    uint64_t positionBytes() const { return vertexCount * 12; }
    uint64_t uvBytes() const { return mesh->hasUV ? vertexCount * 8 : 0; }
    uint64_t indexBytes() const { return triangleCount * 12; }
};

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

// ---- whole-or-nothing files

class OutFile {
public:
    explicit OutFile(std::string finalPath) : final_(std::move(finalPath)), temp_(final_ + ".tmp") {}
    ~OutFile() {
        if (file_) std::fclose(file_);
        if (!committed_) std::remove(temp_.c_str());
    }
    OutFile(const OutFile&) = delete;
    OutFile& operator=(const OutFile&) = delete;

    bool open(std::string& error) {
        file_ = std::fopen(temp_.c_str(), "wb");
        if (!file_) error = "cannot create " + temp_;
        return file_ != nullptr;
    }
    // Large arrays go out in pieces of 64 KB. Linux sizes the file cache's
    // pages by the write call, and large ones can cost far more to find than
    // the copy itself: measured here, 738 MB written in 1 MB calls took 0.3 to
    // 8 s (worse after a pause), in 64 KB calls 0.15 s.
    void write(const void* data, size_t size) {
        constexpr size_t kPiece = size_t{1} << 16;
        written_ += size;
        for (auto* p = static_cast<const char*>(data); ok_ && size;) {
            const size_t n = size < kPiece ? size : kPiece;
            if (std::fwrite(p, 1, n, file_) != n) ok_ = false;
            p += n;
            size -= n;
        }
    }
    // Closes the temporary file; false when anything failed on the way.
    bool finish(std::string& error) {
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (!ok_ || !closed) {
            error = "cannot write " + temp_ + " (disk full?)";
            return false;
        }
        return true;
    }
    bool commit(std::string& error) {
        std::error_code ec;
        std::filesystem::rename(temp_, final_, ec);
        if (ec) {
            error = "cannot rename " + temp_ + " to " + final_ + ": " + ec.message();
            return false;
        }
        committed_ = true;
        return true;
    }
    uint64_t written() const { return written_; }
    const std::string& path() const { return final_; }

private:
    std::string final_, temp_;
    std::FILE* file_ = nullptr;
    bool ok_ = true;
    bool committed_ = false;
    uint64_t written_ = 0;
};

// Converts in blocks so that no copy of a whole array is ever made.
class BlockWriter {
public:
    explicit BlockWriter(OutFile& out) : out_(out), block_(new char[kBlock]) {}
    ~BlockWriter() { flush(); }
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;
    void putU32(uint32_t v) { put4(&v); }
    void putF32(float v) { put4(&v); }
    void flush() {
        out_.write(block_.get(), used_);
        used_ = 0;
    }

private:
    void put4(const void* v) {
        if (used_ + 4 > kBlock) flush();
        std::memcpy(block_.get() + used_, v, 4);
        used_ += 4;
    }
    static constexpr size_t kBlock = size_t{1} << 20;
    OutFile& out_;
    std::unique_ptr<char[]> block_;
    size_t used_ = 0;
};

// The binary buffer is little-endian; so are both machines this builds for.
static_assert(sizeof(float) == 4, "32-bit floats");

void writeMeshData(OutFile& out, const MeshPlan& plan) {
    const MeshData& m = *plan.mesh;
    // Positions: the mesh's own, straight from memory when they are all finite.
    if (plan.positionsFinite) {
        out.write(m.positions.data(), m.positions.size() * sizeof(float));
    } else {
        BlockWriter w(out);
        for (float c : m.positions) w.putF32(finiteFloat(c));
    }
    {
        BlockWriter w(out);
        for (uint32_t source : plan.splitSource)
            for (int a = 0; a < 3; ++a) w.putF32(finiteFloat(m.positions[size_t{3} * source + a]));
    }
    if (m.hasUV && m.uv.perVertex()) {
        // (u, 1 - v) per vertex, converted a block at a time.
        const BulkList<float>& uvw = m.uv.vertexValues();
        constexpr size_t kVerticesPerBlock = size_t{1} << 17;
        std::vector<float> block(2 * std::min(kVerticesPerBlock, uvw.size() / 3));
        for (size_t first = 0; first < uvw.size() / 3; first += kVerticesPerBlock) {
            const size_t count = std::min(kVerticesPerBlock, uvw.size() / 3 - first);
            convertUVs(uvw.data() + 3 * first, count, block.data());
            out.write(block.data(), 2 * count * sizeof(float));
        }
    } else if (m.hasUV) {
        out.write(plan.vertexUV.data(), plan.vertexUV.size() * sizeof(float));
    }
    // Indices: the corner list as it is when every polygon is a triangle and no
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

// ---- JSON

json parameterValue(const CValue& v) {
    switch (v.GetType()) {
    case CValue::siBool: return v.GetBool();
    case CValue::siInt2:
    case CValue::siInt4: return v.GetLong();
    case CValue::siFloat:
    case CValue::siDouble: {
        const double d = v.GetDouble();
        return std::isfinite(d) ? json(d) : json(nullptr);
    }
    case CValue::siString: return v.GetAsText().str();
    default: return nullptr;
    }
}

json vec3(HostStateData& host, const double v[3], const std::string& what) {
    return json::array({finiteDouble(host, v[0], what), finiteDouble(host, v[1], what),
                        finiteDouble(host, v[2], what)});
}

json parametersJson(HostStateData& host) {
    json params = json::object();
    for (const auto& [path, value] : host.parameters) params[path] = parameterValue(value);
    return params;
}

std::string nameOf(HostStateData& host, ObjectId id) {
    const SceneObject* o = host.find(id);
    return o && o->kind != ObjectKind::Model ? o->name : std::string();
}

json nameOrNull(const std::string& name) { return name.empty() ? json(nullptr) : json(name); }

// The render aspect (CameraXRes x PixelRatio / CameraYRes), or 1 when it is not positive.
double renderAspect(HostStateData& host) {
    auto number = [&](const char* name) {
        auto it = host.parameters.find(std::string("Passes.Default_Pass.RenderOptions.") + name);
        return it == host.parameters.end() ? 0.0 : it->second.GetDouble();
    };
    const double aspect = number("CameraXRes") * number("PixelRatio") / number("CameraYRes");
    if (std::isfinite(aspect) && aspect > 0) return aspect;
    host.addLog(siWarningMsg, "export: the render aspect is not a positive number; cameras use aspect 1");
    return 1.0;
}

std::string percentEncode(const std::string& name) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

struct Document {
    json root;
    std::vector<MeshPlan> plans;
    uint64_t binLength = 0;
};

Document buildDocument(HostStateData& host, const std::string& binUri) {
    Document doc;
    json nodes = json::array(), meshes = json::array(), accessors = json::array(), views = json::array(),
         cameras = json::array(), lights = json::array(), sceneNodes = json::array();

    for (const auto& object : host.objects)
        if (object->kind == ObjectKind::Mesh && object->mesh.polygonCount > 0) {
            MeshPlan plan;
            plan.object = object.get();
            plan.mesh = &object->mesh;
            doc.plans.push_back(std::move(plan));
        }
    for (MeshPlan& plan : doc.plans) {
        planMesh(plan);
        if (!plan.positionsFinite)
            host.addLog(siWarningMsg, "export: " + plan.object->name + " has vertex positions that are not "
                                      "finite numbers; written as the nearest finite values");
        plan.positionOffset = doc.binLength;
        plan.uvOffset = plan.positionOffset + plan.positionBytes();
        plan.indexOffset = plan.uvOffset + plan.uvBytes();
        doc.binLength = plan.indexOffset + plan.indexBytes();
    }

    auto addView = [&](uint64_t offset, uint64_t length, uint32_t target) {
        views.push_back({{"buffer", 0}, {"byteOffset", offset}, {"byteLength", length}, {"target", target}});
        return static_cast<int>(views.size() - 1);
    };
    const double aspect = [&] {
        for (const auto& o : host.objects)
            if (o->kind == ObjectKind::Camera) return renderAspect(host);
        return 1.0;
    }();

    size_t planIndex = 0;
    for (const auto& object : host.objects) {
        const SceneObject& o = *object;
        if (o.kind == ObjectKind::Model) continue;
        json node = {{"name", o.name}, {"translation", vec3(host, o.position, o.name + " position")}};
        json extras = {{"type", detail::kindName(o.kind)},
                       {"parent", nameOrNull(nameOf(host, o.parent))},
                       {"pivot", vec3(host, o.pivot, o.name + " pivot")}};
        const SceneObject* interest = host.find(o.interest);
        if (interest) extras["interest"] = interest->name;

        if (o.kind == ObjectKind::Mesh && planIndex < doc.plans.size() && doc.plans[planIndex].object == &o) {
            MeshPlan& plan = doc.plans[planIndex++];
            json attributes;
            plan.positionView = addView(plan.positionOffset, plan.positionBytes(), kTargetArrayBuffer);
            accessors.push_back({{"bufferView", plan.positionView},
                                 {"componentType", kComponentFloat},
                                 {"count", plan.vertexCount},
                                 {"type", "VEC3"},
                                 {"min", {plan.lo[0], plan.lo[1], plan.lo[2]}},
                                 {"max", {plan.hi[0], plan.hi[1], plan.hi[2]}}});
            attributes["POSITION"] = accessors.size() - 1;
            if (plan.mesh->hasUV) {
                plan.uvView = addView(plan.uvOffset, plan.uvBytes(), kTargetArrayBuffer);
                accessors.push_back({{"bufferView", plan.uvView},
                                     {"componentType", kComponentFloat},
                                     {"count", plan.vertexCount},
                                     {"type", "VEC2"}});
                attributes["TEXCOORD_0"] = accessors.size() - 1;
            }
            plan.indexView = addView(plan.indexOffset, plan.indexBytes(), kTargetElementArrayBuffer);
            accessors.push_back({{"bufferView", plan.indexView},
                                 {"componentType", kComponentUInt},
                                 {"count", plan.triangleCount * 3},
                                 {"type", "SCALAR"}});
            meshes.push_back({{"name", o.name},
                              {"primitives", json::array({{{"attributes", attributes},
                                                           {"indices", accessors.size() - 1},
                                                           {"mode", 4}}})}});
            node["mesh"] = meshes.size() - 1;
        }
        if (o.kind == ObjectKind::Camera || o.kind == ObjectKind::Light) {
            // Without an interest the object keeps looking down -Z.
            const double target[3] = {interest ? interest->position[0] : o.position[0],
                                      interest ? interest->position[1] : o.position[1],
                                      interest ? interest->position[2] : o.position[2] - 1};
            double q[4];
            lookRotation(o.position, target, o.kind == ObjectKind::Camera ? o.roll : 0.0, q);
            node["rotation"] = {q[0], q[1], q[2], q[3]};
        }
        if (o.kind == ObjectKind::Camera) {
            double fov = o.fov;
            constexpr double kMinFov = 1e-3, kMaxFov = 180.0 - 1e-3;
            if (!(fov >= kMinFov && fov <= kMaxFov)) {
                const double valid = std::isnan(fov) ? 60.0 : std::clamp(fov, kMinFov, kMaxFov);
                host.addLog(siWarningMsg, "export: camera " + o.name + " has a field of view of " +
                                              CValue(fov).GetAsText().str() + " degrees; written as " +
                                              CValue(valid).GetAsText().str());
                fov = valid;
            }
            double yfov = 2.0 * std::atan(std::tan(fov * kPi / 360.0) / aspect);
            yfov = std::clamp(yfov, 1e-6, kPi - 1e-6);
            cameras.push_back({{"name", o.name},
                               {"type", "perspective"},
                               {"perspective", {{"aspectRatio", aspect}, {"yfov", yfov}, {"znear", 0.1}}},
                               {"extras", {{"fov", finiteDouble(host, o.fov, o.name + " fov")},
                                           {"roll", finiteDouble(host, o.roll, o.name + " roll")}}}});
            node["camera"] = cameras.size() - 1;
        }
        if (o.kind == ObjectKind::Light) {
            lights.push_back({{"name", o.name}, {"type", "directional"}, {"color", {1.0, 1.0, 1.0}},
                              {"intensity", 1.0}});
            node["extensions"] = {{"KHR_lights_punctual", {{"light", lights.size() - 1}}}};
        }
        node["extras"] = extras;
        sceneNodes.push_back(nodes.size());
        nodes.push_back(node);
    }

    json& root = doc.root;
    root["asset"] = {{"version", "2.0"}, {"generator", "vqVirEru stand-in host"}};
    if (!lights.empty()) root["extensionsUsed"] = {"KHR_lights_punctual"};
    root["scene"] = 0;
    json scene = {{"name", "Scene"}};
    if (!sceneNodes.empty()) scene["nodes"] = sceneNodes;
    scene["extras"] = {{"parameters", parametersJson(host)},
                       {"viewCamera", nameOrNull(host.viewCamera)},
                       {"framed", host.framed}};
    root["scenes"] = json::array({scene});
    if (!nodes.empty()) root["nodes"] = nodes;
    if (!meshes.empty()) root["meshes"] = meshes;
    if (!cameras.empty()) root["cameras"] = cameras;
    if (!accessors.empty()) root["accessors"] = accessors;
    if (!views.empty()) root["bufferViews"] = views;
    if (doc.binLength > 0) {
        json buffer = {{"byteLength", doc.binLength}};
        if (!binUri.empty()) buffer["uri"] = binUri;
        root["buffers"] = json::array({buffer});
    }
    if (!lights.empty()) root["extensions"] = {{"KHR_lights_punctual", {{"lights", lights}}}};
    return doc;
}

std::string binPathFor(const std::string& gltfPath) {
    const std::string ext = ".gltf";
    if (gltfPath.size() > ext.size() && gltfPath.compare(gltfPath.size() - ext.size(), ext.size(), ext) == 0)
        return gltfPath.substr(0, gltfPath.size() - ext.size()) + ".bin";
    return gltfPath + ".bin";
}

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

Result writeGltfLocked(HostStateData& host, const std::string& path, GltfLayout layout) {
    const std::string binPath = binPathFor(path);
    Document doc = buildDocument(host, layout == GltfLayout::Separate ? percentEncode(fileNameOf(binPath)) : "");
    std::string text = doc.root.dump(-1, ' ', false, json::error_handler_t::replace);
    std::string error;

    if (layout == GltfLayout::Binary) {
        while (text.size() % 4) text.push_back(' ');
        const uint64_t total = 12 + 8 + text.size() + (doc.binLength ? 8 + doc.binLength : 0);
        if (total > 0xFFFFFFFFu) return failure("the scene is too large for one .glb file (4 GiB at most)");
        OutFile out(path);
        if (!out.open(error)) return failure(error);
        std::string head;
        put32(head, 0x46546C67);  // "glTF"
        put32(head, 2);
        put32(head, static_cast<uint32_t>(total));
        put32(head, static_cast<uint32_t>(text.size()));
        put32(head, 0x4E4F534A);  // "JSON"
        out.write(head.data(), head.size());
        out.write(text.data(), text.size());
        if (doc.binLength) {
            std::string binHead;
            put32(binHead, static_cast<uint32_t>(doc.binLength));  // already a multiple of 4
            put32(binHead, 0x004E4942);  // "BIN\0"
            out.write(binHead.data(), binHead.size());
            for (const MeshPlan& plan : doc.plans) writeMeshData(out, plan);
        }
        if (!out.finish(error) || !out.commit(error)) return failure(error);
        Result r;
        r.ok = true;
        r.bytesWritten = out.written();
        return r;
    }

    OutFile bin(binPath);
    if (doc.binLength) {
        if (!bin.open(error)) return failure(error);
        for (const MeshPlan& plan : doc.plans) writeMeshData(bin, plan);
        if (!bin.finish(error)) return failure(error);
    }
    OutFile gltf(path);
    if (!gltf.open(error)) return failure(error);
    gltf.write(text.data(), text.size());
    if (!gltf.finish(error)) return failure(error);
    if (doc.binLength && !bin.commit(error)) return failure(error);
    if (!gltf.commit(error)) {
        if (doc.binLength) std::remove(binPath.c_str());  // no .bin without its .gltf
        return failure(error);
    }
    Result r;
    r.ok = true;
    r.bytesWritten = bin.written() + gltf.written();
    return r;
}

json reportJson(HostStateData& host) {
    json objects = json::array();
    for (const auto& object : host.objects) {
        const SceneObject& o = *object;
        if (o.kind == ObjectKind::Model) continue;
        json entry = {{"name", o.name},
                      {"type", detail::kindName(o.kind)},
                      {"parent", nameOrNull(nameOf(host, o.parent))},
                      {"position", vec3(host, o.position, o.name + " position")},
                      {"pivot", vec3(host, o.pivot, o.name + " pivot")}};
        if (o.kind == ObjectKind::Mesh) {
            entry["vertexCount"] = o.mesh.vertexCount;
            entry["polygonCount"] = o.mesh.polygonCount;
            entry["nodeCount"] = o.mesh.nodeCount();
            entry["uvCount"] = o.mesh.hasUV ? o.mesh.nodeCount() : 0;
        }
        if (o.kind == ObjectKind::Camera) {
            entry["fov"] = std::isfinite(o.fov) ? json(o.fov) : json(nullptr);
            entry["roll"] = std::isfinite(o.roll) ? json(o.roll) : json(nullptr);
        }
        if (o.kind == ObjectKind::Camera || o.kind == ObjectKind::Light)
            entry["interest"] = nameOrNull(nameOf(host, o.interest));
        objects.push_back(entry);
    }
    json log = json::array();
    for (const auto& line : host.logEntries)
        log.push_back({{"severity", static_cast<int32_t>(line.severity)}, {"text", line.text.str()}});
    json commands = json::array();
    for (const auto& command : host.commands) {
        json args = json::array();
        for (const CValue& v : command.args.values()) args.push_back(parameterValue(v));
        commands.push_back({{"name", command.name.str()}, {"args", args}});
    }
    return {{"objects", objects},
            {"parameters", parametersJson(host)},
            {"viewCamera", nameOrNull(host.viewCamera)},
            {"framed", host.framed},
            {"log", log},
            {"commands", commands}};
}

}  // namespace

Result WriteGltf(const std::string& path, GltfLayout layout) {
    HostLock lock(hostState().mutex);
    try {
        return writeGltfLocked(hostState(), path, layout);
    } catch (const std::bad_alloc&) {
        return failure("out of memory while writing " + path);
    } catch (const std::exception& e) {  // the JSON library reports bad text this way
        return failure(std::string("cannot write ") + path + ": " + e.what());
    }
}

Result WriteSceneReport(const std::string& path) {
    HostLock lock(hostState().mutex);
    try {
        // Texts from the plug-in may hold bytes that are not UTF-8; they are replaced, not refused.
        const std::string text =
            reportJson(hostState()).dump(2, ' ', false, json::error_handler_t::replace) + "\n";
        std::string error;
        OutFile out(path);
        if (!out.open(error)) return failure(error);
        out.write(text.data(), text.size());
        if (!out.finish(error) || !out.commit(error)) return failure(error);
        Result r;
        r.ok = true;
        r.bytesWritten = out.written();
        return r;
    } catch (const std::bad_alloc&) {
        return failure("out of memory while writing " + path);
    } catch (const std::exception& e) {
        return failure(std::string("cannot write ") + path + ": " + e.what());
    }
}

}  // namespace SceneExport
}  // namespace XSI
