// The options dialog under Wine, driven through its window messages: the
// header it shows, what Import, Cancel, Enter and Escape do to the session,
// the world-file button with a stand-in open-file dialog, its skins and its
// colours on the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
#include "ui/ImportDialogs.h"
#include "ui/OptionsDialog.h"

namespace {

using wintest::windowText;

struct Header {
    uint16_t size, xPoints, yPoints;
    float scale, radius;
    uint32_t curveMode;
    int16_t baseHeight, heightScale;
};

std::string writeTerrain(const TempFolder& folder, const Header& h) {
    tergen::TerrainParams p;
    p.size = h.size;
    p.xPoints = h.xPoints;
    p.yPoints = h.yPoints;
    p.scale = std::array<float, 3>{h.scale, h.scale, h.scale};
    p.planetRadius = h.radius;
    p.curveMode = h.curveMode;
    p.baseHeight = h.baseHeight;
    p.heightScale = h.heightScale;
    return folder.write("t.ter", tergen::terrainBytes(p));
}

// A stand-in for the open-file dialog: records what it was given and answers
// as the test says.
struct FileDialogCall {
    OPENFILENAMEA record;
    std::string proposed;  // the buffer's text when the dialog opened
    std::string filter;    // up to and including the closing double NUL
};
std::vector<FileDialogCall> g_fileDialogCalls;
std::function<BOOL(OPENFILENAMEA&)> g_fileDialogAnswer;

BOOL WINAPI fakeFileDialog(OPENFILENAMEA* record) {
    FileDialogCall call{*record, record->lpstrFile, {}};
    size_t n = 1;
    while (record->lpstrFilter[n - 1] || record->lpstrFilter[n]) ++n;
    call.filter.assign(record->lpstrFilter, n + 1);
    g_fileDialogCalls.push_back(call);
    return g_fileDialogAnswer ? g_fileDialogAnswer(*record) : FALSE;
}

std::string editText(HWND spinner) { return windowText(FindWindowExA(spinner, nullptr, "Edit", nullptr)); }

// A press and release on a check box, as the mouse gives them.
void clickBox(HWND dialog, int id) {
    HWND box = GetDlgItem(dialog, id);
    SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

// Whether a control runs its own class's procedure, that is, carries no skin.
bool runsClassProc(HWND w) {
    return GetWindowLongPtrA(w, GWLP_WNDPROC) == static_cast<LONG_PTR>(GetClassLongPtrA(w, GCLP_WNDPROC));
}

// Child controls as their WM_DESTROY arrives (after the dialog's own): id, no skin.
std::vector<std::pair<int, bool>> g_destroyedPlain;

LRESULT CALLBACK watchDestroy(int code, WPARAM wp, LPARAM lp) {
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && m->message == WM_DESTROY && (GetWindowLongA(m->hwnd, GWL_STYLE) & WS_CHILD))
        g_destroyedPlain.emplace_back(GetDlgCtrlID(m->hwnd), runsClassProc(m->hwnd));
    return CallNextHookEx(nullptr, code, wp, lp);
}

// Cancels a dialog that a test would otherwise wait on for ever.
HWND g_guarded = nullptr;
void CALLBACK cancelGuarded(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    wintest::clickControl(g_guarded, IDC_OPT_CANCEL);
}

class OptionsDialog : public ::testing::Test {
protected:
    void SetUp() override {
        wintest::setUpSkin();
        session.instance = GetModuleHandleA(nullptr);
        session.hostWindow = host.hwnd();
        std::strcpy(session.objectName, "ridge");
        ASSERT_TRUE(session.terrain.open(writeTerrain(folder, {512, 513, 513, 30, 6370, 0, 0, 80}).c_str()));
        g_fileDialogCalls.clear();
        g_fileDialogAnswer = nullptr;
        previousFileDialog = SetOpenFileDialog(fakeFileDialog);
    }
    void TearDown() override { SetOpenFileDialog(previousFileDialog); }

    // Shows the dialog; action runs once it has painted.
    INT_PTR run(std::function<void(HWND)> action) {
        wintest::driveNextDialog(std::move(action));
        return ShowOptionsDialog(session);
    }

    TempFolder folder;
    wintest::Parent host{100, 100, 400, 300};
    ImportSession session;
    OpenFileDialogFn previousFileDialog = nullptr;
};

TEST_F(OptionsDialog, shows_the_terrain_header_as_texts) {
    struct Case {
        Header header;
        std::vector<std::string> shown;  // 1012, 1013, 1014, 1015, 1016, 1017, 1019
    };
    const Case cases[] = {
        {{512, 513, 513, 30, 6370, 0, 0, 80}, {"512", "513x513", "30 m", "6370 km", "flat", "0", "80"}},
        {{128, 129, 257, 2.5f, 1e+06f, 1, -20, -300}, {"128", "129x257", "2.5 m", "1e+06 km", "draped", "-20", "-300"}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(session.terrain.open(writeTerrain(folder, c.header).c_str()));
        std::vector<std::string> shown;
        EXPECT_EQ(run([&](HWND d) {
                      for (int id : {IDC_OPT_SIZE, IDC_OPT_POINTS, IDC_OPT_METRES, IDC_OPT_RADIUS, IDC_OPT_CURVE,
                                     IDC_OPT_BASE_HEIGHT, IDC_OPT_HEIGHT_SCALE})
                          shown.push_back(windowText(GetDlgItem(d, id)));
                      wintest::clickControl(d, IDC_OPT_CANCEL);
                  }),
                  0);
        EXPECT_EQ(shown, c.shown);
    }
}

TEST_F(OptionsDialog, import_takes_the_switches_the_name_cut_to_63_and_the_scale) {
    session.replaceScene = false;
    session.importSun = false;
    session.scale = 0.125f;
    const std::string longName(70, 'n');
    std::vector<bool> shownChecks;
    std::string shownName, shownScale;
    EXPECT_EQ(run([&](HWND d) {
                  for (int id : {IDC_OPT_REPLACE_SCENE, IDC_OPT_CENTER_PIVOT, IDC_OPT_CAMERA, IDC_OPT_SUN,
                                 IDC_OPT_WATER, IDC_OPT_RENDER})
                      shownChecks.push_back(IsDlgButtonChecked(d, id) == BST_CHECKED);
                  shownName = windowText(GetDlgItem(d, IDC_OPT_NAME));
                  shownScale = editText(GetDlgItem(d, IDC_OPT_SCALE));

                  for (int id : {IDC_OPT_REPLACE_SCENE, IDC_OPT_CAMERA, IDC_OPT_WATER}) clickBox(d, id);
                  SetDlgItemTextA(d, IDC_OPT_NAME, longName.c_str());
                  const double scale = 2.75;
                  SendDlgItemMessageA(d, IDC_OPT_SCALE, SPNM_SETVALUE, 0, reinterpret_cast<LPARAM>(&scale));
                  SendDlgItemMessageA(d, IDC_OPT_SCALE, SPNM_STEPUP, 0, 0);  // one plain step: 2.85
                  wintest::clickControl(d, IDC_OPT_IMPORT);
              }),
              1);
    EXPECT_EQ(shownChecks, (std::vector<bool>{false, true, true, false, true, true}));
    EXPECT_EQ(shownName, "ridge");
    EXPECT_EQ(shownScale, "0.125");

    EXPECT_EQ((std::vector<bool>{session.replaceScene, session.centerPivot, session.importCamera, session.importSun,
                                 session.createWater, session.importRender}),
              (std::vector<bool>{true, true, false, false, false, true}));
    EXPECT_EQ(std::string(session.objectName), longName.substr(0, 63));
    EXPECT_EQ(session.scale, 2.85f);
}

TEST_F(OptionsDialog, enter_does_nothing_and_escape_cancels_without_changes) {
    bool openAfterEnter = false;
    EXPECT_EQ(run([&](HWND d) {
                  clickBox(d, IDC_OPT_CENTER_PIVOT);
                  HWND name = GetDlgItem(d, IDC_OPT_NAME);
                  SetFocus(name);
                  SetWindowTextA(name, "changed");
                  PostMessageA(name, WM_KEYDOWN, VK_RETURN, 0);
                  PostMessageA(name, WM_KEYUP, VK_RETURN, 0xC0000001);
                  wintest::driveNextDialog([&openAfterEnter, d](HWND again) {
                      openAfterEnter = again == d && IsWindowVisible(d);
                      PostMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
                  });
              }),
              0);
    EXPECT_TRUE(openAfterEnter);
    EXPECT_TRUE(session.centerPivot);
    EXPECT_STREQ(session.objectName, "ridge");
}

TEST_F(OptionsDialog, browse_proposes_the_world_path_and_a_failed_dialog_leaves_it_alone) {
    std::strcpy(session.worldPath, "C:\\Worlds\\old.tgw");
    // The system dialog, failing on a path too long for the buffer, writes
    // the size it needs into the buffer's first bytes.
    g_fileDialogAnswer = [](OPENFILENAMEA& r) {
        r.lpstrFile[0] = 0x2C;
        r.lpstrFile[1] = 0x01;
        return FALSE;
    };
    std::string button;
    EXPECT_EQ(run([&](HWND d) {
                  BrowseWorldFile(session, d);
                  button = windowText(GetDlgItem(d, IDC_OPT_WORLD_PATH));
                  wintest::clickControl(d, IDC_OPT_CANCEL);
              }),
              0);
    ASSERT_EQ(g_fileDialogCalls.size(), 1u);
    const OPENFILENAMEA& r = g_fileDialogCalls[0].record;
    EXPECT_EQ(r.lStructSize, sizeof(void*) == 8 ? 136u : 76u);  // the record up to lpTemplateName
    EXPECT_EQ(r.hwndOwner, host.hwnd());
    EXPECT_EQ(g_fileDialogCalls[0].filter, std::string("Terragen World (*.tgw)\0*.tgw\0\0", 30));
    EXPECT_EQ(g_fileDialogCalls[0].proposed, "C:\\Worlds\\old.tgw");
    EXPECT_EQ(r.nMaxFile, 260u);
    EXPECT_EQ(r.Flags, 0x1800u);  // path and file must exist
    EXPECT_EQ(r.lpstrInitialDir, nullptr);
    EXPECT_EQ(r.lpstrTitle, nullptr);

    EXPECT_STREQ(session.worldPath, "C:\\Worlds\\old.tgw");
    EXPECT_EQ(button, "C:\\Worlds\\old.tgw");
}

TEST_F(OptionsDialog, cancel_after_a_browse_keeps_only_the_new_world_path) {
    g_fileDialogAnswer = [](OPENFILENAMEA& r) {
        std::strcpy(r.lpstrFile, "D:/maps/alps.tgw");
        return TRUE;
    };
    std::string button;
    EXPECT_EQ(run([&](HWND d) {
                  clickBox(d, IDC_OPT_SUN);
                  SetDlgItemTextA(d, IDC_OPT_NAME, "other");
                  wintest::clickControl(d, IDC_OPT_WORLD_PATH);
                  wintest::driveNextDialog([&](HWND again) {
                      button = windowText(GetDlgItem(again, IDC_OPT_WORLD_PATH));
                      wintest::clickControl(again, IDC_OPT_CANCEL);
                  });
              }),
              0);
    EXPECT_EQ(g_fileDialogCalls.size(), 1u);
    EXPECT_STREQ(session.worldPath, "D:/maps/alps.tgw");
    EXPECT_EQ(button, "D:\\maps\\alps.tgw");  // shown with backslashes
    EXPECT_TRUE(session.importSun);
    EXPECT_STREQ(session.objectName, "ridge");
}

TEST_F(OptionsDialog, the_system_open_file_dialog_takes_the_record_and_a_cancel_changes_nothing) {
    SetOpenFileDialog(nullptr);
    std::strcpy(session.worldPath, "C:\\Worlds\\old.tgw");
    bool fileDialogShown = false, optionsEnabledMeanwhile = true;
    HWND activeAfter = nullptr, focusAfter = nullptr, options = nullptr, pathButton = nullptr;
    UINT_PTR guard = 0;
    EXPECT_EQ(run([&](HWND d) {
                  // Should no file dialog open, the options close after a while.
                  g_guarded = d;
                  options = d;
                  pathButton = GetDlgItem(d, IDC_OPT_WORLD_PATH);
                  guard = SetTimer(nullptr, 0, 10000, cancelGuarded);
                  SetFocus(GetDlgItem(d, IDC_OPT_WORLD_PATH));
                  wintest::clickControl(d, IDC_OPT_WORLD_PATH);
                  wintest::driveNextDialog(
                      [&, d](HWND files) {
                          fileDialogShown = files != d;
                          optionsEnabledMeanwhile = IsWindowEnabled(d) != FALSE;
                          PostMessageA(files, WM_COMMAND, IDCANCEL, 0);
                          // Back in the options dialog: it is active again, and
                          // its focus is where it was.
                          wintest::driveNextDialog([&](HWND again) {
                              activeAfter = GetActiveWindow();
                              focusAfter = GetFocus();
                              wintest::clickControl(again, IDC_OPT_CANCEL);
                          });
                      },
                      3, d);
              }),
              0);
    KillTimer(nullptr, guard);
    EXPECT_TRUE(fileDialogShown);
    EXPECT_FALSE(optionsEnabledMeanwhile);
    EXPECT_EQ(activeAfter, options);
    EXPECT_EQ(focusAfter, pathButton);
    EXPECT_STREQ(session.worldPath, "C:\\Worlds\\old.tgw");
}

TEST_F(OptionsDialog, world_path_button_shows_the_path_fitted_to_its_width) {
    struct Seen {
        std::string text;
        int width = 0;  // of text, in the dialog's font
        int limit = 0;  // the button's width less its 8-pixel margin
    };
    auto look = [&](const std::string& worldPath) {
        std::snprintf(session.worldPath, sizeof session.worldPath, "%s", worldPath.c_str());
        Seen seen;
        run([&](HWND d) {
            HWND button = GetDlgItem(d, IDC_OPT_WORLD_PATH);
            RECT rc;
            GetClientRect(button, &rc);
            seen.limit = rc.right - 8;
            seen.text = windowText(button);
            HDC dc = GetDC(d);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(d, WM_GETFONT, 0, 0)));
            SIZE ext;
            GetTextExtentPoint32A(dc, seen.text.c_str(), static_cast<int>(seen.text.size()), &ext);
            seen.width = ext.cx;
            SelectObject(dc, old);
            ReleaseDC(d, dc);
            wintest::clickControl(d, IDC_OPT_CANCEL);
        });
        return seen;
    };

    EXPECT_EQ(look("").text, "[ *.tgw ]");
    EXPECT_EQ(look("C:\\Data\\valley.tgw").text, "C:\\Data\\valley.tgw");

    // Far too wide: the directory is cut from the right, the name stays.
    const std::string dir = "C:\\Data\\Worlds\\" + std::string(120, 'A');
    const Seen cut = look(dir + "\\valley.tgw");
    const std::string tail = "...\\valley.tgw";
    ASSERT_GT(cut.text.size(), tail.size() + 14) << cut.text;
    const size_t kept = cut.text.size() - tail.size();
    EXPECT_EQ(cut.text.substr(kept), tail);
    EXPECT_EQ(cut.text.substr(0, kept), dir.substr(0, kept));
    EXPECT_LE(cut.width, cut.limit);
}

TEST_F(OptionsDialog, skins_come_off_the_controls_before_they_are_destroyed) {
    const std::vector<int> skinned = {IDC_OPT_CONTENT_GROUP, IDC_OPT_TERRAIN_GROUP, IDC_OPT_WORLD_GROUP,
                                      IDC_OPT_REPLACE_SCENE, IDC_OPT_CENTER_PIVOT,  IDC_OPT_CAMERA,
                                      IDC_OPT_SUN,           IDC_OPT_WATER,         IDC_OPT_RENDER,
                                      IDC_OPT_NAME};
    g_destroyedPlain.clear();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, watchDestroy, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    std::vector<int> plainWhileOpen;
    run([&](HWND d) {
        for (int id : skinned)
            if (runsClassProc(GetDlgItem(d, id))) plainWhileOpen.push_back(id);
        wintest::clickControl(d, IDC_OPT_CANCEL);
    });
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(plainWhileOpen.empty());
    for (int id : skinned) {
        auto it =
            std::find_if(g_destroyedPlain.begin(), g_destroyedPlain.end(), [&](auto& e) { return e.first == id; });
        ASSERT_NE(it, g_destroyedPlain.end()) << id;
        EXPECT_TRUE(it->second) << "control " << id << " still skinned when destroyed";
    }
}

TEST_F(OptionsDialog, paints_the_skin_colours_and_drags_by_its_frame) {
    wintest::Capture shot, field;
    POINT gap{}, staticEnd{};
    bool dragFromFrame = false, dragFromInside = false;
    run([&](HWND d) {
        // Between the Content and Terrain groups, and the empty right end of
        // the size text, in dialog units turned into pixels.
        RECT gapUnits{107, 60, 107, 60}, staticUnits{98, 29, 98, 29};
        MapDialogRect(d, &gapUnits);
        MapDialogRect(d, &staticUnits);
        gap = {gapUnits.left, gapUnits.top};
        staticEnd = {staticUnits.left, staticUnits.top};
        shot = wintest::capture(d);
        field = wintest::capture(GetDlgItem(d, IDC_OPT_NAME));

        MSG m;
        SendMessageA(d, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 50));
        dragFromFrame = PeekMessageA(&m, d, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE) && m.wParam == HTCAPTION;
        SendMessageA(d, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(gap.x, gap.y));
        dragFromInside = PeekMessageA(&m, d, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE);
        wintest::clickControl(d, IDC_OPT_CANCEL);
    });
    ASSERT_GT(shot.width, 0);
    wintest::expectPixels(shot, {{gap.x, gap.y, wintest::kBack}, {staticEnd.x, staticEnd.y, wintest::kBack}});
    ASSERT_GT(field.width, 0);
    wintest::expectPixels(field, {{field.width - 3, field.height / 2, wintest::kField}});
    EXPECT_TRUE(dragFromFrame);
    EXPECT_FALSE(dragFromInside);
}

TEST_F(OptionsDialog, a_dialog_that_cannot_be_made_is_no_import) {
    session.instance = GetModuleHandleA("kernel32.dll");  // holds no template 109
    EXPECT_EQ(ShowOptionsDialog(session), 0);
}

}  // namespace
