#!/usr/bin/env python3
"""Writes the seed corpus of the photograph fuzzer: tiny JPEG files of each kind (made by
TurboJPEG through ctypes), with and without an EXIF orientation, and PNG files of each colour
type (interlaced among them), PNG and JPEG files with colour chunks and segments, and HEIF,
AVIF and WebP files made by libheif's and libwebp's command-line encoders, so the fuzzer
starts inside every decoder path; and small files of each hostile kind
(tools/make_hostile_photos.py makes the large ones)."""
import ctypes
import os
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "fuzz", "photo_corpus")
TJ = ctypes.CDLL("libturbojpeg.so.0")
TJ.tjInitCompress.restype = ctypes.c_void_p


def jpeg(w, h, channels, pixel_format, subsampling, flags=0):
    src = bytes((i * 37 + i // 7) & 255 for i in range(w * h * channels))
    out, size = ctypes.POINTER(ctypes.c_ubyte)(), ctypes.c_ulong(0)
    handle = ctypes.c_void_p(TJ.tjInitCompress())
    if TJ.tjCompress2(handle, src, w, 0, h, pixel_format, ctypes.byref(out), ctypes.byref(size),
                      subsampling, 90, flags) != 0:
        raise RuntimeError("tjCompress2 failed")
    data = ctypes.string_at(out, size.value)
    TJ.tjFree(out)
    TJ.tjDestroy(handle)
    return data


def with_exif(data, orientation, big):
    e = ">" if big else "<"
    tiff = (b"MM\0*" if big else b"II*\0") + struct.pack(e + "IH", 8, 1)
    tiff += struct.pack(e + "HHIHH", 0x0112, 3, 1, orientation, 0) + struct.pack(e + "I", 0)
    body = b"Exif\0\0" + tiff
    return data[:2] + b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body + data[2:]


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def adam7(rows, w, h, bpp):
    """The rows of an 8-bit picture in Adam7 order, each pass's rows with filter byte 0."""
    out = b""
    for x0, y0, dx, dy in ((0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4),
                           (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)):
        for y in range(y0, h, dy):
            xs = range(x0, w, dx)
            if xs:
                out += b"\0" + b"".join(rows[y][x * bpp:(x + 1) * bpp] for x in xs)
    return out


def png(w, h, depth, colour, channels, interlace=0, extra=b""):
    rows = [bytes((x * 29 + y * 71) & 255 for x in range((w * channels * depth + 7) // 8))
            for y in range(h)]
    raw = adam7(rows, w, h, channels) if interlace else b"".join(b"\0" + r for r in rows)
    ihdr = struct.pack(">IIBBBBB", w, h, depth, colour, 0, 0, interlace)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def icc_profile():
    """A small RGB profile (wide primaries, gamma 2.2) made by Little CMS."""
    lcms = ctypes.CDLL("liblcms2.so.2")
    lcms.cmsBuildGamma.restype = ctypes.c_void_p
    lcms.cmsCreateRGBProfile.restype = ctypes.c_void_p
    white = (ctypes.c_double * 3)(0.3127, 0.3290, 1)
    primaries = (ctypes.c_double * 9)(0.68, 0.32, 1, 0.265, 0.69, 1, 0.15, 0.06, 1)
    curve = ctypes.c_void_p(lcms.cmsBuildGamma(None, ctypes.c_double(2.2)))
    profile = ctypes.c_void_p(lcms.cmsCreateRGBProfile(white, primaries, (ctypes.c_void_p * 3)(curve, curve, curve)))
    size = ctypes.c_uint32(0)
    lcms.cmsSaveProfileToMem(profile, None, ctypes.byref(size))
    buf = ctypes.create_string_buffer(size.value)
    lcms.cmsSaveProfileToMem(profile, buf, ctypes.byref(size))
    return buf.raw[:size.value]


def with_icc(data, profile, parts):
    """A JPEG with `profile` in APP2 segments, `parts` of them, stored last part first."""
    cut = [profile[i * len(profile) // parts:(i + 1) * len(profile) // parts] for i in range(parts)]
    for seq, piece in enumerate(cut, 1):
        body = b"ICC_PROFILE\0" + bytes((seq, parts)) + piece
        data = data[:2] + b"\xff\xe2" + struct.pack(">H", len(body) + 2) + body + data[2:]
    return data


def encoded(tool_args, source_png):
    """The output of a command-line encoder run on `source_png`."""
    with tempfile.TemporaryDirectory() as d:
        src, out = os.path.join(d, "in.png"), os.path.join(d, "out")
        with open(src, "wb") as f:
            f.write(source_png)
        subprocess.run([a.replace("IN", src).replace("OUT", out) for a in tool_args], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        made = [n for n in os.listdir(d) if n.startswith("out")]
        with open(os.path.join(d, made[0]), "rb") as f:
            return f.read()


ICC = icc_profile()
RGBA = png(16, 8, 8, 6, 4)
EXIF6 = with_exif(b"\xff\xd8", 6, False)[10:]
PLTE = chunk(b"PLTE", bytes(range(12))) + chunk(b"tRNS", b"\x00\x80")
SEEDS = {
    "420_8x8.jpg": jpeg(8, 8, 3, 0, 2),
    "444_exif6_16x8.jpg": with_exif(jpeg(16, 8, 3, 0, 0), 6, True),
    "grey_exif3_8x8.jpg": with_exif(jpeg(8, 8, 1, 6, 3), 3, False),
    "cmyk_8x8.jpg": jpeg(8, 8, 4, 11, 0),
    "progressive_16x16.jpg": jpeg(16, 16, 3, 0, 2, 16384),
    "rgb8_3x2.png": png(3, 2, 8, 2, 3),
    "rgba16_2x2.png": png(2, 2, 16, 6, 4),
    "grey1_9x2.png": png(9, 2, 1, 0, 1),
    "greyalpha8_2x2.png": png(2, 2, 8, 4, 2),
    "palette2_trns_3x2.png": png(3, 2, 2, 3, 1, extra=PLTE),
    "rgb8_interlaced_5x5.png": png(5, 5, 8, 2, 3, interlace=1),
    "rgb8_exif8_2x2.png": png(2, 2, 8, 2, 3, extra=chunk(b"eXIf", with_exif(b"\xff\xd8", 8, False)[12:])),
    "rgb8_gama_chrm_4x2.png": png(4, 2, 8, 2, 3, extra=chunk(b"gAMA", struct.pack(">I", 250000)) +
                                  chunk(b"cHRM", struct.pack(">8I", 31270, 32900, 68000, 32000,
                                                             26500, 69000, 15000, 6000))),
    "rgb8_iccp_4x2.png": png(4, 2, 8, 2, 3, extra=chunk(b"iCCP", b"wide\0\0" + zlib.compress(ICC))),
    "444_icc2_16x8.jpg": with_icc(jpeg(16, 8, 3, 0, 0), ICC, 2),
    "hevc_alpha_16x8.heic": encoded(["heif-enc", "-q", "50", "-o", "OUT.heic", "IN"], RGBA),
    "av1_16x8.avif": encoded(["heif-enc", "-A", "-q", "50", "-o", "OUT.avif", "IN"], RGBA),
    "lossy_alpha_16x8.webp": encoded(["cwebp", "-quiet", "-q", "50", "IN", "-o", "OUT"], RGBA),
    "lossless_16x8.webp": encoded(["cwebp", "-quiet", "-lossless", "IN", "-o", "OUT"], RGBA),
}
# The WebP chunks: an ICCP profile and an EXIF orientation, added by the muxer.
with tempfile.TemporaryDirectory() as d:
    for name, body in (("icc", ICC), ("exif", EXIF6)):
        with open(os.path.join(d, name), "wb") as f:
            f.write(body)
    chained = SEEDS["lossless_16x8.webp"]
    for name in ("icc", "exif"):
        with open(os.path.join(d, "in.webp"), "wb") as f:
            f.write(chained)
        subprocess.run(["webpmux", "-set", name, os.path.join(d, name), os.path.join(d, "in.webp"),
                        "-o", os.path.join(d, "out.webp")], check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(d, "out.webp"), "rb") as f:
            chained = f.read()
    SEEDS["lossless_icc_exif6_16x8.webp"] = chained



def hostile_seeds():
    """Small files of the hostile kinds, so the fuzzer starts at every refusal of the road."""
    from make_hostile_photos import bmp_1bit, claiming, many_scans
    prog = jpeg(16, 16, 3, 0, 2, 16384)
    second_table = prog.index(b"\xff\xc4", prog.index(b"\xff\xda"))
    base = jpeg(32, 32, 3, 0, 2)
    scan = base.index(b"\xff\xda")
    rgb = png(3, 2, 8, 2, 3)
    idat = rgb.index(b"IDAT")
    length = struct.unpack(">I", rgb[idat - 4:idat])[0]
    crc = idat + 4 + length
    rle = bytearray(bmp_1bit(8, 1))
    rle[18:22] = struct.pack("<i", 1 << 20)  # 8-bit RLE claiming 2^20 x 1, ended at once
    rle[28:34] = struct.pack("<HI", 8, 1)
    return {
        "hostile_progressive_cut_in_table.jpg": prog[:second_table + 9],
        "hostile_data_ends_early.jpg": base[:scan + (len(base) - scan) // 2] + b"\xff\xd9",
        "hostile_cmyk_16384x8192.jpg": claiming(jpeg(16, 16, 4, 11, 0, 16384), 16384, 8192),
        "hostile_65500x2049.jpg": claiming(prog, 65500, 2049),
        "hostile_8_scans.jpg": many_scans(8),
        "hostile_idat_crc.png": rgb[:crc] + bytes([rgb[crc] ^ 1]) + rgb[crc + 1:],
        "hostile_empty_exif.png": png(2, 2, 8, 2, 3, extra=chunk(b"eXIf", b"")),
        "hostile_50_text.png": png(2, 2, 8, 2, 3, extra=chunk(b"tEXt", b"k\0v") * 50),
        "hostile_1bit_64x1.bmp": bmp_1bit(64, 1),
        "hostile_rle8_2p20x1.bmp": bytes(rle[:62]) + b"\0\0\0\1",
    }


if __name__ == "__main__":
    os.makedirs(HERE, exist_ok=True)
    SEEDS.update(hostile_seeds())
    for name, data in SEEDS.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
