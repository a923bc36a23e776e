#!/usr/bin/env python3
"""Generate the installer artwork: header.bmp, header_ar.bmp and app.ico.

Usage: python3 make_art.py [OUTPUT_DIR]

OUTPUT_DIR defaults to the folder holding this script.  Only the Python
standard library is used and the output is fully deterministic (no random
numbers, no time stamps), so running it twice gives identical bytes.

header.bmp     500 x 313, 24 bpp, uncompressed, bottom-up rows.  Dark top band
               (the model name is drawn over it in white at x=30, y=20), a
               light decorative panel with a flat MFP drawing on the left and a
               white area for the page texts.
header_ar.bmp  Same picture for right-to-left pages: the panel is on the right,
               the top band is unchanged.
app.ico        One 32 x 32 image, 16 colours (standard VGA palette, 4 bpp) with
               a 1 bpp transparency mask.
"""

import math
import os
import struct
import sys

W, H = 500, 313          # header picture size in pixels
BAND_H = 70              # height of the dark top band
ACCENT_H = 3             # thin bright line under the band
PANEL_W = 136            # width of the decorative side panel
SS = 4                   # supersampling (SS x SS samples per pixel) for shapes


# --------------------------------------------------------------------------
# Small colour helpers
# --------------------------------------------------------------------------

def hexrgb(s):
    s = s.lstrip("#")
    return (int(s[0:2], 16), int(s[2:4], 16), int(s[4:6], 16))


def mix(c0, c1, t):
    t = 0.0 if t < 0.0 else 1.0 if t > 1.0 else t
    return (c0[0] + (c1[0] - c0[0]) * t,
            c0[1] + (c1[1] - c0[1]) * t,
            c0[2] + (c1[2] - c0[2]) * t)


def smoothstep(t):
    t = 0.0 if t < 0.0 else 1.0 if t > 1.0 else t
    return t * t * (3.0 - 2.0 * t)


def vgrad(c0, c1, y0, y1):
    """Colour function: vertical gradient from c0 at y0 to c1 at y1."""
    c0, c1 = hexrgb(c0), hexrgb(c1)
    span = float(y1 - y0) or 1.0
    return lambda x, y: mix(c0, c1, (y - y0) / span)


# --------------------------------------------------------------------------
# Canvas with anti-aliased shape filling (coverage by supersampling)
# --------------------------------------------------------------------------

class Canvas:
    def __init__(self, w, h, bg=(255, 255, 255)):
        self.w, self.h = w, h
        n = w * h
        self.r = [float(bg[0])] * n
        self.g = [float(bg[1])] * n
        self.b = [float(bg[2])] * n

    def blend(self, x, y, c, a):
        if a <= 0.0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        if a > 1.0:
            a = 1.0
        i = y * self.w + x
        self.r[i] += (c[0] - self.r[i]) * a
        self.g[i] += (c[1] - self.g[i]) * a
        self.b[i] += (c[2] - self.b[i]) * a

    def paint(self, x0, y0, x1, y1, fn):
        """fn(px, py) -> (colour, alpha), evaluated at pixel centres."""
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                c, a = fn(x + 0.5, y + 0.5)
                self.blend(x, y, c, a)

    def fill(self, inside, bbox, colour, alpha=1.0):
        """Fill the shape given by inside(px, py) -> bool, anti-aliased.

        colour is an (r, g, b) tuple, a '#rrggbb' string or a function
        (px, py) -> (r, g, b)."""
        if isinstance(colour, str):
            colour = hexrgb(colour)
        cfn = colour if callable(colour) else (lambda x, y, c=colour: c)
        x0, y0, x1, y1 = bbox
        x0, y0 = int(math.floor(x0)), int(math.floor(y0))
        x1, y1 = int(math.ceil(x1)), int(math.ceil(y1))
        offs = [(k + 0.5) / SS for k in range(SS)]
        total = float(SS * SS)
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                n = 0
                for oy in offs:
                    for ox in offs:
                        if inside(x + ox, y + oy):
                            n += 1
                if n:
                    self.blend(x, y, cfn(x + 0.5, y + 0.5), alpha * n / total)

    # ---- shapes ---------------------------------------------------------

    def rrect(self, x0, y0, x1, y1, rad, colour, alpha=1.0):
        def inside(px, py):
            if px < x0 or px > x1 or py < y0 or py > y1:
                return False
            cx = min(max(px, x0 + rad), x1 - rad)
            cy = min(max(py, y0 + rad), y1 - rad)
            return (px - cx) ** 2 + (py - cy) ** 2 <= rad * rad
        self.fill(inside, (x0, y0, x1, y1), colour, alpha)

    def rrect_outlined(self, x0, y0, x1, y1, rad, line, colour, width=1.0):
        self.rrect(x0, y0, x1, y1, rad, line)
        self.rrect(x0 + width, y0 + width, x1 - width, y1 - width,
                   max(0.0, rad - width), colour)

    def ellipse(self, cx, cy, rx, ry, colour, alpha=1.0):
        def inside(px, py):
            return ((px - cx) / rx) ** 2 + ((py - cy) / ry) ** 2 <= 1.0
        self.fill(inside, (cx - rx, cy - ry, cx + rx, cy + ry), colour, alpha)

    def polygon(self, pts, colour, alpha=1.0):
        n = len(pts)

        def inside(px, py):
            c = False
            j = n - 1
            for i in range(n):
                xi, yi = pts[i]
                xj, yj = pts[j]
                if (yi > py) != (yj > py):
                    if px < (xj - xi) * (py - yi) / (yj - yi) + xi:
                        c = not c
                j = i
            return c
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        self.fill(inside, (min(xs), min(ys), max(xs), max(ys)), colour, alpha)

    def hline_glow(self, x0, x1, y, core, glow, sigma, strength=1.0):
        """A bright horizontal beam with a soft glow around it."""
        core = hexrgb(core)
        glow = hexrgb(glow)
        reach = int(sigma * 3.5) + 2

        def fn(px, py):
            d = abs(py - y)
            # fade the ends of the beam over a few pixels
            e = smoothstep(min(px - x0, x1 - px) / 6.0)
            if d < 0.75:
                return core, strength * e
            return glow, strength * e * 0.75 * math.exp(-(d * d) / (2 * sigma * sigma))
        self.paint(int(x0), int(y - reach), int(math.ceil(x1)), int(y + reach + 1), fn)

    def mirror(self):
        w = self.w
        for ch in (self.r, self.g, self.b):
            for y in range(self.h):
                row = ch[y * w:(y + 1) * w]
                row.reverse()
                ch[y * w:(y + 1) * w] = row

    def pixels(self):
        """Rows of (r, g, b) integer tuples, top row first."""
        out = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                i = y * self.w + x
                row.append(tuple(max(0, min(255, int(round(ch[i]))))
                                 for ch in (self.r, self.g, self.b)))
            out.append(row)
        return out


# --------------------------------------------------------------------------
# Header picture
# --------------------------------------------------------------------------

def draw_panel(cv):
    """Left decorative panel (below the band) with the MFP drawing."""
    top = BAND_H + ACCENT_H
    c_top, c_bot = hexrgb("#EDF3F9"), hexrgb("#D4E2EF")
    glow_c = (255, 255, 255)
    gx, gy = PANEL_W / 2.0, 198.0

    def panel_fn(px, py):
        c = mix(c_top, c_bot, (py - top) / float(H - top))
        # soft light halo behind the machine
        d = math.hypot((px - gx) / 1.0, (py - gy) / 1.1)
        c = mix(c, glow_c, 0.85 * math.exp(-(d * d) / (2 * 48.0 * 48.0)))
        return c, 1.0
    cv.paint(0, top, PANEL_W, H, panel_fn)

    # faint diagonal stripes at the bottom of the panel for texture
    for k in range(6):
        x = -40 + k * 26
        cv.polygon([(x, H), (x + 70, 250), (x + 80, 250), (x + 10, H)],
                   (255, 255, 255), 0.18)

    # panel edge: thin line plus a soft shadow fading into the white area
    cv.paint(PANEL_W, top, PANEL_W + 1, H, lambda x, y: (hexrgb("#BFD2E4"), 1.0))
    cv.paint(PANEL_W + 1, top, PANEL_W + 6, H,
             lambda x, y: ((120, 150, 180), 0.10 * (1 - (x - PANEL_W - 1) / 5.0)))

    draw_mfp(cv, PANEL_W / 2.0)


def draw_mfp(cv, cx):
    """A flat, stylised network MFP, centred horizontally on cx."""
    L = lambda dx: cx + dx          # noqa: E731 - x relative to the centre

    # ground shadow
    cv.paint(int(L(-62)), 256, int(L(62)), 276,
             lambda px, py: ((40, 60, 90),
                             0.22 * math.exp(-(((px - cx) / 52.0) ** 4)
                                             - ((py - 265.0) / 4.5) ** 2)))

    # sheet waiting in the document feeder (behind the lid)
    sheet = [(L(-26), 138), (L(-20), 108), (L(24), 108), (L(28), 138)]
    cv.polygon([(x + 1.5, y + 1.5) for x, y in sheet], (70, 90, 120), 0.18)
    cv.polygon(sheet, "#FFFFFF")
    for k, (a, b) in enumerate(((-17, 10), (-18, 18), (-18, 6), (-19, 14))):
        y = 115 + k * 5
        cv.rrect(L(a), y, L(b), y + 1.6, 0.8, "#9FB3C8")

    # document feeder / lid (dark)
    cv.rrect(L(-46), 132, L(46), 153, 6, "#3A4A5E")
    cv.rrect(L(-45), 133, L(45), 152, 5,
             vgrad("#62758C", "#44566C", 133, 152))
    cv.rrect(L(-38), 137, L(38), 140, 1.5, "#7E91A7")       # feeder slot light
    cv.rrect(L(-38), 140, L(38), 142, 1.0, "#2C3A4B")       # feeder slot

    # scanner unit
    cv.rrect_outlined(L(-53), 150, L(53), 182, 5, "#8392A3",
                      vgrad("#F7F9FB", "#D6DEE6", 150, 182))
    # glass plate seen from the front, with the scanning light beam
    cv.rrect(L(-45), 160, L(45), 172, 2.5, "#4E7FA8")
    cv.rrect(L(-44), 161, L(44), 171, 2,
             vgrad("#8EC3E8", "#3F84BE", 161, 171))
    cv.polygon([(L(-44), 161), (L(-20), 161), (L(-30), 171), (L(-44), 171)],
               (255, 255, 255), 0.22)                       # glass reflection
    cv.hline_glow(L(-50), L(50), 166.0, "#F2FFFF", "#7FE9FF", 2.6, 1.0)

    # blue accent stripe
    cv.rrect(L(-53), 179, L(53), 184, 2, vgrad("#1F74C4", "#165A9C", 179, 184))

    # main body
    cv.rrect_outlined(L(-49), 182, L(49), 262, 5, "#8392A3",
                      vgrad("#F2F5F8", "#CBD5DF", 182, 262))
    # control panel with display and buttons
    cv.rrect(L(14), 187, L(44), 201, 3, "#2B3949")
    cv.rrect(L(17), 190, L(31), 198, 1.5, vgrad("#7FDBFF", "#2FA6E0", 190, 198))
    cv.ellipse(L(36), 192, 2.0, 2.0, "#5FD38A")
    cv.ellipse(L(36), 197.5, 2.0, 2.0, "#4FA9F0")
    cv.ellipse(L(40.5), 194.8, 1.6, 1.6, "#C9D4DF")

    # output tray slot with a printed sheet
    cv.rrect(L(-40), 205, L(8), 211, 2, "#3D4A59")
    cv.polygon([(L(-34), 208), (L(2), 208), (L(6), 216), (L(-38), 216)],
               (60, 80, 110), 0.15)
    cv.polygon([(L(-34), 207), (L(2), 207), (L(4), 214), (L(-36), 214)],
               "#FFFFFF")
    cv.rrect(L(-30), 209.5, L(-6), 210.9, 0.7, "#A9BBCE")

    # paper drawers
    for y in (222, 241):
        cv.rrect(L(-44), y, L(44), y + 1.2, 0.6, "#A7B4C2")
        cv.rrect(L(-44), y + 1.2, L(44), y + 2.2, 0.5, "#FFFFFF", 0.8)
        cv.rrect(L(-10), y + 7, L(10), y + 11, 2, "#8E9CAC")
        cv.rrect(L(-9), y + 7, L(9), y + 8.2, 1.2, "#6F7E90")

    # network status light on the body (a tiny blue accent)
    cv.ellipse(L(-40), 193, 1.8, 1.8, "#2F86D8")


def draw_band(cv):
    """Dark blue-to-teal top band with subtle light sweeps and an accent line."""
    c_left, c_right = hexrgb("#0A2150"), hexrgb("#0B5D70")

    def band_fn(px, py):
        t = px / float(W)
        c = mix(c_left, c_right, smoothstep(t) * 0.85 + t * 0.15)
        # slightly darker at the bottom of the band
        c = mix(c, (4, 14, 36), 0.22 * (py / BAND_H) ** 2)
        return c, 1.0
    cv.paint(0, 0, W, BAND_H, band_fn)

    # translucent light sweeps on the right, away from the model name
    for x0, wid, a in ((300, 60, 0.05), (350, 24, 0.06), (392, 90, 0.045),
                       (470, 20, 0.06)):
        cv.polygon([(x0 + 40, 0), (x0 + 40 + wid, 0),
                    (x0 + wid, BAND_H), (x0, BAND_H)], (170, 230, 255), a)

    # thin scan-light style line along the bottom of the band
    acc_l, acc_r = hexrgb("#1C8FD0"), hexrgb("#38D0D8")
    cv.paint(0, BAND_H, W, BAND_H + ACCENT_H,
             lambda px, py: (mix(acc_l, acc_r, px / float(W)), 1.0))
    cv.paint(0, BAND_H + ACCENT_H - 1, W, BAND_H + ACCENT_H,
             lambda px, py: ((255, 255, 255), 0.25))
    # soft shadow under the band
    cv.paint(0, BAND_H + ACCENT_H, W, BAND_H + ACCENT_H + 4,
             lambda px, py: ((20, 50, 90),
                             0.10 * (1 - (py - BAND_H - ACCENT_H) / 4.0)))


def render_header(rtl=False):
    cv = Canvas(W, H)
    draw_panel(cv)
    if rtl:
        cv.mirror()
    draw_band(cv)
    return cv.pixels()


def write_bmp24(path, rows):
    """rows: top-first list of rows of (r, g, b)."""
    h = len(rows)
    w = len(rows[0])
    stride = (w * 3 + 3) & ~3
    pad = b"\0" * (stride - w * 3)
    data = bytearray()
    for row in reversed(rows):                   # bottom-up
        for r, g, b in row:
            data += bytes((b, g, r))
        data += pad
    file_hdr = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 14 + 40)
    info_hdr = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data),
                           2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(file_hdr + info_hdr + bytes(data))


# --------------------------------------------------------------------------
# Program icon: 32 x 32, 16 colours
# --------------------------------------------------------------------------

VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
K, NAVY, TEAL, SILVER, GRAY, BLUE, AQUA, WHITE = 0, 4, 6, 7, 8, 12, 14, 15
CLEAR = -1


def icon_pixels():
    """32 x 32 palette indices, top row first; CLEAR = transparent."""
    px = [[CLEAR] * 32 for _ in range(32)]

    def rect(x0, y0, x1, y1, c):            # inclusive bounds
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = c

    def box(x0, y0, x1, y1, line, fill, round_=True):
        rect(x0, y0, x1, y1, line)
        rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill)
        if round_:
            for x, y in ((x0, y0), (x1, y0), (x0, y1), (x1, y1)):
                px[y][x] = CLEAR

    # sheet in the document feeder
    box(9, 1, 22, 9, GRAY, WHITE, round_=False)
    rect(11, 3, 19, 3, SILVER)
    rect(11, 5, 20, 5, SILVER)
    rect(11, 7, 17, 7, SILVER)

    # feeder lid (dark)
    box(4, 8, 27, 12, K, GRAY)
    rect(5, 9, 26, 9, SILVER)
    rect(7, 11, 24, 11, K)               # feeder slot

    # scanner unit with the glass and the light beam
    box(2, 12, 29, 19, K, SILVER)
    px[12][4] = px[12][27] = K
    rect(3, 13, 28, 13, WHITE)
    rect(4, 14, 27, 16, TEAL)            # glass plate
    rect(4, 14, 27, 14, NAVY)
    rect(3, 15, 28, 15, AQUA)            # scan light, a little wider
    px[15][3] = px[15][28] = WHITE

    # blue accent stripe
    rect(2, 18, 29, 19, BLUE)
    px[18][2] = px[19][2] = px[18][29] = px[19][29] = K

    # main body
    box(3, 19, 28, 30, K, SILVER)
    px[19][3] = px[19][28] = K
    rect(4, 20, 27, 20, WHITE)

    # output slot with a printed sheet
    rect(6, 22, 17, 22, K)
    rect(7, 23, 16, 23, WHITE)
    # control panel
    rect(20, 21, 26, 24, NAVY)
    rect(21, 22, 23, 23, AQUA)
    px[22][25] = WHITE
    px[23][25] = BLUE

    # drawer line and handle
    rect(4, 26, 27, 26, GRAY)
    rect(13, 28, 18, 28, GRAY)

    # shadow line at the bottom
    rect(4, 29, 27, 29, GRAY)
    return px


def write_ico(path, px):
    size = 32
    xor_stride = ((size * 4 + 31) // 32) * 4     # 16 bytes
    and_stride = ((size + 31) // 32) * 4         # 4 bytes
    xor = bytearray()
    mask = bytearray()
    for row in reversed(px):                     # bottom-up
        line = bytearray(xor_stride)
        mline = bytearray(and_stride)
        for x, c in enumerate(row):
            idx = 0 if c == CLEAR else c
            if x % 2 == 0:
                line[x // 2] |= idx << 4
            else:
                line[x // 2] |= idx
            if c == CLEAR:
                mline[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += mline
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA16)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                       len(xor) + len(mask), 0, 0, 16, 0)
    image = info + palette + bytes(xor) + bytes(mask)
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(icondir + entry + image)


# --------------------------------------------------------------------------

def main(argv):
    out = argv[1] if len(argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out, exist_ok=True)
    write_bmp24(os.path.join(out, "header.bmp"), render_header(rtl=False))
    write_bmp24(os.path.join(out, "header_ar.bmp"), render_header(rtl=True))
    write_ico(os.path.join(out, "app.ico"), icon_pixels())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
