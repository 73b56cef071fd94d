// Geometry and composition of the skinned dialog frame, as plain functions of
// the client size: the outline's points, the background picture, the drag
// zone and the centring arithmetic. SkinPainter turns them into regions,
// pixels on the screen and window moves.
#pragma once

#include "skin/PixelOps.h"

namespace skin {

struct Point {
    int x = 0;
    int y = 0;
};

// Right and bottom exclusive, as a Win32 RECT.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// The outline of a dialog: a rounded body with a caption tab at the top left,
// a caption strip running to the right of it, and a tab below the body.
struct WindowShape {
    Rect body;               // rounded rectangle, corner ellipse 2 x 2
    Point captionTab[5];
    Point captionStrip[4];
    Point bottomTab[6];
};

// Where the caption strip ends: half way between x 117 and the right edge.
int captionStripEnd(int clientWidth);

WindowShape windowShapeFor(int clientWidth, int clientHeight);

// The seven skin pictures the frame is composed from; an empty one (no
// pixels) is simply not drawn.
struct FrameBitmaps {
    ConstPixelBuffer captionTab;      // 107, 123 x 23
    ConstPixelBuffer captionEnd;      // 106, 9 x 12
    ConstPixelBuffer topRight;        // 108, 7 x 9
    ConstPixelBuffer bottomLeft;      // 105, 9 x 12
    ConstPixelBuffer bottomTab;       // 103, 92 x 13
    ConstPixelBuffer bottomRight;     // 102, 7 x 12
    ConstPixelBuffer bottomRightGrip; // 104, 10 x 12, windows with a sizing border
};

// Paints the whole dialog background into img (its size is the client size):
// bevelled lines, caption and bottom bands, then the bitmaps.
void composeFrame(PixelBuffer img, const FrameBitmaps& bitmaps, bool sizingBorder,
                  uint32_t background);

// The inner area where clicks belong to the dialog's content; a press
// anywhere else drags the window.
Rect innerArea(int clientWidth, int clientHeight);
bool hitCaption(int clientWidth, int clientHeight, int x, int y);

// Top left corner for a window of size w x h centred on ref and then pushed
// into the work area (left and top win when the window is larger).
Point centredPosition(int w, int h, const Rect& ref, const Rect& work);

}  // namespace skin
