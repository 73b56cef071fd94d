#pragma once
// The host operations the import uses. Each runs one named host command
// through Application::ExecuteCommand; the commands' statuses are not looked
// at by the import, so these answer only what the command returned.
#include "host/XsiApplication.h"
#include "host/XsiCore.h"

// Empties the scene. The host's Win32 controls hook is restored around the
// command (the host's own new-scene work needs it) and suspended again after.
void NewScene();
// Frames every view on the scene.
void FrameAll();
// Makes the named camera the view camera.
void SetViewCamera(const XSI::CString& camera);
// Places the named object's pivot at (x, y, z).
void TranslatePivot(const XSI::CString& object, double x, double y, double z);
// Places the named object at (x, y, z).
void Translate(const XSI::CString& object, double x, double y, double z);
// Sets a parameter; answers the command's return value.
XSI::CValue SetValue(const XSI::CString& target, const XSI::CValue& value);
// The parameter's current value.
XSI::CValue GetValue(const XSI::CString& target);
// Horizontal field of view (degrees) and roll (degrees) of a camera; the
// status is the command's return value read as a long integer.
XSI::CStatus SetCameraFov(const XSI::CString& camera, double value);
XSI::CStatus SetCameraRoll(const XSI::CString& camera, double value);
