// The import's dialogs on Windows: options (109), progress (112), the skinned
// message box (110), the about box (114) and the help. Each runs modally on
// the user-interface thread from the plug-in module's resources
// (session.instance) and is owned by the window given, or by the session's
// hostWindow.
#pragma once

#include <windows.h>

struct ImportSession;

// Options dialog: the terrain header, the object name, scale and switches,
// the world file. 1: Import (the options are in the session); 0: Cancel.
INT_PTR ShowOptionsDialog(ImportSession& session);
// The world-path button's action: the open-file dialog on session.worldPath,
// then the fitted path as the button's text.
void BrowseWorldFile(ImportSession& session, HWND dialog);

// Progress dialog: starts the worker once visible and shows its messages.
// 1: completed (or the worker could not be started); 0: failed or cancelled.
INT_PTR ShowProgressDialog(ImportSession& session);

// Skinned message box with text (lines separated by "\n") and the icon of
// type (0x20 question, 0x30 exclamation, else information). Answers false.
bool ShowMessage(ImportSession& session, HWND owner, const char* text, UINT type);
// The same, owned by the session's hostWindow.
bool ShowHostMessage(ImportSession& session, const char* text, UINT type);

// About box: the about picture; a click on it closes the box.
void ShowAboutBox(ImportSession& session, HWND owner);

// Opens "vqVirEru.chm" through the HTML Help control; when that fails, the
// message box says "you need  help for this ?".
void ShowHelp(ImportSession& session, HWND owner);
