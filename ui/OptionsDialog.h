// The options dialog's pieces that its tests reach: the path fitting with a
// device context, and the open-file dialog, replaceable so that a test can
// answer it without a window.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <cstddef>

// Shortens the path in text (a buffer of size bytes) so that it fits width
// pixels in dc's current font (see ui/logic/PathFit.h).
void FitPathText(HDC dc, char* text, size_t size, int width);

// The open-file dialog BrowseWorldFile shows: GetOpenFileNameA unless
// replaced. Setting nullptr puts GetOpenFileNameA back; answers the previous.
using OpenFileDialogFn = BOOL(WINAPI*)(OPENFILENAMEA*);
OpenFileDialogFn SetOpenFileDialog(OpenFileDialogFn fn);

// Size of the open-file record as the dialog fills it: the form without the
// places-bar fields at the end (76 bytes on 32-bit Windows, 136 on 64-bit).
constexpr DWORD kOpenFileRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
