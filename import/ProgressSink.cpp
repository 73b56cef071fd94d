#include "import/ProgressSink.h"

#include "import/ImportMessages.h"
#include "import/ImportSession.h"
#include "import/ImportWorker.h"

intptr_t ProgressSink::send(uint32_t message, intptr_t lParam) {
    receive(message, lParam);
    if (message == WM_IMPORT_FAILED) {
        // As the dialog: a failure counts as cancelled and ends the display with 0.
        if (session_) session_->cancelled = true;
        result_ = 0;
    }
    return 1;
}

void ProgressSink::end(int result) { result_ = result; }

int ProgressSink::run(ImportSession& session) {
    session_ = &session;
    result_ = 1;
    session.cancelled = false;
    if (!StartImportThread(this, &session)) return 1;  // the driver shows errorText
    WaitForImportThread();
    session_ = nullptr;
    return result_;
}
