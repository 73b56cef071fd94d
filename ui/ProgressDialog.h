// The progress dialog's pieces that the import's user interface and the tests
// reach besides ShowProgressDialog: the message by which the worker ends the
// dialog, the replaceable worker start, and the wait that keeps answering
// the worker's messages.
#pragma once

#include <windows.h>

#include <functional>

class ProgressTarget;
struct ImportSession;

namespace progress {

// Sent by the worker thread to the dialog to end it on the dialog's own
// thread; wParam is the result. A dialog that has already ended ignores it.
constexpr UINT WM_PROGRESS_END = 0x8010;

// Starts the worker once the dialog is visible: StartImportThread unless a
// test put another starter in place (nullptr puts StartImportThread back).
using StartWorkerFn = bool (*)(ProgressTarget* dialog, ImportSession* session);
void SetWorkerStarter(StartWorkerFn start);

// Handles the messages other threads send to this one (not the posted ones)
// until done() answers true. A user-interface thread waits for the worker
// this way: the worker may still be inside a send to this thread when the
// dialog has ended, and a plain join would never let that send return.
void HandleSentMessagesUntil(const std::function<bool()>& done);

}  // namespace progress
