#pragma once
// Application-level classes of the stand-in host: the application with its
// named commands and log, the desktop, the plug-in registrar, context, menus,
// and the COM handler that reaches the "XSI.UIToolkit" file browser.
//
// Choices where the plug-in leaves the host open:
// - There is one host per process. Application, Desktop and the other classes
//   are handles to it; they work from any thread (the state is guarded by one
//   lock, never thread-local), so the import may build on its worker thread.
// - Named commands (ExecuteCommand), each recorded in order with its arguments,
//   also when unknown or refused:
//     NewScene(empty, false)          empties the scene, resets the render pass
//                                     parameters, view camera and framing;
//                                     preferences survive
//     FrameAll(true, true, int16 0)   marks the views framed
//     SetViewCamera(name, int16 1)    makes the named camera the view camera
//     TranslatePivot(name, x, y, z)   sets the object's pivot (object axes)
//     Translate(name, x, y, z)        sets the object's global position
//     SetValue(path, value)           sets a parameter; answers an empty value
//     GetValue(path)                  answers the parameter's value
//   Trailing arguments may be left out; the host's defaults apply. A missing
//   object, path or argument answers CStatus::Fail, changes nothing and leaves
//   the return value empty. An unknown command answers CStatus::NotImpl.
// - Parameters and defaults: "preferences.scripting.cmdlog" = true;
//   "Passes.Default_Pass.RenderOptions." EndFrame = int16 100, PassCamera = "",
//   PictureStandard = int16 0, InverseRatio = false, CameraXRes = int32 640,
//   CameraYRes = int32 480, PixelRatio = float 1.0. Every camera has
//   "<camera>.camera.fov" (double, horizontal degrees) and
//   "<camera>.kine.dircns.roll" (double, degrees). SetValue converts a number
//   or bool to the parameter's type; a string is accepted only by a string
//   parameter, and a number only by a number or bool parameter.
// - The file browser: an answer set in advance (HostControl) is what ShowOpen
//   gives; without one, Windows shows a real open-file dialog and other
//   systems answer an empty path (cancelled).
#include <cstdint>
#include <memory>

#include "host/XsiCore.h"
#include "host/XsiScene.h"

namespace XSI {

// Where a menu is anchored in the host's menus; the host numbers these.
enum siMenuAnchorPoints : int32_t {};

class Desktop {
public:
    // The host's main window (an HWND on Windows); null when the host has none.
    void* GetApplicationWindowHandle() const;
    CStatus SuspendWin32ControlsHook();
    CStatus RestoreWin32ControlsHook();
    CStatus RedrawUI();
};

class Application {
public:
    CStatus ExecuteCommand(const CString& name, const CValueArray& args, CValue& returnValue);
    CStatus LogMessage(const CString& text, siSeverityType severity = siInfoMsg);
    Desktop GetDesktop() const { return Desktop(); }
    Model GetActiveSceneRoot() const;
};

class MenuItem;

class Menu {
public:
    Menu() = default;
    explicit Menu(const CRef& ref);
    bool IsValid() const { return item_ != nullptr; }
    CString GetName() const;
    // Adds an item that runs the named callback when picked.
    CStatus AddCallbackItem(const CString& label, const CString& callback, MenuItem& item);
    uint32_t GetItemCount() const;
    MenuItem GetItem(uint32_t index) const;
    CRef GetRef() const;

    // For host programs: a menu as the host makes it before calling the init entry.
    static Menu Create(const CString& name);

    struct Item;

private:
    std::shared_ptr<Item> item_;
};

class MenuItem {
public:
    MenuItem() = default;
    explicit MenuItem(const CRef& ref);
    bool IsValid() const { return item_ != nullptr; }
    CString GetName() const;       // the label
    CString GetCallback() const;   // the callback's name
    CRef GetParent() const;        // the menu
    CRef GetRef() const;

    struct Item;

private:
    std::shared_ptr<Item> item_;
};

class Context {
public:
    Context() = default;
    explicit Context(const CRef& source) : source_(source) {}
    CRef GetSource() const { return source_; }

private:
    CRef source_;
};

class PluginRegistrar {
public:
    PluginRegistrar();
    CString GetName() const;
    CString GetAuthor() const;
    CString GetEmail() const;
    CString GetURL() const;
    void GetVersion(uint32_t& major, uint32_t& minor) const;
    void PutName(const CString& name);
    void PutAuthor(const CString& author);
    void PutEmail(const CString& email);
    void PutURL(const CString& url);
    void PutVersion(uint32_t major, uint32_t minor);
    CStatus RegisterMenu(siMenuAnchorPoints anchor, const CString& name,
                         bool displayAsSubmenu = true, bool dynamic = true);

    struct RegisteredMenu {
        int32_t anchor;
        CString name;
        bool displayAsSubmenu;
        bool dynamic;
    };
    uint32_t GetMenuCount() const;
    RegisteredMenu GetMenu(uint32_t index) const;

    struct Data;

private:
    std::shared_ptr<Data> data_;
};

// Late-bound access to a host COM object. The only one offered is
// "XSI.UIToolkit", whose property "FileBrowser" is an object with the
// properties Filter, DialogTitle, InitialDirectory, FileBaseName,
// FilePathName and the method ShowOpen.
class CComAPIHandler {
public:
    CComAPIHandler() = default;
    explicit CComAPIHandler(const CValue& object);  // an object from GetProperty
    CStatus CreateInstance(const CString& progId);
    bool IsValid() const { return ref_.IsValid(); }
    CValue GetProperty(const CString& name) const;
    CStatus PutProperty(const CString& name, const CValue& value);
    CStatus Call(const CString& method, CValue& returnValue, const CValueArray& args = CValueArray());
    CValue GetRef() const { return CValue(ref_); }

private:
    CRef ref_;
};

}  // namespace XSI
