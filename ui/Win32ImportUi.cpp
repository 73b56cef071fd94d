#include "ui/Win32ImportUi.h"

#include <windows.h>

#include "import/ImportPaths.h"
#include "import/ImportSession.h"
#include "import/ImportWorker.h"
#include "skin/SkinPrimitives.h"
#include "ui/ImportDialogs.h"
#include "ui/ProgressDialog.h"

std::string Win32ImportUi::settingsFilePath(void* instance) {
    char module[MAX_PATH];
    const DWORD n = GetModuleFileNameA(static_cast<HMODULE>(instance), module, sizeof module);
    // A full buffer means the name was cut (and may lack its NUL): no settings file then.
    if (n == 0 || n >= sizeof module) return {};
    char path[MAX_PATH];
    SettingsPathBesideModule(module, path, sizeof path);
    return path;
}

void Win32ImportUi::loadSkinBitmaps(void* instance) { LoadSkinBitmaps(static_cast<HINSTANCE>(instance)); }

int Win32ImportUi::showOptions(ImportSession& session) { return static_cast<int>(ShowOptionsDialog(session)); }

int Win32ImportUi::showProgress(ImportSession& session) {
    const int result = static_cast<int>(ShowProgressDialog(session));
    // The worker may still be sending to this thread (its final message, its
    // request to end the dialog); the driver joins it only once it has ended.
    progress::HandleSentMessagesUntil(ImportThreadFinished);
    return result;
}

void Win32ImportUi::showMessage(ImportSession& session, const char* text, unsigned style) {
    ShowHostMessage(session, text, style);
}
