// The dialogs at the keyboard and the mouse as the system delivers them: key
// presses and clicks are synthesized hardware input (SendInput) and go through
// the dialog manager's own routing (IsDialogMessage), not messages sent
// straight to a control.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "DialogDriver.h"
#include "formats/tests/TempFiles.h"
#include "import/ImportSession.h"
#include "resource.h"
#include "skin/SkinMessages.h"
#include "skin/tests/win/WinTestSupport.h"
#include "ui/Help.h"
#include "ui/ImportDialogs.h"
#include "ui/OptionsDialog.h"

namespace {

using wintest::windowText;

// Handles what arrives for ms milliseconds as the dialog's modal loop does.
void pumpDialog(HWND dialog, DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (IsWindow(dialog) && IsDialogMessageA(dialog, &m)) continue;
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        Sleep(5);
    } while (static_cast<LONG>(GetTickCount() - end) < 0);
}

void press(HWND dialog, WORD vk, bool shift = false) {
    wintest::sendKey(vk, shift);
    pumpDialog(dialog, 60);
}

// A left click at the middle of a control, through the system's input.
void clickAt(HWND control, HWND dialog) {
    RECT r;
    GetWindowRect(control, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    pumpDialog(dialog, 20);
    for (DWORD flags : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flags;
        SendInput(1, &in, sizeof in);
        pumpDialog(dialog, 40);
    }
}

// Where the focus is, by control id; the spinner's edit is "1000.edit".
std::string focusName(HWND dialog) {
    HWND f = GetFocus();
    if (!f) return "none";
    if (f == dialog) return "dialog";
    if (GetParent(f) == dialog) return std::to_string(GetDlgCtrlID(f));
    if (GetParent(GetParent(f)) == dialog) return std::to_string(GetDlgCtrlID(GetParent(f))) + ".edit";
    return "elsewhere";
}

std::string spinnerText(HWND dialog) {
    return windowText(FindWindowExA(GetDlgItem(dialog, IDC_OPT_SCALE), nullptr, "Edit", nullptr));
}

std::string writeTerrain(const TempFolder& folder) {
    tergen::TerrainParams p;
    p.xPoints = p.yPoints = 9;
    p.size = 8;
    return folder.write("t.ter", tergen::terrainBytes(p));
}

// The open-file dialog stand-in: while "open" it runs a loop of its own, as
// the system's dialog does, in which the test clicks the options dialog.
HWND g_options = nullptr;
int g_browses = 0;
bool g_enabledWhileOpen = true;
BOOL WINAPI browserThatIsClickedBehind(OPENFILENAMEA*) {
    ++g_browses;
    g_enabledWhileOpen = IsWindowEnabled(g_options) != FALSE;
    clickAt(GetDlgItem(g_options, IDC_OPT_WORLD_PATH), nullptr);  // a second browser?
    clickAt(GetDlgItem(g_options, IDC_OPT_IMPORT), nullptr);      // Import under the browser?
    clickAt(GetDlgItem(g_options, IDC_OPT_CAMERA), nullptr);
    return FALSE;
}

class Keyboard : public ::testing::Test {
protected:
    void SetUp() override {
        wintest::setUpSkin();
        session.instance = GetModuleHandleA(nullptr);
        session.hostWindow = host.hwnd();
        session.scale = 0.1f;
        std::strcpy(session.objectName, "ridge");
        ASSERT_TRUE(session.terrain.open(writeTerrain(folder).c_str()));
    }
    INT_PTR run(std::function<void(HWND)> action) {
        wintest::driveNextDialog([action](HWND d) {
            SetForegroundWindow(d);
            pumpDialog(d, 50);
            action(d);
        });
        return ShowOptionsDialog(session);
    }

    TempFolder folder;
    wintest::Parent host{100, 100, 400, 300};
    ImportSession session;
};

}  // namespace

TEST_F(Keyboard, tab_and_shift_tab_visit_every_control_in_template_order_and_typing_sets_the_scale) {
    const std::vector<std::string> order = {"1002", "1001", "1000.edit", "1007", "1036", "1037", "1038",
                                            "1039", "1040", "1004",      "9",    "1005", "2"};
    std::vector<std::string> forward, backward;
    std::string typed, shownAfterLeaving;
    int backWithout = 0, backWithFocus = 0;  // background pixels of the Camera switch
    EXPECT_EQ(run([&](HWND d) {
                  HWND camera = GetDlgItem(d, IDC_OPT_CAMERA);
                  forward.push_back(focusName(d));
                  for (size_t i = 0; i < order.size(); ++i) {
                      press(d, VK_TAB);
                      forward.push_back(focusName(d));
                      if (GetFocus() == camera) backWithFocus = wintest::capture(camera).count(wintest::kBack);
                      if (GetFocus() != camera && i == 0) backWithout = wintest::capture(camera).count(wintest::kBack);
                  }
                  for (size_t i = 0; i < order.size(); ++i) {
                      press(d, VK_TAB, true);
                      backward.push_back(focusName(d));
                  }
                  // From Replace Scene to Scale, type over its text, leave it.
                  press(d, VK_TAB);
                  press(d, VK_TAB);
                  press(d, '7');
                  typed = spinnerText(d);
                  press(d, VK_TAB);
                  shownAfterLeaving = spinnerText(d);
                  // Import from the keyboard: Shift+Tab back round to it, Space.
                  for (const char* name : {"1000.edit", "1001", "1002", "2", "1005", "9", "1004"}) {
                      press(d, VK_TAB, true);
                      if (focusName(d) != name) break;
                  }
                  press(d, VK_SPACE);
                  if (IsWindowVisible(d)) wintest::clickControl(d, IDC_OPT_CANCEL);
              }),
              1);
    std::vector<std::string> expectedForward = order;
    expectedForward.push_back(order.front());  // round to the first again
    EXPECT_EQ(forward, expectedForward);
    std::vector<std::string> expectedBackward(order.rbegin(), order.rend());
    EXPECT_EQ(backward, expectedBackward);
    // The focus shows on the switch as a frame around its text.
    EXPECT_GT(backWithout - backWithFocus, 40) << backWithout << " " << backWithFocus;
    EXPECT_EQ(typed, "7");
    EXPECT_EQ(shownAfterLeaving, "7.0");
    EXPECT_EQ(session.scale, 7.0f);
}

TEST_F(Keyboard, space_toggles_a_switch_and_a_closed_box_gives_the_focus_back) {
    // No help control: Help answers with the message box.
    help::ResetHelp({[](BYTE*, DWORD*, DWORD*) -> LONG { return ERROR_FILE_NOT_FOUND; },
                     [](const char*) -> HMODULE { return nullptr; }, [](HMODULE, LPCSTR) -> FARPROC { return nullptr; },
                     [](HMODULE, char*, DWORD) -> DWORD { return 0; }});
    bool cameraAfterSpace = true;
    std::string focusAfterAbout, focusAfterHelp, helpText;
    EXPECT_EQ(run([&](HWND d) {
                  HWND camera = GetDlgItem(d, IDC_OPT_CAMERA);
                  SetFocus(camera);
                  press(d, VK_SPACE);
                  cameraAfterSpace = IsDlgButtonChecked(d, IDC_OPT_CAMERA) == BST_CHECKED;
                  // About... from the keyboard; Escape closes the box. Then
                  // Help, whose message box Enter closes.
                  SetFocus(GetDlgItem(d, IDC_OPT_ABOUT));
                  wintest::driveNextDialog(
                      [&, d](HWND about) {
                          press(about, VK_ESCAPE);
                          pumpDialog(d, 100);
                          focusAfterAbout = focusName(d);
                          SetFocus(GetDlgItem(d, IDC_OPT_HELP));
                          wintest::driveNextDialog(
                              [&, d](HWND box) {
                                  helpText = windowText(box);
                                  press(box, VK_RETURN);
                                  pumpDialog(d, 100);
                                  focusAfterHelp = focusName(d);
                                  wintest::clickControl(d, IDC_OPT_CANCEL);
                              },
                              3, d);
                          press(d, VK_SPACE);
                      },
                      3, d);
                  press(d, VK_SPACE);
              }),
              0);
    help::ResetHelp(help::SystemHelp());
    EXPECT_FALSE(cameraAfterSpace);
    EXPECT_EQ(focusAfterAbout, "1005");
    EXPECT_EQ(helpText, "you need  help for this ?");
    EXPECT_EQ(focusAfterHelp, "9");
}

TEST_F(Keyboard, options_dialog_takes_no_clicks_while_the_world_file_browser_is_open) {
    const OpenFileDialogFn previous = SetOpenFileDialog(browserThatIsClickedBehind);
    g_browses = 0;
    g_enabledWhileOpen = true;
    bool enabledAfter = false, cameraAfter = false;
    EXPECT_EQ(run([&](HWND d) {
                  g_options = d;
                  clickAt(GetDlgItem(d, IDC_OPT_WORLD_PATH), d);
                  enabledAfter = IsWindowEnabled(d) != FALSE;
                  cameraAfter = IsDlgButtonChecked(d, IDC_OPT_CAMERA) == BST_CHECKED;
                  if (IsWindowVisible(d)) wintest::clickControl(d, IDC_OPT_CANCEL);
              }),
              0);  // not the Import clicked under the browser
    SetOpenFileDialog(previous);
    EXPECT_EQ(g_browses, 1);  // no second browser
    EXPECT_FALSE(g_enabledWhileOpen);
    EXPECT_TRUE(enabledAfter);
    EXPECT_TRUE(cameraAfter);  // the click on Camera did not reach it
}

namespace {

// Background pixels of a switch: the focus frame around its text, where it
// shows, covers some of them.
int backPixels(HWND control) { return wintest::capture(control).count(wintest::kBack); }

// The window's keyboard cues, as the system answers them to a control. This
// Wine keeps no such state (WM_QUERYUISTATE answers 0 whatever was set), so
// the test answers for the system: hidden until it is told a key was used.
WNDPROC g_cuesSkinProc = nullptr;
bool g_cuesShown = false;
LRESULT CALLBACK cuesAsTheSystemKeepsThem(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_QUERYUISTATE) return g_cuesShown ? 0 : UISF_HIDEFOCUS | UISF_HIDEACCEL;
    return CallWindowProcA(g_cuesSkinProc, w, msg, wp, lp);
}

}  // namespace

TEST_F(Keyboard, a_click_takes_the_focus_to_the_control_without_a_focus_frame_until_a_key_is_used) {
    std::vector<std::string> focus;
    bool cameraAfterClick = true;
    int unfocused = 0, byClick = 0, byKey = 0;
    EXPECT_EQ(run([&](HWND d) {
                  HWND camera = GetDlgItem(d, IDC_OPT_CAMERA);
                  g_cuesShown = false;
                  g_cuesSkinProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                      camera, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&cuesAsTheSystemKeepsThem)));
                  unfocused = backPixels(camera);
                  clickAt(camera, d);
                  focus.push_back(focusName(d));
                  cameraAfterClick = IsDlgButtonChecked(d, IDC_OPT_CAMERA) == BST_CHECKED;
                  byClick = backPixels(camera);
                  // The name field, the scale's field, then a group box and
                  // the label under the click, which take no focus.
                  for (int id : {IDC_OPT_NAME, IDC_OPT_SCALE, IDC_OPT_CONTENT_GROUP}) {
                      clickAt(GetDlgItem(d, id), d);
                      focus.push_back(focusName(d));
                  }
                  // Back to the switch by mouse, then away and back by keys,
                  // which turn the cues on: now the frame shows.
                  clickAt(camera, d);
                  g_cuesShown = true;
                  press(d, VK_TAB);
                  press(d, VK_TAB, true);
                  focus.push_back(focusName(d));
                  byKey = backPixels(camera);
                  SetWindowLongPtrA(camera, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_cuesSkinProc));
                  wintest::clickControl(d, IDC_OPT_CANCEL);
              }),
              0);
    EXPECT_EQ(focus, (std::vector<std::string>{"1036", "1001", "1000.edit", "1000.edit", "1036"}));
    EXPECT_FALSE(cameraAfterClick);
    EXPECT_LT(std::abs(unfocused - byClick), 10) << "a focus frame after a click: " << unfocused << " " << byClick;
    EXPECT_GT(byClick - byKey, 40) << "no focus frame after Tab: " << byClick << " " << byKey;
    EXPECT_TRUE(session.importCamera);  // cancelled
}

TEST_F(Keyboard, enter_does_nothing_wherever_the_focus_is_and_escape_then_cancels) {
    std::vector<std::string> openAfterEnter;
    bool replaceAfter = false, closedByEscape = false;
    EXPECT_EQ(run([&](HWND d) {
                  SetDlgItemTextA(d, IDC_OPT_NAME, "changed");
                  for (int id : {IDC_OPT_NAME, IDC_OPT_SCALE, IDC_OPT_REPLACE_SCENE, IDC_OPT_IMPORT, IDC_OPT_CANCEL}) {
                      SetFocus(GetDlgItem(d, id));
                      press(d, VK_RETURN);
                      if (!IsWindowVisible(d)) break;
                      openAfterEnter.push_back(focusName(d));
                  }
                  replaceAfter = IsDlgButtonChecked(d, IDC_OPT_REPLACE_SCENE) == BST_CHECKED;
                  press(d, VK_ESCAPE);
                  closedByEscape = !IsWindowVisible(d);
                  if (!closedByEscape) wintest::clickControl(d, IDC_OPT_CANCEL);
              }),
              0);
    EXPECT_EQ(openAfterEnter, (std::vector<std::string>{"1001", "1000.edit", "1002", "1004", "2"}));
    EXPECT_TRUE(replaceAfter);
    EXPECT_TRUE(closedByEscape);
    EXPECT_STREQ(session.objectName, "ridge");
}
