#include "host/HostControl.h"

#include "host/HostState.h"
#include "host/ListStorage.h"

namespace XSI {
namespace HostControl {

using detail::hostState;
using detail::HostLock;
using detail::ObjectKind;
using detail::SceneObject;

void ResetHost() {
    HostLock lock(hostState().mutex);
    auto& host = hostState();
    host.clearScene();
    detail::setOutput("", detail::OutputLayout::None, "");
    host.parameters.clear();
    host.resetPreferences();
    host.resetScenePasses();
    host.commands.clear();
    host.logEntries.clear();
    host.hooks = HookCounts();
    host.redraws = 0;
    host.fileBrowserProperties.clear();
    host.hasFileBrowserAnswer = false;
    host.fileBrowserAnswer = CString();
    host.fileBrowserPuts.clear();
    host.fileBrowserShows = 0;
    host.nodeIndexAnswer.clear();
}

void SetNodeIndexAnswer(std::vector<int32_t> nodeIndices) {
    HostLock lock(hostState().mutex);
    hostState().nodeIndexAnswer = std::move(nodeIndices);
}

void SetListMemoryLimit(uint64_t bytes) { detail::setListMemoryLimit(bytes); }

void SetFileBrowserAnswer(const CString& path) {
    HostLock lock(hostState().mutex);
    hostState().hasFileBrowserAnswer = true;
    hostState().fileBrowserAnswer = path;
}

void ClearFileBrowserAnswer() {
    HostLock lock(hostState().mutex);
    hostState().hasFileBrowserAnswer = false;
    hostState().fileBrowserAnswer = CString();
}

CValue GetFileBrowserProperty(const CString& name) {
    HostLock lock(hostState().mutex);
    auto& props = hostState().fileBrowserProperties;
    auto it = props.find(name.str());
    return it == props.end() ? CValue() : it->second;
}

std::vector<CString> GetFileBrowserPutOrder() {
    HostLock lock(hostState().mutex);
    return {hostState().fileBrowserPuts.begin(), hostState().fileBrowserPuts.end()};
}

uint32_t GetFileBrowserShowCount() {
    HostLock lock(hostState().mutex);
    return hostState().fileBrowserShows;
}

void SetApplicationWindowHandle(void* window) {
    HostLock lock(hostState().mutex);
    hostState().applicationWindow = window;
}

std::vector<RecordedCommand> GetCommands() {
    HostLock lock(hostState().mutex);
    return hostState().commands;
}

std::vector<LogEntry> GetLog() {
    HostLock lock(hostState().mutex);
    return hostState().logEntries;
}

HookCounts GetHookCounts() {
    HostLock lock(hostState().mutex);
    return hostState().hooks;
}

uint32_t GetRedrawCount() {
    HostLock lock(hostState().mutex);
    return hostState().redraws;
}

namespace {

ObjectInfo describe(const SceneObject& o) {
    auto& host = hostState();
    ObjectInfo info;
    info.id = o.id;
    info.name = o.name;
    info.type = detail::kindName(o.kind);
    if (const SceneObject* parent = host.find(o.parent); parent && parent->kind != ObjectKind::Model)
        info.parent = parent->name;
    for (int a = 0; a < 3; ++a) {
        info.position[a] = o.position[a];
        info.pivot[a] = o.pivot[a];
    }
    if (o.kind == ObjectKind::Mesh) {
        info.vertexCount = o.mesh.vertexCount;
        info.polygonCount = o.mesh.polygonCount;
        info.nodeCount = o.mesh.nodeCount();
        info.uvCount = o.mesh.hasUV ? o.mesh.nodeCount() : 0;
    }
    if (o.kind == ObjectKind::Camera) {
        info.fov = o.fov;
        info.roll = o.roll;
    }
    if (const SceneObject* interest = host.find(o.interest)) info.interest = interest->name;
    return info;
}

}  // namespace

std::optional<ObjectInfo> FindObject(const CString& name) {
    HostLock lock(hostState().mutex);
    const SceneObject* o = hostState().findByName(name.str());
    if (!o || o->kind == ObjectKind::Model) return std::nullopt;
    return describe(*o);
}

std::vector<ObjectInfo> GetObjects() {
    HostLock lock(hostState().mutex);
    std::vector<ObjectInfo> out;
    for (const auto& o : hostState().objects)
        if (o->kind != ObjectKind::Model) out.push_back(describe(*o));
    return out;
}

std::optional<CValue> GetParameter(const CString& path) {
    HostLock lock(hostState().mutex);
    auto& params = hostState().parameters;
    auto it = params.find(path.str());
    if (it == params.end()) return std::nullopt;
    return it->second;
}

CString GetViewCamera() {
    HostLock lock(hostState().mutex);
    return hostState().viewCamera;
}

bool IsFramed() {
    HostLock lock(hostState().mutex);
    return hostState().framed;
}

}  // namespace HostControl
}  // namespace XSI
