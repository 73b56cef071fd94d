#include "skin/FrameGeometry.h"

namespace skin {

int captionStripEnd(int clientWidth) { return clientWidth - (clientWidth - 117) / 2; }

WindowShape windowShapeFor(int W, int H) {
    const int m = captionStripEnd(W);
    WindowShape s;
    s.body = {0, 15, W, H - 5};
    // The tab's top left corner is cut by one pixel; its right side slopes
    // down to the body.
    s.captionTab[0] = {0, 16};
    s.captionTab[1] = {0, 1};
    s.captionTab[2] = {1, 0};
    s.captionTab[3] = {102, 0};
    s.captionTab[4] = {117, 16};
    s.captionStrip[0] = {109, 8};
    s.captionStrip[1] = {m, 8};
    s.captionStrip[2] = {m + 7, 15};
    s.captionStrip[3] = {109, 15};
    // Five pixels below the body, lower corners chamfered.
    s.bottomTab[0] = {W - 118, H - 9};
    s.bottomTab[1] = {W - 26, H - 9};
    s.bottomTab[2] = {W - 26, H - 6};
    s.bottomTab[3] = {W - 32, H};
    s.bottomTab[4] = {W - 113, H};
    s.bottomTab[5] = {W - 118, H - 6};
    return s;
}

void composeFrame(PixelBuffer img, const FrameBitmaps& bm, bool sizingBorder, uint32_t background) {
    const int W = img.width;
    const int H = img.height;
    if (!img.pixels || W < 1 || H < 1) return;
    const uint32_t grey110 = pixelValue(110, 110, 110);
    const uint32_t grey86 = pixelValue(86, 86, 86);
    const uint32_t grey63 = pixelValue(63, 63, 63);
    const uint32_t grey56 = pixelValue(56, 56, 56);
    const uint32_t grey52 = pixelValue(52, 52, 52);
    const uint32_t grey38 = pixelValue(38, 38, 38);
    const uint32_t grey21 = pixelValue(21, 21, 21);

    fillAll(img, background);
    fillRect(img, 0, 0, W, 20, grey56);
    fillRect(img, 0, H - 15, W, 15, grey56);

    // Caption band; row 17 keeps the fill.
    hLine(img, 0, 8, W - 1, grey110);
    hLine(img, 0, 15, W - 1, grey110);
    hLine(img, 0, 9, W - 1, grey86);
    hLine(img, 0, 16, W - 1, grey86);
    hLine(img, 0, 10, W - 1, grey63);
    hLine(img, 0, 18, W - 1, grey38);
    hLine(img, 0, 19, W - 1, grey21);

    // Left and right bevels; column W - 1 keeps the fill.
    const uint32_t bevel[5] = {grey110, grey86, grey56, grey38, grey21};
    for (int i = 0; i < 5; ++i) {
        vLine(img, i, 0, H - 1, bevel[i]);
        vLine(img, W - 6 + i, 0, H - 1, bevel[i]);
    }

    // Bottom band.
    hLine(img, 0, H - 17, W - 1, grey110);
    hLine(img, 0, H - 16, W - 1, grey86);
    hLine(img, 0, H - 15, W - 1, grey63);
    hLine(img, 0, H - 9, W - 1, grey52);
    hLine(img, 0, H - 8, W - 1, grey38);
    hLine(img, 0, H - 7, W - 1, grey21);

    const int m = captionStripEnd(W);
    blend(img, bm.captionTab, 0, 0, 255);
    blend(img, bm.captionEnd, m - 2, 8, 255);
    blend(img, bm.topRight, W - 8, 15, 255);
    blend(img, bm.bottomLeft, 0, H - 18, 255);
    blend(img, bm.bottomTab, W - 118, H - 13, 255);
    if (sizingBorder)
        blend(img, bm.bottomRightGrip, W - 11, H - 18, 255);
    else
        blend(img, bm.bottomRight, W - 8, H - 18, 255);

    // Inner shadow under the caption band and the corners the bitmaps leave.
    fillRect(img, 5, 20, W - 12, 4, background);
    const Point clear[] = {{W - 7, 21}, {W - 7, 22}, {W - 7, 23}, {6, H - 18},  {7, H - 18},
                           {8, H - 18}, {W - 11, H - 18}, {W - 10, H - 18}, {W - 9, H - 18}, {W - 8, H - 18}};
    for (const Point& p : clear) fillRect(img, p.x, p.y, 1, 1, background);
    fillRect(img, 5, 20, 1, 1, pixelValue(10, 10, 10));
}

Rect innerArea(int W, int H) { return {5, 20, W - 5, H - 18}; }

bool hitCaption(int W, int H, int x, int y) {
    const Rect in = innerArea(W, H);
    const bool inside = x >= in.left && x < in.right && y >= in.top && y < in.bottom;
    return !inside;
}

Point centredPosition(int w, int h, const Rect& ref, const Rect& work) {
    int x = (ref.left + ref.right) / 2 - w / 2;
    int y = (ref.top + ref.bottom) / 2 - h / 2;
    if (x < work.left)
        x = work.left;
    else if (x + w > work.right)
        x = work.right - w;
    if (y < work.top)
        y = work.top;
    else if (y + h > work.bottom)
        y = work.bottom - h;
    return {x, y};
}

}  // namespace skin
