#!/usr/bin/env python3
"""Draws the program's icon (a record on the deck's dark face) at the sizes a
desktop asks for, into <size>x<size>/vexaline.png beside this script. Run it
again after changing the drawing."""
import math
import os
import struct
import zlib

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
# The drawing's own grid: radii below are in pixels of a 64-pixel icon.
GRID = 64
# Samples per pixel along each axis; their mean smooths the round edges.
SUPERSAMPLE = 4
FACE = (0x34, 0x34, 0x35)
GROOVES = (0x1a, 0x1a, 0x1c)
LABEL = (0xe8, 0x7a, 0x1e)
SPINDLE = (0xf0, 0xf0, 0xf0)


def colour_at(x, y):
    """The colour with its alpha at a point of the 64-pixel grid."""
    r = math.hypot(x - GRID / 2, y - GRID / 2)
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


def pixel(x, y, size):
    scale = GRID / size
    samples = [colour_at((x + (i + 0.5) / SUPERSAMPLE) * scale, (y + (j + 0.5) / SUPERSAMPLE) * scale)
               for i in range(SUPERSAMPLE) for j in range(SUPERSAMPLE)]
    alpha = sum(s[3] for s in samples)
    if alpha == 0:
        return (0, 0, 0, 0)
    # Colours weighted by their coverage, so the edge does not darken.
    rgb = tuple(round(sum(s[c] * s[3] for s in samples) / alpha) for c in range(3))
    return rgb + (round(alpha / len(samples)),)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(size):
    rows = b"".join(b"\0" + b"".join(bytes(pixel(x, y, size)) for x in range(size))
                    for y in range(size))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 9))
            + chunk(b"IEND", b""))


here = os.path.dirname(os.path.abspath(__file__))
for size in SIZES:
    folder = os.path.join(here, f"{size}x{size}")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "vexaline.png"), "wb") as out:
        out.write(png(size))
