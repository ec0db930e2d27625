#!/usr/bin/env python3
"""Writes src/ui/resources/program.ico: the installer's own icon, drawn here from simple shapes.

A rounded blue tile with a white arrow pointing down into a tray: "install". Sizes 16 and 32
are stored as 32-bit bitmaps (every Windows version reads them); 48 is stored as PNG, which
Windows reads from Vista on and which keeps the file small. Needs only the Python standard
library.

Usage: scripts/gen-program-icon.py [output-path]
"""
import os
import struct
import sys
import zlib

SUPERSAMPLE = 4
TOP = (0x4A, 0x9B, 0xEE)  # tile colour at the top (R, G, B)
BOTTOM = (0x1B, 0x4B, 0xA6)  # and at the bottom
WHITE = (0xFF, 0xFF, 0xFF)


def inside_rounded_square(x, y, radius):
    """(x, y) in [0, 1]^2 inside a square with rounded corners of the given radius."""
    cx = min(max(x, radius), 1 - radius)
    cy = min(max(y, radius), 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def inside_arrow(x, y):
    """A down arrow: a shaft from the top, and a triangular head."""
    shaft = 0.43 <= x <= 0.57 and 0.16 <= y <= 0.50
    # Head: apex at (0.5, 0.70), base from x 0.27 to 0.73 at y 0.44.
    head = 0.44 <= y <= 0.70 and abs(x - 0.5) <= (0.70 - y) * (0.23 / 0.26)
    return shaft or head


def inside_tray(x, y):
    """A tray under the arrow: a bottom bar with two short walls."""
    bottom = 0.74 <= y <= 0.84 and 0.20 <= x <= 0.80
    walls = 0.60 <= y <= 0.84 and (0.20 <= x <= 0.30 or 0.70 <= x <= 0.80)
    return bottom or walls


def render(size):
    """Rows of (R, G, B, A) pixels, top row first, anti-aliased by supersampling."""
    rows = []
    n = size * SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            cover = 0
            white = 0
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = (px * SUPERSAMPLE + sx + 0.5) / n
                    y = (py * SUPERSAMPLE + sy + 0.5) / n
                    if not inside_rounded_square(x, y, 0.2):
                        continue
                    cover += 1
                    if inside_arrow(x, y) or inside_tray(x, y):
                        white += 1
            samples = SUPERSAMPLE * SUPERSAMPLE
            alpha = round(255 * cover / samples)
            if cover == 0:
                row.append((0, 0, 0, 0))
                continue
            t = py / max(size - 1, 1)
            tile = [round(TOP[i] + (BOTTOM[i] - TOP[i]) * t) for i in range(3)]
            w = white / cover
            colour = tuple(round(tile[i] + (WHITE[i] - tile[i]) * w) for i in range(3))
            row.append(colour + (alpha,))
        rows.append(row)
    return rows


def bitmap_entry(size):
    """A BITMAPINFOHEADER, bottom-up BGRA pixels and the AND mask, as an icon image."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def png_entry(size):
    rows = render(size)
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def main():
    repo = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(repo, "src", "ui", "resources",
                                                            "program.ico")
    images = [(16, bitmap_entry(16)), (32, bitmap_entry(32)), (48, png_entry(48))]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, image in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image),
                                 offset)
        offset += len(image)
        data += image
    with open(out, "wb") as f:
        f.write(directory + data)


if __name__ == "__main__":
    main()
