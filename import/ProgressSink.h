#pragma once
// A progress target for displays without a window of their own (the console,
// tests): the worker's messages arrive on the worker thread, synchronously
// and in order, and the display's result is worked out as the progress dialog
// does it.
#include <cstdint>

#include "import/ImportUi.h"

class ProgressSink : public ProgressTarget {
public:
    intptr_t send(uint32_t message, intptr_t lParam) final;
    void end(int result) final;

    // Handles one message for display; called on the worker thread.
    virtual void receive(uint32_t message, intptr_t lParam) = 0;

    // Clears the session's `cancelled`, runs the worker with this sink until
    // the thread has ended, and answers as the progress dialog would: 1 after
    // a completed import or a failed thread start, 0 after a failure or when
    // `cancelled` was set.
    int run(ImportSession& session);

private:
    ImportSession* session_ = nullptr;
    int result_ = 1;
};
