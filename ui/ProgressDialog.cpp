// The progress dialog (dialog 112): starts the worker once visible, shows its
// status line and progress, lets the user ask for cancellation, and after a
// completed import fades the bar into the background and closes by itself.
//
// Results: 1 after a completed import (or a worker that could not start),
// 0 after a failure or a cancellation.
#include "ui/ProgressDialog.h"

#include <atomic>
#include <cstdint>

#include "formats/FixedText.h"
#include "import/ImportSession.h"
#include "import/ImportUi.h"
#include "import/ImportWorker.h"
#include "res/resource.h"
#include "skin/SkinControls.h"
#include "skin/SkinPainter.h"
#include "skin/SkinPrimitives.h"
#include "ui/ImportDialogs.h"
#include "ui/logic/FadeBlend.h"

namespace {

// The dialog's timers.
constexpr UINT_PTR kStartTimer = 1039;  // every 100 ms until the dialog is visible
constexpr UINT_PTR kFadeTimer = 1040;   // 700 ms after WM_IMPORT_DONE, then every 50 ms
constexpr UINT_PTR kCloseTimer = 1041;  // ends the dialog with 1
constexpr UINT kStartPeriod = 100, kFirstFadeDelay = 700, kFadePeriod = 50;
constexpr UINT kCloseAfterFailedStart = 200, kCloseAfterFade = 100;

// Per-dialog state, on the stack of ShowProgressDialog for the life of the
// modal loop and reached through the dialog's user data.
struct ProgressDialogState {
    ImportSession* session;  // the import; its `cancelled` is written here
    bool ended;              // EndDialog called: later requests to end are ignored
};

// The fade level of the bar colour, 1.0 down to just below 0 (one fade at a time).
float g_fadeLevel = ui::kFadeStart;

progress::StartWorkerFn g_startWorker = StartImportThread;

// The worker's way to the dialog. One import runs at a time, so one target
// serves them all; it lives as long as the module, longer than any worker.
// The window is cleared when the dialog is destroyed, so a late request
// finds nothing to end.
class DialogTarget final : public ProgressTarget {
public:
    void attach(HWND dialog) { dialog_.store(dialog); }
    intptr_t send(uint32_t message, intptr_t lParam) override {
        HWND dialog = dialog_.load();
        return dialog ? SendMessageA(dialog, message, 0, lParam) : 0;
    }
    void end(int result) override {
        if (HWND dialog = dialog_.load()) SendMessageA(dialog, progress::WM_PROGRESS_END, result, 0);
    }

private:
    std::atomic<HWND> dialog_{nullptr};
};

DialogTarget g_target;

ProgressDialogState* stateOf(HWND dialog) {
    return reinterpret_cast<ProgressDialogState*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

void endOnce(HWND dialog, ProgressDialogState& state, INT_PTR result) {
    if (state.ended) return;
    state.ended = true;
    EndDialog(dialog, result);
}

void setBarColor(HWND dialog, uint32_t color) {
    SendDlgItemMessageA(dialog, IDC_PRG_BAR, PRGM_SETCOLOR, 0, static_cast<LPARAM>(color));
}

void initDialog(HWND dialog, ProgressDialogState* state) {
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    g_target.attach(dialog);
    SkinPainter::CenterOnMonitor(dialog, GetParent(dialog));
    SkinPainter::ApplyWindowShape(dialog);
    SkinGroupBox::install(GetDlgItem(dialog, IDC_PRG_GROUP));
    setBarColor(dialog, ui::kProgressBarColor);
    // Cleared as the dialog opens, not at the start tick: "Cancel Import"
    // pressed in the moment before the worker starts is kept.
    state->session->cancelled = false;
    SetTimer(dialog, kStartTimer, kStartPeriod, nullptr);
}

void onTimer(HWND dialog, ProgressDialogState& state, UINT_PTR timer) {
    if (!IsWindowVisible(dialog)) return;  // the start timer keeps ticking until it is
    KillTimer(dialog, timer);
    switch (timer) {
        case kStartTimer:
            if (!g_startWorker(&g_target, state.session)) SetTimer(dialog, kCloseTimer, kCloseAfterFailedStart, nullptr);
            break;
        case kFadeTimer:
            g_fadeLevel = ui::nextFadeLevel(g_fadeLevel);
            setBarColor(dialog, ui::blendColor(ui::kProgressBarColor, SkinColors::color(SkinColor::Background),
                                               g_fadeLevel));
            if (g_fadeLevel <= 0.0f) SetTimer(dialog, kCloseTimer, kCloseAfterFade, nullptr);
            else SetTimer(dialog, kFadeTimer, kFadePeriod, nullptr);
            break;
        case kCloseTimer:
            endOnce(dialog, state, 1);
            break;
    }
}

void showProgress(HWND dialog, const ImportSession& session, uint32_t count) {
    // A count over the total gives more than 1; the bar clamps it.
    const int32_t total = static_cast<int32_t>(session.progressTotal);
    float fraction = total ? static_cast<float>(count) / static_cast<float>(total) : 0.0f;
    SendDlgItemMessageA(dialog, IDC_PRG_BAR, PRGM_SETFRACTION, 0, reinterpret_cast<LPARAM>(&fraction));
}

void onDone(HWND dialog) {
    SetDlgItemTextA(dialog, IDC_PRG_STATUS, "");
    ShowWindow(GetDlgItem(dialog, IDC_PRG_CANCEL), SW_HIDE);
    g_fadeLevel = ui::kFadeStart;
    SetTimer(dialog, kFadeTimer, kFirstFadeDelay, nullptr);
}

void paintDialog(HWND dialog) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(dialog, &ps);
    SkinPainter::PaintFrame(dialog, dc);
    EndPaint(dialog, &ps);
}

INT_PTR CALLBACK progressDialogProc(HWND dialog, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        initDialog(dialog, reinterpret_cast<ProgressDialogState*>(lp));
        return TRUE;
    }
    ProgressDialogState* state = stateOf(dialog);
    if (!state) return FALSE;
    switch (msg) {
        case WM_TIMER:
            onTimer(dialog, *state, wp);
            return TRUE;
        case WM_IMPORT_STATUS: {
            const char* text = reinterpret_cast<const char*>(lp);
            SetDlgItemTextA(dialog, IDC_PRG_STATUS, text ? text : "");
            return TRUE;
        }
        case WM_IMPORT_PROGRESS:
            showProgress(dialog, *state->session, static_cast<uint32_t>(lp));
            return TRUE;
        case WM_IMPORT_DONE:
            onDone(dialog);
            return TRUE;
        case WM_IMPORT_FAILED:
            state->session->cancelled = true;
            endOnce(dialog, *state, 0);
            return TRUE;
        case progress::WM_PROGRESS_END:
            endOnce(dialog, *state, static_cast<INT_PTR>(wp));
            return TRUE;
        case WM_COMMAND:
            // "Cancel Import" only asks: the worker runs to its end and then
            // ends the dialog. Escape (IDCANCEL) and Enter change nothing.
            if (LOWORD(wp) == IDC_PRG_CANCEL) state->session->cancelled = true;
            else if (LOWORD(wp) == IDC_PRG_DONE) endOnce(dialog, *state, 1);
            return TRUE;
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, SkinColors::color(SkinColor::Text));
            SetBkColor(dc, SkinColors::color(SkinColor::Background));
            return reinterpret_cast<INT_PTR>(SkinColors::brush(SkinColor::Background));
        }
        case WM_LBUTTONDOWN:
            if (SkinPainter::HitCaption(dialog, lp)) PostMessageA(dialog, WM_NCLBUTTONDOWN, HTCAPTION, lp);
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
            return TRUE;
        case WM_PAINT:
            paintDialog(dialog);
            return TRUE;
        case WM_ERASEBKGND: {
            RECT rc;
            GetClientRect(dialog, &rc);
            FillRect(reinterpret_cast<HDC>(wp), &rc, SkinColors::brush(SkinColor::Background));
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 1);
            return TRUE;
        }
        case WM_DRAWITEM:
            SkinPainter::DrawSkinButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            return TRUE;
        case WM_DESTROY:
            g_target.attach(nullptr);
            SkinGroupBox::remove(GetDlgItem(dialog, IDC_PRG_GROUP));
            SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

namespace progress {

void SetWorkerStarter(StartWorkerFn start) { g_startWorker = start ? start : StartImportThread; }

void HandleSentMessagesUntil(const std::function<bool()>& done) {
    while (!done()) {
        // Wakes for a sent message, else looks again after 10 ms; PeekMessage
        // delivers the sent messages and leaves the posted ones queued.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG m;
        PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace progress

INT_PTR ShowProgressDialog(ImportSession& session) {
    ProgressDialogState state{&session, false};
    const INT_PTR result = DialogBoxParamA(static_cast<HINSTANCE>(session.instance), MAKEINTRESOURCEA(IDD_PROGRESS),
                                           static_cast<HWND>(session.hostWindow), progressDialogProc,
                                           reinterpret_cast<LPARAM>(&state));
    if (result == -1) {
        // No dialog, so no worker ran: that is a failure, not a completed import.
        if (!session.errorText[0]) fixedtext::copy(session.errorText, "cannot open the progress dialog");
        return 0;
    }
    return result;
}
