#include "ui/logic/FadeBlend.h"

namespace ui {

uint32_t blendColor(uint32_t bar, uint32_t back, float level) {
    // NaN fails both comparisons and ends up as 0 (the background).
    double f = 0.0;
    if (level >= 1.0f) f = 1.0;
    else if (level > 0.0f) f = level;
    uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int b = static_cast<int>((back >> shift) & 0xFF);
        const int c = static_cast<int>((bar >> shift) & 0xFF);
        const int channel = static_cast<int>(b + (c - b) * f);  // truncates toward zero
        out |= (static_cast<uint32_t>(channel) & 0xFF) << shift;
    }
    return out;
}

float nextFadeLevel(float level) {
    const float next = level - kFadeStep;
    return next;
}

}  // namespace ui
