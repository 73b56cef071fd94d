#include "skin/SkinPrimitives.h"

#include "skin/ControlLayout.h"
#include "skin/GdiOwners.h"

// ---- colours -------------------------------------------------------------

SkinColors::SkinColors() { fill(); }

SkinColors::~SkinColors() { deleteBrushes(); }

SkinColors& SkinColors::instance() {
    static SkinColors table;
    return table;
}

void SkinColors::deleteBrushes() {
    for (HBRUSH& b : brushes_) {
        if (b) DeleteObject(b);
        b = nullptr;
    }
}

void SkinColors::fill() {
    deleteBrushes();
    for (COLORREF& c : colors_) c = RGB(0, 0, 0);
    colors_[SkinColor::Background] = RGB(56, 56, 56);
    colors_[SkinColor::Text] = RGB(160, 160, 160);
    colors_[SkinColor::EdgeLight] = RGB(70, 70, 70);
    colors_[SkinColor::EdgeDark] = RGB(25, 25, 25);
    colors_[SkinColor::FieldBackground] = RGB(53, 70, 87);
    colors_[SkinColor::TroughDark] = RGB(25, 25, 25);
    colors_[SkinColor::TroughLight] = RGB(65, 65, 65);
}

COLORREF SkinColors::color(int index) {
    if (index < 0 || index >= kCount) return 0;
    return instance().colors_[index];
}

HBRUSH SkinColors::brush(int index) {
    if (index < 0 || index >= kCount) return nullptr;
    SkinColors& t = instance();
    if (!t.brushes_[index]) t.brushes_[index] = CreateSolidBrush(t.colors_[index]);
    return t.brushes_[index];
}

// ---- fonts ---------------------------------------------------------------

SkinFonts::~SkinFonts() {
    for (HFONT& f : fonts_) {
        if (f) DeleteObject(f);
        f = nullptr;
    }
}

SkinFonts& SkinFonts::instance() {
    static SkinFonts cache;
    return cache;
}

HFONT SkinFonts::font(int index) {
    if (index < 0 || index >= kCount) return nullptr;
    SkinFonts& c = instance();
    if (c.fonts_[index]) return c.fonts_[index];

    HGDIOBJ stock = GetStockObject(DEFAULT_GUI_FONT);
    if (!stock) stock = GetStockObject(SYSTEM_FONT);
    LOGFONTA lf{};
    if (!stock || !GetObjectA(stock, sizeof lf, &lf)) return nullptr;
    if (index != 2) {
        WindowDC screen(nullptr);
        const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
        lf.lfHeight = skin::skinFontHeight(index, dpi);
    }
    c.fonts_[index] = CreateFontIndirectA(&lf);
    return c.fonts_[index];
}

// ---- painting ------------------------------------------------------------

void FillSolidRect(HDC dc, const RECT& rc, COLORREF color) {
    SetBkColor(dc, color);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
}

void FillSolidRect(HDC dc, int x, int y, int w, int h, COLORREF color) {
    const RECT rc{x, y, x + w, y + h};
    FillSolidRect(dc, rc, color);
}

void Draw3dRect(HDC dc, const RECT& rc, COLORREF topLeft, COLORREF bottomRight) {
    const int x = rc.left, y = rc.top, w = rc.right - rc.left, h = rc.bottom - rc.top;
    FillSolidRect(dc, x, y, w - 1, 1, topLeft);
    FillSolidRect(dc, x, y, 1, h - 1, topLeft);
    // Negative sizes: the rectangles end at the last column and row.
    FillSolidRect(dc, x + w, y, -1, h, bottomRight);
    FillSolidRect(dc, x, y + h, w, -1, bottomRight);
}

// ---- SkinDib -------------------------------------------------------------

SkinDib::SkinDib() : header{}, width(0), height(0), pixels(nullptr), bitmap(nullptr) {}

SkinDib::~SkinDib() { destroy(); }

void SkinDib::destroy() {
    if (bitmap) DeleteObject(bitmap);
    bitmap = nullptr;
    pixels = nullptr;
    width = 0;
    height = 0;
    header = BITMAPINFOHEADER{};
}

bool SkinDib::create(int w, int h) {
    destroy();
    if (w < 1 || h < 1 || w > 0xFFFF || h > 0xFFFF) return false;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = w;
    header.biHeight = -h;  // rows run top-down
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(w) * static_cast<DWORD>(h) * 4;
    void* bits = nullptr;
    bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        destroy();
        return false;
    }
    pixels = static_cast<uint32_t*>(bits);
    width = static_cast<uint16_t>(w);
    height = static_cast<uint16_t>(h);
    return true;
}

bool SkinDib::loadResource(HINSTANCE instance, int id) {
    destroy();
    GdiBitmap loaded(LoadBitmapA(instance, MAKEINTRESOURCEA(id)));
    if (!loaded) return false;
    BITMAP info{};
    bool ok = GetObjectA(loaded.get(), sizeof info, &info) != 0 && create(info.bmWidth, info.bmHeight);
    if (ok) {
        // GetDIBits may write a colour table behind the header: give it room.
        struct {
            BITMAPINFOHEADER h;
            RGBQUAD colors[256];
        } bi{};
        bi.h = header;
        WindowDC screen(nullptr);
        ok = screen && GetDIBits(screen.get(), loaded.get(), 0, height, pixels,
                                 reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS) == height;
        if (ok) GdiFlush();
    }
    if (!ok) destroy();
    return ok;
}

void SkinDib::blitTo(HDC dc, int x, int y) const {
    if (empty()) return;
    SetDIBitsToDevice(dc, x, y, width, height, 0, 0, 0, height, pixels,
                      reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS);
}

void SkinDib::fillAll(int r, int g, int b) { skin::fillAll(buffer(), skin::pixelValue(r, g, b)); }

void SkinDib::fillRect(int x, int y, int w, int h, int r, int g, int b) {
    skin::fillRect(buffer(), x, y, w, h, skin::pixelValue(r, g, b));
}

void SkinDib::hLine(int x0, int y, int x1, int r, int g, int b) {
    skin::hLine(buffer(), x0, y, x1, skin::pixelValue(r, g, b));
}

void SkinDib::vLine(int x, int y0, int y1, int r, int g, int b) {
    skin::vLine(buffer(), x, y0, y1, skin::pixelValue(r, g, b));
}

void SkinDib::blend(const SkinDib& source, int x, int y, int alpha) {
    skin::blend(buffer(), source.buffer(), x, y, alpha);
}

// ---- skin bitmaps --------------------------------------------------------

namespace {

constexpr int kFirstSkinBitmap = 102;
constexpr int kSkinBitmapCount = 7;

SkinDib* skinBitmaps() {
    static SkinDib images[kSkinBitmapCount];
    return images;
}

}  // namespace

SkinDib* SkinBitmap(int id) {
    if (id < kFirstSkinBitmap || id >= kFirstSkinBitmap + kSkinBitmapCount) return nullptr;
    return &skinBitmaps()[id - kFirstSkinBitmap];
}

void LoadSkinBitmaps(HINSTANCE instance) {
    const int order[kSkinBitmapCount] = {SkinCaptionTab, SkinCaptionEnd, SkinTopRight, SkinBottomLeft,
                                         SkinBottomRight, SkinBottomRightGrip, SkinBottomTab};
    for (int id : order) {
        // A picture that does not load stays empty; the frame simply lacks it.
        (void)SkinBitmap(id)->loadResource(instance, id);
    }
}
