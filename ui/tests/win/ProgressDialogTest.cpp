// The progress dialog through real window messages: a scripted worker sends
// the import messages from its own thread, as the import worker does, and
// looks at the dialog between them. One real import runs through the
// plug-in's ImportUi at the end.
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstring>
#include <string>
#include <functional>
#include <memory>
#include <thread>

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
#include "ui/ImportDialogs.h"
#include "ui/ProgressDialog.h"
#include "ui/Win32ImportUi.h"

using namespace wintest;

namespace {

using Script = std::function<void(ProgressTarget&, ImportSession&)>;
Script g_script;
std::thread g_worker;
std::atomic<bool> g_go{false}, g_workerEnded{true};

// Waits until the test has found the dialog, follows the script, and ends
// the dialog with 0 when the import was cancelled, as the import worker does.
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

// Runs f on the dialogs' thread from the worker, blocking like its sends.
LRESULT CALLBACK runProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_APP) return DefWindowProcA(h, msg, wp, lp);
    (*reinterpret_cast<const std::function<void()>*>(lp))();
    return 0;
}

struct ProgressDialog : ::testing::Test {
    ImportSession session;
    HWND dialog = nullptr, runner = nullptr;
    std::function<void(HWND)> onShown;  // on the dialog's thread, before the worker starts

    void SetUp() override {
        setUpSkin();
        session.instance = GetModuleHandleA(nullptr);
        g_go = false;
        progress::SetWorkerStarter(startScripted);
        WNDCLASSA wc{};
        wc.lpfnWndProc = runProc;
        wc.lpszClassName = "vqTestRunner";
        RegisterClassA(&wc);
        runner = CreateWindowExA(0, "vqTestRunner", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        progress::SetWorkerStarter(nullptr);
        DestroyWindow(runner);
    }
    INT_PTR run(Script script) {
        g_go = false;
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
    void completedImportFadesOut();
    // Pixels of colour c along the middle row of the bar, as on the screen.
    int barPixels(COLORREF c) {
        int n = 0;
        const std::function<void()> count = [&] {
            const Capture cap = capture(GetDlgItem(dialog, IDC_PRG_BAR), false, false);  // as shown, not redrawn
            n = cap.count(c, RECT{0, cap.height / 2, cap.width, cap.height / 2 + 1});
        };
        SendMessageA(runner, WM_APP, 0, reinterpret_cast<LPARAM>(&count));
        return n;
    }
};

}  // namespace

void ProgressDialog::completedImportFadesOut() {
    const COLORREF bar = RGB(62, 145, 103);
    std::unique_ptr<Watch> watch;
    onShown = [&](HWND d) {
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, IDC_PRG_CANCEL)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, IDC_PRG_DONE)));
        watch = std::make_unique<Watch>(GetDlgItem(d, IDC_PRG_BAR));
    };
    DWORD doneAt = 0;
    const INT_PTR result = run([&](ProgressTarget& t, ImportSession& s) {
        t.send(WM_IMPORT_STATUS, reinterpret_cast<intptr_t>("reading elevation-data..."));
        EXPECT_EQ(windowText(GetDlgItem(dialog, IDC_PRG_STATUS)), "reading elevation-data...");
        RECT r;
        GetClientRect(GetDlgItem(dialog, IDC_PRG_BAR), &r);
        const int inner = r.right - 5;  // 2 pixels left and 3 right of the trough
        const struct { uint32_t total, count; int filled; } steps[] = {
            {0, 5, 0}, {200, 100, inner / 2}, {200, 300, inner}};  // no total: empty; past it: full
        for (const auto& step : steps) {
            s.progressTotal = step.total;
            t.send(WM_IMPORT_PROGRESS, step.count);
            EXPECT_EQ(barPixels(bar), step.filled) << step.count << "/" << step.total;
        }
        doneAt = GetTickCount();
        t.send(WM_IMPORT_DONE, 0);
        EXPECT_EQ(windowText(GetDlgItem(dialog, IDC_PRG_STATUS)), "");
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_PRG_CANCEL)));
    });
    const DWORD closedAfter = GetTickCount() - doneAt;
    EXPECT_EQ(result, 1);
    // 700 ms, nine more steps of 50 ms and 100 ms to close: at least 1.25 s.
    // Only lower bounds: a timer never fires early, but a busy machine may
    // fire it late; the steps themselves are counted below.
    EXPECT_GE(closedAfter, 1200u);
    ASSERT_TRUE(watch);
    // The bar colour blended into the background (56, 56, 56) at the float
    // levels 0.9 .. 0.1 and then just below 0, each channel cut toward zero.
    // The levels lie a little under the tenths: the fifth is 0.49999991, so
    // red gives 56 + 2.99999 = 58, not 59.
    const std::vector<COLORREF> expected = {
        RGB(61, 136, 98), RGB(60, 127, 93), RGB(60, 118, 88), RGB(59, 109, 84), RGB(58, 100, 79),
        RGB(58, 91, 74),  RGB(57, 82, 70),  RGB(57, 73, 65),  RGB(56, 64, 60),  RGB(56, 56, 56)};
    std::vector<COLORREF> seen;
    for (const Msg& m : watch->seen(PRGM_SETCOLOR)) seen.push_back(static_cast<COLORREF>(m.lp));
    EXPECT_EQ(seen, expected);
    if (seen.size() == 10) {
        const auto steps = watch->seen(PRGM_SETCOLOR);
        EXPECT_GE(steps[0].tick - doneAt, 650u);  // the first step waits 700 ms
        for (size_t i = 1; i < steps.size(); ++i)  // each other step waits its 50 ms
            EXPECT_GE(steps[i].tick - steps[i - 1].tick, 40u) << i;
    }
}


// Twice in one process, as two imports in one session of the host: the
// second fades from the full colour again.
TEST_F(ProgressDialog, completed_import_shows_status_and_bar_then_fades_out_in_ten_steps_and_closes_with_1) {
    for (int import = 1; import <= 2; ++import) {
        SCOPED_TRACE(import);
        completedImportFadesOut();
    }
}

TEST_F(ProgressDialog, failure_closes_at_once_with_0_and_keeps_the_text) {
    std::unique_ptr<Watch> watch;
    onShown = [&](HWND d) { watch = std::make_unique<Watch>(GetDlgItem(d, IDC_PRG_BAR)); };
    const INT_PTR result = run([&](ProgressTarget& t, ImportSession& s) {
        fixedtext::copy(s.errorText, "error while reading elevation-data");
        t.send(WM_IMPORT_FAILED, 0);
    });
    EXPECT_EQ(result, 0);
    // At once: no fade (which a completed import's closing goes through).
    ASSERT_TRUE(watch);
    EXPECT_TRUE(watch->seen(PRGM_SETCOLOR).empty());
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
        openAfterCancel = IsWindowVisible(dialog);  // the import goes on to its end
        t.send(WM_IMPORT_DONE, 0);
    });
    EXPECT_TRUE(openAfterCancel);
    EXPECT_EQ(result, 0);  // the worker's end(0), not the fade's 1
}

TEST_F(ProgressDialog, escape_and_enter_at_the_keyboard_do_nothing_while_the_import_runs) {
    // Real key presses, routed by the dialog's modal loop as a person's are.
    onShown = [](HWND d) {
        SetForegroundWindow(d);
        sendKey(VK_ESCAPE);
        sendKey(VK_RETURN);
    };
    bool openAfterKeys = false, cancelledAfterKeys = true;
    const INT_PTR result = run([&](ProgressTarget& t, ImportSession& s) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancelledAfterKeys = s.cancelled;
        openAfterKeys = IsWindowVisible(dialog);
        t.send(WM_IMPORT_DONE, 0);
    });
    EXPECT_TRUE(openAfterKeys);
    EXPECT_FALSE(cancelledAfterKeys);
    EXPECT_EQ(result, 1);  // the import completed and the dialog faded out
}

// Button 1134 ("-= DONE =-") is never shown; its command ends the dialog as a completed import.
TEST_F(ProgressDialog, done_command_ends_with_1) {
    onShown = [](HWND d) { clickControl(d, IDC_PRG_DONE); };
    EXPECT_EQ(run([](ProgressTarget&, ImportSession&) {}), 1);
}

TEST_F(ProgressDialog, worker_that_cannot_start_closes_with_1_and_a_dialog_that_cannot_open_with_0) {
    progress::SetWorkerStarter([](ProgressTarget*, ImportSession* s) {
        fixedtext::copy(s->errorText, "cannot create Import-thread\nsorry...");
        return false;
    });
    const DWORD start = GetTickCount();
    EXPECT_EQ(ShowProgressDialog(session), 1);
    EXPECT_GE(GetTickCount() - start, 300u);  // the start timer's 100 ms, then 200 ms
    EXPECT_STREQ(session.errorText, "cannot create Import-thread\nsorry...");

    session.errorText[0] = 0;
    session.instance = GetModuleHandleA("kernel32.dll");  // holds no dialog 112
    EXPECT_EQ(ShowProgressDialog(session), 0);            // not a completed import
    EXPECT_STREQ(session.errorText, "cannot open the progress dialog");
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
    ImportSession session;
    session.instance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(session.terrain.open(folder.write("hill.ter", tergen::terrainBytes(p)).c_str()));
    session.vertexCount = 17 * 9;
    session.triangleCount = (2 * 17 - 2) * (9 - 1);
    fixedtext::copy(session.objectName, "hill");

    Win32ImportUi ui;
    EXPECT_EQ(ui.showProgress(session), 1);
    EXPECT_TRUE(ImportThreadFinished());  // it waited for the worker
    WaitForImportThread();
    EXPECT_STREQ(session.errorText, "");
    const auto mesh = XSI::HostControl::FindObject("hill");
    ASSERT_TRUE(mesh.has_value());
    EXPECT_EQ(mesh->vertexCount, 17u * 9u);

    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    const std::string dir(exe, std::strrchr(exe, '\\') + 1);
    EXPECT_EQ(ui.settingsFilePath(GetModuleHandleA(nullptr)), dir + "vq_vireru.cfg");
}

// A host may hand the loader a module path written with forward slashes, or
// with both kinds: the module loads, and its settings file is the one in its
// own folder, whichever separators the system reports its name with.
TEST(Win32ImportUiProgress, a_module_loaded_by_a_path_with_forward_or_mixed_slashes_keeps_its_settings_beside_it) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    const std::string library = std::string(exe, std::strrchr(exe, '\\') + 1) + "XsiHostSdk.dll";
    const auto slashed = [](std::string path, size_t count) {  // the last count backslashes made "/"
        for (size_t at = path.size(); count > 0 && (at = path.rfind('\\', at - 1)) != std::string::npos; --count)
            path[at] = '/';
        return path;
    };
    const auto sameFile = [](std::string a, std::string b) {
        for (std::string* s : {&a, &b})
            for (char& c : *s) c = c == '/' ? '\\' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return a == b;
    };
    TempFolder folder;
    Win32ImportUi ui;
    for (size_t count : {size_t{1}, size_t{2}, std::string::npos}) {
        const std::string dir = folder.path("plug-ins " + std::to_string(count));
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << dir;
        const std::string copy = dir + "\\vqVirEru.dll";
        ASSERT_TRUE(CopyFileA(library.c_str(), copy.c_str(), FALSE)) << copy;
        const std::string spelled = slashed(copy, count);
        HMODULE module = LoadLibraryA(spelled.c_str());
        ASSERT_NE(module, nullptr) << spelled << " error " << GetLastError();
        const std::string settings = ui.settingsFilePath(module);
        EXPECT_TRUE(sameFile(settings, dir + "\\vq_vireru.cfg")) << spelled << " gives " << settings;
        FreeLibrary(module);
    }
}
