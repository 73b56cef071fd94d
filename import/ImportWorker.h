#pragma once
// The import worker: the thread that runs the import body (elevations, mesh,
// camera, sun, water) while the progress display shows its messages.
#include <cstdint>

#include "import/ImportMessages.h"

struct ImportSession;
class ProgressTarget;

// Starts the worker thread for session, reporting to dialog. False when the
// thread cannot be created; errorText then says so. Only one import runs at
// a time (the import is driven by modal dialogs).
bool StartImportThread(ProgressTarget* dialog, ImportSession* session);
// The thread's entry: runs the job, then ends the display with result 0 when
// the import was cancelled.
void ImportThreadMain(ProgressTarget* dialog, ImportSession* session);
// The job's frame: sets progressWindow, runs the body, sends WM_IMPORT_DONE or
// WM_IMPORT_FAILED, clears progressWindow.
void RunImportJob(ImportSession& session, ProgressTarget* dialog);
// The elevation reader's progress callback: WM_IMPORT_PROGRESS with the index
// of the sample just read to the target `window` (a ProgressTarget).
void ReportProgress(void* window, int32_t index);
// Waits until the worker thread (if any was started) has ended.
void WaitForImportThread();
// True when no worker is running: none was started, or the last one has
// returned from its entry. A user-interface thread that must not block while
// the worker may still send to it polls this while it handles sent messages.
bool ImportThreadFinished();

// Sends one import message to target; nothing happens without a target.
intptr_t SendImportMessage(ProgressTarget* target, uint32_t message, intptr_t lParam);
inline void SendStatus(ProgressTarget* target, const char* text) {
    SendImportMessage(target, WM_IMPORT_STATUS, reinterpret_cast<intptr_t>(text));
}
inline void SendProgress(ProgressTarget* target, uint32_t count) {
    SendImportMessage(target, WM_IMPORT_PROGRESS, static_cast<intptr_t>(count));
}
