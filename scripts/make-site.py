#!/usr/bin/env python3
"""Writes the generated parts of the shipped home site (data/site).

The images (product image, counter, the sixteen banners) are drawn as small
GIF files, and the banner pages and the banner list page are written from the
same banner table. The home page and the legend page are written by hand.

Only the Python standard library is used: a 5x7 pixel font, a plain GIF
(87a) writer with LZW compression, and a decoder that reads every written file
back and compares its pixels, so a broken encoder never lands in the repo.

    scripts/make-site.py            # writes into data/site
    scripts/make-site.py --png DIR  # also writes PNG previews of the images

The output is committed; run this again only after changing a drawing or a
banner text.
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
# links to a page of the banner folder that explains it in both languages.
BANNERS = {
    "c11": ("S-PAGE", "SEARCH", "S-Page モード", "S-Page mode",
            "検索結果のページを調べるときのモードです。設定ファイルの [NOCHECK] に書いた"
            "アドレスの断片（検索サービス自身のリンクなど）を含むリンクは調べません。",
            "The mode for pages of search results. Links that contain a fragment listed "
            "under [NOCHECK] in the settings file (the search service's own links) are skipped."),
    "c12": ("L-PAGE", "LINK LIST", "L-Page モード", "L-Page mode",
            "リンク集のページを調べるときのモードです。リンク先のページが自動的にジャンプ"
            "しないか、移転のお知らせを出していないかも調べ、(J) や (J?) を付けます。",
            "The mode for link-collection pages. Every linked page is also searched for an "
            "automatic jump or a moved-page notice, marked (J) or (J?)."),
    "c13": ("G-PAGE", "HOME PAGE", "g-Page モード", "g-Page mode",
            "ふつうのホームページを調べるときのモードです。",
            "The mode for ordinary home pages."),
    "c14": ("BATCH", ".BCHK", "一括処理", "Batch files",
            "拡張子 .bchk のファイルに対象を1行に1つずつ書くと、まとめて調べて結果を集計します。"
            "1行目は [vexalorn batch file] です。",
            "A file with the extension .bchk lists one target per line; all of them are "
            "checked and summed up. Its first line is [vexalorn batch file]."),
    "c15": ("WILDCARD", "*.HTM", "ワイルドカード", "Wildcards",
            "対象の欄に *.htm のようなワイルドカードを書くと、当てはまるファイルをすべて調べます。"
            "サブフォルダも調べるか尋ねます。",
            "A wildcard such as *.htm in the target box checks every matching file; you are "
            "asked whether subfolders are searched too."),
    "c16": ("ANCHORS", "#NAME", "アンカー", "Anchors",
            "page.htm#name のようなリンクは、リンク先のページにその名前の場所があるかも調べます。",
            "For a link such as page.htm#name the linked page is also searched for the "
            "named place."),
    "c17": ("MARKS", "OK NG", "結果記号", "Result marks",
            "リンクの横に付く ◎ ○ × などの意味は凡例のページにあります。",
            "What the marks beside the links (such as (OK), (ok), (NG)) mean is explained "
            "on the legend page."),
    "c18": ("TERMINAL", "CLI", "端末から使う", "From a terminal",
            "vexalorn-cli は同じコマンドラインで動き、自動モードで調べて結果のファイルを表示します。",
            "vexalorn-cli takes the same command line, checks in automatic mode and prints "
            "the result files."),
    "c21": ("TIP 1", "NOCHECK", "ヒント1: 調べないリンク", "Tip 1: links left alone",
            "設定ファイルの [NOCHECK] に検索サービスのホスト名などを書くと、S-Page モードでは"
            "そのリンクを調べません。",
            "Host names of search services written under [NOCHECK] in the settings file are "
            "left alone in the S-Page mode."),
    "c22": ("TIP 2", "CANNOTCHECK", "ヒント2: 調べられないリンク", "Tip 2: links that cannot be checked",
            "メール、ニュース、スクリプト、問い合わせ付きのアドレスは、[CANNOTCHECK] に"
            "書かれていれば △ が付きます。",
            "Mail, news, script and query addresses listed under [CANNOTCHECK] get the "
            "mark (--)."),
    "c23": ("TIP 3", "CHARSET", "ヒント3: 文字コード", "Tip 3: character sets",
            "結果のページは UTF-8 で保存されます。EUC-JP や Shift_JIS のページも正しく表示されます。",
            "Result pages are saved in UTF-8, so pages in EUC-JP or Shift_JIS are shown "
            "correctly too."),
    "c24": ("TIP 4", "LANGUAGE", "ヒント4: 言語", "Tip 4: language",
            "◎ のボタンで日本語と英語、全角の記号と ASCII の記号を切り替えます。",
            "The OK button switches between Japanese and English texts, and between "
            "full-width and ASCII marks."),
    "c25": ("TIP 5", "FRAMES", "ヒント5: フレーム", "Tip 5: frames",
            "フレームのページでは、調べるフレームを選べます。",
            "For a page with frames you can choose the frame to check."),
    "c26": ("TIP 6", "RESULTS", "ヒント6: 結果のファイル", "Tip 6: result files",
            "結果のページは作業フォルダに 001.htm から順に番号を付けて保存されます。",
            "Result pages are saved in the work folder as numbered files, 001.htm onwards."),
    "c27": ("TIP 7", "SUMMARY", "ヒント7: 集計", "Tip 7: summary",
            "複数のページを調べると、最後に全ページの評価をまとめたページを表示します。",
            "After several pages a summary page rates every page and links to its result."),
    "c28": ("TIP 8", "AUTO MODE", "ヒント8: 自動モード", "Tip 8: automatic mode",
            "-a を付けて起動すると、対象を調べて終了します。",
            "Started with -a, the program checks the target and closes."),
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
    for code, (title, subtitle, *_texts) in BANNERS.items():
        yield f"banner/{code}.gif", banner(title, subtitle, code.startswith("c2"))


# ---- the banner pages -------------------------------------------------------

PAGE_HEAD = """<!DOCTYPE html>
<html lang="ja">
<head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8">
<title>{title}</title>
</head>
<body bgcolor="#E0E5E5">
"""
PAGE_TAIL = """<p><a href="../index.html">VEXALORN</a> / <a href="banners.htm">banners</a></p>
</body>
</html>
"""


def escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def banner_snippet(code):
    # The same form as the program's default banners; the addresses are made
    # absolute against this folder when the program takes them.
    return f'<A href="{code}.htm"><IMG hspace=0 src="{code}.gif" align=left>       </A>'


def banner_page(code):
    _, _, title_ja, title_en, text_ja, text_en = BANNERS[code]
    return (PAGE_HEAD.format(title=escape(f"{title_ja} / {title_en}"))
            + f'<p><img src="{code}.gif" alt="{code}"></p>\n'
            + f"<h1>{escape(title_ja)}</h1>\n<p>{escape(text_ja)}</p>\n"
            + f'<h1 lang="en">{escape(title_en)}</h1>\n<p lang="en">{escape(text_en)}</p>\n'
            + PAGE_TAIL)


def banner_list_page():
    """The paragraphs are taken in pairs: the first of pair k is banner k of the
    first slot, the second banner k of the second slot."""
    lines = [PAGE_HEAD.format(title="VEXALORN banners"),
             "<p>結果のページの上に表示するバナーの一覧です。/ "
             "The banners shown at the top of every result page.</p>\n"]
    for k in range(1, 9):
        for code in (f"c1{k}", f"c2{k}"):
            lines.append(f'<P style="MARGIN-LEFT: 1px">{banner_snippet(code)}</P>\n')
    lines.append('<p style="clear: both"></p>\n')
    lines.append(PAGE_TAIL.replace('<a href="banners.htm">banners</a>', "banners"))
    return "".join(lines)


def pages():
    for code in BANNERS:
        yield f"banner/{code}.htm", banner_page(code)
    yield "banner/banners.htm", banner_list_page()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    root = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "site"))
    parser.add_argument("--out", default=root, help="site folder (default: data/site)")
    parser.add_argument("--png", help="also write PNG previews of the images into this folder")
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
    for name, text in pages():
        path = os.path.join(args.out, name)
        with open(path, "w", encoding="utf-8", newline="\r\n") as f:
            f.write(text)
        print(f"{path}: {len(text.encode())} bytes")


if __name__ == "__main__":
    main()
