// PLACEHOLDER: replaced by the Win32 ImportUi.
#include "ui/Win32ImportUi.h"
#include "ui/ImportDialogs.h"
#include "import/ImportSession.h"
std::string Win32ImportUi::settingsFilePath(void*) { return {}; }
void Win32ImportUi::loadSkinBitmaps(void*) {}
int Win32ImportUi::showOptions(ImportSession& s) { return static_cast<int>(ShowOptionsDialog(s)); }
int Win32ImportUi::showProgress(ImportSession& s) { return static_cast<int>(ShowProgressDialog(s)); }
void Win32ImportUi::showMessage(ImportSession& s, const char* text, unsigned style) { ShowHostMessage(s, text, style); }
