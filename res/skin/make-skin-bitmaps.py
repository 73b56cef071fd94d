#!/usr/bin/env python3
"""Draws the seven skin bitmaps (resources 102 to 108) of the dark skin.

Each picture starts from the frame background it is placed on (the bevels and
bands the frame painter draws), so the seams vanish, and then gets its own
detail: the bevelled caption tab with a small emblem, mitred corners, the
bottom tab with a grip, the size grip. Written as uncompressed 8-bit BMPs
with a palette, the form the resource compiler embeds and the skin loads.

Usage: make-skin-bitmaps.py [output-folder]   (default: this script's folder)
"""
import os
import struct
import sys

# A virtual dialog to place the pictures on; every placement is relative to
# an edge, so the pictures fit any size.
W, H = 300, 200
BACK = (56, 56, 56)
FIELD = (53, 70, 87)
ACCENT = (87, 110, 135)


def g(v):
    return (v, v, v)


def frame_pixel(x, y):
    """The frame background at (x, y) before any bitmap is blended."""
    c = BACK
    if y < 20 or y >= H - 15:
        c = g(56)
    rows = {8: 110, 15: 110, 9: 86, 16: 86, 10: 63, 18: 38, 19: 21}
    if y in rows:
        c = g(rows[y])
    bevel = [110, 86, 56, 38, 21]
    if x < 5:
        c = g(bevel[x])
    if W - 6 <= x <= W - 2:
        c = g(bevel[x - (W - 6)])
    bottom = {H - 17: 110, H - 16: 86, H - 15: 63, H - 9: 52, H - 8: 38, H - 7: 21}
    if y in bottom:
        c = g(bottom[y])
    return c


class Picture:
    def __init__(self, w, h, ox, oy):
        self.w, self.h = w, h
        self.px = [[frame_pixel(ox + x, oy + y) for x in range(w)] for y in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)


def caption_tab():  # 107, 123 x 23 at (0, 0)
    p = Picture(123, 23, 0, 0)
    # Tab face from row 1 to 14 between the left bevel and the sloped edge
    # (102, 0) .. (117, 16): a soft vertical gradient.
    for y in range(1, 15):
        edge = 102 + (15 * y) // 16
        shade = 78 - (y * 20) // 14
        for x in range(5, edge):
            p.set(x, y, g(shade))
        p.set(edge - 1, y, g(38))
        p.set(edge, y, g(21))
    for x in range(1, 102):
        p.set(x, 0, g(110))
        p.set(x, 1, g(96))
    p.set(0, 0, g(21))
    # Emblem: three stepped squares in the field colours.
    for i, c in enumerate([FIELD, ACCENT, (120, 140, 160)]):
        p.rect(9 + 5 * i, 10 - 2 * i, 12 + 5 * i, 13 - 2 * i, c)
    # Under the face the tab joins the band rows 15 to 19 of the frame.
    return p


def caption_end():  # 106, 9 x 12 at (m - 2, 8); the strip ends with a slope from (m, 8)
    p = Picture(9, 12, 150, 8)
    for y in range(0, 7):
        e = 2 + y  # the slope's x inside the picture
        for x in range(e + 1, 9):
            p.set(x, y, g(21))  # outside the window; kept dark
        p.set(e, y, g(110))  # the strip's top highlight turns down the slope
        if e - 1 >= 0 and y > 0:
            p.set(e - 1, y, g(86))
    return p


def mitred(w, h, ox, oy):
    return Picture(w, h, ox, oy)


def top_right():  # 108, 7 x 9 at (W - 8, 15)
    p = mitred(7, 9, W - 8, 15)
    bevel = [110, 86, 56, 38, 21]
    band = [110, 86, 56, 38, 21]  # rows 15 .. 19
    for by in range(9):
        for bx in range(7):
            j = bx - 2  # right bevel column index
            if by <= 4 and (j < 0 or by <= j):
                p.set(bx, by, g(band[by]))
            elif 0 <= j <= 4:
                p.set(bx, by, g(bevel[j]))
    return p


def bottom_left():  # 105, 9 x 12 at (0, H - 18)
    p = Picture(9, 12, 0, H - 18)
    bevel = [110, 86, 56, 38, 21]
    for by in range(12):
        y = H - 18 + by
        for bx in range(5):
            # Below the last band line the bevel turns into the body's edge.
            if y >= H - 9 and bx > (H - 6 - y):
                p.set(bx, by, frame_pixel(20, y))
            else:
                p.set(bx, by, g(bevel[bx]))
    p.rect(6, 3, 7, 4, ACCENT)
    return p


def bottom_tab():  # 103, 92 x 13 at (W - 118, H - 13)
    p = Picture(92, 13, W - 118, H - 13)
    # The tab body spans picture rows 4 .. 12 with chamfered lower corners.
    for by in range(4, 13):
        y = H - 13 + by
        cut_l = max(0, 5 - (H - y)) if y >= H - 6 else 0
        cut_r = max(0, 6 - (H - y)) if y >= H - 6 else 0
        for bx in range(cut_l, 92 - cut_r):
            p.set(bx, by, g(66 - 2 * (by - 4)))
        p.set(cut_l, by, g(86))
        p.set(91 - cut_r, by, g(21))
    for bx in range(1, 91):
        p.set(bx, 4, g(110))
        p.set(bx, 12, g(21))
    # Grip: a row of raised dots in the middle.
    for i in range(8):
        x = 34 + 3 * i
        p.set(x, 7, g(110))
        p.set(x + 1, 8, g(25))
    return p


def bottom_right(w, grip):  # 102 (7 x 12) at (W - 8, H - 18); 104 (10 x 12) at (W - 11, H - 18)
    ox = W - w - 1
    p = Picture(w, 12, ox, H - 18)
    bevel = [110, 86, 56, 38, 21]
    for by in range(12):
        y = H - 18 + by
        for bx in range(w):
            j = ox + bx - (W - 6)
            if 0 <= j <= 4:
                if y >= H - 9 and j < (y - (H - 9)):
                    p.set(bx, by, frame_pixel(20, y))
                else:
                    p.set(bx, by, g(bevel[j]))
    if grip:
        for k in range(3):
            for i in range(k + 1):
                x, y = 2 + 2 * i + (2 - k) * 2, 4 + 2 * k
                p.set(x, y, g(130))
                p.set(x + 1, y + 1, g(21))
    return p


def write_bmp(path, pic):
    colours = sorted({c for row in pic.px for c in row})
    assert len(colours) <= 256, path
    index = {c: i for i, c in enumerate(colours)}
    stride = (pic.w + 3) & ~3
    palette = b"".join(struct.pack("<BBBB", b, gg, r, 0) for (r, gg, b) in colours)
    palette += b"\0\0\0\0" * (256 - len(colours))
    pixels = bytearray()
    for row in reversed(pic.px):  # BMP rows run bottom-up
        line = bytes(index[c] for c in row)
        pixels += line + b"\0" * (stride - pic.w)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, pic.w, pic.h, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    with open(path, "wb") as f:
        f.write(header + info + palette + pixels)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out, exist_ok=True)
    pictures = {
        102: bottom_right(7, False),
        103: bottom_tab(),
        104: bottom_right(10, True),
        105: bottom_left(),
        106: caption_end(),
        107: caption_tab(),
        108: top_right(),
    }
    for rid, pic in sorted(pictures.items()):
        write_bmp(os.path.join(out, "skin_%d.bmp" % rid), pic)


if __name__ == "__main__":
    main()
