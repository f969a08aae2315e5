#!/usr/bin/env python3
"""Draws the two 10 x 10 header sort marks of the selection grid.

Writes sortup.png and sortdown.png beside this script. Run it again only when
the marks are to change; the PNG files are kept in the repository.
Left slope grey (128), inside silver (192), right slope white, on transparent.
"""
import os
import struct
import zlib

GREY = (128, 128, 128, 255)
SILVER = (192, 192, 192, 255)
WHITE = (255, 255, 255, 255)
CLEAR = (0, 0, 0, 0)

# (first x, last x) of the triangle on each row, apex first.
ROWS_UP = {2: (4, 5), 3: (3, 6), 4: (3, 6), 5: (2, 7), 6: (2, 7), 7: (1, 8), 8: (1, 8)}


def draw(point_up):
    pixels = [[CLEAR] * 10 for _ in range(10)]
    base_row = max(ROWS_UP)
    for y, (x0, x1) in ROWS_UP.items():
        row = y if point_up else 10 - y
        for x in range(x0, x1 + 1):
            if y == base_row:
                colour = WHITE if point_up else GREY  # lit from below, shadowed from above
            elif x == x0:
                colour = GREY
            elif x == x1:
                colour = WHITE
            else:
                colour = SILVER
            pixels[row][x] = colour
    return pixels


def png(pixels):
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


here = os.path.dirname(os.path.abspath(__file__))
for name, up in (("sortup.png", True), ("sortdown.png", False)):
    with open(os.path.join(here, name), "wb") as out:
        out.write(png(draw(up)))
