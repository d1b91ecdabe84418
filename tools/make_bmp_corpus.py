#!/usr/bin/env python3
"""Writes the seed corpus of the BMP fuzzer: a tiny valid file of every kind the reader takes
(each decoder and each shared layout), so the fuzzer starts inside every one of them."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "fuzz", "corpus")


def bmp(width, height, bits, compression=0, header=40, colors=0, masks=(), pixels=None):
    if pixels is None:
        stride = (width * bits + 31) // 32 * 4
        pixels = bytes((r * 37 + i * 11) % (colors if bits == 8 and colors else 256)
                       for r in range(abs(height)) for i in range(stride))
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
        table = b"".join(struct.pack("<BBB", i * 9 & 255, i * 5 & 255, i * 3 & 255)
                         for i in range(colors))
    else:
        info = struct.pack("<IiiHHIIiiII", header, width, height, 1, bits, compression,
                           len(pixels), 2835, 2835, colors, 0)[:header]
        mask_bytes = b"".join(struct.pack("<I", m) for m in masks)
        info = info + mask_bytes if header == 40 else (info + mask_bytes).ljust(header, b"\0")
        table = b"".join(struct.pack("<BBBB", i * 9 & 255, i * 5 & 255, i * 3 & 255, 0)
                         for i in range(colors))
    off = 14 + len(info) + len(table)
    return struct.pack("<2sIHHI", b"BM", off + len(pixels), 0, 0, off) + info + table + pixels


# RLE streams of a 4 x 2 picture: absolute run, encoded run, end of line, delta, end of bitmap.
RLE8 = bytes([0, 3, 1, 2, 3, 0, 1, 4, 0, 0, 1, 5, 0, 2, 1, 0, 2, 6, 0, 1])
RLE4 = bytes([0, 3, 0x12, 0x30, 1, 0x44, 0, 0, 1, 0x55, 0, 2, 1, 0, 2, 0x66, 0, 1])

SEEDS = {
    "1bit_9x2.bmp": bmp(9, 2, 1, colors=2),
    "2bit_5x2.bmp": bmp(5, 2, 2, colors=4),
    "4bit_3x3.bmp": bmp(3, 3, 4, colors=16),
    "8bit_5x2.bmp": bmp(5, 2, 8, colors=8),
    "8bit_os2_core_3x2.bmp": bmp(3, 2, 8, header=12, colors=8),
    "4bit_os2_v2_3x2.bmp": bmp(3, 2, 4, header=16, colors=16),
    "rle8_4x2.bmp": bmp(4, 2, 8, compression=1, colors=8, pixels=RLE8),
    "rle4_4x2.bmp": bmp(4, 2, 4, compression=2, colors=8, pixels=RLE4),
    "16bit_555_3x2.bmp": bmp(3, 2, 16),
    "16bit_565_3x2.bmp": bmp(3, 2, 16, compression=3, masks=(0xF800, 0x7E0, 0x1F)),
    "16bit_4444_v3_3x2.bmp": bmp(3, 2, 16, compression=3, header=56,
                                 masks=(0xF00, 0xF0, 0xF, 0xF000)),
    "24bit_3x2.bmp": bmp(3, 2, 24),
    "24bit_topdown_2x3.bmp": bmp(2, -3, 24),
    "32bit_2x2.bmp": bmp(2, 2, 32),
    "32bit_v5_alpha_1x2.bmp": bmp(1, 2, 32, compression=3, header=124,
                                  masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000)),
    "32bit_101010_v2_2x2.bmp": bmp(2, 2, 32, compression=3, header=52,
                                   masks=(0x3FF00000, 0xFFC00, 0x3FF)),
    "32bit_alphabitfields_2x2.bmp": bmp(2, 2, 32, compression=6,
                                        masks=(0xFF00, 0xFF0000, 0xFF000000, 0xFF)),
}

if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
