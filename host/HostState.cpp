#include "host/HostState.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace XSI {
namespace detail {

namespace {
const char* const kRenderOptions = "Passes.Default_Pass.RenderOptions.";
}

void MeshData::findBounds() {
    // One pass with independent minimum and maximum per axis. A NaN fails
    // every comparison, so it is flagged apart; an infinity shows in the
    // bounds. Either sends the careful pass below.
    float loX = FLT_MAX, loY = FLT_MAX, loZ = FLT_MAX, hiX = -FLT_MAX, hiY = -FLT_MAX, hiZ = -FLT_MAX;
    bool nan = false;
    const float* p = positions.data();
    for (uint32_t v = 0; v < vertexCount; ++v, p += 3) {
        const float x = p[0], y = p[1], z = p[2];
        loX = x < loX ? x : loX;
        hiX = x > hiX ? x : hiX;
        loY = y < loY ? y : loY;
        hiY = y > hiY ? y : hiY;
        loZ = z < loZ ? z : loZ;
        hiZ = z > hiZ ? z : hiZ;
        nan |= (x != x) | (y != y) | (z != z);
    }
    lo[0] = loX, lo[1] = loY, lo[2] = loZ, hi[0] = hiX, hi[1] = hiY, hi[2] = hiZ;
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
