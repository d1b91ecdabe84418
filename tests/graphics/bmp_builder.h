// Small BMP files built in memory for the reader's tests, a picture to fill them with, and a
// writer to a temporary path.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <unistd.h>
#include <vector>

using Bytes = std::vector<unsigned char>;
using Colours = std::vector<std::uint32_t>; // 0xAARRGGBB (tables: 0xRRGGBB), bottom row first

struct BmpDesc {
    std::int32_t width = 8, height = 2;
    std::uint32_t bits = 24, compression = 0, header = 40, colorsUsed = 0;
    Colours masks;  ///< red, green, blue[, alpha]: after a 40-byte header, else inside it
    Colours colors; ///< the colour table (3-byte entries after a 12-byte header)
    Bytes pixels;   ///< the pixel array as stored
};

/// `b` with the `n`-byte little-endian field at `at` set to `v` (grown to hold it).
inline Bytes patch(Bytes b, std::size_t at, std::uint64_t v, std::size_t n = 4) {
    b.resize(std::max(b.size(), at + n));
    for (std::size_t i = 0; i < n; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
    return b;
}

inline Bytes bmp(const BmpDesc& s) {
    const bool core = s.header == 12;
    const std::size_t w = core ? 2 : 4, masks = s.header == 40 ? 4 * s.masks.size() : 0;
    Bytes b = patch(Bytes(14 + std::max(s.header, 56u)), 0, 0x4D42, 2);
    b = patch(patch(patch(b, 14, s.header), 18, s.width, w), 18 + w, s.height, w);
    b = patch(patch(patch(b, 18 + 2 * w, 1 | s.bits << 16), 30, s.compression), 46, s.colorsUsed);
    for (std::size_t i = 0; i < s.masks.size(); ++i)
        b = patch(b, 54 + 4 * i, s.masks[i]);
    b.resize(14 + s.header + masks);
    for (std::uint32_t c : s.colors) // blue, green, red[, 0]
        b = patch(b, b.size(), c, core ? 3 : 4);
    b = patch(b, 10, b.size());
    b.insert(b.end(), s.pixels.begin(), s.pixels.end());
    return patch(b, 2, b.size());
}

/// Values (indices below 8 bits, else little-endian pixels) in rows of `width`, each padded
/// to 4 bytes.
inline Bytes rows(int bits, int width, const Colours& values) {
    const std::size_t stride = (std::size_t(width) * bits + 31) / 32 * 4;
    Bytes out(stride * (values.size() / width), 0);
    for (std::size_t i = 0; i < values.size(); ++i)
        for (int b = 0; b < (bits + 7) / 8; ++b)
            out[i / width * stride + i % width * bits / 8 + b] |=
                bits < 8 ? values[i] << (8 - bits - i % width * bits % 8) : values[i] >> (8 * b);
    return out;
}

// 8 × 2 pixels (level 1 is 4 × 1) as indices into eight colours whose components are 0 or
// 255, exact in every mask width; alpha, where asked for, changes every two columns (the
// first two clear, so that a look at each row's first pixel alone cannot find it opaque).
const std::vector<int> kIndex = {0, 1, 2, 3, 4, 5, 6, 7, 7, 6, 5, 4, 3, 2, 1, 0};
const Colours kColours = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF,
                          0x000000, 0xFFFF00, 0x00FFFF, 0xFF00FF};
const Colours kBGR = {0xFF0000, 0xFF00, 0xFF}, k555 = {0x7C00, 0x3E0, 0x1F};

/// 0xAARRGGBB of each index (-1: transparent black) in the table's first `n` colours.
inline Colours picture(bool alpha, const std::vector<int>& index = kIndex, int n = 8) {
    Colours out;
    for (std::size_t k = 0; k < index.size(); ++k)
        out.push_back(index[k] < 0
                          ? 0
                          : kColours[index[k] % n] | (alpha && k / 2 % 2 == 0 ? 0 : 0xFF000000u));
    return out;
}

/// The picture in a file of `bits`: paletted up to 8 (first `n` colours), else packed by
/// `masks`, which the file holds when it is compressed (bit fields).
inline BmpDesc desc(std::uint32_t bits, std::uint32_t compression, std::uint32_t header,
                    Colours masks, bool alpha = false, int n = 8) {
    BmpDesc s{8, 2, bits, compression, header, 0, compression ? masks : Colours{}, {}, {}};
    s.colorsUsed = bits <= 8 && header != 12 ? n : 0;
    Colours values;
    for (std::size_t k = 0; k < kIndex.size(); ++k) {
        values.push_back(bits <= 8 ? kIndex[k] % n : 0);
        for (std::size_t i = 0; i < masks.size(); ++i)
            values.back() |= (picture(alpha)[k] >> (i == 3 ? 24 : 16 - 8 * i) & 255) ? masks[i] : 0;
    }
    if (bits <= 8)
        s.colors.assign(kColours.begin(), kColours.begin() + n);
    s.pixels = rows(bits, 8, values);
    return s;
}

/// `s` with another height, pixel array and (if given) colour table.
inline BmpDesc with(BmpDesc s, std::int32_t height, Bytes pixels, Colours colors = {}) {
    s.height = height;
    s.pixels = pixels;
    s.colors = colors.empty() ? s.colors : colors;
    return s;
}

/// Writes `bytes` to a fresh temporary file and answers its path.
inline std::string writeTemp(const Bytes& bytes) {
    char path[] = "/tmp/pluvina-bmpXXXXXX";
    const int fd = mkstemp(path);
    const bool ok = fd >= 0 && write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    return fd >= 0 && close(fd) == 0 && ok ? path : "";
}
