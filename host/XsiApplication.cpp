#include "host/XsiApplication.h"

#include <cmath>
#include <string>

#include "host/FileBrowserDialog.h"
#include "host/HostState.h"

namespace XSI {

using detail::hostState;
using detail::HostLock;
using detail::HostStateData;
using detail::ObjectKind;
using detail::SceneObject;
using detail::failed;

namespace {

bool isNumber(const CValue& v) {
    switch (v.GetType()) {
    case CValue::siBool:
    case CValue::siInt2:
    case CValue::siInt4:
    case CValue::siFloat:
    case CValue::siDouble: return true;
    default: return false;
    }
}

// The value converted to the type of the parameter it is written to.
bool convertTo(CValue::DataType type, const CValue& in, CValue& out) {
    if (type == CValue::siString) {
        if (in.GetType() != CValue::siString) return false;
        out = in;
        return true;
    }
    if (!isNumber(in)) return false;
    switch (type) {
    case CValue::siBool: out = CValue(in.GetBool()); return true;
    case CValue::siInt2: {
        const int32_t v = in.GetLong();
        if (v < -32768 || v > 32767) return false;
        out = CValue(static_cast<int16_t>(v));
        return true;
    }
    case CValue::siInt4: out = CValue(in.GetLong()); return true;
    case CValue::siFloat: out = CValue(static_cast<float>(in.GetDouble())); return true;
    case CValue::siDouble: out = CValue(in.GetDouble()); return true;
    default: return false;
    }
}

// "<camera>.camera.fov" and "<camera>.kine.dircns.roll" live on the camera object.
double* cameraParameter(HostStateData& host, const std::string& path) {
    static const std::string fov = ".camera.fov", roll = ".kine.dircns.roll";
    auto endsWith = [&](const std::string& tail) {
        return path.size() > tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
    };
    const std::string* tail = endsWith(fov) ? &fov : endsWith(roll) ? &roll : nullptr;
    if (!tail) return nullptr;
    SceneObject* o = host.findByName(path.substr(0, path.size() - tail->size()));
    if (!o || o->kind != ObjectKind::Camera) return nullptr;
    return tail == &fov ? &o->fov : &o->roll;
}

bool readDouble(const CValueArray& args, uint32_t index, double& out) {
    if (index >= args.GetCount()) return false;
    if (!isNumber(args[index])) return false;
    out = args[index].GetDouble();
    return true;
}

CStatus runCommand(HostStateData& host, const std::string& name, const CValueArray& args, CValue& ret) {
    const uint32_t n = args.GetCount();
    if (name == "NewScene") {
        host.clearScene();
        host.resetScenePasses();
        return CStatus::OK;
    }
    if (name == "FrameAll") {
        host.framed = true;
        return CStatus::OK;
    }
    if (name == "SetViewCamera") {
        if (n < 1) return failed("SetViewCamera: no camera named");
        const std::string camera = args[0].GetAsText().str();
        const SceneObject* o = host.findByName(camera);
        if (!o || o->kind != ObjectKind::Camera) return failed("SetViewCamera: no camera \"" + camera + "\"");
        host.viewCamera = camera;
        return CStatus::OK;
    }
    if (name == "TranslatePivot" || name == "Translate") {
        if (n < 1) return failed(name + ": no object named");
        const std::string object = args[0].GetAsText().str();
        SceneObject* o = host.findByName(object);
        if (!o || o->kind == ObjectKind::Model) return failed(name + ": no object \"" + object + "\"");
        double xyz[3];
        for (uint32_t a = 0; a < 3; ++a)
            if (!readDouble(args, a + 1, xyz[a])) return failed(name + ": x, y and z must be numbers");
        double* target = name == "Translate" ? o->position : o->pivot;
        for (int a = 0; a < 3; ++a) target[a] = xyz[a];
        return CStatus::OK;
    }
    if (name == "SetValue") {
        if (n < 2) return failed("SetValue: target and value are needed");
        const std::string path = args[0].GetAsText().str();
        if (double* p = cameraParameter(host, path)) {
            if (!isNumber(args[1])) return failed("SetValue: \"" + path + "\" takes a number");
            *p = args[1].GetDouble();
            return CStatus::OK;
        }
        auto it = host.parameters.find(path);
        if (it == host.parameters.end()) return failed("SetValue: no parameter \"" + path + "\"");
        CValue converted;
        if (!convertTo(it->second.GetType(), args[1], converted))
            return failed("SetValue: \"" + path + "\" cannot take that value");
        it->second = converted;
        return CStatus::OK;
    }
    if (name == "GetValue") {
        if (n < 1) return failed("GetValue: no target");
        const std::string path = args[0].GetAsText().str();
        if (double* p = cameraParameter(host, path)) {
            ret = CValue(*p);
            return CStatus::OK;
        }
        auto it = host.parameters.find(path);
        if (it == host.parameters.end()) return failed("GetValue: no parameter \"" + path + "\"");
        ret = it->second;
        return CStatus::OK;
    }
    return CStatus(CStatus::NotImpl, CString("unknown command \"" + name + "\""));
}

}  // namespace

// ---- application and desktop

CStatus Application::ExecuteCommand(const CString& name, const CValueArray& args, CValue& returnValue) {
    HostLock lock(hostState().mutex);
    auto& host = hostState();
    returnValue = CValue();
    try {
        host.commands.push_back({name, args, host.hooks.suspended > host.hooks.restored});
        return runCommand(host, name.str(), args, returnValue);
    } catch (const std::exception&) {
        return failed("out of memory");
    }
}

CStatus Application::LogMessage(const CString& text, siSeverityType severity) {
    HostLock lock(hostState().mutex);
    try {
        hostState().addLog(severity, text.str());
    } catch (const std::exception&) {
        return failed("out of memory");
    }
    return CStatus::OK;
}

Model Application::GetActiveSceneRoot() const { return Model(detail::kSceneRootId); }

void* Desktop::GetApplicationWindowHandle() const {
    HostLock lock(hostState().mutex);
    return hostState().applicationWindow;
}

CStatus Desktop::SuspendWin32ControlsHook() {
    HostLock lock(hostState().mutex);
    ++hostState().hooks.suspended;
    return CStatus::OK;
}

CStatus Desktop::RestoreWin32ControlsHook() {
    HostLock lock(hostState().mutex);
    ++hostState().hooks.restored;
    return CStatus::OK;
}

CStatus Desktop::RedrawUI() {
    HostLock lock(hostState().mutex);
    ++hostState().redraws;
    return CStatus::OK;
}

// ---- menus

struct MenuItem::Item : HostItem {
    CString label;
    CString callback;
    std::weak_ptr<HostItem> parent;
};

struct Menu::Item : HostItem {
    CString name;
    std::vector<std::shared_ptr<MenuItem::Item>> items;
};

Menu::Menu(const CRef& ref) : item_(std::dynamic_pointer_cast<Item>(ref.item())) {}

Menu Menu::Create(const CString& name) {
    Menu menu;
    menu.item_ = std::make_shared<Item>();
    menu.item_->name = name;
    return menu;
}

CString Menu::GetName() const { return item_ ? item_->name : CString(); }

CStatus Menu::AddCallbackItem(const CString& label, const CString& callback, MenuItem& item) {
    if (!item_) return failed("not a menu");
    auto entry = std::make_shared<MenuItem::Item>();
    entry->label = label;
    entry->callback = callback;
    entry->parent = item_;
    item_->items.push_back(entry);
    item = MenuItem(CRef(entry));
    return CStatus::OK;
}

uint32_t Menu::GetItemCount() const { return item_ ? static_cast<uint32_t>(item_->items.size()) : 0; }

MenuItem Menu::GetItem(uint32_t index) const {
    if (!item_ || index >= item_->items.size()) return MenuItem();
    return MenuItem(CRef(item_->items[index]));
}

CRef Menu::GetRef() const { return CRef(item_); }

MenuItem::MenuItem(const CRef& ref) : item_(std::dynamic_pointer_cast<Item>(ref.item())) {}
CString MenuItem::GetName() const { return item_ ? item_->label : CString(); }
CString MenuItem::GetCallback() const { return item_ ? item_->callback : CString(); }
CRef MenuItem::GetParent() const { return item_ ? CRef(item_->parent.lock()) : CRef(); }
CRef MenuItem::GetRef() const { return CRef(item_); }

// ---- registrar

struct PluginRegistrar::Data {
    CString name, author, email, url;
    uint32_t major = 0, minor = 0;
    std::vector<RegisteredMenu> menus;
};

PluginRegistrar::PluginRegistrar() : data_(std::make_shared<Data>()) {}
CString PluginRegistrar::GetName() const { return data_->name; }
CString PluginRegistrar::GetAuthor() const { return data_->author; }
CString PluginRegistrar::GetEmail() const { return data_->email; }
CString PluginRegistrar::GetURL() const { return data_->url; }
void PluginRegistrar::GetVersion(uint32_t& major, uint32_t& minor) const {
    major = data_->major;
    minor = data_->minor;
}
void PluginRegistrar::PutName(const CString& name) { data_->name = name; }
void PluginRegistrar::PutAuthor(const CString& author) { data_->author = author; }
void PluginRegistrar::PutEmail(const CString& email) { data_->email = email; }
void PluginRegistrar::PutURL(const CString& url) { data_->url = url; }
void PluginRegistrar::PutVersion(uint32_t major, uint32_t minor) {
    data_->major = major;
    data_->minor = minor;
}
CStatus PluginRegistrar::RegisterMenu(siMenuAnchorPoints anchor, const CString& name, bool displayAsSubmenu,
                                      bool dynamic) {
    if (name.IsEmpty()) return CStatus(CStatus::InvalidArgument, "a menu needs a name");
    data_->menus.push_back({static_cast<int32_t>(anchor), name, displayAsSubmenu, dynamic});
    return CStatus::OK;
}
uint32_t PluginRegistrar::GetMenuCount() const { return static_cast<uint32_t>(data_->menus.size()); }
PluginRegistrar::RegisteredMenu PluginRegistrar::GetMenu(uint32_t index) const {
    return index < data_->menus.size() ? data_->menus[index] : RegisteredMenu{0, CString(), false, false};
}

// ---- COM objects: the UI toolkit and its file browser

namespace {

struct FileBrowserObject : HostItem {};
struct UIToolkitObject : HostItem {
    std::shared_ptr<FileBrowserObject> browser = std::make_shared<FileBrowserObject>();
};

const char* const kBrowserProperties[] = {"Filter", "DialogTitle", "InitialDirectory", "FileBaseName",
                                          "FilePathName"};

bool isBrowserProperty(const std::string& name) {
    for (const char* p : kBrowserProperties)
        if (name == p) return true;
    return false;
}

std::string textProperty(HostStateData& host, const char* name) {
    auto it = host.fileBrowserProperties.find(name);
    return it == host.fileBrowserProperties.end() ? std::string() : it->second.GetAsText().str();
}

}  // namespace

CComAPIHandler::CComAPIHandler(const CValue& object) : ref_(object.GetRef()) {}

CStatus CComAPIHandler::CreateInstance(const CString& progId) {
    if (progId != CString("XSI.UIToolkit")) {
        ref_ = CRef();
        return failed("no COM class \"" + progId.str() + "\"");
    }
    ref_ = CRef(std::make_shared<UIToolkitObject>());
    return CStatus::OK;
}

CValue CComAPIHandler::GetProperty(const CString& name) const {
    if (auto* toolkit = dynamic_cast<UIToolkitObject*>(ref_.item().get())) {
        if (name == CString("FileBrowser")) return CValue(CRef(toolkit->browser));
        return CValue();
    }
    if (dynamic_cast<FileBrowserObject*>(ref_.item().get())) {
        HostLock lock(hostState().mutex);
        auto& props = hostState().fileBrowserProperties;
        auto it = props.find(name.str());
        return it == props.end() ? CValue(CString("")) : it->second;
    }
    return CValue();
}

CStatus CComAPIHandler::PutProperty(const CString& name, const CValue& value) {
    if (!dynamic_cast<FileBrowserObject*>(ref_.item().get())) return failed("no such property");
    if (!isBrowserProperty(name.str())) return CStatus(CStatus::MemberNotFound, "no property \"" + name.str() + "\"");
    HostLock lock(hostState().mutex);
    hostState().fileBrowserProperties[name.str()] = value;
    hostState().fileBrowserPuts.push_back(name.str());
    return CStatus::OK;
}

CStatus CComAPIHandler::Call(const CString& method, CValue& returnValue, const CValueArray&) {
    returnValue = CValue();
    if (!dynamic_cast<FileBrowserObject*>(ref_.item().get()) || method != CString("ShowOpen"))
        return CStatus(CStatus::MemberNotFound, "no method \"" + method.str() + "\"");
    std::string filter, title, folder, baseName;
    bool preset = false;
    std::string answer;
    {
        HostLock lock(hostState().mutex);
        auto& host = hostState();
        ++host.fileBrowserShows;
        preset = host.hasFileBrowserAnswer;
        answer = host.fileBrowserAnswer.str();
        filter = textProperty(host, "Filter");
        title = textProperty(host, "DialogTitle");
        folder = textProperty(host, "InitialDirectory");
        baseName = textProperty(host, "FileBaseName");
    }
    // The real dialog runs without the host lock: it pumps messages for a while.
    if (!preset) answer = detail::showOpenFileDialog(filter, title, folder, baseName);
    HostLock lock(hostState().mutex);
    hostState().fileBrowserProperties["FilePathName"] = CValue(CString(answer));
    return CStatus::OK;
}

}  // namespace XSI
