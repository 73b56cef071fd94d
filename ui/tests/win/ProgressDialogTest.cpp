// The progress dialog through real window messages: a scripted worker sends
// the import messages from its own thread, as the import worker does, and
// checks the dialog between them on the dialog's thread. One real import
// runs through the plug-in's ImportUi at the end.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "DialogDriver.h"
#include "formats/FixedText.h"
#include "formats/tests/TempFiles.h"
#include "host/HostControl.h"
#include "import/ImportMessages.h"
#include "import/ImportSession.h"
#include "import/ImportUi.h"
#include "import/ImportWorker.h"
#include "res/resource.h"
#include "skin/SkinMessages.h"
#include "skin/tests/win/WinTestSupport.h"
#include "tools/tergen/TerGen.h"
#include "ui/ImportDialogs.h"
#include "ui/ProgressDialog.h"
#include "ui/Win32ImportUi.h"

using namespace wintest;

namespace {

constexpr COLORREF kBar = RGB(62, 145, 103);

// Runs a function on the thread that owns the dialogs, from any thread,
// blocking like the worker's own sends.
class UiThread {
public:
    UiThread() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "vqTestUiThread";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, "vqTestUiThread", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    ~UiThread() { DestroyWindow(hwnd_); }
    void run(const std::function<void()>& f) const { SendMessageA(hwnd_, WM_APP, 0, reinterpret_cast<LPARAM>(&f)); }

private:
    static LRESULT CALLBACK proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg != WM_APP) return DefWindowProcA(h, msg, wp, lp);
        (*reinterpret_cast<const std::function<void()>*>(lp))();
        return 0;
    }
    HWND hwnd_ = nullptr;
};

// The worker a test scripts: it waits until the dialog has been found, runs
// the script, and ends the dialog with 0 when the import was cancelled, as
// the import worker does.
using Script = std::function<void(ProgressTarget&, ImportSession&)>;
Script g_script;
std::thread g_worker;
std::atomic<bool> g_go{false}, g_workerEnded{true};

bool startScripted(ProgressTarget* target, ImportSession* session) {
    g_workerEnded = false;
    g_worker = std::thread([target, session] {
        while (!g_go) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        g_script(*target, *session);
        if (session->cancelled) target->end(0);
        g_workerEnded = true;
    });
    return true;
}

bool failToStart(ProgressTarget*, ImportSession* session) {
    fixedtext::copy(session->errorText, "cannot create Import-thread\nsorry...");
    return false;
}

struct ProgressDialog : ::testing::Test {
    ImportSession session;
    UiThread ui;
    HWND dialog = nullptr;
    std::function<void(HWND)> onShown;  // on the dialog's thread, before the worker starts

    void SetUp() override {
        setUpSkin();
        session.instance = GetModuleHandleA(nullptr);
        g_go = false;
        progress::SetWorkerStarter(startScripted);
    }
    void TearDown() override { progress::SetWorkerStarter(nullptr); }

    // Shows the dialog with the worker following script; answers the
    // dialog's result once the worker has ended too.
    INT_PTR run(Script script) {
        g_script = std::move(script);
        driveNextDialog([this](HWND d) {
            dialog = d;
            if (onShown) onShown(d);
            g_go = true;
        });
        const INT_PTR result = ShowProgressDialog(session);
        progress::HandleSentMessagesUntil([] { return g_workerEnded.load(); });
        if (g_worker.joinable()) g_worker.join();
        return result;
    }
    void send(ProgressTarget& t, uint32_t message, intptr_t lParam = 0) { t.send(message, lParam); }
    void sendStatus(ProgressTarget& t, const char* text) { t.send(WM_IMPORT_STATUS, reinterpret_cast<intptr_t>(text)); }
    // Pixels of colour c along the middle row of the bar's trough, and the
    // trough's inner width (the bar's client width less 2 left and 3 right).
    int barPixels(COLORREF c) {
        int n = 0;
        ui.run([&] {
            const Capture cap = capture(GetDlgItem(dialog, IDC_PRG_BAR));
            n = cap.count(c, RECT{0, cap.height / 2, cap.width, cap.height / 2 + 1});
        });
        return n;
    }
    int innerWidth() {
        RECT r;
        GetClientRect(GetDlgItem(dialog, IDC_PRG_BAR), &r);
        return r.right - 5;
    }
};

}  // namespace

TEST_F(ProgressDialog, completed_import_shows_status_and_bar_then_fades_out_in_ten_steps_and_closes_with_1) {
    Watch* watch = nullptr;
    onShown = [&](HWND d) {
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, IDC_PRG_CANCEL)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, IDC_PRG_DONE)));
        watch = new Watch(GetDlgItem(d, IDC_PRG_BAR));
    };
    DWORD doneAt = 0;
    const INT_PTR result = run([&](ProgressTarget& t, ImportSession& s) {
        sendStatus(t, "reading elevation-data...");
        EXPECT_EQ(windowText(GetDlgItem(dialog, IDC_PRG_STATUS)), "reading elevation-data...");
        s.progressTotal = 0;  // nothing to divide by: an empty bar
        send(t, WM_IMPORT_PROGRESS, 5);
        EXPECT_EQ(barPixels(kBar), 0);
        s.progressTotal = 200;
        send(t, WM_IMPORT_PROGRESS, 100);
        const int inner = innerWidth();
        EXPECT_EQ(barPixels(kBar), inner / 2);
        send(t, WM_IMPORT_PROGRESS, 300);  // past the total: a full bar
        EXPECT_EQ(barPixels(kBar), inner);
        doneAt = GetTickCount();
        send(t, WM_IMPORT_DONE);
        EXPECT_EQ(windowText(GetDlgItem(dialog, IDC_PRG_STATUS)), "");
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_PRG_CANCEL)));
    });
    const DWORD closedAt = GetTickCount();
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(session.cancelled);
    // 700 ms, nine more steps of 50 ms and 100 ms to close: about 1.25 s.
    EXPECT_GE(closedAt - doneAt, 1200u);
    EXPECT_LE(closedAt - doneAt, 2500u);

    // Ten steps: the bar colour blended into the background (56, 56, 56) at
    // the float levels 0.9 .. 0.1 and then just below 0, each channel cut
    // toward zero. The float levels lie a little under the tenths: the fifth
    // is 0.49999991, so red gives 56 + 2.99999 = 58, not 59.
    const std::vector<COLORREF> expected = {
        RGB(61, 136, 98), RGB(60, 127, 93), RGB(60, 118, 88), RGB(59, 109, 84), RGB(58, 100, 79),
        RGB(58, 91, 74),  RGB(57, 82, 70),  RGB(57, 73, 65),  RGB(56, 64, 60),  RGB(56, 56, 56)};
    std::vector<COLORREF> seen;
    std::vector<DWORD> ticks;
    for (const Msg& m : watch->seen(PRGM_SETCOLOR)) {
        seen.push_back(static_cast<COLORREF>(m.lp));
        ticks.push_back(m.tick);
    }
    EXPECT_EQ(seen, expected);
    if (ticks.size() == 10) {
        EXPECT_GE(ticks[0] - doneAt, 650u);           // the first step waits 700 ms
        EXPECT_LT(ticks[9] - ticks[0], 9 * 50u + 400);  // the others follow every 50 ms
    }
    delete watch;
}

TEST_F(ProgressDialog, failure_closes_at_once_with_0_and_keeps_the_text) {
    DWORD failedAt = 0;
    const INT_PTR result = run([&](ProgressTarget& t, ImportSession& s) {
        sendStatus(t, "reading elevation-data...");
        fixedtext::copy(s.errorText, "error while reading elevation-data");
        failedAt = GetTickCount();
        send(t, WM_IMPORT_FAILED);
    });
    EXPECT_EQ(result, 0);
    EXPECT_LT(GetTickCount() - failedAt, 500u);
    EXPECT_TRUE(session.cancelled);
    EXPECT_STREQ(session.errorText, "error while reading elevation-data");
}

TEST_F(ProgressDialog, cancel_import_and_escape_do_not_close_the_worker_ends_it_with_0) {
    // Both go through the dialog's modal loop, as a key press and a click do.
    onShown = [](HWND d) {
        PostMessageA(GetFocus() ? GetFocus() : d, WM_KEYDOWN, VK_ESCAPE, 0);
        clickControl(d, IDC_PRG_CANCEL);
    };
    bool openAfterCancel = false;
    const INT_PTR result = run([&](ProgressTarget& t, ImportSession& s) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_TRUE(s.cancelled);
        // The import goes on to its end: the dialog still answers.
        s.progressTotal = 10;
        send(t, WM_IMPORT_PROGRESS, 5);
        openAfterCancel = IsWindowVisible(dialog);
        send(t, WM_IMPORT_DONE);
    });
    EXPECT_TRUE(openAfterCancel);
    EXPECT_EQ(result, 0);  // the worker's end(0), not the fade's 1
    EXPECT_TRUE(session.cancelled);
}

TEST_F(ProgressDialog, worker_that_cannot_start_closes_the_dialog_with_1_after_200_ms) {
    progress::SetWorkerStarter(failToStart);
    driveNextDialog([](HWND) {}, 1);
    const DWORD start = GetTickCount();
    EXPECT_EQ(ShowProgressDialog(session), 1);
    EXPECT_GE(GetTickCount() - start, 300u);  // the start timer's 100 ms, then 200 ms
    EXPECT_STREQ(session.errorText, "cannot create Import-thread\nsorry...");
}

TEST_F(ProgressDialog, dialog_that_cannot_open_is_a_failure_not_a_completed_import) {
    session.instance = GetModuleHandleA("kernel32.dll");  // holds no dialog 112
    EXPECT_EQ(ShowProgressDialog(session), 0);
    EXPECT_STREQ(session.errorText, "cannot open the progress dialog");
    EXPECT_TRUE(g_workerEnded);  // nothing was started
}

TEST(Win32ImportUiProgress, real_import_through_the_progress_dialog_and_settings_beside_the_module) {
    setUpSkin();
    XSI::HostControl::ResetHost();
    TempFolder folder;
    tergen::TerrainParams p;
    p.xPoints = 17;
    p.yPoints = 9;
    p.scale = std::array<float, 3>{30, 30, 30};
    p.samples = tergen::makeRelief(17, 9);
    const std::string path = folder.write("hill.ter", tergen::terrainBytes(p));

    ImportSession session;
    session.instance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(session.terrain.open(path.c_str()));
    session.vertexCount = 17 * 9;
    session.triangleCount = (2 * 17 - 2) * (9 - 1);
    fixedtext::copy(session.objectName, "hill");
    session.importCamera = session.importSun = session.createWater = session.importRender = false;

    Win32ImportUi ui;
    const INT_PTR result = ui.showProgress(session);
    EXPECT_TRUE(ImportThreadFinished());  // it waited for the worker
    WaitForImportThread();
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(session.errorText, "");
    const auto mesh = XSI::HostControl::FindObject("hill");
    ASSERT_TRUE(mesh.has_value());
    EXPECT_EQ(mesh->vertexCount, 17u * 9u);

    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string expected(exe);
    expected = expected.substr(0, expected.find_last_of('\\') + 1) + "vq_vireru.cfg";
    EXPECT_EQ(ui.settingsFilePath(GetModuleHandleA(nullptr)), expected);
}
