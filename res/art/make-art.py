#!/usr/bin/env python3
"""Draws the launcher's artwork: the window background (155), the two button discs (131, 137)
and the program icon (160), all 8-bit RGBA PNG.

Only the standard library is used and every value is computed, so the same script always writes
the same bytes. Run it from anywhere; it writes next to itself:

    python3 res/art/make-art.py

The background's alpha channel cuts the window's shape (pixels with alpha 120 and more are
inside). Its edges are feathered so that every alpha value occurs along the curved corners; the
window tests look for pixels of alpha 119 and 120 in it.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write_png(name, width, height, pixels):
    """pixels: bytearray of width*height*4 RGBA bytes, rows top to bottom."""
    raw = bytearray()
    stride = width * 4
    for y in range(height):
        raw.append(0)  # no filter: keeps the encoder trivially deterministic
        raw += pixels[y * stride:(y + 1) * stride]

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(png)


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def coverage(distance, feather):
    """Alpha of a point `distance` pixels outside an edge (negative inside), ramped over `feather`."""
    return clamp01(0.5 - distance / feather)


def rounded_rect_distance(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return math.hypot(x - cx, y - cy) - radius


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def over(dst, src, alpha):
    return mix(dst, src, clamp01(alpha))


def to_bytes(rgb, alpha):
    return bytes((int(round(rgb[0])), int(round(rgb[1])), int(round(rgb[2])), int(round(alpha * 255))))


def crescent(x, y, cx, cy, r, feather=1.0):
    """The 'C' of the logo: a disc with a smaller disc cut out of its right side."""
    outer = coverage(math.hypot(x - cx, y - cy) - r, feather)
    cut = coverage(math.hypot(x - (cx + r * 0.38), y - cy) - r * 0.78, feather)
    return outer * (1.0 - cut)


# --- window background, 1280 x 725 -------------------------------------------------------------
W, H = 1280, 725
PANEL = (400.0, 50.0, 1200.0, 680.0, 38.0)      # left, top, right, bottom, corner radius
EMBLEM = (265.0, 380.0, 215.0)                  # centre x, y, radius: clear of the login page
WEB = (497, 132, 1142, 570)                     # where the login page sits
BAR = (523, 608, 1079, 616)                     # the progress bar's place
FEATHER = 6.0


def background_pixel(x, y):
    px, py = x + 0.5, y + 0.5
    d_panel = rounded_rect_distance(px, py, *PANEL)
    a_panel = coverage(d_panel, FEATHER)
    ex, ey, er = EMBLEM
    d_emblem = math.hypot(px - ex, py - ey) - er
    a_emblem = coverage(d_emblem, FEATHER)
    alpha = max(a_panel, a_emblem)
    if alpha <= 0.0:
        return (120, 100, 170), 0.0  # colour kept under alpha 0: premultiplying turns it black

    # Panel: a soft vertical lavender gradient with a darker rim and a band under the title.
    t = clamp01((py - PANEL[1]) / (PANEL[3] - PANEL[1]))
    rgb = mix((246, 241, 251), (222, 212, 240), t)
    rim = clamp01(1.0 - abs(d_panel + 4.0) / 2.0)
    rgb = over(rgb, (150, 128, 196), rim)
    if 70 <= py <= 74 and 470 <= px <= 1180:
        rgb = over(rgb, (196, 182, 226), 1.0)
    # Inset frame around the login page and a groove under the progress bar.
    wl, wt, wr, wb = WEB
    if wl - 8 <= px <= wr + 8 and wt - 8 <= py <= wb + 8:
        rgb = over(rgb, (205, 194, 232), 1.0)
        if wl - 2 <= px <= wr + 2 and wt - 2 <= py <= wb + 2:
            rgb = (120, 100, 170)
    bl, bt, br, bb = BAR
    if bl - 3 <= px <= br + 3 and bt - 3 <= py <= bb + 3:
        rgb = over(rgb, (196, 184, 226), 1.0)

    # Emblem: a deep radial gradient, a light ring and the crescent logo.
    if a_emblem > 0.0:
        r = math.hypot(px - ex, py - ey) / er
        erg = mix((86, 70, 168), (38, 28, 96), clamp01(r))
        ring = clamp01(1.0 - abs(r * er - (er - 18.0)) / 2.5)
        erg = over(erg, (206, 188, 255), ring)
        erg = over(erg, (236, 228, 255), crescent(px, py, ex - 20.0, ey, 120.0, 1.5))
        # a few sparkles around the logo
        for sx, sy, sr in ((355.0, 265.0, 7.0), (365.0, 480.0, 5.0), (175.0, 250.0, 4.0), (190.0, 520.0, 6.0)):
            erg = over(erg, (255, 250, 220), coverage(abs(px - sx) + abs(py - sy) - sr, 1.0))
        rgb = erg if a_panel <= 0.0 else over(rgb, erg, a_emblem)
    return rgb, alpha


def make_background():
    pixels = bytearray(W * H * 4)
    seen = set()
    for y in range(H):
        for x in range(W):
            rgb, alpha = background_pixel(x, y)
            b = to_bytes(rgb, alpha)
            seen.add(b[3])
            i = (y * W + x) * 4
            pixels[i:i + 4] = b
    # The shape tests need both sides of the threshold in the real picture.
    assert 119 in seen and 120 in seen, "background lost the alpha values 119/120"
    write_png("cvl_155.png", W, H, pixels)


# --- button discs ------------------------------------------------------------------------------
def disc_picture(size, glyph):
    pixels = bytearray(size * size * 4)
    c = size / 2.0
    r = c - 0.5
    for y in range(size):
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            d = math.hypot(px - c, py - c) - r
            alpha = coverage(d, 1.5)
            t = clamp01((py) / size)
            rgb = mix((84, 156, 238), (34, 96, 196), t)
            rgb = over(rgb, (20, 60, 140), clamp01(1.0 - abs(d + 1.0) / 1.0))
            rgb = over(rgb, (255, 255, 255), glyph(px - c, py - c, size))
            i = (y * size + x) * 4
            pixels[i:i + 4] = to_bytes(rgb, alpha)
    return pixels


def minus_glyph(dx, dy, size):
    half_len, half_thick = size * 0.24, size * 0.06
    return coverage(max(abs(dx) - half_len, abs(dy) - half_thick), 1.0)


def cross_glyph(dx, dy, size):
    half_len, half_thick = size * 0.22, size * 0.055
    u, v = (dx + dy) / math.sqrt(2.0), (dx - dy) / math.sqrt(2.0)
    a = coverage(max(abs(u) - half_len, abs(v) - half_thick), 1.0)
    b = coverage(max(abs(v) - half_len, abs(u) - half_thick), 1.0)
    return max(a, b)


# --- icon ----------------------------------------------------------------------------------------
def make_icon(size=64):
    pixels = bytearray(size * size * 4)
    c = size / 2.0
    for y in range(size):
        for x in range(size):
            px, py = x + 0.5, y + 0.5
            d = math.hypot(px - c, py - c) - (c - 1.0)
            alpha = coverage(d, 1.5)
            rgb = mix((86, 70, 168), (38, 28, 96), clamp01(math.hypot(px - c, py - c) / c))
            rgb = over(rgb, (236, 228, 255), crescent(px, py, c - 3.0, c, size * 0.32, 1.2))
            i = (y * size + x) * 4
            pixels[i:i + 4] = to_bytes(rgb, alpha)
    write_png("cvl_160.png", size, size, pixels)


if __name__ == "__main__":
    write_png("cvl_131.png", 27, 27, disc_picture(27, minus_glyph))
    write_png("cvl_137.png", 39, 39, disc_picture(39, cross_glyph))
    make_icon()
    make_background()
