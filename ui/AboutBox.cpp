// PLACEHOLDER: replaced by the about box.
#include "ui/ImportDialogs.h"
void ShowAboutBox(ImportSession&, HWND) {}
