#pragma once
// Pictures of windows as a user sees them, for documentation and checks.
#include <windows.h>

// Saves what the screen shows of window w (its whole window rectangle, also
// where a shaped window lets the windows behind show through) as a 24-bit
// BMP at path. False when the picture cannot be taken or written.
bool SaveWindowShot(HWND w, const char* path);
