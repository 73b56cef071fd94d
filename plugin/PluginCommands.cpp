#include "plugin/PluginCommands.h"

#include "import/ImportSession.h"
#include "import/ImportUi.h"

using XSI::CStatus;
using XSI::CString;
using XSI::CValue;

CStatus RegisterPlugin(XSI::PluginRegistrar& registrar) {
    registrar.PutAuthor("mavo");
    registrar.PutName(kPluginName);
    registrar.PutEmail("");
    registrar.PutURL("");
    registrar.PutVersion(1, 0);
    registrar.RegisterMenu(static_cast<XSI::siMenuAnchorPoints>(kMenuAnchor), kMenuName, false, false);
    return CStatus::OK;
}

CStatus UnregisterPlugin(const XSI::PluginRegistrar& registrar) {
    XSI::Application().LogMessage(registrar.GetName() + " has been unloaded.", XSI::siInfoMsg);
    return CStatus::OK;
}

CStatus BuildImportMenu(XSI::Context& context) {
    XSI::Menu menu(context.GetSource());
    XSI::MenuItem item;
    const CStatus status = menu.AddCallbackItem(kMenuItemLabel, kCommandCallback, item);
    if (status != CStatus::OK) return status;
    return CStatus::OK;
}

CStatus RunImportCommand(XSI::Context& context, void* instance, ImportUi& ui) {
    XSI::Application app;
    const XSI::MenuItem item(context.GetSource());
    const XSI::Menu menu(item.GetParent());
    app.LogMessage(menu.GetName() + ":" + item.GetName() + kCommandCallback, XSI::siInfoMsg);

    // The host's file browser, reached late-bound as a script would.
    XSI::CComAPIHandler toolkit;
    toolkit.CreateInstance("XSI.UIToolkit");
    XSI::CComAPIHandler browser(toolkit.GetProperty("FileBrowser"));
    browser.PutProperty("Filter", CValue(CString("Terragen ter(*.ter)|*.ter||")));
    browser.PutProperty("DialogTitle", CValue(CString("vq::DirUzoved")));
    browser.PutProperty("InitialDirectory", CValue(CString("D:/Apps/Terragen/Worlds")));
    browser.PutProperty("FileBaseName", CValue(CString("")));
    CValue ignored;
    browser.Call("ShowOpen", ignored);
    const CString path = browser.GetProperty("FilePathName").GetAsText();
    if (path.IsEmpty()) return CStatus::OK;  // the user cancelled the browser

    ImportSession session;
    session.instance = instance;
    (void)session.RunImport(path, ui);  // failures were shown to the user by the session
    return CStatus::OK;
}
