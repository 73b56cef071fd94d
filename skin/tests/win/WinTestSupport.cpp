#include "WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "skin/SkinControls.h"
#include "skin/SkinPainter.h"
#include "skin/SkinPrimitives.h"

namespace wintest {

namespace {

std::vector<Msg> only(const std::vector<Msg>& log, UINT msg) {
    std::vector<Msg> out;
    for (const Msg& m : log)
        if (m.msg == msg) out.push_back(m);
    return out;
}

}  // namespace

void setUpSkin() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterSkinControls(GetModuleHandleA(nullptr));
    LoadSkinBitmaps(GetModuleHandleA(nullptr));
    WNDCLASSA wc{};
    wc.lpfnWndProc = Parent::proc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = "vqTestParent";
    RegisterClassA(&wc);
}

Parent::Parent(int x, int y, int w, int h, bool skinnedFrame, bool sizing) : skinnedFrame_(skinnedFrame) {
    setUpSkin();
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | (sizing ? WS_THICKFRAME : 0);
    hwnd_ = CreateWindowExA(WS_EX_TOPMOST, "vqTestParent", "skin test", style, x, y, w, h, nullptr, nullptr,
                            GetModuleHandleA(nullptr), this);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
    pump();
}

Parent::~Parent() {
    if (hwnd_) DestroyWindow(hwnd_);
    pump();
}

HWND Parent::child(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id,
                   DWORD exStyle) {
    return CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
}

std::vector<Msg> Parent::received(UINT msg) const { return only(log_, msg); }

LRESULT CALLBACK Parent::proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
        SetWindowLongPtrA(h, 0, reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<Parent*>(GetWindowLongPtrA(h, 0));
    if (!self) return DefWindowProcA(h, msg, wp, lp);
    switch (msg) {
        case WM_COMMAND: case SPNM_SPINEND: case WM_CHAR:
        case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_SETFOCUS:
            self->log_.push_back({msg, wp, lp, GetTickCount()});
            return 0;
        case WM_DRAWITEM:
            SkinPainter::DrawSkinButton(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
            return TRUE;
        case WM_CTLCOLORSTATIC: case WM_CTLCOLOREDIT: {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, SkinColors::color(SkinColor::Text));
            SetBkColor(dc, SkinColors::color(SkinColor::FieldBackground));
            return reinterpret_cast<LRESULT>(SkinColors::brush(SkinColor::FieldBackground));
        }
        case WM_PAINT:
            if (!self->skinnedFrame_) break;
            PAINTSTRUCT ps;
            SkinPainter::PaintFrame(h, BeginPaint(h, &ps));
            EndPaint(h, &ps);
            return 0;
        case WM_ERASEBKGND:
            if (self->skinnedFrame_) return 1;
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrA(h, 0, 0);
            self->hwnd_ = nullptr;
            break;
    }
    return DefWindowProcA(h, msg, wp, lp);
}

void pump() {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

void pumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    for (DWORD spent = 0; spent < ms; spent = GetTickCount() - start) {
        pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
    }
    pump();
}

void setKey(int vk, bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[vk] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

COLORREF Capture::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    return px[static_cast<size_t>(y) * width + x];
}

int Capture::count(COLORREF c, RECT within) const {
    int n = 0;
    boxWhere([&](COLORREF p) { n += p == c; return false; }, within);
    return n;
}

RECT Capture::boxWhere(const std::function<bool(COLORREF)>& pass, RECT within) const {
    RECT r{width, height, 0, 0};
    for (int y = std::max<LONG>(within.top, 0); y < std::min<LONG>(within.bottom, height); ++y)
        for (int x = std::max<LONG>(within.left, 0); x < std::min<LONG>(within.right, width); ++x)
            if (pass(at(x, y)))
                r = RECT{std::min<LONG>(r.left, x), std::min<LONG>(r.top, y), std::max<LONG>(r.right, x + 1),
                         std::max<LONG>(r.bottom, y + 1)};
    return r.right > r.left ? r : RECT{0, 0, 0, 0};
}

Capture capture(HWND w, bool wholeWindow, bool repaint) {
    if (repaint) RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pump();
    RECT r;
    if (wholeWindow) {
        GetWindowRect(w, &r);
    } else {
        GetClientRect(w, &r);
        MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&r), 2);
    }
    Capture c;
    SkinDib dib;
    if (!dib.create(r.right - r.left, r.bottom - r.top)) return c;
    c.width = dib.width;
    c.height = dib.height;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(mem, dib.bitmap);
    BitBlt(mem, 0, 0, c.width, c.height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    for (size_t i = 0; i < static_cast<size_t>(c.width) * c.height; ++i) {
        const uint32_t v = dib.pixels[i];
        c.px.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    }
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return c;
}

void expectPixels(const Capture& c, std::initializer_list<Probe> probes) {
    for (const Probe& p : probes) EXPECT_EQ(c.at(p.x, p.y), p.c) << "at " << p.x << "," << p.y;
}

namespace {

HWND g_watched = nullptr;
WNDPROC g_watchedProc = nullptr;
std::vector<Msg> g_watchLog;

LRESULT CALLBACK watchProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (h == g_watched) g_watchLog.push_back({msg, wp, lp, GetTickCount()});
    return CallWindowProcA(g_watchedProc, h, msg, wp, lp);
}

}  // namespace

Watch::Watch(HWND w) {
    g_watched = w;
    g_watchLog.clear();
    g_watchedProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&watchProc)));
}

Watch::~Watch() {
    if (IsWindow(g_watched)) SetWindowLongPtrA(g_watched, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_watchedProc));
    g_watched = nullptr;
}

std::vector<Msg> Watch::seen(UINT msg) const { return only(g_watchLog, msg); }

std::string windowText(HWND w) {
    char buf[256] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

}  // namespace wintest
