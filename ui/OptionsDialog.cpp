// PLACEHOLDER: replaced by the options dialog.
#include "ui/ImportDialogs.h"
INT_PTR ShowOptionsDialog(ImportSession&) { return 0; }
void BrowseWorldFile(ImportSession&, HWND) {}
