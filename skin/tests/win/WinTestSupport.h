// Shared pieces of the skin's Windows tests: a recording parent window, a
// message pump, keyboard modifiers and reading painted pixels off the screen.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace wintest {

struct Msg {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
};

// Registers the skin classes and loads the skin bitmaps of this program once.
void setUpSkin();

// A visible top-level pop-up that records the messages its children send
// (WM_COMMAND, SPNM_SPINEND, WM_CHAR, mouse presses, WM_SETFOCUS), draws
// owner-drawn buttons with the skin and, if asked, paints the skinned frame.
class Parent {
public:
    Parent(int x, int y, int w, int h, bool skinnedFrame = false);
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

// Handles every pending message, then returns.
void pump();
// Handles messages (timers included) for the given time.
void pumpFor(DWORD ms);

// Makes GetKeyState report the key as down (or up) on this thread.
void setKey(int vk, bool down);
void releaseAllKeys();

// The colours of a window's client area as shown on the screen, row by row
// (the window must be uncovered). Painted first.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> px;
    COLORREF at(int x, int y) const;
    int count(COLORREF c) const;
    // Bounding box of the pixels of colour c; empty (right <= left) if none.
    RECT boxOf(COLORREF c) const;
};
Capture captureClient(HWND w);
// The same for the whole window rectangle (frame included).
Capture captureWindow(HWND w);

// Replaces a window's procedure with one that records every message it sees
// before passing it on; the log lives until unwatch.
class Watch {
public:
    explicit Watch(HWND w);
    ~Watch();
    std::vector<Msg> seen(UINT msg) const;
    std::vector<DWORD> times(UINT msg) const;
    void clear();

private:
    HWND w_;
};

std::string windowText(HWND w);

}  // namespace wintest
