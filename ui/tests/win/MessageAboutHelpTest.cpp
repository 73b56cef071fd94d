// The skinned message box, the about box and the help, through real window
// messages. The HTML Help control is replaced where a test needs it absent
// or answering; one test calls the real control under Wine.
#include <gtest/gtest.h>

#include <direct.h>

#include <cstring>
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
    std::vector<char> buf(static_cast<size_t>(GetWindowTextLengthA(w)) + 1);
    GetWindowTextA(w, buf.data(), static_cast<int>(buf.size()));
    return buf.data();
}

RECT clientRectOf(HWND child, HWND parent) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The layout the box should have, measured independently in skin font 0.
ui::MessageLayout expectedLayout(const char* text, int buttonWidth, int buttonHeight) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, SkinFonts::font(0));
    SIZE s{};
    GetTextExtentPoint32A(dc, "\xD6g", 2, &s);
    std::vector<int> widths;
    for (const std::string& line : ui::messageLines(text)) {
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
};
using MessageBoxDialog = DialogsFixture;
using AboutBox = DialogsFixture;

}  // namespace

TEST_F(MessageBoxDialog, is_sized_from_its_lines_ignores_escape_and_closes_on_enter) {
    const std::string longPath = "Z:\\" + std::string(280, 'p') + "\\terrain.ter";
    const std::string longText = longPath + "\nis not a terrain-file";
    const struct {
        const char* name;
        std::string text;
        size_t lines;
    } cases[] = {
        {"short", "no", 1},
        // Longer than any fixed-size copy of the text would hold.
        {"long path", longText, 2},
        {"empty line between", "first line\n\nsecond line", 2},
    };
    for (const auto& c : cases) {
        bool openAfterEscape = false;
        driveNextDialog([&](HWND box) {
            RECT win, client;
            GetWindowRect(box, &win);
            GetClientRect(box, &client);
            const RECT ok = clientRectOf(GetDlgItem(box, IDC_MSG_OK), box);
            const ui::MessageLayout l = expectedLayout(c.text.c_str(), ok.right - ok.left, ok.bottom - ok.top);
            EXPECT_EQ(win.right - win.left, l.width) << c.name;
            EXPECT_EQ(win.bottom - win.top, l.height) << c.name;
            EXPECT_EQ(client.right, l.width) << c.name;  // no border: the window is all client
            EXPECT_EQ(ok.left, l.buttonX) << c.name;
            EXPECT_EQ(ok.top, l.buttonY) << c.name;
            EXPECT_EQ(fullText(box), c.text) << c.name;
            pressKey(box, VK_ESCAPE);
            driveNextDialog([&](HWND still) {
                openAfterEscape = true;
                pressKey(still, VK_RETURN);
            });
        });
        EXPECT_FALSE(ShowMessage(session, nullptr, c.text.c_str(), 0)) << c.name;
        EXPECT_TRUE(openAfterEscape) << c.name;
    }
    // The short text: narrower than 70 pixels, so the box is 70 + 109 wide.
    EXPECT_EQ(expectedLayout("no", 0, 0).width, 179);
}

TEST_F(MessageBoxDialog, paints_the_icon_of_its_type_and_the_text) {
    std::vector<Capture> icons;
    for (UINT type : {0u, 0x20u, 0x30u}) {
        driveNextDialog([&](HWND box) {
            const Capture c = capture(box);
            icons.push_back(c);
            // Something other than the background where the icon and the text go.
            const RECT icon{20, 35, 52, 67}, text{70, 42, 90, 52};
            EXPECT_GT(32 * 32 - c.count(kBack, icon), 100) << type;
            EXPECT_GT(20 * 10 - c.count(kBack, text), 10) << type;
            SendMessageA(box, WM_COMMAND, IDC_MSG_OK, 0);
        });
        ShowMessage(session, nullptr, "Wy", type);
    }
    ASSERT_EQ(icons.size(), 3u);
    const auto iconPixels = [](const Capture& c) {
        std::vector<COLORREF> px;
        for (int y = 35; y < 67; ++y)
            for (int x = 20; x < 52; ++x) px.push_back(c.at(x, y));
        return px;
    };
    EXPECT_NE(iconPixels(icons[0]), iconPixels(icons[1]));  // information, question
    EXPECT_NE(iconPixels(icons[0]), iconPixels(icons[2]));  // information, exclamation
    EXPECT_NE(iconPixels(icons[1]), iconPixels(icons[2]));
}

TEST_F(AboutBox, shows_the_picture_in_the_frame_and_a_click_on_it_closes) {
    COLORREF topLeft = 0, bottomRight = 0;
    {
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
    }
    Parent owner(300, 200, 400, 300);
    bool driven = false;
    driveNextDialog([&](HWND box) {
        driven = true;
        RECT r;
        GetWindowRect(box, &r);
        EXPECT_EQ(r.right - r.left, 279);
        EXPECT_EQ(r.bottom - r.top, 179);
        EXPECT_EQ(r.left, 500 - 279 / 2);  // centred on the owner
        EXPECT_EQ(r.top, 350 - 179 / 2);
        const Capture c = capture(box);
        expectPixels(c, {{5, 20, topLeft}, {272, 161, bottomRight}});
        PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(140, 90));  // on the picture
    });
    ShowAboutBox(session, owner.hwnd());
    EXPECT_TRUE(driven);
}

namespace {

// A stand-in HTML Help control: the registry answers g_value (or g_query's
// error), loads are recorded and answer g_module, and the entry records its
// arguments and answers g_viewer.
std::vector<BYTE> g_value;
DWORD g_type = REG_SZ;
LONG g_query = ERROR_SUCCESS;
std::vector<std::string> g_loads;
HMODULE g_module = nullptr;
bool g_hasEntry = false;
HWND g_viewer = nullptr;
std::vector<std::string> g_calls;

LONG fakeQuery(BYTE* data, DWORD* size, DWORD* type) {
    if (g_query != ERROR_SUCCESS) return g_query;
    *type = g_type;
    if (g_value.size() > *size) {
        *size = static_cast<DWORD>(g_value.size());
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, g_value.data(), g_value.size());
    *size = static_cast<DWORD>(g_value.size());
    return ERROR_SUCCESS;
}

HMODULE fakeLoad(const char* name) {
    g_loads.push_back(name);
    return g_module;
}

HWND WINAPI fakeHtmlHelp(HWND owner, LPCSTR file, UINT command, DWORD_PTR data) {
    g_calls.push_back(std::to_string(owner != nullptr) + " " + file + " " + std::to_string(command) + " " +
                      std::to_string(data));
    return g_viewer;
}

FARPROC fakeGetProc(HMODULE, LPCSTR name) {
    const bool ordinal14 = reinterpret_cast<ULONG_PTR>(name) == 14;
    return g_hasEntry && ordinal14 ? reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&fakeHtmlHelp)) : nullptr;
}

struct HtmlHelp : DialogsFixture {
    void SetUp() override {
        DialogsFixture::SetUp();
        g_value.clear();
        g_type = REG_SZ;
        g_query = ERROR_SUCCESS;
        g_loads.clear();
        g_module = nullptr;
        g_hasEntry = false;
        g_viewer = nullptr;
        g_calls.clear();
        help::ResetHelp({fakeQuery, fakeLoad, fakeGetProc});
    }
    void TearDown() override { help::ResetHelp(help::SystemHelp()); }
    static std::vector<BYTE> bytes(const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); }
    // Runs ShowHelp and answers the text of the message box it opened ("" if none).
    std::string showHelp(HWND owner) {
        std::string text;
        driveNextDialog([&](HWND box) {
            text = fullText(box);
            SendMessageA(box, WM_COMMAND, IDC_MSG_OK, 0);
        });
        ShowHelp(session, owner);
        driveNextDialog([](HWND) {}, 1 << 30);  // disarm, in case no box came
        return text;
    }
};

}  // namespace

TEST_F(HtmlHelp, registry_value_is_loaded_only_when_whole_and_terminated) {
    using Loads = std::vector<std::string>;
    const std::string path = "C:\\help\\hh.ocx";
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
        {"not a text", bytes(path + '\0'), REG_BINARY, ERROR_SUCCESS, {"hhctrl.ocx"}},
        {"no key", {}, REG_SZ, ERROR_FILE_NOT_FOUND, {"hhctrl.ocx"}},
    };
    for (const auto& c : cases) {
        help::ResetHelp({fakeQuery, fakeLoad, fakeGetProc});
        g_loads.clear();
        g_value = c.value;
        g_type = c.type;
        g_query = c.query;
        EXPECT_EQ(help::CallHtmlHelp(nullptr, "vqVirEru.chm", 2, 0), nullptr) << c.name;
        EXPECT_EQ(g_loads, c.loads) << c.name;
        // Loading failed: a second call tries nothing.
        EXPECT_EQ(help::CallHtmlHelp(nullptr, "vqVirEru.chm", 2, 0), nullptr) << c.name;
        EXPECT_EQ(g_loads.size(), c.loads.size()) << c.name;
    }
}

TEST_F(HtmlHelp, without_the_control_help_says_so_every_time_and_loads_once) {
    g_query = ERROR_FILE_NOT_FOUND;
    Parent owner(100, 100, 300, 200);
    EXPECT_EQ(showHelp(owner.hwnd()), "you need  help for this ?");
    EXPECT_EQ(showHelp(owner.hwnd()), "you need  help for this ?");
    EXPECT_EQ(g_loads, std::vector<std::string>{"hhctrl.ocx"});

    // A control without the entry fails the same way, once.
    help::ResetHelp({fakeQuery, fakeLoad, fakeGetProc});
    g_loads.clear();
    g_module = GetModuleHandleA(nullptr);
    EXPECT_EQ(showHelp(owner.hwnd()), "you need  help for this ?");
    EXPECT_EQ(showHelp(owner.hwnd()), "you need  help for this ?");
    EXPECT_EQ(g_loads.size(), 1u);
}

TEST_F(HtmlHelp, viewer_opens_on_the_index_and_moves_to_the_top_left_corner) {
    g_value = bytes("C:\\windows\\system32\\hhctrl.ocx");
    g_module = GetModuleHandleA(nullptr);
    g_hasEntry = true;
    Parent viewer(200, 150, 320, 240);
    g_viewer = viewer.hwnd();
    Parent owner(100, 100, 300, 200);
    EXPECT_EQ(showHelp(owner.hwnd()), "");  // no message box
    EXPECT_EQ(g_calls, std::vector<std::string>{"1 vqVirEru.chm 2 0"});
    RECT r;
    GetWindowRect(viewer.hwnd(), &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 320);  // size kept
    EXPECT_EQ(r.bottom, 240);
    // Loaded once, by the registered path; the second call reuses it.
    EXPECT_EQ(showHelp(owner.hwnd()), "");
    EXPECT_EQ(g_loads, std::vector<std::string>{"C:\\windows\\system32\\hhctrl.ocx"});
    EXPECT_EQ(g_calls.size(), 2u);
}

TEST_F(HtmlHelp, real_control_finds_no_help_file_and_the_message_box_says_so) {
    help::ResetHelp(help::SystemHelp());
    TempFolder empty;  // no vqVirEru.chm here
    char before[MAX_PATH];
    ASSERT_NE(_getcwd(before, sizeof before), nullptr);
    ASSERT_EQ(_chdir(empty.path("").c_str()), 0);
    std::string text;
    driveNextDialog([&](HWND box) {
        text = fullText(box);
        SendMessageA(box, WM_COMMAND, IDC_MSG_OK, 0);
    });
    ShowHelp(session, nullptr);
    EXPECT_EQ(_chdir(before), 0);
    EXPECT_EQ(text, "you need  help for this ?");
    EXPECT_NE(GetModuleHandleA("hhctrl.ocx"), nullptr);  // the control itself was there
}
