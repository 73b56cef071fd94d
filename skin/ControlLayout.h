// Layout and colour arithmetic of the skinned standard controls, kept apart
// from the window procedures that use them.
#pragma once

#include <cstdint>

#include "skin/FrameGeometry.h"

namespace skin {

enum class VerticalAlign { Centre, Top, Bottom };
enum class TextAlign { Left, Centre, Right };

// The 13 x 13 box of a skinned check box inside its client rectangle.
Rect checkBoxBoxRect(const Rect& client, bool leftText, VerticalAlign v);

// The text beside the box; textHeight is the height of the text in the
// check box font.
Rect checkBoxTextRect(const Rect& client, bool leftText, VerticalAlign v, int textHeight);

// The three strokes of the tick, each a polyline of three points (end points
// excluded when drawn), from the top left corner of the inset box.
struct TickStroke {
    Point p[3];
};
void checkTickStrokes(int left, int top, TickStroke out[3]);

// The group box title colour derived from the background colour: each
// component lifted by 100, 90, 75 and wrapped modulo 255 (not 256).
struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};
Rgb groupTitleColor(Rgb background);

// Height of skin font `index`: 0 is 8 points at the screen's resolution,
// 1 is 8 points at 96 dots per inch whatever the screen. Other indices have
// no fixed height (0).
int skinFontHeight(int index, int logPixelsY);

// The progress trough: the inner rectangle of a control's client rectangle
// and the width the bar fills.
Rect progressInnerRect(const Rect& client);
float clampFraction(float fraction);
int progressFillWidth(int innerWidth, float fraction);

}  // namespace skin
