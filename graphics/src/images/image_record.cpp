// The image records: their palettes, row sizes and pixel storage.
#include "libgr/image_record.h"

#include <limits>

namespace libgr {

// ---------------------------------------------------------------------------------------------
// Palette

void grImagePalette::clear() {
    count = 0;
    red.release();
    green.release();
    blue.release();
}

bool grImagePalette::resize(std::uint32_t n) {
    count = n;
    const bool ok = red.resize(n) && green.resize(n) && blue.resize(n);
    return n != 0 && ok;
}

// ---------------------------------------------------------------------------------------------
// 2D records

int grImage2D::bitsPerPixel(int layout, int bitCode) {
    return libgr::bitsPerPixel(layout, bitCode);
}

int grImage2D::bitsPerPixel() const {
    return libgr::bitsPerPixel(layout, bitCode);
}

std::uint32_t grImage2D::effectiveRowLength() const {
    if (rowLength < 0)
        return 0;
    return rowLength != 0 ? static_cast<std::uint32_t>(rowLength) : width;
}

std::uint64_t grImage2D::rowBits() const {
    return static_cast<std::uint64_t>(bitsPerPixel()) * width;
}

std::uint64_t grImage2D::rowStride() const {
    const bool aligned = pixelStore != nullptr && pixelStore->alignment > 0;
    const auto alignment = static_cast<std::uint64_t>(aligned ? pixelStore->alignment : 1);
    return rowBytes(effectiveRowLength(), static_cast<std::uint64_t>(bitsPerPixel()), alignment);
}

bool grImage2D::allocatePixels() {
    if (skipRows < 0)
        return false;
    const std::uint64_t rows = static_cast<std::uint64_t>(skipRows) + height;
    const std::uint64_t stride = rowStride();
    if (stride != 0 && rows > std::numeric_limits<std::uint32_t>::max() / stride)
        return false;
    return pixels.create(static_cast<std::uint32_t>(rows * stride), nullptr, 1, 0, false);
}

} // namespace libgr
