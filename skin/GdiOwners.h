// Small owners for GDI handles: each gives back what it holds when it goes
// out of scope, also on an early return. The module-wide brush and font
// caches are the deliberate exception (they live until the module unloads).
#pragma once

#include <windows.h>

#include <utility>

// A pen, brush, region or bitmap that this scope created and deletes.
template <class Handle>
class GdiObject {
public:
    explicit GdiObject(Handle h = nullptr) : h_(h) {}
    ~GdiObject() { reset(); }
    GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
    GdiObject& operator=(GdiObject&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, nullptr));
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }
    // Gives up ownership, e.g. to SetWindowRgn, which takes the region.
    Handle release() { return std::exchange(h_, nullptr); }
    void reset(Handle h = nullptr) {
        if (h_) DeleteObject(h_);
        h_ = h;
    }

private:
    Handle h_;
};

using GdiPen = GdiObject<HPEN>;
using GdiRegion = GdiObject<HRGN>;
using GdiBitmap = GdiObject<HBITMAP>;

// Selects an object into a DC and puts the old one back at scope exit.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(dc && obj ? SelectObject(dc, obj) : nullptr) {}
    ~SelectedObject() {
        if (old_) SelectObject(dc_, old_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// GetDC (or GetWindowDC) with ReleaseDC at scope exit; a null window gives
// the screen.
class WindowDC {
public:
    enum Area { Client, Whole };
    explicit WindowDC(HWND w, Area area = Client) : w_(w), dc_(area == Whole ? GetWindowDC(w) : GetDC(w)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(w_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND w_;
    HDC dc_;
};
