// PLACEHOLDER: replaced by the progress dialog.
#include "ui/ImportDialogs.h"
INT_PTR ShowProgressDialog(ImportSession&) { return 0; }
