#include "skin/PixelOps.h"

#include <algorithm>

namespace skin {
namespace {

bool usable(const PixelBuffer& img) { return img.pixels && img.width > 0 && img.height > 0; }

// The clip rule shared by fillRect and blend: first cut what reaches past the
// right (bottom) edge, then what lies left of (above) the origin. Done in 64
// bits so that huge sizes cannot overflow. Returns how many leading source
// pixels were cut off on the low side.
struct Span {
    int start;
    int length;
    int skipped;
};

Span clipSpan(int pos, int len, int limit) {
    int64_t p = pos;
    int64_t n = len;
    if (p + n > limit) n = limit - p;
    int64_t skipped = 0;
    if (p < 0) {
        n += p;
        skipped = -p;
        p = 0;
    }
    if (n < 1) return {0, 0, 0};
    return {static_cast<int>(p), static_cast<int>(n), static_cast<int>(skipped)};
}

}  // namespace

void fillAll(PixelBuffer img, uint32_t value) {
    if (!usable(img)) return;
    std::fill(img.pixels, img.pixels + static_cast<size_t>(img.width) * img.height, value);
}

void fillRect(PixelBuffer img, int x, int y, int w, int h, uint32_t value) {
    if (!usable(img)) return;
    Span cols = clipSpan(x, w, img.width);
    Span rows = clipSpan(y, h, img.height);
    if (cols.length < 1 || rows.length < 1) return;
    for (int row = rows.start; row < rows.start + rows.length; ++row) {
        uint32_t* line = img.pixels + static_cast<size_t>(row) * img.width + cols.start;
        std::fill(line, line + cols.length, value);
    }
}

void hLine(PixelBuffer img, int x0, int y, int x1, uint32_t value) {
    if (!usable(img) || y < 0 || y >= img.height) return;
    int from = std::max(x0, 0);
    int to = std::min(x1, img.width - 1);
    for (int x = from; x <= to; ++x) img.pixels[static_cast<size_t>(y) * img.width + x] = value;
}

void vLine(PixelBuffer img, int x, int y0, int y1, uint32_t value) {
    if (!usable(img) || x < 0 || x >= img.width) return;
    int from = std::max(y0, 0);
    int to = std::min(y1, img.height - 1);
    for (int y = from; y <= to; ++y) img.pixels[static_cast<size_t>(y) * img.width + x] = value;
}

void blend(PixelBuffer dst, ConstPixelBuffer src, int x, int y, int alpha) {
    if (!usable(dst) || !src.pixels || src.width < 1 || src.height < 1) return;
    const int a = std::clamp(alpha, 0, 255);
    Span cols = clipSpan(x, src.width, dst.width);
    Span rows = clipSpan(y, src.height, dst.height);
    if (cols.length < 1 || rows.length < 1) return;
    for (int r = 0; r < rows.length; ++r) {
        const uint32_t* s = src.pixels + static_cast<size_t>(rows.skipped + r) * src.width + cols.skipped;
        uint32_t* d = dst.pixels + static_cast<size_t>(rows.start + r) * dst.width + cols.start;
        for (int c = 0; c < cols.length; ++c) {
            uint32_t out = d[c] & 0xFF000000u;
            for (int shift = 0; shift <= 16; shift += 8) {
                const int sb = static_cast<int>((s[c] >> shift) & 0xFF);
                const int db = static_cast<int>((d[c] >> shift) & 0xFF);
                // s*a + d*(256-a) is never negative for a in 0..255, so the
                // shift is a plain division by 256 rounding down.
                const int v = ((sb - db) * a + db * 256) >> 8;
                out |= static_cast<uint32_t>(v & 0xFF) << shift;
            }
            d[c] = out;
        }
    }
}

uint32_t pixelAt(ConstPixelBuffer img, int x, int y) {
    if (!img.pixels || x < 0 || y < 0 || x >= img.width || y >= img.height) return 0;
    return img.pixels[static_cast<size_t>(y) * img.width + x];
}

}  // namespace skin
