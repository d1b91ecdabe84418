// The BMP reader: header parsing and checks, the one read into shared storage, and the record
// that shares or decodes the file's pixels.
#include "libgr/bmp_file.h"

#include "bmp_decode.h"

#include "libutils/platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

namespace libgr {

namespace {

// Why a file is refused: a code and a static text (null text: not refused).
struct Refusal {
    grErrc code = grErrc::none;
    const char* text = nullptr;
};

thread_local const char* failureReason = "";
thread_local grErrc failureCode = grErrc::none;

bool fail(grErrc code, const char* reason) {
    failureCode = code;
    failureReason = reason;
    return false;
}

bool fail(const Refusal& r) {
    return fail(r.code, r.text);
}

void clearFailure() {
    failureCode = grErrc::none;
    failureReason = "";
}

std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}
void putLe32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

constexpr std::uint32_t kFileHeader = 14;
constexpr std::uint32_t kCoreHeader = 12;
// The most header bytes before the pixels that the reader keeps: file header, a 124-byte info
// header, four masks after it and a table of 256 four-byte entries.
constexpr std::uint32_t kMaxHead = kFileHeader + 124 + 16 + 256 * 4;

// Whether a mask is one run of set bits.
bool contiguous(std::uint32_t mask) {
    const std::uint32_t low = mask >> __builtin_ctz(mask);
    return (low & (low + 1)) == 0;
}

// Bit-field masks a decoder can take: each one run of bits inside the pixel, none overlapping
// another, and at least one colour.
bool validMasks(const std::uint32_t masks[4], std::uint16_t bitCount) {
    const std::uint64_t pixel = (std::uint64_t{1} << bitCount) - 1;
    std::uint32_t seen = 0;
    for (int i = 0; i < 4; ++i) {
        if (masks[i] == 0)
            continue;
        if ((masks[i] & ~pixel) != 0 || (masks[i] & seen) != 0 || !contiguous(masks[i]))
            return false;
        seen |= masks[i];
    }
    return (masks[0] | masks[1] | masks[2]) != 0;
}

// What load needs to know beyond grBmpInfo: where things are in the file.
struct Layout {
    grBmpInfo info;
    bool topDown = false;
    std::uint32_t offBits = 0;    // pixel array in the file
    std::uint32_t headBytes = 0;  // headers, masks and usable table: the storage's first bytes
    std::uint64_t pixelBytes = 0; // bytes of the pixel array the storage gets
    std::uint64_t needed = 0;     // bytes the file must hold from offBits on
};

// Reads the headers in `head` (the file's first `got` bytes; the file is `length` long).
// No refusal on success.
Refusal parse(const unsigned char* head, std::size_t got, std::uint64_t length,
              std::uint64_t maxPixels, Layout& l) {
    constexpr const char* kShort = "file too short for its headers";
    if (got < kFileHeader + 4)
        return {grErrc::truncated, kShort};
    grBmpInfo& info = l.info;
    l.offBits = le32(head + 10);
    info.headerSize = le32(head + kFileHeader);
    const std::uint32_t size = info.headerSize;
    const bool core = size == kCoreHeader;
    const bool windows = size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
    const bool os2 = size >= 16 && size <= 64 && !windows;
    if (!core && !windows && !os2)
        return {grErrc::unsupported, "unsupported info header size"};
    if (got < kFileHeader + size)
        return {grErrc::truncated, kShort};
    const unsigned char* h = head + kFileHeader;
    std::int64_t width = 0, height = 0;
    std::uint16_t planes = 0;
    std::uint32_t colorsUsed = 0;
    if (core) {
        width = le16(h + 4);
        height = le16(h + 6);
        planes = le16(h + 8);
        info.bitCount = le16(h + 10);
        info.paletteEntryBytes = 3;
    } else {
        width = static_cast<std::int32_t>(le32(h + 4));
        height = static_cast<std::int32_t>(le32(h + 8));
        planes = le16(h + 12);
        info.bitCount = le16(h + 14);
        info.compression = size >= 20 ? le32(h + 16) : 0;
        colorsUsed = size >= 36 ? le32(h + 32) : 0;
    }
    const std::uint16_t bits = info.bitCount;
    if (planes != 1)
        return {grErrc::corrupt, "plane count is not 1"};
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return {grErrc::unsupported, "unsupported bit count"};

    // OS/2 2.x uses 3 and 4 for Huffman and RLE24 compression.
    std::uint32_t& compression = info.compression;
    const bool fields =
        !os2 && (compression == grBmpBitFields || compression == grBmpAlphaBitFields);
    if (compression != grBmpRGB && compression != grBmpRLE8 && compression != grBmpRLE4 && !fields)
        return {grErrc::unsupported, "unsupported compression"};
    if ((compression == grBmpRLE8 && bits != 8) || (compression == grBmpRLE4 && bits != 4) ||
        (fields && bits != 16 && bits != 32))
        return {grErrc::corrupt, "compression does not match the bit count"};

    l.topDown = height < 0;
    if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min())
        return {grErrc::corrupt, "width or height is not positive"};
    if (l.topDown && compression != grBmpRGB && !fields)
        return {grErrc::unsupported, "compressed pixel array stored top-down"};
    info.width = static_cast<std::uint32_t>(width);
    info.height = static_cast<std::uint32_t>(height < 0 ? -height : height);
    if (std::uint64_t{info.width} * info.height > maxPixels)
        return {grErrc::tooManyPixels, "picture too large"};

    // Masks: the defaults of the bit count, or the file's bit fields, which follow a 40-byte
    // header and are part of larger ones. A declared alpha mask is honoured either way.
    std::uint32_t* masks = info.masks;
    if (bits == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    } else if (bits == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
    }
    std::uint32_t tableStart = kFileHeader + size;
    if (fields) {
        std::uint32_t count = compression == grBmpAlphaBitFields ? 4 : 3;
        if (size == 40) {
            tableStart += 4 * count;
            if (got < tableStart)
                return {grErrc::truncated, kShort};
        } else {
            count = std::min<std::uint32_t>((size - 40) / 4, 4);
        }
        for (std::uint32_t i = 0; i < 4; ++i)
            masks[i] = i < count ? le32(h + 40 + 4 * i) : 0;
        compression = grBmpBitFields;
        if (!validMasks(masks, bits))
            return {grErrc::corrupt, "invalid bit-field masks"};
    } else if (windows && size >= 56 && (bits == 16 || bits == 32)) {
        // A header that declares alpha keeps it when it fits beside the default colours.
        const std::uint32_t saved = masks[3];
        masks[3] = le32(h + 52);
        if (!validMasks(masks, bits))
            masks[3] = saved;
    }
    if (l.offBits < tableStart)
        return {grErrc::corrupt, "pixel array starts inside the headers"};

    if (bits <= 8) {
        const std::uint32_t most = 1u << bits;
        const std::uint32_t declared = colorsUsed != 0 ? colorsUsed : most;
        if (declared > most)
            return {grErrc::corrupt, "colour table larger than the bit count allows"};
        const std::uint32_t fits = (l.offBits - tableStart) / info.paletteEntryBytes;
        info.paletteCount = std::min(declared, fits);
        if (info.paletteCount == 0)
            return {grErrc::corrupt, "no colour table"};
    }
    info.paletteOffset = tableStart;
    l.headBytes = tableStart + info.paletteCount * info.paletteEntryBytes;
    if (got < l.headBytes)
        return {grErrc::truncated, kShort};

    const std::uint64_t available = length > l.offBits ? length - l.offBits : 0;
    if (compression == grBmpRLE8 || compression == grBmpRLE4) {
        // A stream needs at most 4 bytes a pixel (a delta for each), and 4 a row.
        const std::uint64_t most = 4 * (std::uint64_t{info.width} + 1) * info.height + 16;
        l.pixelBytes = std::min(available, most);
        l.needed = 2;
    } else {
        const std::uint64_t stride = rowBytes(info.width, bits, 4); // rows padded to 4 bytes
        l.pixelBytes = stride * info.height;
        // The last row's padding may be missing.
        l.needed = l.pixelBytes - stride + rowBytes(info.width, bits, 1);
    }
    if (available < l.needed)
        return {grErrc::truncated, "pixel array too short"};
    return {};
}

// Puts the rows of an uncompressed pixel array bottom-up.
void flipRows(unsigned char* pixels, std::size_t stride, std::uint32_t rows) {
    unsigned char* top = pixels;
    unsigned char* bottom = pixels + (rows - 1) * stride;
    for (; top < bottom; top += stride, bottom -= stride)
        std::swap_ranges(top, top + stride, bottom);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

grErrc openRefusalCode(libutils::OpenRefusal refusal) {
    return refusal == libutils::OpenRefusal::notRegular ? grErrc::notRegular : grErrc::cannotOpen;
}

namespace {

// Fills `file` from a parsed layout: the first l.headBytes of `head`, then the pixel array,
// which `readPixels(to, count)` copies from the file's byte l.offBits on (a file `length`
// bytes long).
template <class ReadPixels>
bool place(grBmpFile& file, const Layout& l, const unsigned char* head, std::uint64_t length,
           ReadPixels readPixels) {
    // The storage: the headers and table as read, then the pixel array.
    refvector2<unsigned char> storage;
    const std::uint64_t total = l.headBytes + l.pixelBytes;
    if (total > std::numeric_limits<std::uint32_t>::max() ||
        !storage.create(static_cast<std::uint32_t>(total)))
        return fail(grErrc::outOfMemory, "out of memory for the file");
    unsigned char* bytes = storage.begin();
    std::memcpy(bytes, head, l.headBytes);
    unsigned char* pixels = bytes + l.headBytes;
    const std::size_t toRead = static_cast<std::size_t>(std::min(l.pixelBytes, length - l.offBits));
    if (!readPixels(pixels, toRead))
        return fail(grErrc::cannotRead, "cannot read the file");
    const grBmpInfo& in = l.info;
    const bool rle = in.compression == grBmpRLE8 || in.compression == grBmpRLE4;
    if (!rle) {
        std::memset(pixels + toRead, 0, l.pixelBytes - toRead); // a last row's missing padding
        if (l.topDown) {
            flipRows(pixels, static_cast<std::size_t>(l.pixelBytes / in.height), in.height);
            putLe32(bytes + 22, in.height);
        }
    }
    putLe32(bytes + 10, l.headBytes);

    file.fileHeader.attach(storage, 0, 1);
    file.infoHeader.attach(storage, kFileHeader, in.headerSize >= 40 ? 1 : 0);
    file.colorTable.attach(storage, in.paletteOffset,
                           in.paletteEntryBytes == 4 ? in.paletteCount : 0);
    file.bits.attach(storage, l.headBytes, ofsvector<unsigned char>::npos);
    file.info = in;
    return true;
}

} // namespace

const char* grBmpFailureReason() {
    return failureReason;
}

grError grBmpError() {
    return grError(failureCode, failureReason);
}

bool grBmpFile::load(const char* path, std::uint64_t maxPixels) {
    clearFailure();
    libutils::FileStatus status;
    const char* reason = "";
    libutils::OpenRefusal refusal{};
    const std::unique_ptr<std::FILE, FileCloser> file(
        libutils::openRegularFile(path, status, reason, &refusal));
    if (!file)
        return fail(openRefusalCode(refusal), reason);
    // Unbuffered: the pixel array is read straight into the storage.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);

    unsigned char head[kMaxHead];
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(status.size, kMaxHead));
    const std::size_t got = std::fread(head, 1, want, file.get());
    if (got != want)
        return fail(grErrc::cannotRead, "cannot read the file");
    Layout l;
    if (const Refusal r = parse(head, got, status.size, std::min(maxPixels, grBmpMaxPixels), l);
        r.text != nullptr)
        return fail(r);
    return place(*this, l, head, status.size, [&](unsigned char* pixels, std::size_t count) {
        return std::fseek(file.get(), static_cast<long>(l.offBits), SEEK_SET) == 0 &&
               std::fread(pixels, 1, count, file.get()) == count;
    });
}

bool grBmpFile::read(const unsigned char* data, std::size_t size, std::uint64_t maxPixels) {
    clearFailure();
    if (data == nullptr)
        return fail(grErrc::badArgument, "no bytes");
    const std::size_t got = std::min<std::size_t>(size, kMaxHead);
    Layout l;
    if (const Refusal r = parse(data, got, size, maxPixels, l); r.text != nullptr)
        return fail(r);
    return place(*this, l, data, size, [&](unsigned char* pixels, std::size_t count) {
        std::memcpy(pixels, data + l.offBits, count);
        return true;
    });
}

namespace {

// The record for pixels GL reads as the file stores them, if their masks allow it.
bool sharedCodes(const grBmpInfo& info, std::int32_t& layout, std::int32_t& bitCode) {
    const std::uint32_t* m = info.masks;
    auto is = [m](std::uint32_t r, std::uint32_t g, std::uint32_t b) {
        return m[0] == r && m[1] == g && m[2] == b;
    };
    switch (info.bitCount) {
    case 24:
        layout = grLayoutBGR;
        bitCode = grBits8;
        return true;
    case 32:
        if (m[3] != 0 && m[3] != 0xFF000000u)
            return false;
        if (is(0xFF0000, 0xFF00, 0xFF))
            layout = m[3] ? grLayoutBGRA : grLayoutBGR;
        else if (is(0xFF, 0xFF00, 0xFF0000))
            layout = m[3] ? grLayoutRGBA : grLayoutRGB;
        else
            return false;
        bitCode = m[3] ? grBits8 : grBits8Pad8;
        return true;
    case 16:
        if (is(0xF800, 0x07E0, 0x001F) && m[3] == 0) {
            layout = grLayoutRGB;
            bitCode = grPacked565;
            return true;
        }
        if (is(0x7C00, 0x03E0, 0x001F) && (m[3] == 0 || m[3] == 0x8000)) {
            layout = m[3] ? grLayoutBGRA : grLayoutBGR;
            bitCode = grPacked1555Rev;
            return true;
        }
        return false;
    default:
        return false;
    }
}

// Whether every pixel of an uncompressed 16- or 32-bit pixel array has alpha 0 under the
// file's alpha mask. Stops at the first pixel that has some.
bool alphaAllZero(const grBmpInfo& info, const unsigned char* bits, std::size_t size) {
    const std::uint32_t bytes = info.bitCount / 8u;
    const std::uint64_t stride = rowBytes(info.width, info.bitCount, 4);
    if (stride * info.height > size)
        return false;
    for (std::uint32_t y = 0; y < info.height; ++y) {
        const unsigned char* p = bits + y * stride;
        for (std::uint32_t x = 0; x < info.width; ++x, p += bytes) {
            const std::uint32_t pixel = bytes == 2 ? le16(p) : le32(p);
            if ((pixel & info.masks[3]) != 0)
                return false;
        }
    }
    return true;
}

// Unpack state of 16-bit rows: 2-byte alignment with the padding of an odd width given as
// the row length. Under 4-byte alignment GLU hands the levels it builds of such pictures to
// GL with that alignment, and GL reads past the end of GLU's own tightly packed rows.
const grPixelStore& shortRows() {
    static const grPixelStore rows{GL_FALSE, 2};
    return rows;
}

} // namespace

bool grBmpToImage(grImage2D& image, const grBmpFile& file) {
    clearFailure();
    if (file.bits.empty() || !file.fileHeader.sharesWith(file.bits) || file.info.width == 0)
        return fail(grErrc::badArgument, "no file loaded");
    // An alpha channel that is 0 everywhere counts as absent, as image viewers treat it:
    // such files come from writers that fill the fourth byte with nothing in particular, and
    // honouring it would make the picture vanish.
    grBmpInfo opaque = file.info;
    if (opaque.masks[3] != 0 && opaque.compression != grBmpRLE8 &&
        opaque.compression != grBmpRLE4 &&
        alphaAllZero(opaque, file.bits.begin(), file.bits.size()))
        opaque.masks[3] = 0;
    const grBmpInfo& info = opaque;
    const bmpdecode::Source src{
        info, reinterpret_cast<const unsigned char*>(file.fileHeader.begin()) + info.paletteOffset,
        file.bits.begin(), file.bits.size()};

    grImage2D decoded;
    std::int32_t layout = 0, bitCode = 0;
    const char* reason = nullptr;
    const bool shared = info.bitCount > 8 && sharedCodes(info, layout, bitCode);
    if (shared) {
        decoded.pixels = file.bits;
        decoded.layout = layout;
        decoded.bitCode = bitCode;
        decoded.numberKind = grKindUnsigned;
        decoded.width = info.width;
        decoded.height = info.height;
        decoded.pixelStore = &bmpdecode::fileRows();
        if (info.bitCount == 16) {
            decoded.pixelStore = &shortRows();
            decoded.rowLength = info.width % 2 != 0 ? static_cast<std::int32_t>(info.width + 1) : 0;
        }
    } else if (info.compression == grBmpRLE8 || info.compression == grBmpRLE4) {
        reason = bmpdecode::decodeRle(src, decoded);
    } else if (info.bitCount <= 8) {
        reason = bmpdecode::decodePalette(src, decoded);
    } else {
        reason = bmpdecode::decodeBitFields(src, decoded);
    }
    if (reason != nullptr)
        return fail(reason == bmpdecode::kNoMemory ? grErrc::outOfMemory : grErrc::corrupt, reason);

    image = decoded; // every field, so nothing of an earlier picture stays behind
    return true;
}

} // namespace libgr
