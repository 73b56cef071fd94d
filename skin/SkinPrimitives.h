// What every skinned window shares: the colour table with its brush cache,
// the font cache, solid rectangles and one-pixel 3D frames, the off-screen
// image SkinDib and the seven module-wide skin bitmaps.
#pragma once

#include <windows.h>

#include <cstdint>

#include "skin/PixelOps.h"

// Slots of the colour table that windows use; the others stay black.
namespace SkinColor {
enum : int {
    Background = 0,       // dialogs, controls, button faces
    Text = 1,             // text, arrows, check marks
    EdgeLight = 5,        // light side of 3D frames, emboss of disabled text
    EdgeDark = 6,         // dark side of 3D frames, disabled text
    FieldBackground = 7,  // edit fields, check box interiors
    TroughDark = 15,      // top and left edge of the progress trough
    TroughLight = 16,     // bottom and right of the trough, pressed check box
};
}  // namespace SkinColor

// Module-wide colour table of 18 slots with one cached solid brush per slot.
// Brushes belong to the cache: callers never delete them.
class SkinColors {
public:
    static constexpr int kCount = 18;
    static COLORREF color(int index);  // 0 for an index outside 0..17
    static HBRUSH brush(int index);    // nullptr for an index outside 0..17

private:
    SkinColors();
    ~SkinColors();
    SkinColors(const SkinColors&) = delete;
    SkinColors& operator=(const SkinColors&) = delete;
    static SkinColors& instance();
    void fill();  // the dark scheme; deletes cached brushes first
    void deleteBrushes();

    COLORREF colors_[kCount] = {};
    HBRUSH brushes_[kCount] = {};
};

// Module-wide cache of the skin fonts: the default GUI font with only its
// height changed. 0: 8 points at the screen's resolution; 1: 8 points at
// 96 dots per inch; 2: the GUI font's own height.
class SkinFonts {
public:
    static constexpr int kCount = 3;
    static HFONT font(int index);  // nullptr for an index outside 0..2

private:
    SkinFonts() = default;
    ~SkinFonts();
    SkinFonts(const SkinFonts&) = delete;
    SkinFonts& operator=(const SkinFonts&) = delete;
    static SkinFonts& instance();

    HFONT fonts_[kCount] = {};
};

// Opaque fill through ExtTextOut with no characters: no brush is created.
void FillSolidRect(HDC dc, const RECT& rc, COLORREF color);
void FillSolidRect(HDC dc, int x, int y, int w, int h, COLORREF color);

// One-pixel frame; the top right and bottom left corners take bottomRight.
void Draw3dRect(HDC dc, const RECT& rc, COLORREF topLeft, COLORREF bottomRight);

// An off-screen 32-bit top-down image backed by a DIB section.
class SkinDib {
public:
    SkinDib();
    virtual ~SkinDib();
    SkinDib(const SkinDib&) = delete;
    SkinDib& operator=(const SkinDib&) = delete;

    [[nodiscard]] bool create(int width, int height);
    void destroy();
    [[nodiscard]] bool loadResource(HINSTANCE instance, int id);
    void blitTo(HDC dc, int x, int y) const;

    void fillAll(int r, int g, int b);
    void fillRect(int x, int y, int w, int h, int r, int g, int b);
    void hLine(int x0, int y, int x1, int r, int g, int b);
    void vLine(int x, int y0, int y1, int r, int g, int b);
    void blend(const SkinDib& source, int x, int y, int alpha);

    skin::PixelBuffer buffer() { return {pixels, width, height}; }
    skin::ConstPixelBuffer buffer() const { return {pixels, width, height}; }
    bool empty() const { return pixels == nullptr; }

    BITMAPINFOHEADER header;  // 32 bpp, negative height (top-down), BI_RGB
    uint16_t width;           // 0 when empty
    uint16_t height;          // 0 when empty
    uint32_t* pixels;         // 0x00RRGGBB, owned by bitmap
    HBITMAP bitmap;           // the section bitmap
};

// Ids of the skin bitmaps in the module's resources.
enum SkinBitmapId : int {
    SkinBottomRight = 102,
    SkinBottomTab = 103,
    SkinBottomRightGrip = 104,
    SkinBottomLeft = 105,
    SkinCaptionEnd = 106,
    SkinCaptionTab = 107,
    SkinTopRight = 108,
};

// The module-wide image of skin bitmap id (102..108), empty until loaded;
// nullptr for any other id.
SkinDib* SkinBitmap(int id);

// Loads the seven skin bitmaps from instance's resources, replacing earlier
// pixels. A bitmap that fails to load is left empty and not reported.
void LoadSkinBitmaps(HINSTANCE instance);
