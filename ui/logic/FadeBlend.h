#pragma once
// The progress bar's fade-out after a completed import: the bar colour is
// blended toward the dialog background in ten steps of 0.1. Portable: the
// colours are COLORREF values (0x00BBGGRR) held in 32-bit integers.
#include <cstdint>

namespace ui {

// The bar colour while the import runs: red 62, green 145, blue 103.
constexpr uint32_t kProgressBarColor = 0x0067913E;
// The fade level after WM_IMPORT_DONE, and what one fade step takes off.
constexpr float kFadeStart = 1.0f;
constexpr float kFadeStep = 0.1f;

// Channel by channel, back + (bar - back) x level in floating point,
// truncated toward zero and kept to 8 bits. The level is held to 0..1 first:
// the last step of the fade leaves it a hair below zero, and that step must
// show the background exactly, whatever precision the arithmetic runs in.
uint32_t blendColor(uint32_t bar, uint32_t back, float level);

// One fade step in 32-bit float arithmetic: level - 0.1. Ten steps from 1.0
// end slightly below zero (about -7.45e-8), which ends the fade.
float nextFadeLevel(float level);

}  // namespace ui
