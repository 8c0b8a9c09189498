#!/usr/bin/env python3
"""Draws the program's 64 x 64 icon (a record on the deck's dark face) into
vexaline.png beside this script. Run it again after changing the drawing."""
import math
import os
import struct
import zlib

SIZE = 64
FACE = (0x34, 0x34, 0x35)
GROOVES = (0x1a, 0x1a, 0x1c)
LABEL = (0xe8, 0x7a, 0x1e)
SPINDLE = (0xf0, 0xf0, 0xf0)


def pixel(x, y):
    dx, dy = x + 0.5 - SIZE / 2, y + 0.5 - SIZE / 2
    r = math.hypot(dx, dy)
    if r > 31:
        return (0, 0, 0, 0)
    if r > 29.5:
        return FACE + (255,)
    if r < 2.5:
        return SPINDLE + (255,)
    if r < 11:
        return LABEL + (255,)
    shade = 18 if int(r) % 3 == 0 else 0
    return tuple(c + shade for c in GROOVES) + (255,)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(SIZE)) for y in range(SIZE))
png = (b"\x89PNG\r\n\x1a\n"
       + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0))
       + chunk(b"IDAT", zlib.compress(rows, 9))
       + chunk(b"IEND", b""))
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "vexaline.png"), "wb") as out:
    out.write(png)
