// "Cancel Import" pressed as the progress dialog shows, before its start
// tick has started the worker: the cancel is kept, and the dialog ends with 0.
#include <gtest/gtest.h>

#include "import/ImportSession.h"
#include "import/ImportUi.h"
#include "import/ImportWorker.h"
#include "res/resource.h"
#include "skin/tests/win/WinTestSupport.h"
#include "ui/ImportDialogs.h"
#include "ui/ProgressDialog.h"

namespace {

bool g_cancelledAtStart = false;
int g_starts = 0;

// The worker, started by the start tick: the import's body is over at once;
// a cancelled import ends the dialog with 0, as the import worker does.
bool startAndEnd(ProgressTarget* target, ImportSession* session) {
    ++g_starts;
    g_cancelledAtStart = session->cancelled;
    target->end(session->cancelled ? 0 : 1);
    return true;
}

// Presses "Cancel Import" as the dialog is made: the click is queued ahead
// of the start tick (a timer comes only when nothing else is waiting).
LRESULT CALLBACK clickOnInit(int code, WPARAM wp, LPARAM lp) {
    const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lp);
    if (code == HC_ACTION && m->message == WM_INITDIALOG && GetDlgItem(m->hwnd, IDC_PRG_CANCEL))
        PostMessageA(m->hwnd, WM_COMMAND, MAKEWPARAM(IDC_PRG_CANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(m->hwnd, IDC_PRG_CANCEL)));
    return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

TEST(ProgressEarlyCancel, a_cancel_before_the_start_tick_is_kept_and_a_stale_one_is_not) {
    wintest::setUpSkin();
    progress::SetWorkerStarter(startAndEnd);
    ImportSession session;
    session.instance = GetModuleHandleA(nullptr);

    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, clickOnInit, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    g_starts = 0;
    EXPECT_EQ(ShowProgressDialog(session), 0);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(g_starts, 1);
    EXPECT_TRUE(g_cancelledAtStart);

    // The next dialog starts from no cancel, whatever the session held.
    session.cancelled = true;
    EXPECT_EQ(ShowProgressDialog(session), 1);
    EXPECT_FALSE(g_cancelledAtStart);
    progress::SetWorkerStarter(nullptr);
}
