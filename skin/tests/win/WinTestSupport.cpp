#include "WinTestSupport.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "skin/SkinControls.h"
#include "skin/SkinPainter.h"
#include "skin/SkinPrimitives.h"

namespace wintest {

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
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = "vqTestParent";
    RegisterClassA(&wc);
}

Parent::Parent(int x, int y, int w, int h, bool skinnedFrame) : skinnedFrame_(skinnedFrame) {
    setUpSkin();
    hwnd_ = CreateWindowExA(WS_EX_TOPMOST, "vqTestParent", "skin test", WS_POPUP | WS_CLIPCHILDREN, x, y, w, h,
                            nullptr, nullptr, GetModuleHandleA(nullptr), this);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
    pump();
}

Parent::~Parent() {
    if (hwnd_) DestroyWindow(hwnd_);
    pump();
}

std::vector<Msg> Parent::received(UINT msg) const {
    std::vector<Msg> out;
    for (const Msg& m : log_)
        if (m.msg == msg) out.push_back(m);
    return out;
}

HWND Parent::child(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id,
                   DWORD exStyle) {
    HWND c = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    return c;
}

LRESULT CALLBACK Parent::proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(h, 0, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<Parent*>(GetWindowLongPtrA(h, 0));
    if (!self) return DefWindowProcA(h, msg, wp, lp);
    switch (msg) {
        case WM_COMMAND:
        case SPNM_SPINEND:
        case WM_CHAR:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_SETFOCUS:
            self->log_.push_back({msg, wp, lp});
            return 0;
        case WM_DRAWITEM:
            SkinPainter::DrawSkinButton(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
            return TRUE;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT: {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetTextColor(dc, SkinColors::color(SkinColor::Text));
            SetBkColor(dc, SkinColors::color(SkinColor::FieldBackground));
            return reinterpret_cast<LRESULT>(SkinColors::brush(SkinColor::FieldBackground));
        }
        case WM_PAINT:
            if (self->skinnedFrame_) {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(h, &ps);
                SkinPainter::PaintFrame(h, dc);
                EndPaint(h, &ps);
                return 0;
            }
            break;
        case WM_ERASEBKGND:
            if (self->skinnedFrame_) return 1;
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrA(h, 0, 0);
            self->hwnd_ = nullptr;
            break;
        default:
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
    for (;;) {
        pump();
        const DWORD spent = GetTickCount() - start;
        if (spent >= ms) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
    }
}

void setKey(int vk, bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[vk] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

void releaseAllKeys() {
    BYTE keys[256] = {};
    SetKeyboardState(keys);
}

COLORREF Capture::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
    return px[static_cast<size_t>(y) * width + x];
}

int Capture::count(COLORREF c) const {
    int n = 0;
    for (COLORREF p : px) n += p == c;
    return n;
}

RECT Capture::boxOf(COLORREF c) const {
    RECT r{width, height, 0, 0};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (at(x, y) == c) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
    if (r.right <= r.left) r = RECT{0, 0, 0, 0};
    return r;
}

namespace {

Capture captureScreen(int sx, int sy, int w, int h) {
    Capture c;
    c.width = w;
    c.height = h;
    if (w <= 0 || h <= 0) return c;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, sx, sy, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    c.px.resize(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < c.px.size(); ++i) {
        const uint32_t v = p[i];
        c.px[i] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return c;
}

}  // namespace

Capture captureClient(HWND w) {
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pump();
    RECT rc;
    GetClientRect(w, &rc);
    POINT o{0, 0};
    ClientToScreen(w, &o);
    return captureScreen(o.x, o.y, rc.right, rc.bottom);
}

Capture captureWindow(HWND w) {
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    pump();
    RECT wr;
    GetWindowRect(w, &wr);
    return captureScreen(wr.left, wr.top, wr.right - wr.left, wr.bottom - wr.top);
}

namespace {

struct WatchLog {
    WNDPROC orig;
    std::vector<Msg> msgs;
    std::vector<DWORD> ticks;
};
std::map<HWND, WatchLog>& watches() {
    static std::map<HWND, WatchLog> m;
    return m;
}

LRESULT CALLBACK watchProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    auto it = watches().find(h);
    if (it == watches().end()) return DefWindowProcA(h, msg, wp, lp);
    it->second.msgs.push_back({msg, wp, lp});
    it->second.ticks.push_back(GetTickCount());
    return CallWindowProcA(it->second.orig, h, msg, wp, lp);
}

}  // namespace

Watch::Watch(HWND w) : w_(w) {
    WatchLog log;
    log.orig = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&watchProc)));
    watches()[w] = log;
}

Watch::~Watch() {
    auto it = watches().find(w_);
    if (it == watches().end()) return;
    if (IsWindow(w_)) SetWindowLongPtrA(w_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.orig));
    watches().erase(it);
}

std::vector<Msg> Watch::seen(UINT msg) const {
    std::vector<Msg> out;
    const auto& log = watches()[w_];
    for (const Msg& m : log.msgs)
        if (m.msg == msg) out.push_back(m);
    return out;
}

std::vector<DWORD> Watch::times(UINT msg) const {
    std::vector<DWORD> out;
    const auto& log = watches()[w_];
    for (size_t i = 0; i < log.msgs.size(); ++i)
        if (log.msgs[i].msg == msg) out.push_back(log.ticks[i]);
    return out;
}

void Watch::clear() {
    auto& log = watches()[w_];
    log.msgs.clear();
    log.ticks.clear();
}

std::string windowText(HWND w) {
    char buf[256] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

}  // namespace wintest
