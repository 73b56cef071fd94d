// Pixel composition on a plain 32-bit pixel buffer (0x00RRGGBB, rows top-down).
// SkinDib hands its section bitmap's pixels to these functions; they know
// nothing about Windows, so the frame composition is tested natively.
#pragma once

#include <cstdint>

namespace skin {

struct PixelBuffer {
    uint32_t* pixels = nullptr;  // width * height pixels, row by row from the top
    int width = 0;
    int height = 0;
};

struct ConstPixelBuffer {
    const uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

inline ConstPixelBuffer asConst(const PixelBuffer& b) { return {b.pixels, b.width, b.height}; }

// r * 65536 + g * 256 + b, each component taken as its low 8 bits.
constexpr uint32_t pixelValue(int r, int g, int b) {
    return (static_cast<uint32_t>(r & 0xFF) << 16) | (static_cast<uint32_t>(g & 0xFF) << 8) |
           static_cast<uint32_t>(b & 0xFF);
}

void fillAll(PixelBuffer img, uint32_t value);

// Clipped to the image; nothing is drawn when the clipped size is below 1.
void fillRect(PixelBuffer img, int x, int y, int w, int h, uint32_t value);

// Inclusive end points. Pixels outside the image are skipped, so a caller's
// off-by-one never writes outside the buffer.
void hLine(PixelBuffer img, int x0, int y, int x1, uint32_t value);
void vLine(PixelBuffer img, int x, int y0, int y1, uint32_t value);

// Places src with its top left corner at (x, y), clipped like fillRect.
// Per colour byte: d := ((s - d) * a + d * 256) >> 8, alpha clamped to 0..255;
// the destination's top byte is kept.
void blend(PixelBuffer dst, ConstPixelBuffer src, int x, int y, int alpha);

// The pixel at (x, y), 0 outside the image (for tests and pixel probes).
uint32_t pixelAt(ConstPixelBuffer img, int x, int y);

}  // namespace skin
