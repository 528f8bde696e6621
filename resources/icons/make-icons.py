#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws korvani's icon: a small magnitude spectrum with its peak bin in amber.

Every shape sits on a 16 x 16 grid, so the icon stays crisp at 16, 32, 48, 64,
128 and 256 pixels; only the rounded corners are anti-aliased (4 x 4 samples per
pixel). Writes korvani-<size>.png and korvani.svg next to this script.
"""
import os
import struct
import zlib

GRID = 16
BASELINE = 13                      # bars stand on this grid row
BACKGROUND_TOP = (20, 34, 96)
BACKGROUND_BOTTOM = (0, 0, 60)     # the spectrum view's own background
BAR = (64, 196, 140)
PEAK = (255, 206, 64)
# (left column, height in grid cells, colour)
BARS = [(2, 3, BAR), (4, 5, BAR), (6, 10, PEAK), (8, 4, BAR), (10, 6, BAR), (12, 2, BAR)]
CORNER = 3.0                       # corner radius of the rounded square, in cells


def inside_rounded_square(x, y):
    lo, hi = 0.0, float(GRID)
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + CORNER), hi - CORNER)
    cy = min(max(y, lo + CORNER), hi - CORNER)
    return (x - cx) ** 2 + (y - cy) ** 2 <= CORNER ** 2


def colour_at(gx, gy):
    """Colour of the grid point (gx, gy), or None outside the icon."""
    if not inside_rounded_square(gx, gy):
        return None
    for left, height, colour in BARS:
        if left <= gx < left + 1 and BASELINE - height <= gy < BASELINE:
            return colour
    t = gy / GRID
    return tuple(round(a + (b - a) * t) for a, b in zip(BACKGROUND_TOP, BACKGROUND_BOTTOM))


def render(size):
    samples = 4
    rows = []
    for py in range(size):
        row = bytearray([0])       # PNG filter type "none"
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(samples):
                for sx in range(samples):
                    gx = (px + (sx + 0.5) / samples) * GRID / size
                    gy = (py + (sy + 0.5) / samples) * GRID / size
                    c = colour_at(gx, gy)
                    if c is not None:
                        acc[0] += c[0]; acc[1] += c[1]; acc[2] += c[2]; acc[3] += 1
            n = samples * samples
            if acc[3]:
                row += bytes([acc[0] // acc[3], acc[1] // acc[3], acc[2] // acc[3], 255 * acc[3] // n])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return png(size, b"".join(rows))


def png(size, raw):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def svg():
    hex_ = lambda c: "#%02x%02x%02x" % c
    parts = [
        '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 16 16">',
        '<defs><linearGradient id="bg" x1="0" y1="0" x2="0" y2="1">'
        f'<stop offset="0" stop-color="{hex_(BACKGROUND_TOP)}"/>'
        f'<stop offset="1" stop-color="{hex_(BACKGROUND_BOTTOM)}"/></linearGradient></defs>',
        f'<rect x="0" y="0" width="16" height="16" rx="{CORNER}" fill="url(#bg)"/>',
    ]
    for left, height, colour in BARS:
        parts.append(f'<rect x="{left}" y="{BASELINE - height}" width="1" height="{height}" fill="{hex_(colour)}"/>')
    parts.append("</svg>\n")
    return "\n".join(parts)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for size in (16, 32, 48, 64, 128, 256):
        with open(os.path.join(here, f"korvani-{size}.png"), "wb") as f:
            f.write(render(size))
    with open(os.path.join(here, "korvani.svg"), "w") as f:
        f.write(svg())
