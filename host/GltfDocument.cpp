#include "host/GltfDocument.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>

#include "host/SceneExport.h"

namespace XSI {
namespace detail {
namespace gltf {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr uint32_t kComponentFloat = 5126;
constexpr uint32_t kComponentUInt = 5125;
constexpr uint32_t kTargetArrayBuffer = 34962;
constexpr uint32_t kTargetElementArrayBuffer = 34963;

// A double the file can hold; a warning names what was replaced.
double finiteDouble(HostStateData& host, double v, const std::string& what) {
    if (std::isfinite(v)) return v;
    const double replacement = std::isnan(v) ? 0.0 : (v > 0 ? DBL_MAX : -DBL_MAX);
    host.addLog(siWarningMsg, "export: " + what + " is not a finite number; written as " +
                                  (std::isnan(v) ? std::string("0") : std::string(v > 0 ? "+max" : "-max")));
    return replacement;
}

}  // namespace

}  // namespace gltf
}  // namespace detail

namespace SceneExport {
namespace {

using detail::gltf::kPi;

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

double usableFieldOfView(double degrees) {
    return degrees > 0.0 && degrees < 180.0 ? degrees : kDefaultFieldOfView;
}

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

}  // namespace SceneExport

namespace detail {
namespace gltf {
namespace {

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

}  // namespace

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

void buildDocument(HostStateData& host, const std::string& binUri, Document& doc) {
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
    }
    doc.binLength = gltf::layOut(doc.plans, doc.bufferOrder);

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
            accessors.push_back({{"bufferView", addView(plan.positionOffset, plan.positionBytes(), kTargetArrayBuffer)},
                                 {"componentType", kComponentFloat},
                                 {"count", plan.vertexCount},
                                 {"type", "VEC3"},
                                 {"min", {plan.lo[0], plan.lo[1], plan.lo[2]}},
                                 {"max", {plan.hi[0], plan.hi[1], plan.hi[2]}}});
            attributes["POSITION"] = accessors.size() - 1;
            accessors.push_back({{"bufferView", addView(plan.normalOffset, plan.normalBytes(), kTargetArrayBuffer)},
                                 {"componentType", kComponentFloat},
                                 {"count", plan.vertexCount},
                                 {"type", "VEC3"}});
            attributes["NORMAL"] = accessors.size() - 1;
            if (plan.mesh->hasUV) {
                accessors.push_back({{"bufferView", addView(plan.uvOffset, plan.uvBytes(), kTargetArrayBuffer)},
                                     {"componentType", kComponentFloat},
                                     {"count", plan.vertexCount},
                                     {"type", "VEC2"}});
                attributes["TEXCOORD_0"] = accessors.size() - 1;
            }
            accessors.push_back({{"bufferView", addView(plan.indexOffset, plan.indexBytes(), kTargetElementArrayBuffer)},
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
            SceneExport::lookRotation(o.position, target, o.kind == ObjectKind::Camera ? o.roll : 0.0, q);
            node["rotation"] = {q[0], q[1], q[2], q[3]};
        }
        if (o.kind == ObjectKind::Camera) {
            const double fov = SceneExport::usableFieldOfView(o.fov);
            if (fov != o.fov)
                host.addLog(siWarningMsg, "export: camera " + o.name + " has a field of view of " +
                                              CValue(o.fov).GetAsText().str() + " degrees; written as " +
                                              CValue(fov).GetAsText().str());
            double yfov = 2.0 * std::atan(std::tan(fov * kPi / 360.0) / aspect);
            yfov = std::clamp(yfov, 1e-6, kPi - 1e-6);
            cameras.push_back({{"name", o.name},
                               {"type", "perspective"},
                               {"perspective", {{"aspectRatio", aspect}, {"yfov", yfov}, {"znear", 0.1}}},
                               {"extras", {{"fov", fov},
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


}  // namespace gltf
}  // namespace detail
}  // namespace XSI
