#!/usr/bin/env python3
"""Writes the seed corpus of the BMP fuzzer: a few tiny valid files of each depth."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def bmp(width, height, bits, colors=0, info_size=40, compression=0):
    stride = (width * bits + 31) // 32 * 4
    rows = abs(height)
    pixels = bytes((r * 37 + i * 11) & 0xFF for r in range(rows) for i in range(stride))
    off = 14 + info_size + 4 * colors
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, compression,
                       len(pixels), 2835, 2835, colors, 0)
    info += b"\0" * (info_size - 40)
    table = b"".join(struct.pack("<BBBB", i, i, i, 0) for i in range(colors))
    header = struct.pack("<2sIHHI", b"BM", off + len(pixels), 0, 0, off)
    return header + info + table + pixels


SEEDS = {
    "1bit_9x2.bmp": bmp(9, 2, 1, colors=2),
    "4bit_3x3.bmp": bmp(3, 3, 4, colors=16),
    "8bit_5x2.bmp": bmp(5, 2, 8, colors=4),
    "24bit_3x2.bmp": bmp(3, 2, 24),
    "24bit_topdown_2x3.bmp": bmp(2, -3, 24),
    "32bit_2x2.bmp": bmp(2, 2, 32),
    "32bit_v5_1x2.bmp": bmp(1, 2, 32, info_size=124),
}

if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
