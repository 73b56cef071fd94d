#!/usr/bin/env python3
"""Draws the about picture (bitmap resource 101, 268 x 142, 24 bits).

The landscape is the bundled example terrain, examples/ridge.ter, seen in
perspective from above its southern lake with the ridge behind: a height-field
ray caster, one ray per picture column, stepping away from the eye and
drawing each sample from the lowest screen row still free upwards. Colours
come from the elevation (meadow, rock, snow), the light from the example's
sun (heading 135, altitude 35 degrees), the lakes and the sea around the
grid from the example world's water level, and distant ground fades into
the sky's haze. The picture is drawn three times larger and scaled down,
then ImageMagick letters the title and the version on it and writes the
uncompressed 24-bit BMP the resource compiler embeds.

Usage: make-about-bitmap.py [output.bmp]   (default: about_101.bmp beside
this script). Needs Python 3 and ImageMagick's `convert` with the DejaVu
fonts.
"""
import math
import os
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TERRAIN = os.path.join(HERE, "..", "..", "examples", "ridge.ter")
TITLE, VERSION = "vqVirEru", "0.70b"
W, H = 268, 142            # the about box draws the picture unscaled
SS = 3                     # drawn SS times larger, then scaled down
WATER_LEVEL = 2.0          # "WATR"/"LEVL" of examples/ridge.tgw, terrain units
SUN_HEADING, SUN_ALTITUDE = 135.0, 35.0   # "SUN " of examples/ridge.tgw


def read_terrain(path):
    """Heights of a terrain file in terrain units (x along columns, y along
    rows), as a list of rows. Layout after the 16-byte signature: 4-byte tags;
    SIZE/XPTS/YPTS u16 + 2 pad, SCAL 3 x f32, CRAD f32, CRVM u32, then ALTW
    i16 height scale, i16 base height and the rows of i16 samples."""
    data = open(path, "rb").read()
    if data[:16] != b"TERRAGENTERRAIN ":
        sys.exit(f"{path}: not a terrain file")
    pos, xp, yp = 16, 0, 0
    while pos + 4 <= len(data):
        tag = data[pos:pos + 4]
        pos += 4
        if tag in (b"SIZE", b"XPTS", b"YPTS", b"CRAD", b"CRVM"):
            value = struct.unpack_from("<H", data, pos)[0]
            if tag == b"XPTS":
                xp = value
            elif tag == b"YPTS":
                yp = value
            elif tag == b"SIZE" and not xp:
                xp = yp = value + 1
            pos += 4
        elif tag == b"SCAL":
            pos += 12
        elif tag == b"ALTW":
            scale, base = struct.unpack_from("<hh", data, pos)
            pos += 4
            raw = struct.unpack_from(f"<{xp * yp}h", data, pos)
            k = scale / 65536.0
            return xp, yp, [[raw[r * xp + c] * k + base for c in range(xp)] for r in range(yp)]
        else:
            break
    sys.exit(f"{path}: no elevations")


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def ground_colours(xp, yp, hgt):
    """Lit colour of every grid point: elevation tint times the sun's light."""
    top = max(max(row) for row in hgt)
    sh, sa = math.radians(SUN_HEADING), math.radians(SUN_ALTITUDE)
    # Heading 0 points along +y (away from the viewer), 90 along +x.
    sun = (math.sin(sh) * math.cos(sa), math.cos(sh) * math.cos(sa), math.sin(sa))
    meadow, meadow_hi, rock, snow = (70, 112, 52), (118, 136, 70), (128, 116, 100), (236, 238, 242)
    shore = (182, 170, 122)
    colours = []
    for r in range(yp):
        row = []
        for c in range(xp):
            h = hgt[r][c]
            dx = hgt[r][min(c + 1, xp - 1)] - hgt[r][max(c - 1, 0)]
            dy = hgt[min(r + 1, yp - 1)][c] - hgt[max(r - 1, 0)][c]
            # Rows run along +y in the file; the relief is exaggerated a little
            # so that the slopes read at this size.
            n = (-dx * 1.6, -dy * 1.6, 2.0)
            ln = math.sqrt(n[0] ** 2 + n[1] ** 2 + n[2] ** 2)
            lit = max(0.0, (n[0] * sun[0] + n[1] * sun[1] + n[2] * sun[2]) / ln)
            t = (h - WATER_LEVEL) / (top - WATER_LEVEL)
            steep = 1.0 - n[2] / ln
            if t < 0.008:
                base = shore
            elif t < 0.45:
                base = mix(meadow, meadow_hi, t / 0.45)
            elif t < 0.75:
                base = mix(meadow_hi, rock, (t - 0.45) / 0.3)
            else:
                base = mix(rock, snow, min(1.0, (t - 0.75) / 0.15))
            base = mix(base, rock, min(1.0, steep * 2.5))
            light = 0.35 + 0.9 * lit
            row.append(tuple(min(255.0, v * light) for v in base))
        colours.append(row)
    return colours


def render(xp, yp, hgt, colours):
    w, h = W * SS, H * SS
    sky_top, sky_horizon = (62, 104, 160), (206, 220, 232)
    haze = (196, 210, 224)
    water_deep, water_light = (34, 72, 110), (92, 136, 170)
    horizon = int(h * 0.36)
    pix = [[None] * w for _ in range(h)]
    for y in range(h):                       # sky, darker towards the top
        t = min(1.0, max(0.0, y / horizon))
        c = mix(sky_top, sky_horizon, t ** 1.5)
        for x in range(w):
            pix[y][x] = c
    # Eye south of the grid's middle, above the southern lake, looking north
    # (+y) and slightly down at the ridge.
    ex, ey, ez = 128.0, -95.0, 46.0
    focal = w * 0.78
    far = 900.0

    def height_at(x, y):
        if x < 0 or y < 0 or x > xp - 1 or y > yp - 1:
            return None
        c0, r0 = min(int(x), xp - 2), min(int(y), yp - 2)
        fx, fy = x - c0, y - r0
        a = hgt[r0][c0] + (hgt[r0][c0 + 1] - hgt[r0][c0]) * fx
        b = hgt[r0 + 1][c0] + (hgt[r0 + 1][c0 + 1] - hgt[r0 + 1][c0]) * fx
        return a + (b - a) * fy

    for sx in range(w):
        dirx = (sx - w / 2) / focal          # ray across the ground, per unit of depth
        lowest = h                           # first screen row not drawn yet
        z = 1.0
        while z < far and lowest > 0:
            x, y = ex + dirx * z, ey + z
            g = height_at(x, y)
            water = g is None or g < WATER_LEVEL
            surface = WATER_LEVEL if water else g
            sy = int(horizon + (ez - surface) / z * focal)
            if sy < lowest:
                if water:
                    # Fresnel-ish: steeper views show the deep colour, grazing
                    # ones the sky; a faint ripple breaks it up.
                    graze = min(1.0, (ez - WATER_LEVEL) / z * 3.0)
                    c = mix(sky_horizon, mix(water_light, water_deep, graze), 0.55 + 0.45 * graze)
                    ripple = 1.0 + 0.05 * math.sin(z * 0.9 + 3.0 * math.sin(x * 0.21))
                    c = tuple(v * ripple for v in c)
                else:
                    c0, r0 = min(int(x + 0.5), xp - 1), min(int(y + 0.5), yp - 1)
                    c = colours[r0][c0]
                fog = 1.0 - math.exp(-z / 420.0)
                c = mix(c, haze, fog)
                for yy in range(max(sy, 0), lowest):
                    pix[yy][sx] = c
                lowest = max(sy, 0)
            z += 0.35 + z * 0.004            # finer steps near the eye
    return w, h, pix


def write_ppm(path, w, h, pix):
    with open(path, "wb") as f:
        f.write(f"P6 {w} {h} 255\n".encode())
        f.write(bytes(max(0, min(255, int(v + 0.5))) for row in pix for c in row for v in c))


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "about_101.bmp")
    xp, yp, hgt = read_terrain(TERRAIN)
    w, h, pix = render(xp, yp, hgt, ground_colours(xp, yp, hgt))
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "landscape.ppm")
        write_ppm(ppm, w, h, pix)
        font_dir = "/usr/share/fonts/truetype/dejavu/"
        # Title top left over the sky, version under it; a soft dark shadow
        # keeps both legible over the bright haze. -type TrueColor and
        # -compress None give the plain 24-bit BMP the about box expects.
        subprocess.run([
            "convert", ppm, "-filter", "Lanczos", "-resize", f"{W}x{H}!",
            "(", "-size", f"{W}x{H}", "xc:none",
            "-font", font_dir + "DejaVuSans-Bold.ttf", "-pointsize", "27",
            "-fill", "#0a1a30c0", "-annotate", "+11+33", TITLE,
            "-font", font_dir + "DejaVuSans-Bold.ttf", "-pointsize", "12",
            "-annotate", "+13+50", "version " + VERSION,
            "-blur", "0x1.6", ")", "-composite",
            "-font", font_dir + "DejaVuSans-Bold.ttf", "-pointsize", "27",
            "-fill", "#ffffff", "-annotate", "+10+32", TITLE,
            "-font", font_dir + "DejaVuSans-Bold.ttf", "-pointsize", "12",
            "-fill", "#f4e6b0", "-annotate", "+12+49", "version " + VERSION,
            "-type", "TrueColor", "-compress", "None", "BMP3:" + out,
        ], check=True)


if __name__ == "__main__":
    main()
