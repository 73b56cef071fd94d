// The plug-in's ImportUi: the settings file beside the module, the skin
// bitmaps from the module, and the skinned Win32 dialogs.
#pragma once

#include "import/ImportUi.h"

class Win32ImportUi : public ImportUi {
public:
    std::string settingsFilePath(void* instance) override;
    void loadSkinBitmaps(void* instance) override;
    int showOptions(ImportSession& session) override;
    int showProgress(ImportSession& session) override;
    void showMessage(ImportSession& session, const char* text, unsigned style) override;
};
