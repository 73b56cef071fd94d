// The skinned message box, the about box and the help, through real window
// messages. The HTML Help control is replaced where a test needs it absent
// or answering; one test calls the real control under Wine.
#include <gtest/gtest.h>

#include <direct.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "DialogDriver.h"
#include "formats/tests/TempFiles.h"
#include "import/ImportSession.h"
#include "res/resource.h"
#include "skin/SkinPrimitives.h"
#include "skin/tests/win/WinTestSupport.h"
#include "ui/Help.h"
#include "ui/ImportDialogs.h"
#include "ui/logic/MessageLayout.h"

using namespace wintest;

namespace {

std::string fullText(HWND w) {
    std::string s(static_cast<size_t>(GetWindowTextLengthA(w)) + 1, '\0');
    s.resize(static_cast<size_t>(GetWindowTextA(w, &s[0], static_cast<int>(s.size()))));
    return s;
}

// The layout the box should have, measured independently in skin font 0.
ui::MessageLayout expectedLayout(const std::string& text, int buttonWidth, int buttonHeight) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, SkinFonts::font(0));
    SIZE s{};
    GetTextExtentPoint32A(dc, "\xD6g", 2, &s);
    std::vector<int> widths;
    for (const std::string& line : ui::messageLines(text.c_str())) {
        SIZE w{};
        GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &w);
        widths.push_back(w.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return ui::layoutMessage(widths, s.cy, buttonWidth, buttonHeight);
}

void pressKey(HWND dialog, WPARAM vk) { PostMessageA(GetFocus() ? GetFocus() : dialog, WM_KEYDOWN, vk, 0); }

struct DialogsFixture : ::testing::Test {
    ImportSession session;
    void SetUp() override {
        setUpSkin();
        session.instance = GetModuleHandleA(nullptr);
    }
    // Runs show() and answers the text of the message box it opened ("" if none), closed with OK.
    std::string messageOf(const std::function<void()>& show) {
        std::string text;
        driveNextDialog([&](HWND box) {
            text = fullText(box);
            SendMessageA(box, WM_COMMAND, IDC_MSG_OK, 0);
        });
        show();
        driveNextDialog([](HWND) {}, 1 << 30);  // disarm, in case no box came
        return text;
    }
};
using MessageBoxDialog = DialogsFixture;
using AboutBox = DialogsFixture;

}  // namespace

TEST_F(MessageBoxDialog, is_sized_from_its_lines_shows_its_icon_ignores_escape_and_closes_on_enter) {
    const std::string longPath = "Z:\\" + std::string(280, 'p') + "\\terrain.ter";
    const struct {
        const char* name;
        std::string text;
        UINT type;
    } cases[] = {
        {"short", "no", 0},  // narrower than 70 pixels: 70 + 109 wide
        // Longer than any fixed-size copy of the text would hold.
        {"long path", longPath + "\nis not a terrain-file", 0x20},
        {"empty line between", "first line\n\nsecond line", 0x30},
        {"three equal lines", "same\nsame\nsame", 0},
    };
    std::vector<std::vector<COLORREF>> icons;
    for (const auto& c : cases) {
        bool openAfterEscape = false;
        driveNextDialog([&](HWND box) {
            RECT win, ok;
            GetWindowRect(box, &win);
            GetWindowRect(GetDlgItem(box, IDC_MSG_OK), &ok);
            MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&ok), 2);
            const ui::MessageLayout l = expectedLayout(c.text, ok.right - ok.left, ok.bottom - ok.top);
            EXPECT_EQ(win.right - win.left, l.width) << c.name;
            EXPECT_EQ(win.bottom - win.top, l.height) << c.name;
            EXPECT_EQ(ok.left, l.buttonX) << c.name;
            EXPECT_EQ(ok.top, l.buttonY) << c.name;
            EXPECT_EQ(fullText(box), c.text) << c.name;
            // The icon at (20, 35) and line i at (70, 42 + i x line height) are
            // painted: each line's band holds text, equal lines look alike.
            const Capture shot = capture(box);
            EXPECT_GT(32 * 32 - shot.count(kBack, RECT{20, 35, 52, 67}), 100) << c.name;
            const std::vector<std::string> lines = ui::messageLines(c.text.c_str());
            const int lineHeight = (l.height - 110) / static_cast<int>(lines.size());
            std::vector<std::vector<COLORREF>> bands;
            for (size_t i = 0; i < lines.size(); ++i) {
                const int top = 42 + static_cast<int>(i) * lineHeight;
                EXPECT_GT(60 * lineHeight - shot.count(kBack, RECT{70, top, 130, top + lineHeight}), 10) << c.name << i;
                bands.emplace_back();
                for (int y = top; y < top + lineHeight; ++y)
                    for (int x = 70; x < 130; ++x) bands.back().push_back(shot.at(x, y));
                if (lines[i] == lines[0]) {
                    EXPECT_EQ(bands[i], bands[0]) << c.name << i;
                }
            }
            icons.emplace_back();
            for (int y = 35; y < 67; ++y)
                for (int x = 20; x < 52; ++x) icons.back().push_back(shot.at(x, y));
            pressKey(box, VK_ESCAPE);
            driveNextDialog([&](HWND still) {
                openAfterEscape = true;
                pressKey(still, VK_RETURN);
            });
        });
        EXPECT_FALSE(ShowMessage(session, nullptr, c.text.c_str(), c.type)) << c.name;
        EXPECT_TRUE(openAfterEscape) << c.name;
    }
    EXPECT_EQ(expectedLayout("no", 0, 0).width, 179);
    ASSERT_EQ(icons.size(), 4u);  // information, question, exclamation, information
    EXPECT_NE(icons[0], icons[1]);
    EXPECT_NE(icons[0], icons[2]);
    EXPECT_NE(icons[1], icons[2]);
    EXPECT_EQ(icons[0], icons[3]);
}

TEST_F(AboutBox, shows_the_picture_in_the_frame_and_a_click_escape_or_close_closes_it) {
    COLORREF topLeft = 0, bottomRight = 0;
    HBITMAP bmp = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_ABOUT), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(bmp, nullptr);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, bmp);
    topLeft = GetPixel(mem, 0, 0);
    bottomRight = GetPixel(mem, 267, 141);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(bmp);

    // A click on the picture, Escape and the close command each close it
    // (where one does not, the test ends the box itself).
    Parent owner(300, 200, 400, 300);
    const std::function<void(HWND)> closers[] = {
        [](HWND box) { PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(140, 90)); },
        [](HWND box) { pressKey(box, VK_ESCAPE); }, [](HWND box) { PostMessageA(box, WM_CLOSE, 0, 0); }};
    for (size_t k = 0; k < 3; ++k) {
        bool driven = false, stillOpen = false;
        driveNextDialog([&](HWND box) {
            driven = true;
            RECT r;
            GetWindowRect(box, &r);
            EXPECT_EQ(r.left, 500 - 279 / 2);  // 279 x 179, centred on the owner
            EXPECT_EQ(r.top, 350 - 179 / 2);
            EXPECT_EQ(r.right - r.left, 279);
            EXPECT_EQ(r.bottom - r.top, 179);
            if (k == 0) expectPixels(capture(box), {{5, 20, topLeft}, {272, 161, bottomRight}});
            closers[k](box);
            driveNextDialog([&](HWND still) {
                stillOpen = true;
                EndDialog(still, 0);
            });
        });
        ShowAboutBox(session, owner.hwnd());
        driveNextDialog([](HWND) {}, 1 << 30);  // disarm
        EXPECT_TRUE(driven) << k;
        EXPECT_FALSE(stillOpen) << k;
    }
}

namespace {

// A stand-in HTML Help control: the registry answers g_value (or the error
// g_query), loads are recorded and answer g_module, and the entry (there
// when g_hasEntry) records its arguments and answers g_viewer.
std::vector<BYTE> g_value;
DWORD g_type;
LONG g_query;
std::vector<std::string> g_loads, g_calls;
HMODULE g_module;
bool g_hasEntry;
HWND g_viewer;
std::string g_viewerFile;  // the one file the viewer opens ("" any)
std::string g_moduleFile;  // the plug-in module's path ("" unknown)

LONG fakeQuery(BYTE* data, DWORD* size, DWORD* type) {
    if (g_query != ERROR_SUCCESS) return g_query;
    *type = g_type;
    const bool fits = g_value.size() <= *size;
    if (fits) std::memcpy(data, g_value.data(), g_value.size());
    *size = static_cast<DWORD>(g_value.size());
    return fits ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

HMODULE fakeLoad(const char* name) {
    g_loads.push_back(name);
    return g_module;
}

HWND WINAPI fakeHtmlHelp(HWND owner, LPCSTR file, UINT command, DWORD_PTR data) {
    g_calls.push_back(std::to_string(owner != nullptr) + " " + file + " " + std::to_string(command) + " " +
                      std::to_string(data));
    return g_viewerFile.empty() || g_viewerFile == file ? g_viewer : nullptr;
}

DWORD fakeModuleFileName(HMODULE, char* path, DWORD size) {
    if (g_moduleFile.empty()) return 0;
    lstrcpynA(path, g_moduleFile.c_str(), static_cast<int>(size));
    return g_moduleFile.size() < size ? static_cast<DWORD>(g_moduleFile.size()) : size;
}

FARPROC fakeGetProc(HMODULE, LPCSTR name) {
    const bool ordinal14 = reinterpret_cast<ULONG_PTR>(name) == 14;
    return g_hasEntry && ordinal14 ? reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&fakeHtmlHelp)) : nullptr;
}

struct HtmlHelp : DialogsFixture {
    void SetUp() override {
        DialogsFixture::SetUp();
        useFake({}, REG_SZ, ERROR_SUCCESS);
    }
    void TearDown() override { help::ResetHelp(help::SystemHelp()); }
    static void useFake(std::vector<BYTE> value, DWORD type, LONG query) {
        g_value = std::move(value);
        g_type = type;
        g_query = query;
        g_loads.clear();
        g_calls.clear();
        g_module = nullptr;
        g_hasEntry = false;
        g_viewer = nullptr;
        g_viewerFile.clear();
        g_moduleFile = "C:\\Hosts\\Plugins\\vqVirEru.dll";
        help::ResetHelp({fakeQuery, fakeLoad, fakeGetProc, fakeModuleFileName});
    }
    static std::vector<BYTE> bytes(const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); }
};

}  // namespace

TEST_F(HtmlHelp, registry_value_is_loaded_only_when_whole_and_terminated_and_a_failure_is_final) {
    using Loads = std::vector<std::string>;
    const std::string path = "C:\\help\\hh.ocx";
    // Windows commonly stores a server's path as REG_EXPAND_SZ with
    // %SystemRoot% in it; the name loaded is the expanded one, and one that
    // expands past MAX_PATH is not loaded cut.
    char systemRoot[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableA("SystemRoot", systemRoot, sizeof systemRoot), 0u);
    ASSERT_TRUE(SetEnvironmentVariableA("VQ_LONG_FOLDER", std::string(300, 'd').c_str()));
    const struct {
        const char* name;
        std::vector<BYTE> value;
        DWORD type;
        LONG query;
        Loads loads;
    } cases[] = {
        {"terminated", bytes(path + '\0'), REG_SZ, ERROR_SUCCESS, {path, "hhctrl.ocx"}},
        {"without its NUL", bytes(path), REG_SZ, ERROR_SUCCESS, {path, "hhctrl.ocx"}},
        {"filling the buffer without a NUL", std::vector<BYTE>(MAX_PATH, 'a'), REG_SZ, ERROR_SUCCESS, {"hhctrl.ocx"}},
        {"longer than the buffer", bytes(std::string(300, 'a') + '\0'), REG_SZ, ERROR_SUCCESS, {"hhctrl.ocx"}},
        {"expandable", bytes("%SystemRoot%\\System32\\hhctrl.ocx" + std::string(1, '\0')), REG_EXPAND_SZ,
         ERROR_SUCCESS, {std::string(systemRoot) + "\\System32\\hhctrl.ocx", "hhctrl.ocx"}},
        {"expanding past MAX_PATH", bytes("%VQ_LONG_FOLDER%\\hhctrl.ocx" + std::string(1, '\0')), REG_EXPAND_SZ,
         ERROR_SUCCESS, {"hhctrl.ocx"}},
        {"not a text", bytes(path + '\0'), REG_BINARY, ERROR_SUCCESS, {"hhctrl.ocx"}},
        {"no key", {}, REG_SZ, ERROR_FILE_NOT_FOUND, {"hhctrl.ocx"}},
    };
    for (const auto& c : cases) {
        useFake(c.value, c.type, c.query);
        EXPECT_EQ(help::CallHtmlHelp(nullptr, "vqVirEru.chm", 2, 0), nullptr) << c.name;
        EXPECT_EQ(help::CallHtmlHelp(nullptr, "vqVirEru.chm", 2, 0), nullptr) << c.name;
        EXPECT_EQ(g_loads, c.loads) << c.name;  // the second call tried nothing
    }
}

TEST_F(HtmlHelp, without_the_control_or_its_entry_help_says_so_every_time_and_loads_once) {
    Parent owner(100, 100, 300, 200);
    for (bool moduleLoads : {false, true}) {
        useFake({}, REG_SZ, ERROR_FILE_NOT_FOUND);
        if (moduleLoads) g_module = GetModuleHandleA(nullptr);  // a module without ordinal 14
        for (int press = 0; press < 2; ++press)
            EXPECT_EQ(messageOf([&] { ShowHelp(session, owner.hwnd()); }), "you need  help for this ?");
        EXPECT_EQ(g_loads, std::vector<std::string>{"hhctrl.ocx"});
    }
}

TEST_F(HtmlHelp, viewer_opens_on_the_index_and_moves_to_the_top_left_corner) {
    useFake(bytes("C:\\windows\\system32\\hhctrl.ocx"), REG_SZ, ERROR_SUCCESS);
    g_module = GetModuleHandleA(nullptr);
    g_hasEntry = true;
    Parent viewer(200, 150, 320, 240), owner(100, 100, 300, 200);
    g_viewer = viewer.hwnd();
    for (int press = 0; press < 2; ++press)
        EXPECT_EQ(messageOf([&] { ShowHelp(session, owner.hwnd()); }), "");  // no message box
    EXPECT_EQ(g_calls, std::vector<std::string>(2, "1 vqVirEru.chm 2 0"));
    EXPECT_EQ(g_loads, std::vector<std::string>{"C:\\windows\\system32\\hhctrl.ocx"});  // loaded once
    RECT r;
    GetWindowRect(viewer.hwnd(), &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 320);  // size kept
    EXPECT_EQ(r.bottom, 240);
}

TEST_F(HtmlHelp, a_bare_name_that_finds_nothing_is_tried_beside_the_module_then_help_says_so) {
    g_module = GetModuleHandleA(nullptr);
    g_hasEntry = true;
    Parent viewer(200, 150, 320, 240), owner(100, 100, 300, 200);
    g_viewer = viewer.hwnd();
    g_viewerFile = "C:\\Hosts\\Plugins\\vqVirEru.chm";
    EXPECT_EQ(messageOf([&] { ShowHelp(session, owner.hwnd()); }), "");  // the viewer, no message box
    EXPECT_EQ(g_calls, (std::vector<std::string>{"1 vqVirEru.chm 2 0", "1 C:\\Hosts\\Plugins\\vqVirEru.chm 2 0"}));
    RECT r;
    GetWindowRect(viewer.hwnd(), &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);

    // Neither opens: the message box, after both tries.
    g_calls.clear();
    g_viewerFile = "elsewhere";
    EXPECT_EQ(messageOf([&] { ShowHelp(session, owner.hwnd()); }), "you need  help for this ?");
    EXPECT_EQ(g_calls.size(), 2u);
    // A module path written with forward slashes, or both kinds: the help
    // file is looked for after the last separator of either kind.
    for (const auto& [module, help] : {std::pair<std::string, std::string>{"C:/Hosts/Plugins/vqVirEru.dll",
                                                                          "C:/Hosts/Plugins/vqVirEru.chm"},
                                      {"C:\\Hosts/Plugins\\x86/vqVirEru.dll", "C:\\Hosts/Plugins\\x86/vqVirEru.chm"},
                                      {"C:/Hosts/Plugins\\vqVirEru.dll", "C:/Hosts/Plugins\\vqVirEru.chm"}}) {
        g_calls.clear();
        g_moduleFile = module;
        g_viewerFile = help;
        EXPECT_EQ(messageOf([&] { ShowHelp(session, owner.hwnd()); }), "") << module;
        EXPECT_EQ(g_calls, (std::vector<std::string>{"1 vqVirEru.chm 2 0", "1 " + help + " 2 0"}));
    }
    g_viewerFile = "elsewhere";
    // A module path that cannot be had (or would not fit) is not guessed at.
    for (const std::string& module : {std::string(), std::string(600, 'a') + "\\vqVirEru.dll"}) {
        g_calls.clear();
        g_moduleFile = module;
        EXPECT_EQ(messageOf([&] { ShowHelp(session, owner.hwnd()); }), "you need  help for this ?");
        EXPECT_EQ(g_calls, std::vector<std::string>{"1 vqVirEru.chm 2 0"});
    }
}

namespace {

BOOL CALLBACK findViewer(HWND w, LPARAM lp) {
    char cls[16] = {};
    GetClassNameA(w, cls, sizeof cls);
    if (lstrcmpA(cls, "HH Parent") != 0 || !IsWindowVisible(w)) return TRUE;
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
}

HWND openViewer() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findViewer, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string g_emptyModule;
DWORD moduleInEmptyFolder(HMODULE, char* path, DWORD size) {
    lstrcpynA(path, g_emptyModule.c_str(), static_cast<int>(size));
    return static_cast<DWORD>(g_emptyModule.size());
}

}  // namespace

// The real control under Wine, from a current folder without the help file:
// the file beside the module (the test program's folder holds a copy, as an
// installed plug-in's does) opens; with no file there, the box says so.
TEST_F(HtmlHelp, real_control_opens_the_file_beside_the_module_from_another_folder) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string beside(self);
    beside = beside.substr(0, beside.find_last_of('\\') + 1) + "vqVirEru.chm";
    if (GetFileAttributesA(beside.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no " << beside;

    TempFolder empty;  // no vqVirEru.chm here
    char before[MAX_PATH];
    ASSERT_NE(_getcwd(before, sizeof before), nullptr);
    ASSERT_EQ(_chdir(empty.path("").c_str()), 0);
    help::ResetHelp(help::SystemHelp());
    const std::string opened = messageOf([&] { ShowHelp(session, nullptr); });
    HWND viewer = openViewer();
    char title[128] = {};
    if (viewer) GetWindowTextA(viewer, title, sizeof title);
    if (viewer) DestroyWindow(viewer);

    g_emptyModule = empty.path("vqVirEru.dll");
    auto system = help::SystemHelp();
    system.moduleFileName = moduleInEmptyFolder;
    help::ResetHelp(system);
    const std::string missing = messageOf([&] { ShowHelp(session, nullptr); });
    EXPECT_EQ(_chdir(before), 0);

    EXPECT_EQ(opened, "");
    EXPECT_NE(viewer, nullptr);
    EXPECT_STREQ(title, "vqVirEru Help");
    EXPECT_EQ(missing, "you need  help for this ?");
}
