#!/usr/bin/env python3
"""Draws the program's icon for the desktop's icon theme (data/icons).

A teal tile with two chain links, the lower one broken open, and the good
mark "◎" in white: links are checked. Each size is drawn on its own from the
same shapes (signed distances, 4 x 4 samples a pixel), so small sizes stay
sharp instead of being scaled down. Only the Python standard library is used;
the PNG writer is a few lines below.

    scripts/make-icon.py          # writes data/icons/hicolor/NxN/apps/vexalorn.png
    scripts/make-icon.py 48 64    # only these sizes

The output is committed; run this again only after changing the drawing.
"""

import math
import os
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 64, 128, 256)
SAMPLES = 4

TEAL = (0, 128, 128)
TEAL_DARK = (0, 92, 92)
WHITE = (255, 255, 255)
GOLD = (255, 204, 51)

# ---- shapes, in a 1 x 1 square with y downward --------------------------------


def rounded_square(x, y, half, radius):
    """Signed distance to a square of half side `half` centred at 0.5, 0.5."""
    qx = abs(x - 0.5) - half + radius
    qy = abs(y - 0.5) - half + radius
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def ring(x, y, cx, cy, r, width):
    return abs(math.hypot(x - cx, y - cy) - r) - width / 2


def disc(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def capsule_outline(x, y, ax, ay, bx, by, r, width):
    """The outline of a stadium around segment a-b: one chain link."""
    dx, dy = bx - ax, by - ay
    t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
    t = min(max(t, 0.0), 1.0)
    d = math.hypot(x - (ax + t * dx), y - (ay + t * dy))
    return abs(d - r) - width / 2


def layers(size):
    """The drawing, back to front: (colour, signed distance function)."""
    # Thin strokes would vanish at the smallest sizes.
    stroke = max(0.07, 1.6 / size)
    fine = max(0.035, 1.2 / size)
    link_r = 0.095
    return [
        (TEAL_DARK, lambda x, y: rounded_square(x, y, 0.47, 0.14)),
        (TEAL, lambda x, y: rounded_square(x, y - 0.02, 0.43, 0.11)),
        # The upper link, whole.
        (WHITE, lambda x, y: capsule_outline(x, y, 0.22, 0.22, 0.36, 0.36, link_r, stroke)),
        # The lower link holds the upper one.
        (WHITE, lambda x, y: capsule_outline(x, y, 0.42, 0.42, 0.56, 0.56, link_r, stroke)),
        # The good mark, on a gold badge.
        (GOLD, lambda x, y: disc(x, y, 0.73, 0.73, 0.20)),
        (TEAL_DARK, lambda x, y: ring(x, y, 0.73, 0.73, 0.135, fine)),
        (TEAL_DARK, lambda x, y: ring(x, y, 0.73, 0.73, 0.065, fine)),
    ]


def draw(size):
    """Rows of RGBA bytes."""
    shapes = layers(size)
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    colour = None
                    for fill, distance in shapes:
                        if distance(x, y) <= 0:
                            colour = fill
                    if colour:
                        r += colour[0]
                        g += colour[1]
                        b += colour[2]
                        a += 1
            if a:
                row += bytes((round(r / a), round(g / a), round(b / a),
                              round(255 * a / SAMPLES ** 2)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


# ---- PNG ----------------------------------------------------------------------


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(size, rows):
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "icons",
                        "hicolor")
    for size in [int(a) for a in sys.argv[1:]] or SIZES:
        folder = os.path.join(root, "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, "vexalorn.png")
        with open(path, "wb") as f:
            f.write(png(size, draw(size)))
        print(os.path.relpath(path))
    return 0


if __name__ == "__main__":
    sys.exit(main())
