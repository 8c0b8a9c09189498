#!/usr/bin/env python3
"""Writes the seed PNG files of the strip decoder's fuzz target.

Small images in the layouts skins use: palette with a transparency chunk,
RGBA, 16-bit grey, 1-bit grey and an interlaced RGB image."""
import os
import struct
import sys
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, depth, color_type, rows, extra=b"", interlace=0):
    header = struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, interlace)
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def main(folder):
    os.makedirs(folder, exist_ok=True)
    seeds = {
        "palette_trns.png": png(4, 2, 8, 3, [bytes([0, 1, 2, 0]), bytes([2, 1, 0, 1])],
                                chunk(b"PLTE", bytes([255, 0, 255, 0, 0, 255, 9, 9, 9])) +
                                chunk(b"tRNS", bytes([0, 128]))),
        "rgba.png": png(2, 2, 8, 6, [bytes([255, 0, 0, 255, 0, 0, 255, 0])] * 2),
        "grey16.png": png(3, 1, 16, 0, [bytes([0, 1, 128, 0, 255, 255])]),
        "grey1.png": png(9, 1, 1, 0, [bytes([0b10101010, 0b10000000])]),
        "interlaced.png": png(5, 5, 8, 2, [bytes(range(15))] * 5, interlace=1),
    }
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else
         os.path.join(os.path.dirname(__file__), "..", "fuzz", "seeds", "zyl_png_fuzz"))
