#include "host/HostState.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "host/MeshNormals.h"

namespace XSI {
namespace detail {

namespace {
const char* const kRenderOptions = "Passes.Default_Pass.RenderOptions.";
}

void MeshData::findBounds() {
    // Minimum and maximum per coordinate over blocks of four vertices (twelve
    // floats, so each lane keeps one axis) in a loop the compiler vectorises.
    // A NaN fails every comparison, so it is flagged apart; an infinity shows
    // in the bounds. Either sends the careful pass below.
    float lo12[12], hi12[12];
    for (int k = 0; k < 12; ++k) lo12[k] = FLT_MAX, hi12[k] = -FLT_MAX;
    int nan = 0;
    const size_t floats = size_t{3} * vertexCount;
    const size_t blocked = floats - floats % 12;
    const float* p = positions.data();
#ifdef __SSE2__
    // Three registers of four floats hold x y z x | y z x y | z x y z.
    __m128 lo0 = _mm_set1_ps(FLT_MAX), lo1 = lo0, lo2 = lo0;
    __m128 hi0 = _mm_set1_ps(-FLT_MAX), hi1 = hi0, hi2 = hi0;
    __m128 unordered = _mm_setzero_ps();
    for (size_t i = 0; i < blocked; i += 12) {
        const __m128 a = _mm_loadu_ps(p + i), b = _mm_loadu_ps(p + i + 4), c = _mm_loadu_ps(p + i + 8);
        lo0 = _mm_min_ps(a, lo0), lo1 = _mm_min_ps(b, lo1), lo2 = _mm_min_ps(c, lo2);
        hi0 = _mm_max_ps(a, hi0), hi1 = _mm_max_ps(b, hi1), hi2 = _mm_max_ps(c, hi2);
        unordered = _mm_or_ps(unordered, _mm_or_ps(_mm_cmpunord_ps(a, b), _mm_cmpunord_ps(c, c)));
    }
    _mm_storeu_ps(lo12, lo0), _mm_storeu_ps(lo12 + 4, lo1), _mm_storeu_ps(lo12 + 8, lo2);
    _mm_storeu_ps(hi12, hi0), _mm_storeu_ps(hi12 + 4, hi1), _mm_storeu_ps(hi12 + 8, hi2);
    nan = _mm_movemask_ps(unordered) != 0;
#else
    for (size_t i = 0; i < blocked; i += 12) {
        for (int k = 0; k < 12; ++k) {
            const float c = p[i + k];
            lo12[k] = c < lo12[k] ? c : lo12[k];
            hi12[k] = c > hi12[k] ? c : hi12[k];
            nan |= c != c;
        }
    }
#endif
    for (size_t i = blocked; i < floats; ++i) {
        const float c = p[i];
        const int k = int(i % 3);
        lo12[k] = c < lo12[k] ? c : lo12[k];
        hi12[k] = c > hi12[k] ? c : hi12[k];
        nan |= c != c;
    }
    for (int a = 0; a < 3; ++a) {
        lo[a] = std::min({lo12[a], lo12[a + 3], lo12[a + 6], lo12[a + 9]});
        hi[a] = std::max({hi12[a], hi12[a + 3], hi12[a + 6], hi12[a + 9]});
    }
    positionsFinite = !nan;
    for (int a = 0; a < 3; ++a) positionsFinite = positionsFinite && std::isfinite(lo[a]) && std::isfinite(hi[a]);
    if (!positionsFinite) {
        for (int a = 0; a < 3; ++a) {
            lo[a] = FLT_MAX;
            hi[a] = -FLT_MAX;
        }
        for (size_t i = 0; i < positions.size(); ++i) {
            const float c = positions[i];
            const float clean = std::isnan(c) ? 0.0f : std::clamp(c, -FLT_MAX, FLT_MAX);
            lo[i % 3] = std::min(lo[i % 3], clean);
            hi[i % 3] = std::max(hi[i % 3], clean);
        }
    }
    if (vertexCount == 0)
        for (int a = 0; a < 3; ++a) lo[a] = hi[a] = 0.0f;
}

void MeshData::findNormals() {
    {
        ListRoleScope scope(ListRole::Normals);
        normals.clear();
        normals.shrink_to_fit();
        normals.resize(size_t{3} * vertexCount);  // fresh room: zeros
    }
    if (polygonSizes.empty()) {
        meshnormals::triangleListNormals(positions.data(), corners.data(), corners.size() / 3, normals.data(),
                                         vertexCount);
        return;
    }
    float n[3];
    const float* p = positions.data();
    size_t start = 0;
    for (uint32_t size : polygonSizes) {
        const uint32_t* c = corners.data() + start;
        for (uint32_t i = 1; i + 1 < size; ++i) {
            meshnormals::faceNormal(p + size_t{3} * c[0], p + size_t{3} * c[i], p + size_t{3} * c[i + 1], n);
            meshnormals::add(&normals[size_t{3} * c[0]], n);
            meshnormals::add(&normals[size_t{3} * c[i]], n);
            meshnormals::add(&normals[size_t{3} * c[i + 1]], n);
        }
        start += size;
    }
    for (size_t v = 0; v < vertexCount; ++v) meshnormals::makeUnit(&normals[size_t{3} * v]);
}

const char* kindName(ObjectKind kind) {
    switch (kind) {
    case ObjectKind::Model: return "#model";
    case ObjectKind::Mesh: return "polymsh";
    case ObjectKind::Camera: return "camera";
    case ObjectKind::Light: return "light";
    case ObjectKind::Interest: return "interest";
    case ObjectKind::Null: return "null";
    }
    return "null";
}

HostStateData& hostState() {
    // Built on first use, from whichever thread comes first; never thread-local.
    static HostStateData* state = [] {
        auto* s = new HostStateData;
        auto root = std::make_unique<SceneObject>();
        root->id = kSceneRootId;
        root->kind = ObjectKind::Model;
        root->name = "Scene_Root";
        s->byId[root->id] = root.get();
        s->byName[root->name] = root->id;
        s->objects.push_back(std::move(root));
        s->resetPreferences();
        s->resetScenePasses();
        return s;
    }();
    return *state;
}

SceneObject* HostStateData::find(ObjectId id) {
    auto it = byId.find(id);
    return it == byId.end() ? nullptr : it->second;
}

SceneObject* HostStateData::findByName(const std::string& name) {
    auto it = byName.find(name);
    return it == byName.end() ? nullptr : find(it->second);
}

std::string HostStateData::uniqueName(const std::string& wish) const {
    if (byName.count(wish) == 0) return wish;
    for (uint64_t n = 1;; ++n) {
        std::string candidate = wish + std::to_string(n);
        if (byName.count(candidate) == 0) return candidate;
    }
}

SceneObject& HostStateData::addObject(ObjectKind kind, const std::string& wish, ObjectId parent) {
    auto object = std::make_unique<SceneObject>();
    object->id = nextId++;
    object->kind = kind;
    object->name = uniqueName(wish.empty() ? kindName(kind) : wish);
    object->parent = parent;
    SceneObject& ref = *object;
    byId[ref.id] = &ref;
    byName[ref.name] = ref.id;
    objects.push_back(std::move(object));
    return ref;
}

void HostStateData::clearScene() {
    objects.resize(1);  // the root stays
    byId.clear();
    byName.clear();
    byId[kSceneRootId] = objects.front().get();
    byName[objects.front()->name] = kSceneRootId;
}

void HostStateData::resetScenePasses() {
    for (auto it = parameters.begin(); it != parameters.end();) {
        if (it->first.rfind(kRenderOptions, 0) == 0)
            it = parameters.erase(it);
        else
            ++it;
    }
    const std::string p = kRenderOptions;
    parameters[p + "EndFrame"] = CValue(int16_t{100});
    parameters[p + "PassCamera"] = CValue(CString(""));
    parameters[p + "PictureStandard"] = CValue(int16_t{0});
    parameters[p + "InverseRatio"] = CValue(false);
    parameters[p + "CameraXRes"] = CValue(int32_t{640});
    parameters[p + "CameraYRes"] = CValue(int32_t{480});
    parameters[p + "PixelRatio"] = CValue(1.0f);
    viewCamera.clear();
    framed = false;
}

void HostStateData::resetPreferences() {
    parameters["preferences.scripting.cmdlog"] = CValue(true);
}

void HostStateData::addLog(siSeverityType severity, const std::string& text) {
    logEntries.push_back({severity, CString(text)});
}

}  // namespace detail
}  // namespace XSI
