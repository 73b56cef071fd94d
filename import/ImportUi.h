#pragma once
// The seam between the import driver and whatever shows the import to the
// user: the plug-in's skinned Win32 dialogs, or the console of the
// command-line program. The driver's steps are the same for both.
#include <cstdint>
#include <string>

struct ImportSession;

// Receives the import messages (ImportMessages.h) from the worker thread.
//
// send() must handle the message before it returns, as SendMessage does: a
// status text is only valid during the call, and progress must never run
// ahead of the display. On Windows the progress dialog's target forwards to
// SendMessageA(dialogWindow, message, 0, lParam); elsewhere a sink object
// handles the (message, lParam) pairs itself, synchronously and in order.
class ProgressTarget {
public:
    virtual ~ProgressTarget() = default;
    virtual intptr_t send(uint32_t message, intptr_t lParam) = 0;
    // Ends the progress display with a result (0: cancelled). Called from the
    // worker thread after its final message; a display that has already
    // ended ignores it.
    virtual void end(int result) = 0;
};

class ImportUi {
public:
    virtual ~ImportUi() = default;

    // Full path of the settings file for the module `instance`: the plug-in
    // answers "vq_vireru.cfg" beside its module (SettingsPathBesideModule).
    // An empty answer means that no settings file is read or written.
    virtual std::string settingsFilePath(void* instance) = 0;
    // Loads what the dialogs need to draw themselves (the skin bitmaps).
    virtual void loadSkinBitmaps(void* instance) = 0;
    // Lets the user set the options, the object name and the world path of
    // the session. 1: go on with the import; 0: cancelled.
    virtual int showOptions(ImportSession& session) = 0;
    // Clears the session's `cancelled`, starts the worker (StartImportThread)
    // with a ProgressTarget and shows its messages until it ends. 1: the
    // import completed, or the worker could not be started (errorText then
    // says so); 0: cancelled or failed.
    virtual int showProgress(ImportSession& session) = 0;
    // Shows a failure text to the user; style 0 is the information icon.
    virtual void showMessage(ImportSession& session, const char* text, unsigned style) = 0;
};
