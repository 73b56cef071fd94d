#pragma once
// Layout of the skinned message box from its text: the box grows with the
// widest line and the number of lines, and the OK button sits at the bottom,
// right of the middle. Portable: widths and heights in pixels come from the
// caller, which measures them in the box's font.
#include <string>
#include <vector>

namespace ui {

// The lines of a message: the text split at "\n" with empty lines dropped
// (two "\n" in a row, or one at either end, add no line).
std::vector<std::string> messageLines(const char* text);

struct MessageLayout {
    int width = 0;    // window width: widest line (at least 70) + 109
    int height = 0;   // window height: lineHeight x lines + 110
    int buttonX = 0;  // OK button, client coordinates, size unchanged
    int buttonY = 0;
};

// The text column starts at x 70 and the icon sits left of it; the widest
// line counts as at least 70 pixels wide.
MessageLayout layoutMessage(const std::vector<int>& lineWidths, int lineHeight, int buttonWidth,
                            int buttonHeight);

}  // namespace ui
