// PLACEHOLDER: replaced by the message box.
#include "ui/ImportDialogs.h"
bool ShowMessage(ImportSession&, HWND, const char*, UINT) { return false; }
bool ShowHostMessage(ImportSession&, const char*, UINT) { return false; }
