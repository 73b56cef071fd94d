#include "plugin/HostOps.h"

using XSI::Application;
using XSI::CStatus;
using XSI::CString;
using XSI::CValue;
using XSI::CValueArray;

namespace {

CValue run(const char* command, const CValueArray& args) {
    Application app;
    CValue result;
    (void)app.ExecuteCommand(command, args, result);  // statuses are not examined by the import
    return result;
}

CValueArray argsOf(std::initializer_list<CValue> values) {
    CValueArray args;
    for (const CValue& v : values) args.Add(v);
    return args;
}

}  // namespace

void NewScene() {
    Application app;
    XSI::Desktop desktop = app.GetDesktop();
    desktop.RestoreWin32ControlsHook();
    run("NewScene", argsOf({CValue(), CValue(false)}));
    desktop.SuspendWin32ControlsHook();
}

void FrameAll() { run("FrameAll", argsOf({CValue(true), CValue(true), CValue(int16_t{0})})); }

void SetViewCamera(const CString& camera) { run("SetViewCamera", argsOf({CValue(camera), CValue(int16_t{1})})); }

void TranslatePivot(const CString& object, double x, double y, double z) {
    run("TranslatePivot", argsOf({CValue(object), CValue(x), CValue(y), CValue(z)}));
}

void Translate(const CString& object, double x, double y, double z) {
    run("Translate", argsOf({CValue(object), CValue(x), CValue(y), CValue(z)}));
}

CValue SetValue(const CString& target, const CValue& value) { return run("SetValue", argsOf({CValue(target), value})); }

CValue GetValue(const CString& target) { return run("GetValue", argsOf({CValue(target)})); }

CStatus SetCameraFov(const CString& camera, double value) {
    return CStatus::FromLong(SetValue(camera + ".camera.fov", CValue(value)).GetLong());
}

CStatus SetCameraRoll(const CString& camera, double value) {
    return CStatus::FromLong(SetValue(camera + ".kine.dircns.roll", CValue(value)).GetLong());
}
