// Shared pieces of the skin's Windows tests: a recording parent window, a
// message pump, keyboard modifiers and reading painted pixels off the screen.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace wintest {

// The skin's colours as they show on the screen.
constexpr COLORREF kBack = RGB(56, 56, 56), kText = RGB(160, 160, 160), kLight = RGB(70, 70, 70),
                   kDark = RGB(25, 25, 25), kField = RGB(53, 70, 87);

struct Msg {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    DWORD tick;
};

// Registers the skin classes and loads the skin bitmaps of this program once.
void setUpSkin();

// A visible top-level pop-up that records what its children send (WM_COMMAND,
// SPNM_SPINEND, WM_CHAR, mouse presses, WM_SETFOCUS), draws owner-drawn
// buttons with the skin and, if asked, paints the skinned frame.
class Parent {
public:
    Parent(int x, int y, int w, int h, bool skinnedFrame = false, bool sizing = false);
    ~Parent();
    Parent(const Parent&) = delete;
    Parent& operator=(const Parent&) = delete;
    HWND hwnd() const { return hwnd_; }
    std::vector<Msg> received(UINT msg) const;
    void clear() { log_.clear(); }
    HWND child(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id,
               DWORD exStyle = 0);
    static LRESULT CALLBACK proc(HWND, UINT, WPARAM, LPARAM);

private:
    HWND hwnd_ = nullptr;
    bool skinnedFrame_ = false;
    std::vector<Msg> log_;
};

// Handles every pending message; pumpFor keeps at it (timers included).
void pump();
void pumpFor(DWORD ms);

// Makes GetKeyState report the key as down (or up) on this thread.
void setKey(int vk, bool down);

// A window's client area (or whole window) as shown on the uncovered screen,
// row by row, after repainting it; with repaint false after only handling the
// pending messages, as the user would see it.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> px;
    COLORREF at(int x, int y) const;
    // Pixels of colour c, and the bounding box of those that pass a test
    // (all zero if none), within an area (all of it unless given).
    int count(COLORREF c, RECT within = kAll) const;
    RECT boxWhere(const std::function<bool(COLORREF)>& pass, RECT within = kAll) const;
    static constexpr RECT kAll{0, 0, 1 << 30, 1 << 30};
};
Capture capture(HWND w, bool wholeWindow = false, bool repaint = true);

struct Probe {
    int x, y;
    COLORREF c;
};
void expectPixels(const Capture& c, std::initializer_list<Probe> probes);

// Records every message one window's procedure sees (with its tick count)
// until destroyed; one watch at a time.
class Watch {
public:
    explicit Watch(HWND w);
    ~Watch();
    std::vector<Msg> seen(UINT msg) const;
};

std::string windowText(HWND w);

}  // namespace wintest
