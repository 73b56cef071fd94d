#pragma once
// Stands in for the user at the plug-in's dialogs while the import command
// runs: a thread timer looks at the dialog on top and
//   - options dialog: sends the next scripted action (one per tick); with
//     no script it waits for the user;
//   - message box: writes its text to stderr and answers OK;
//   - about box: closes it;
//   - progress dialog: leaves it alone;
//   - the help viewer: reports it on stderr and closes it.
// With a screenshot folder, each kind of dialog is saved once, as it first
// shows after painting.
//
// A script never leaves the run waiting for a person: when its last action
// is done and a dialog it does not answer (the options dialog, a system
// dialog) is still open kScriptEndBoundMs later, stderr names that dialog
// and the control with the focus, the dialog is ended, and
// scriptLeftDialogOpen() answers true. Should the dialog not close, the
// process ends with kScriptLeftOpenStatus a few seconds after that.
#include <string>
#include <vector>

#include "app/scenehost/UiScript.h"

constexpr unsigned kScriptEndBoundMs = 5000;
constexpr int kScriptLeftOpenStatus = 3;

void setDialogScript(std::vector<UiAction> actions, std::string screenshotFolder);
void startDialogAutomation();
void stopDialogAutomation();
bool scriptLeftDialogOpen();
