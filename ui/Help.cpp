// PLACEHOLDER: replaced by the help.
#include "ui/ImportDialogs.h"
void ShowHelp(ImportSession&, HWND) {}
