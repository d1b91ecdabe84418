#include "libgr/bmp_file.h"

#include "libutils/byteorder.h"
#include "libutils/platform.h"

#include <algorithm>
#include <limits>

namespace libgr {

namespace {

using libutils::byteorder;

constexpr std::uint32_t kHeadersEnd = 14 + 40; // file header + 40-byte info header

bool supportedBitCount(std::uint16_t bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 || bitCount == 32;
}

// Bytes of one stored row: biWidth pixels of biBitCount bits, padded to a multiple of 4.
std::uint64_t storedRowBytes(std::int32_t width, std::uint16_t bitCount) {
    const std::uint64_t bits = static_cast<std::uint64_t>(width) * bitCount;
    return (bits + 31) / 32 * 4;
}

// Whether `rows` rows of `rowBytes` fit in `available` bytes.
bool rowsFit(std::uint64_t rowBytes, std::uint64_t rows, std::uint64_t available) {
    return rowBytes == 0 || rows <= available / rowBytes;
}

// Reverses the rows of an uncompressed top-down file in place and makes its stored height
// positive. Leaves files it cannot flip alone (grBmpToImage refuses their negative height).
void flipTopDown(unsigned char* file, std::uint32_t length, std::uint32_t offBits) {
    auto* info = reinterpret_cast<tagBITMAPINFOHEADER*>(file + 14);
    const auto height = static_cast<std::int32_t>(
        byteorder::le_to_host32(static_cast<std::uint32_t>(info->biHeight)));
    const auto width = static_cast<std::int32_t>(
        byteorder::le_to_host32(static_cast<std::uint32_t>(info->biWidth)));
    const std::uint16_t bitCount = byteorder::le_to_host16(info->biBitCount);
    if (height >= 0 || height == std::numeric_limits<std::int32_t>::min() || width <= 0 ||
        byteorder::le_to_host32(info->biCompression) != 0 || !supportedBitCount(bitCount) ||
        offBits > length)
        return;
    const std::uint32_t rows = static_cast<std::uint32_t>(-height);
    const std::uint64_t rowBytes = storedRowBytes(width, bitCount);
    if (!rowsFit(rowBytes, rows, length - offBits))
        return;
    unsigned char* top = file + offBits;
    unsigned char* bottom = top + (rows - 1) * rowBytes;
    for (; top < bottom; top += rowBytes, bottom -= rowBytes)
        std::swap_ranges(top, top + rowBytes, bottom);
    // Our copy of the file: its header now tells the truth about the row order.
    info->biHeight = static_cast<std::int32_t>(byteorder::le_to_host32(rows));
}

// One byte per pixel from 1- or 4-bit indices, each index scaled to the full grey range.
void expandIndices(const unsigned char* src, std::uint64_t srcStride, unsigned char* dst,
                   std::uint64_t dstStride, std::uint32_t width, std::uint32_t height,
                   std::uint16_t bitCount) {
    for (std::uint32_t y = 0; y < height; ++y) {
        const unsigned char* in = src + y * srcStride;
        unsigned char* out = dst + y * dstStride;
        if (bitCount == 1) {
            for (std::uint32_t x = 0; x < width; ++x)
                out[x] = ((in[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0;
        } else {
            for (std::uint32_t x = 0; x < width; ++x) {
                const unsigned index = (x & 1) ? (in[x >> 1] & 0x0F) : (in[x >> 1] >> 4);
                out[x] = static_cast<unsigned char>(index * 17);
            }
        }
    }
}

} // namespace

bool grBmpFile::load(const char* path) {
    libutils::FileStatus status;
    if (!libutils::fileStatus(path, status))
        return false;
    if (status.size < kHeadersEnd || status.size > std::numeric_limits<std::uint32_t>::max())
        return false;
    const auto length = static_cast<std::uint32_t>(status.size);

    // Fails unless every byte of the file was read.
    refvector2<unsigned char> file;
    if (!file.create(length, path, 0, 0, false))
        return false;

    const auto* header = reinterpret_cast<const tagBITMAPFILEHEADER*>(file.begin());
    const auto* info = reinterpret_cast<const tagBITMAPINFOHEADER*>(file.begin() + 14);
    const std::uint32_t offBits = byteorder::le_to_host32(header->bfOffBits);
    if (byteorder::le_to_host32(info->biSize) < 40 || offBits < kHeadersEnd)
        return false;

    flipTopDown(file.begin(), length, offBits);

    fileHeader.attach(file, 0, 1);
    infoHeader.attach(file, 14, 1);
    colorTable.attach(file, kHeadersEnd, (offBits - kHeadersEnd) / sizeof(tagRGBQUAD));
    bits.attach(file, offBits, ofsvector<unsigned char>::npos);
    return true;
}

bool grBmpToImage(grImage2D& image, const grBmpFile& file) {
    if (file.infoHeader.size() < 1)
        return false;
    const tagBITMAPINFOHEADER& info = file.infoHeader[0];
    if (byteorder::le_to_host32(info.biCompression) != 0)
        return false;

    const std::uint16_t bitCount = byteorder::le_to_host16(info.biBitCount);
    if (!supportedBitCount(bitCount)) {
        image.palette.clear();
        return false;
    }
    const auto width = static_cast<std::int32_t>(
        byteorder::le_to_host32(static_cast<std::uint32_t>(info.biWidth)));
    const auto height = static_cast<std::int32_t>(
        byteorder::le_to_host32(static_cast<std::uint32_t>(info.biHeight)));
    // A negative height here is a top-down file that load could not flip.
    if (width <= 0 || height <= 0)
        return false;
    const std::uint64_t rowBytes = storedRowBytes(width, bitCount);
    if (!rowsFit(rowBytes, static_cast<std::uint32_t>(height), file.bits.size()))
        return false;

    ofsvector<unsigned char> pixels;
    if (bitCount == 1 || bitCount == 4) {
        // The one copy on the image path: GL cannot read indices packed below a byte.
        grImage2D expanded;
        const grPixelStore rows{GL_FALSE, 4};
        expanded.layout = 0;
        expanded.bitCode = 3;
        expanded.width = static_cast<std::uint32_t>(width);
        expanded.height = static_cast<std::uint32_t>(height);
        expanded.pixelStore = &rows;
        if (!expanded.allocatePixels())
            return false;
        expandIndices(file.bits.begin(), rowBytes, expanded.pixels.begin(), expanded.rowStride(),
                      expanded.width, expanded.height, bitCount);
        pixels = expanded.pixels;
    } else {
        pixels = file.bits;
    }

    image.palette.clear();
    image.pixels = pixels;
    const int layout = bitCount == 24 ? 9 : bitCount == 32 ? 10 : 0;
    image.layout = layout;
    image.bitCode = 3;
    image.numberKind = 1;
    image.width = static_cast<std::uint32_t>(width);
    image.height = static_cast<std::uint32_t>(height);
    image.compressed = false;
    return true;
}

} // namespace libgr
