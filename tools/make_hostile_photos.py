#!/usr/bin/env python3
"""Writes the hostile photographs the memory and time budget is measured with, into the folder
given (default: the current one): pictures far wider or taller than any screen, progressive
JPEG files whose headers claim far more than their bytes hold, and one of many scans.

    tools/make_hostile_photos.py OUT_DIR
    /usr/bin/time -v scripts/with-x.sh build/app/pluvina --upright OUT_DIR/FILE --frames 30 --benchmark

hostile(name) answers one file's bytes, so the fuzzer's seeds can hold the small ones."""
import os
import struct
import sys
import zlib

from make_photo_corpus import chunk, jpeg

TJPF_RGB, TJPF_CMYK, TJSAMP_444, TJSAMP_420, PROGRESSIVE = 0, 11, 0, 2, 16384


def png_flat(w, h, depth=8, colour=2):
    """A PNG of w x h (RGB, or 1-bit grey stripes), its data compressed as it is made (no
    buffer of the whole picture)."""
    z = zlib.compressobj(9)
    row = b"\0" + b"\x80" * (3 * w) if colour == 2 else b"\0" + b"\x55" * ((w * depth + 7) // 8)
    rows_per_piece = max(1, (16 << 20) // len(row))
    data, left = [], h
    while left:
        n = min(left, rows_per_piece)
        data.append(z.compress(row * n))
        left -= n
    data.append(z.flush())
    ihdr = struct.pack(">IIBBBBB", w, h, depth, colour, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", b"".join(data)) +
            chunk(b"IEND", b""))


def bmp_1bit(w, h):
    """A 1-bit BMP of w x h: stripes of the two table colours."""
    stride = (w + 31) // 32 * 4
    head = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 1, 0, stride * h, 2835, 2835, 2, 2)
    table = struct.pack("<II", 0x2040C0, 0xE0E0E0)
    off = 14 + len(head) + len(table)
    return (b"BM" + struct.pack("<IHHI", off + stride * h, 0, 0, off) + head + table +
            b"\x55" * (stride * h))


def claiming(data, w, h):
    """A JPEG whose frame header claims w x h; its scans still hold the small picture."""
    at = data.index(b"\xff\xc2") if b"\xff\xc2" in data else data.index(b"\xff\xc0")
    return data[:at + 5] + struct.pack(">HH", h, w) + data[at + 9:]


def many_scans(n):
    """A small progressive JPEG with its last scan repeated n times."""
    data = jpeg(64, 64, 3, TJPF_RGB, TJSAMP_420, PROGRESSIVE)
    last = data.rindex(b"\xff\xda")
    return data[:-2] + data[last:-2] * n + b"\xff\xd9"


HOSTILE = {
    "wide_2p25.png": lambda: png_flat(1 << 25, 1, 1, 0),
    "wide_2p25_rgb.png": lambda: png_flat(1 << 25, 1),
    "wide_2p27.png": lambda: png_flat(1 << 27, 1, 1, 0),
    "tall_2p27.png": lambda: png_flat(1, 1 << 27, 1, 0),
    "wide_1bit_2p25.bmp": lambda: bmp_1bit(1 << 25, 1),
    "cmyk_progressive_16384x8192.jpg":
        lambda: claiming(jpeg(16, 16, 4, TJPF_CMYK, TJSAMP_444, PROGRESSIVE), 16384, 8192),
    "progressive_65500x2049.jpg":
        lambda: claiming(jpeg(16, 16, 3, TJPF_RGB, TJSAMP_420, PROGRESSIVE), 65500, 2049),
    "scans_5000.jpg": lambda: many_scans(5000),
}


def hostile(name):
    return HOSTILE[name]()


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    for name in HOSTILE:
        with open(os.path.join(out, name), "wb") as f:
            f.write(hostile(name))
        print(name, os.path.getsize(os.path.join(out, name)))
