#!/usr/bin/env python3
"""Draws the images of the shipped home site (data/site) as small GIF files.

Only the Python standard library is used: a 5x7 pixel font, a plain GIF
(87a) writer with LZW compression, and a decoder that reads every written file
back and compares its pixels, so a broken encoder never lands in the repo.

    scripts/make-site-images.py            # writes into data/site
    scripts/make-site-images.py --png DIR  # also writes PNG previews into DIR

The GIFs are committed; run this again only after changing a drawing.
"""

import argparse
import os
import struct
import sys
import zlib

# ---- 5x7 font ---------------------------------------------------------------

FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "G": ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "J": ["00111", "00010", "00010", "00010", "00010", "10010", "01100"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "10001", "11001", "10101", "10011", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "W": ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    "Y": ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    "Z": ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    "0": ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "2": ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    "3": ["11111", "00010", "00100", "00010", "00001", "10001", "01110"],
    "4": ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    "5": ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    "6": ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    "7": ["11111", "00001", "00010", "00100", "01000", "01000", "01000"],
    "8": ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    "9": ["01110", "10001", "10001", "01111", "00001", "00010", "01100"],
    " ": ["00000"] * 7,
    ".": ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    "-": ["00000", "00000", "00000", "11111", "00000", "00000", "00000"],
    ":": ["00000", "01100", "01100", "00000", "01100", "01100", "00000"],
    "!": ["00100", "00100", "00100", "00100", "00100", "00000", "00100"],
    "?": ["01110", "10001", "00001", "00010", "00100", "00000", "00100"],
    "*": ["00000", "00100", "10101", "01110", "10101", "00100", "00000"],
    "/": ["00000", "00001", "00010", "00100", "01000", "10000", "00000"],
    "#": ["01010", "01010", "11111", "01010", "11111", "01010", "01010"],
    "(": ["00010", "00100", "01000", "01000", "01000", "00100", "00010"],
    ")": ["01000", "00100", "00010", "00010", "00010", "00100", "01000"],
}
GLYPH_W, GLYPH_H, GAP = 5, 7, 1


def text_width(text, scale=1):
    return (len(text) * (GLYPH_W + GAP) - GAP) * scale if text else 0


class Canvas:
    def __init__(self, width, height, background=0):
        self.width, self.height = width, height
        self.pixels = [[background] * width for _ in range(height)]

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the rectangle x0..x1-1, y0..y1-1."""
        for y in range(max(0, y0), min(self.height, y1)):
            row = self.pixels[y]
            for x in range(max(0, x0), min(self.width, x1)):
                row[x] = colour

    def frame(self, colour):
        self.rect(0, 0, self.width, 1, colour)
        self.rect(0, self.height - 1, self.width, self.height, colour)
        self.rect(0, 0, 1, self.height, colour)
        self.rect(self.width - 1, 0, self.width, self.height, colour)

    def text(self, x, y, text, colour, scale=1):
        for ch in text:
            glyph = FONT[ch]
            for gy, bits in enumerate(glyph):
                for gx, bit in enumerate(bits):
                    if bit == "1":
                        self.rect(x + gx * scale, y + gy * scale,
                                  x + (gx + 1) * scale, y + (gy + 1) * scale, colour)
            x += (GLYPH_W + GAP) * scale

    def centred(self, y, text, colour, scale=1):
        self.text((self.width - text_width(text, scale)) // 2, y, text, colour, scale)


# ---- GIF writer and reader -------------------------------------------------

def lzw_encode(indices, min_code_size):
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out = bytearray()
    bit_buffer, bit_count = 0, 0

    def emit(code, size):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += size
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def reset():
        return {(i,): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, size = reset()
    emit(clear, size)
    current = ()
    for index in indices:
        candidate = current + (index,)
        if candidate in table:
            current = candidate
            continue
        emit(table[current], size)
        if next_code == 4096:
            emit(clear, size)
            table, next_code, size = reset()
        else:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        current = (index,)
    if current:
        emit(table[current], size)
    emit(end, size)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def lzw_decode(data, min_code_size):
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    pos_bits, out = 0, []
    size = min_code_size + 1
    table = None
    previous = None
    while True:
        code = 0
        for i in range(size):
            byte = data[(pos_bits + i) // 8]
            code |= ((byte >> ((pos_bits + i) % 8)) & 1) << i
        pos_bits += size
        if code == clear:
            table = [(i,) for i in range(clear)] + [None, None]
            size, previous = min_code_size + 1, None
            continue
        if code == end:
            return out
        if previous is None:
            entry = table[code]
        elif code < len(table):
            entry = table[code]
            table.append(previous + (entry[0],))
        else:
            entry = previous + (previous[0],)
            table.append(entry)
        out.extend(entry)
        previous = entry
        if len(table) == (1 << size) and size < 12:
            size += 1


def gif_bytes(canvas, palette):
    bits = max(1, (len(palette) - 1).bit_length())
    colours = 1 << bits
    table = b"".join(bytes(c) for c in palette) + b"\0\0\0" * (colours - len(palette))
    header = b"GIF87a" + struct.pack("<HHBBB", canvas.width, canvas.height,
                                     0x80 | ((bits - 1) << 4) | (bits - 1), 0, 0)
    indices = [p for row in canvas.pixels for p in row]
    min_code_size = max(2, bits)
    data = lzw_encode(indices, min_code_size)
    blocks = b"".join(bytes([len(data[i:i + 255])]) + data[i:i + 255]
                      for i in range(0, len(data), 255))
    image = b"," + struct.pack("<HHHHB", 0, 0, canvas.width, canvas.height, 0)
    return header + table + image + bytes([min_code_size]) + blocks + b"\0;"


def gif_pixels(raw):
    """Reads back a file written by gif_bytes: (width, height, indices)."""
    assert raw[:6] == b"GIF87a"
    width, height, flags = struct.unpack("<HHB", raw[6:11])
    pos = 13 + 3 * (1 << ((flags & 7) + 1))
    assert raw[pos:pos + 1] == b","
    pos += 10
    min_code_size = raw[pos]
    pos += 1
    data = bytearray()
    while raw[pos]:
        data += raw[pos + 1:pos + 1 + raw[pos]]
        pos += 1 + raw[pos]
    assert raw[pos + 1:pos + 2] == b";"
    return width, height, lzw_decode(bytes(data), min_code_size)


def png_bytes(canvas, palette):
    rows = b"".join(b"\0" + bytes(v for p in row for v in palette[p]) for row in canvas.pixels)

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    ihdr = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(rows))
            + chunk(b"IEND", b""))


# ---- the drawings -----------------------------------------------------------

WHITE, INK, ACCENT, SHADE = (255, 255, 255), (32, 48, 64), (0, 102, 153), (224, 229, 229)

# Banners of the first slot show a feature, those of the second a tip; each
# links to a page of the banner folder that explains it.
BANNERS = {
    "c11": ("S-PAGE", "SEARCH"),
    "c12": ("L-PAGE", "LINK LIST"),
    "c13": ("G-PAGE", "HOME PAGE"),
    "c14": ("BATCH", ".BCHK"),
    "c15": ("WILDCARD", "*.HTM"),
    "c16": ("ANCHORS", "#NAME"),
    "c17": ("MARKS", "OK NG"),
    "c18": ("TERMINAL", "CLI"),
    "c21": ("TIP 1", "NOCHECK"),
    "c22": ("TIP 2", "CANNOTCHECK"),
    "c23": ("TIP 3", "CHARSET"),
    "c24": ("TIP 4", "LANGUAGE"),
    "c25": ("TIP 5", "FRAMES"),
    "c26": ("TIP 6", "RESULTS"),
    "c27": ("TIP 7", "SUMMARY"),
    "c28": ("TIP 8", "AUTO MODE"),
}


def banner(title, subtitle, second_slot):
    palette = [WHITE, INK, ACCENT if not second_slot else (153, 51, 0), SHADE]
    c = Canvas(88, 31, 0)
    c.rect(0, 0, 88, 16, 2)
    c.frame(1)
    c.centred(4, title, 0)
    c.centred(20, subtitle, 1)
    return c, palette


def product_image():
    palette = [WHITE, INK, ACCENT, SHADE]
    c = Canvas(120, 40, 3)
    c.rect(0, 0, 120, 24, 2)
    c.frame(1)
    c.centred(5, "VEXALORN", 0, scale=2)
    c.centred(28, "LINK CHECK 2.6", 1)
    return c, palette


def counter_image():
    palette = [(0, 0, 0), (0, 230, 0), (64, 64, 64)]
    c = Canvas(64, 13, 0)
    c.frame(2)
    c.centred(3, "0000000", 1)
    return c, palette


def drawings():
    yield "img/P00260.gif", product_image()
    yield "img/counter.gif", counter_image()
    for code, (title, subtitle) in BANNERS.items():
        yield f"banner/{code}.gif", banner(title, subtitle, code.startswith("c2"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "site"))
    parser.add_argument("--out", default=root, help="site folder (default: data/site)")
    parser.add_argument("--png", help="also write PNG previews into this folder")
    args = parser.parse_args()
    for name, (canvas, palette) in drawings():
        raw = gif_bytes(canvas, palette)
        width, height, pixels = gif_pixels(raw)
        expected = [p for row in canvas.pixels for p in row]
        if (width, height, pixels) != (canvas.width, canvas.height, expected):
            sys.exit(f"{name}: the written GIF does not read back")
        path = os.path.join(args.out, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(raw)
        if args.png:
            preview = os.path.join(args.png, name.replace("/", "_")[:-4] + ".png")
            os.makedirs(args.png, exist_ok=True)
            with open(preview, "wb") as f:
                f.write(png_bytes(canvas, palette))
        print(f"{path}: {canvas.width}x{canvas.height}, {len(raw)} bytes")


if __name__ == "__main__":
    main()
