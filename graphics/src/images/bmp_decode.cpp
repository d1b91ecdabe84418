// The BMP decoders: paletted, run-length encoded and odd bit-field pixels to fresh records.
#include "bmp_decode.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace libgr::bmpdecode {

const char* const kNoMemory = "out of memory for the decoded picture";

namespace {

// Bytes of one stored row: `width` pixels of `bitCount` bits, padded to a multiple of 4.
std::size_t storedStride(std::uint32_t width, std::uint32_t bitCount) {
    return static_cast<std::size_t>(rowBytes(width, bitCount, 4));
}

// Gives `out` fresh storage for an 8-bit-per-component picture of the file's size.
bool allocate(grImage2D& out, const grBmpInfo& info, std::int32_t layout) {
    out.layout = layout;
    out.numberKind = grKindUnsigned;
    out.bitCode = grBits8;
    out.width = info.width;
    out.height = info.height;
    // Rows without padding: GLU builds the smaller mipmap levels in tight rows but hands them
    // to GL under the record's alignment, so only alignment 1 keeps every level right.
    static const grPixelStore tight{GL_FALSE, 1};
    out.pixelStore = &tight;
    return out.allocatePixels();
}

constexpr const char* kBadIndex = "a pixel indexes beyond the colour table";

// The colour table as blue, green, red, alpha 255; entries beyond the table are black.
struct Colours {
    unsigned char bgra[256][4] = {};
    std::uint32_t count = 0;
    bool grey = true;

    explicit Colours(const Source& src) : count(std::min(src.info.paletteCount, 256u)) {
        for (std::uint32_t i = 0; i < count; ++i) {
            const unsigned char* e = src.palette + i * src.info.paletteEntryBytes;
            std::memcpy(bgra[i], e, 3);
            bgra[i][3] = 255;
            grey = grey && e[0] == e[1] && e[1] == e[2];
        }
    }
};

} // namespace

const grPixelStore& fileRows() {
    static const grPixelStore rows{GL_FALSE, 4};
    return rows;
}

const char* decodePalette(const Source& src, grImage2D& out) {
    const grBmpInfo& info = src.info;
    const Colours colours(src);
    grImage2D image;
    if (!allocate(image, info, colours.grey ? grLayoutLuminance : grLayoutBGR))
        return kNoMemory;
    const std::uint32_t bits = info.bitCount;
    const std::uint32_t perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    const std::size_t inStride = storedStride(info.width, bits);
    const std::size_t outStride = image.rowStride();
    const bool checked = colours.count < (1u << bits); // a table shorter than the bits allow
    std::vector<unsigned char> unpacked(bits == 8 ? 0 : info.width);
    unsigned char highest = 0;
    for (std::uint32_t y = 0; y < info.height; ++y) {
        const unsigned char* in = src.bits + y * inStride;
        const unsigned char* index = in;
        if (bits != 8) { // one index a byte, from the left of each byte
            for (std::uint32_t x = 0; x < info.width; ++x)
                unpacked[x] = (in[x / perByte] >> (8 - bits * (x % perByte + 1))) & mask;
            index = unpacked.data();
        }
        for (std::uint32_t x = 0; checked && x < info.width; ++x)
            highest = std::max(highest, index[x]);
        unsigned char* o = image.pixels.begin() + y * outStride;
        if (colours.grey) {
            for (std::uint32_t x = 0; x < info.width; ++x)
                o[x] = colours.bgra[index[x]][0];
            continue;
        }
        // Four bytes a pixel written, three kept: each store's spare byte is overwritten by
        // the next pixel; the row's last pixel is stored in three.
        const std::uint32_t last = info.width - 1;
        for (std::uint32_t x = 0; x < last; ++x, o += 3)
            std::memcpy(o, colours.bgra[index[x]], 4);
        std::memcpy(o, colours.bgra[index[last]], 3);
    }
    if (checked && highest >= colours.count)
        return kBadIndex;
    out = image;
    return nullptr;
}

const char* decodeRle(const Source& src, grImage2D& out) {
    const grBmpInfo& info = src.info;
    const Colours colours(src);
    grImage2D image;
    if (!allocate(image, info, grLayoutBGRA))
        return kNoMemory;
    unsigned char* pixels = image.pixels.begin();
    std::memset(pixels, 0, image.pixels.size()); // never written: transparent black
    const std::size_t stride = image.rowStride();
    const bool four = info.compression == grBmpRLE4;
    const unsigned char* p = src.bits;
    const unsigned char* const end = src.bits + src.size;
    std::uint32_t x = 0, y = 0;
    unsigned highest = 0;

    // Writes `n` pixels at the cursor; index(i) gives the i-th.
    auto put = [&](std::uint32_t n, auto index) {
        if (y >= info.height || n > info.width - x)
            return false;
        unsigned char* o = pixels + y * stride + std::size_t{x} * 4;
        for (std::uint32_t i = 0; i < n; ++i, o += 4) {
            const unsigned v = index(i);
            highest = std::max(highest, v);
            std::memcpy(o, colours.bgra[v], 4);
        }
        x += n;
        return true;
    };
    constexpr const char* kOverrun = "RLE data runs past the end of a row or of the image";
    while (true) {
        if (end - p < 2) {
            // A stream may stop without its end-of-bitmap code once every row is done.
            if (p == end && y >= info.height)
                break;
            return "RLE data ends before the end of the picture";
        }
        const unsigned count = p[0], value = p[1];
        p += 2;
        if (count != 0) { // an encoded run: one index, or two alternating ones
            const bool ok =
                four ? put(count, [&](std::uint32_t i) { return i % 2 ? value & 15u : value >> 4; })
                     : put(count, [&](std::uint32_t) { return value; });
            if (!ok)
                return kOverrun;
        } else if (value == 0) { // end of line
            if (y >= info.height)
                return kOverrun;
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta: move right and up
            if (end - p < 2)
                return "RLE data ends inside a delta code";
            const std::uint32_t dx = p[0], dy = p[1];
            p += 2;
            if (dx > info.width - x || dy > info.height - y || (y + dy == info.height && dx + x))
                return kOverrun;
            x += dx;
            y += dy;
        } else { // an absolute run of `value` indices, padded to a 16-bit boundary
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            const std::size_t padded = (bytes + 1) & ~std::size_t{1};
            if (static_cast<std::size_t>(end - p) < bytes)
                return "RLE data ends inside an absolute run";
            const unsigned char* run = p;
            const bool ok = four ? put(value,
                                       [&](std::uint32_t i) {
                                           return i % 2 ? run[i / 2] & 15u : run[i / 2] >> 4;
                                       })
                                 : put(value, [&](std::uint32_t i) { return run[i]; });
            if (!ok)
                return kOverrun;
            p += std::min(padded, static_cast<std::size_t>(end - p));
        }
    }
    if (highest >= colours.count)
        return kBadIndex;
    out = image;
    return nullptr;
}

const char* decodeBitFields(const Source& src, grImage2D& out) {
    const grBmpInfo& info = src.info;
    const bool alpha = info.masks[3] != 0;
    grImage2D image;
    if (!allocate(image, info, alpha ? grLayoutBGRA : grLayoutBGR))
        return kNoMemory;
    // One field: its mask, where it starts, and its values scaled to 0..255. Fields wider
    // than 8 bits keep their top 8 bits, which is that scaling rounded down.
    struct Field {
        std::uint32_t mask = 0;
        unsigned shift = 0, drop = 0;
        unsigned char scale[256] = {};
    } fields[4];
    const int order[4] = {2, 1, 0, 3}; // blue, green, red, alpha from the red-first masks
    const int components = alpha ? 4 : 3;
    for (int c = 0; c < components; ++c) {
        Field& f = fields[c];
        f.mask = info.masks[order[c]];
        if (f.mask == 0)
            continue;
        f.shift = static_cast<unsigned>(__builtin_ctz(f.mask));
        const unsigned width = static_cast<unsigned>(__builtin_popcount(f.mask));
        f.drop = width > 8 ? width - 8 : 0;
        const unsigned top = (1u << std::min(width, 8u)) - 1;
        for (unsigned v = 0; v <= top; ++v)
            f.scale[v] = static_cast<unsigned char>((v * 255 + top / 2) / top);
    }
    const std::uint32_t bytes = info.bitCount / 8;
    const std::size_t inStride = storedStride(info.width, info.bitCount);
    const std::size_t outStride = image.rowStride();
    for (std::uint32_t y = 0; y < info.height; ++y) {
        const unsigned char* in = src.bits + y * inStride;
        unsigned char* o = image.pixels.begin() + y * outStride;
        for (std::uint32_t x = 0; x < info.width; ++x, in += bytes) {
            std::uint32_t v = in[0] | std::uint32_t{in[1]} << 8;
            if (bytes == 4)
                v |= std::uint32_t{in[2]} << 16 | std::uint32_t{in[3]} << 24;
            for (int c = 0; c < components; ++c, ++o) {
                const Field& f = fields[c];
                *o = f.scale[((v & f.mask) >> f.shift) >> f.drop];
            }
        }
    }
    out = image;
    return nullptr;
}

} // namespace libgr::bmpdecode
