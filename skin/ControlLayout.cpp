#include "skin/ControlLayout.h"

#include <cmath>
#include <cstdint>

namespace skin {

Rect checkBoxBoxRect(const Rect& c, bool leftText, VerticalAlign v) {
    Rect box;
    box.left = leftText ? c.right - 13 : c.left;
    switch (v) {
        case VerticalAlign::Top: box.top = c.top + 1; break;
        case VerticalAlign::Bottom: box.top = c.bottom - 16; break;
        case VerticalAlign::Centre: box.top = (c.bottom - c.top - 13) / 2 - 1; break;
    }
    box.right = box.left + 13;
    box.bottom = box.top + 13;
    return box;
}

Rect checkBoxTextRect(const Rect& c, bool leftText, VerticalAlign v, int th) {
    Rect t;
    t.left = leftText ? c.left : c.left + 18;
    t.right = leftText ? c.right - 18 : c.right;
    switch (v) {
        case VerticalAlign::Top: t.top = c.top; break;
        case VerticalAlign::Bottom: t.top = c.bottom - th - 3; break;
        case VerticalAlign::Centre: t.top = (c.bottom - c.top - th) / 2 - 1; break;
    }
    t.bottom = t.top + th;
    return t;
}

void checkTickStrokes(int L, int T, TickStroke out[3]) {
    for (int i = 0; i < 3; ++i) out[i] = {{{L + 2, T + 4 + i}, {L + 4, T + 6 + i}, {L + 9, T + 1 + i}}};
}

Rgb groupTitleColor(Rgb c) { return {(c.r + 100) % 255, (c.g + 90) % 255, (c.b + 75) % 255}; }

int skinFontHeight(int index, int logPixelsY) {
    // -MulDiv(8, dpi, 72): MulDiv rounds half away from zero.
    auto points8 = [](int dpi) {
        const int64_t num = 8LL * dpi;
        const int64_t q = (num + (num >= 0 ? 36 : -36)) / 72;
        return -static_cast<int>(q);
    };
    if (index == 0) return points8(logPixelsY);
    if (index == 1) return points8(96);
    return 0;
}

Rect progressInnerRect(const Rect& c) { return {c.left + 2, c.top + 2, c.right - 3, c.bottom - 2}; }

float clampFraction(float f) {
    if (f > 1.0f) f = 1.0f;
    if (f < 0.0f || std::isnan(f)) f = 0.0f;
    return f;
}

int progressFillWidth(int innerWidth, float fraction) {
    if (innerWidth <= 0) return 0;
    const double w = static_cast<double>(innerWidth) * clampFraction(fraction);
    return static_cast<int>(w);  // truncated toward zero
}

}  // namespace skin
