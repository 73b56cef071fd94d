#pragma once
// Stands in for the user at the plug-in's dialogs while the import command
// runs: a thread timer looks at the dialog on top and
//   - options dialog: sends the next scripted action (one per tick), and
//     waits for the user when the script is done;
//   - message box: writes its text to stderr and answers OK;
//   - about box: closes it;
//   - progress dialog: leaves it alone;
//   - the help viewer: reports it on stderr and closes it.
// With a screenshot folder, each kind of dialog is saved once, as it first
// shows after painting.
#include <string>
#include <vector>

#include "app/scenehost/UiScript.h"

void setDialogScript(std::vector<UiAction> actions, std::string screenshotFolder);
void startDialogAutomation();
void stopDialogAutomation();
